#include "settings/SettingsTable.h"

#include <stdexcept>
#include <vector>

#include "settings/Settings.h"

namespace mox {

// Builds the rows; a friend of Settings, so that each row reaches its field.
struct SettingsTable {
    static constexpr std::uint32_t kAny = 0xFFFFFFFFu;
    static constexpr std::uint32_t kAny16 = 0xFFFFu;
    static constexpr std::uint32_t kAny8 = 0xFFu;

    // A stored size of 10 points is the height -10 in memory; save writes the
    // absolute value of the height.
    static std::int16_t height(std::uint32_t points) { return static_cast<std::int16_t>(-static_cast<std::int32_t>(points)); }
    static std::uint32_t points(std::int16_t h) { return static_cast<std::uint32_t>(h < 0 ? -static_cast<std::int32_t>(h) : h); }

#define MOX_ROW(group, field, kind, bits, minimum, maximum, firstRun, load, save)                          \
    SettingRow { group, #field, kind, bits, minimum, maximum, firstRun, nullptr, true,                      \
                 [](Settings& s, std::uint32_t v) { s.field##_ = load; },                                   \
                 [](const Settings& s) -> std::uint32_t { return save; }, nullptr, nullptr }
#define MOX_FLAG(group, field, bits, firstRun) \
    MOX_ROW(group, field, SettingKind::Flag, bits, 0, kAny, firstRun, v != 0, s.field##_ ? 1u : 0u)
#define MOX_NUMBER(group, field, type, bits, minimum, maximum, firstRun)                                     \
    MOX_ROW(group, field, SettingKind::Number, bits, minimum, maximum, firstRun, static_cast<type>(v),      \
            static_cast<std::uint32_t>(s.field##_))
#define MOX_CHOICE(group, field, type, last, firstRun)                                                       \
    MOX_ROW(group, field, SettingKind::Choice, 16, 0, static_cast<std::uint32_t>(type::last), firstRun,      \
            static_cast<type>(v), static_cast<std::uint32_t>(s.field##_))
#define MOX_LATER_NUMBER(group, field, type, bits, minimum, maximum, firstRun)                               \
    [] {                                                                                                     \
        SettingRow row = MOX_NUMBER(group, field, type, bits, minimum, maximum, firstRun);                   \
        row.mayBeMissing = true;                                                                             \
        return row;                                                                                          \
    }()
#define MOX_TEXT(group, field, firstRun)                                                                     \
    SettingRow { group, #field, SettingKind::Text, 0, 0, 0, 0, firstRun, true,                               \
                 nullptr, nullptr, [](Settings& s, const std::string& v) { s.field##_ = v; },                \
                 [](const Settings& s) -> const std::string& { return s.field##_; } }

    static const std::vector<SettingRow>& rows()
    {
        static const std::vector<SettingRow> table = {
            // The program folder heads the file; only the setup writes it.
            SettingRow{"", "sAppPath", SettingKind::Text, 0, 0, 0, 0, "", false,
                       nullptr, nullptr, [](Settings& s, const std::string& v) { s.setAppPath(v); },
                       [](const Settings& s) -> const std::string& { return s.appPath_; }},

            MOX_FLAG("General", bAutoLoad, 32, 0),
            MOX_FLAG("General", bAutoShow, 32, 1),
            // Milliseconds: the sheet sets whole minutes (setTimerMinutes);
            // a shorter interval set by hand is taken, no interval at all is not.
            MOX_NUMBER("General", uiTimer, std::uint32_t, 32, 1, kAny, 5u * 60000u),
            MOX_FLAG("General", bSaveMoxPos, 32, 0),

            // The first-run counts keep the relations the Method page keeps:
            // the correct answers before hiding do not exceed the answers of
            // any kind, which stay below the list size.
            MOX_CHOICE("Method", iDemoTypeSel, Direction, Both, 0),
            MOX_CHOICE("Method", iDemoTypeInput, Direction, Both, 0),
            MOX_CHOICE("Method", iMainRegim, Mode, Typing, 0),
            MOX_NUMBER("Method", iExcludeAfter, std::uint16_t, 16, 1, kAny16, 3),
            MOX_NUMBER("Method", iHideAfter, std::uint16_t, 16, 1, kAny16, 5),
            MOX_FLAG("Method", iHideState, 16, 1),
            // A divisor of the choice list's height: never 0.
            MOX_NUMBER("Method", iRowCount, std::uint16_t, 16, 1, kAny16, Settings::kDefaultRowCount),
            MOX_NUMBER("Method", iShowCount, std::uint16_t, 16, 1, kAny16, 10),
            MOX_NUMBER("Method", uiLBRowMax, std::uint16_t, 16, 0, kAny16, 5),
            MOX_FLAG("Method", bMatchCaseInput, 32, 0),
            MOX_FLAG("Method", bShowTranscrSel, 32, 1),
            MOX_FLAG("Method", bShowTranscrInput, 32, 1),

            MOX_NUMBER("Dicts", iSubSetRecCount, std::uint16_t, 16, 1, 1000, 20),
            // The counts of the current dictionary; the setup counts the
            // starter dictionary for the first run.
            MOX_NUMBER("Dicts", uiDictActiveCount, std::uint32_t, 32, 0, kAny, 0),
            MOX_NUMBER("Dicts", uiDictRecCount, std::uint32_t, 16, 0, kAny16, 0),
            MOX_TEXT("Dicts", sCurDict, "english.dct"),
            MOX_TEXT("Dicts", sCurList, "english.lst"),
            // The dictionary editor's window as the user last left it, in
            // device-independent pixels; 0 until then (its first size).
            MOX_LATER_NUMBER("Dicts", uiEditorWidth, std::uint16_t, 16, 0, kAny16, 0),
            MOX_LATER_NUMBER("Dicts", uiEditorHeight, std::uint16_t, 16, 0, kAny16, 0),

            MOX_NUMBER("Fonts", iForeignCharSet, std::uint8_t, 8, 0, kAny8, 0),
            MOX_NUMBER("Fonts", iNativeCharSet, std::uint8_t, 8, 0, kAny8, 204),
            MOX_NUMBER("Fonts", iTransCharSet, std::uint8_t, 8, 0, kAny8, 2),
            // iForeignFontSize and iNativeFontSize are one size under two
            // names: on load the second wins, on save both get it.
            SettingRow{"Fonts", "iForeignFontSize", SettingKind::FontSize, 16, 0, kAny16, 12, nullptr, true,
                       [](Settings& s, std::uint32_t v) { s.wordFontSize_ = height(v); },
                       [](const Settings& s) { return points(s.wordFontSize_); }, nullptr, nullptr},
            SettingRow{"Fonts", "iNativeFontSize", SettingKind::FontSize, 16, 0, kAny16, 12, nullptr, true,
                       [](Settings& s, std::uint32_t v) { s.wordFontSize_ = height(v); },
                       [](const Settings& s) { return points(s.wordFontSize_); }, nullptr, nullptr},
            SettingRow{"Fonts", "iTransFontSize", SettingKind::FontSize, 16, 0, kAny16, 12, nullptr, true,
                       [](Settings& s, std::uint32_t v) { s.transFontSize_ = height(v); },
                       [](const Settings& s) { return points(s.transFontSize_); }, nullptr, nullptr},
            // Language identifiers of the keyboard layouts.
            MOX_NUMBER("Fonts", uiForeignLayout, std::uint32_t, 32, 0, kAny, 0x409),
            MOX_NUMBER("Fonts", uiNativeLayout, std::uint32_t, 32, 0, kAny, 0x419),
            MOX_NUMBER("Fonts", uiTransLayout, std::uint32_t, 32, 0, kAny, 0x409),
            MOX_TEXT("Fonts", sForeignFontFace, "DejaVu Sans"),
            MOX_TEXT("Fonts", sNativeFontFace, "DejaVu Sans"),
            MOX_TEXT("Fonts", sTransFontFace, "TransMox"),

            MOX_FLAG("Results", bShowStatCurItem, 32, 1),
        };
        return table;
    }
#undef MOX_ROW
#undef MOX_FLAG
#undef MOX_NUMBER
#undef MOX_CHOICE
#undef MOX_LATER_NUMBER
#undef MOX_TEXT
};

std::span<const SettingRow> settingsTable()
{
    return SettingsTable::rows();
}

const SettingRow& settingRow(std::string_view name)
{
    for (const SettingRow& row : SettingsTable::rows())
        if (name == row.name)
            return row;
    throw std::out_of_range("no setting named " + std::string(name));
}

std::string settingNames(std::span<const std::string> names)
{
    constexpr std::size_t kShown = 8;
    std::string out;
    for (std::size_t i = 0; i < names.size() && i < kShown; ++i)
        out += (i ? ", " : "") + names[i];
    if (names.size() > kShown)
        out += " и ещё " + std::to_string(names.size() - kShown);
    return out;
}

} // namespace mox
