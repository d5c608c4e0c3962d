#pragma once
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace mox {

class Settings;

// How a stored value becomes the value in memory.
enum class SettingKind {
    Flag,      // bool: a stored part that is not 0 is true; saved as 0 or 1
    Number,    // an unsigned number
    Choice,    // an enumeration (Mode, Direction): its stored number
    FontSize,  // a size in points, held in memory as the negative font height
    Text,      // UTF-8, at most Settings::kMaxTextBytes bytes
};

// One persisted value of the settings file. Load and save walk the rows in
// table order; the first run writes every row's first-run value; the option
// pages check what the user types against the rows' bounds.
struct SettingRow {
    const char* group;      // the subkey of the product key; "" for the product key itself
    const char* name;       // the value name, which is also the getter's name
    SettingKind kind;
    // The part of the stored 32-bit number that counts (32, 16 or 8 low bits);
    // the bounds apply to that part.
    unsigned bits;
    std::uint32_t minimum;
    std::uint32_t maximum;
    std::uint32_t firstRun;        // numbers
    const char* firstRunText;      // texts
    bool saved;                    // false for the program folder, which only the setup writes

    // The in-memory value from and to its stored form: numbers (the part
    // that counts) or texts.
    void (*load)(Settings&, std::uint32_t);
    std::uint32_t (*store)(const Settings&);
    void (*loadText)(Settings&, const std::string&);
    const std::string& (*storeText)(const Settings&);
    // A value that files written by earlier versions lack (a remembered
    // window size): missing or unreadable, it loads as its first-run value
    // without counting as damage, so an older file is not repaired for it.
    bool mayBeMissing = false;

    bool isText() const { return kind == SettingKind::Text; }
    // The part of a stored number that counts.
    std::uint32_t narrow(std::uint32_t stored) const
    {
        return bits >= 32 ? stored : stored & ((std::uint32_t{1} << bits) - 1u);
    }
    bool inBounds(std::uint32_t part) const { return part >= minimum && part <= maximum; }
};

// The rows of the settings file, in load and save order.
std::span<const SettingRow> settingsTable();
// The row of a value name; throws std::out_of_range for a name the table lacks.
const SettingRow& settingRow(std::string_view name);
// Value names for a message: "a, b, c", the first eight and "и ещё N".
std::string settingNames(std::span<const std::string> names);

} // namespace mox
