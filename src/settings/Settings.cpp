#include "settings/Settings.h"

#include <cctype>
#include <cstdlib>
#include <string_view>
#include <utility>

#include "store/DictionaryFolder.h"

namespace mox {

// One persisted value: where it lives, how it is narrowed on load and widened
// on save, and the texts that report its failures. Load and save both walk
// the one table below, so the order of the values is the same for both.
struct SettingsTable {
    enum class Kind { Number, Text };
    struct Value {
        const char* key;            // subkey of the product key
        const char* name;
        Kind kind;
        const char* readFailure;
        const char* writeFailure;
        void (*loadNumber)(Settings&, std::uint32_t);
        std::uint32_t (*saveNumber)(const Settings&);
        std::string Settings::*text;
    };

    static std::uint16_t low16(std::uint32_t v) { return static_cast<std::uint16_t>(v & 0xFFFFu); }
    static std::uint8_t low8(std::uint32_t v) { return static_cast<std::uint8_t>(v & 0xFFu); }
    static std::int32_t bits(std::uint32_t v) { return static_cast<std::int32_t>(v); }
    static std::uint32_t word(std::int32_t v) { return static_cast<std::uint32_t>(v); }
    // A stored size of 10 points is the height -10 in memory.
    static std::int16_t height(std::uint32_t v) { return static_cast<std::int16_t>(-static_cast<std::int32_t>(low16(v))); }
    static std::uint32_t size(std::int16_t h) { return static_cast<std::uint32_t>(h < 0 ? -static_cast<std::int32_t>(h) : h); }

#define MOX_NUMBER(key, field, readText, writeText, load, save)                                  \
    Value { key, #field, Kind::Number, readText, writeText,                                       \
            [](Settings& s, std::uint32_t v) { s.field##_ = load; },                             \
            [](const Settings& s) -> std::uint32_t { return save; }, nullptr }
#define MOX_TEXT(key, field, readText, writeText)                                                \
    Value { key, #field, Kind::Text, readText, writeText, nullptr, nullptr, &Settings::field##_ }

    static const std::vector<Value>& values()
    {
        static const std::vector<Value> table = {
            MOX_NUMBER("General", bAutoLoad, "Registry: Not Read AutoLoad Data", "Registry: Not Set AutoLoad Data", bits(v), word(s.bAutoLoad_)),
            MOX_NUMBER("General", bAutoShow, "Registry: Not Read bAutoShow Data", "Registry: Not Set bAutoShow Data", bits(v), word(s.bAutoShow_)),
            MOX_NUMBER("General", uiTimer, "Registry: Not Read uiTimer Data", "Registry: Not Set uiTimer Data", v, s.uiTimer_),
            MOX_NUMBER("General", bSaveMoxPos, "Registry: Not Read bSaveMoxPos Data", "Registry: Not Set bSaveMoxPos Data", bits(v), word(s.bSaveMoxPos_)),

            MOX_NUMBER("Method", iDemoTypeSel, "Registry: Not Read iDemoTypeSel Data", "Registry: Not Set iDemoTypeSel Data", low16(v), s.iDemoTypeSel_),
            MOX_NUMBER("Method", iDemoTypeInput, "Registry: Not Read iDemoTypeInput Data", "Registry: Not Set iDemoTypeInput Data", low16(v), s.iDemoTypeInput_),
            MOX_NUMBER("Method", iMainRegim, "Registry: Not Read iMainRegim Data", "Registry: Not Set iMainRegim Data", low16(v), s.iMainRegim_),
            MOX_NUMBER("Method", iExcludeAfter, "Registry: Not Read iExcludeAfter Data", "Registry: Not Set iExcludeAfter Data", low16(v), s.iExcludeAfter_),
            MOX_NUMBER("Method", iHideAfter, "Registry: Not Read iHideAfter Data", "Registry: Not Set iHideAfter Data", low16(v), s.iHideAfter_),
            MOX_NUMBER("Method", iHideState, "Registry: Not Read iHideState Data", "Registry: Not Set iHideState Data", low16(v), word(s.iHideState_)),
            MOX_NUMBER("Method", iRowCount, "Registry: Not Read iRowCount Data", "Registry: Not Set iRowCount Data",
                       low16(v) ? low16(v) : Settings::kDefaultRowCount, s.iRowCount_),
            MOX_NUMBER("Method", iShowCount, "Registry: Not Read iShowCount Data", "Registry: Not Set iShowCount Data", low16(v), s.iShowCount_),
            MOX_NUMBER("Method", uiLBRowMax, "Registry: Not Read uiLBRowMax Data", "Registry: Not Set uiLBRowMax Data", low16(v), s.uiLBRowMax_),
            MOX_NUMBER("Method", bMatchCaseInput, "Registry: Not Read bMatchCaseInput Data", "Registry: Not Set bMatchCaseInput Data", bits(v), word(s.bMatchCaseInput_)),
            MOX_NUMBER("Method", bShowTranscrSel, "Registry: Not Read bShowTranscrSel Data", "Registry: Not Set bShowTranscrSel Data", bits(v), word(s.bShowTranscrSel_)),
            MOX_NUMBER("Method", bShowTranscrInput, "Registry: Not Read bShowTranscrInput Data", "Registry: Not Set bShowTranscrInput Data", bits(v), word(s.bShowTranscrInput_)),

            MOX_NUMBER("Dicts", iSubSetRecCount, "Registry: Not Read iSubSetRecCount Data", "Registry: Not Set iSubSetRecCount Data", low16(v), s.iSubSetRecCount_),
            MOX_NUMBER("Dicts", uiDictActiveCount, "Registry: Not Read uiDictActiveCount Data", "Registry: Not Set uiDictActiveCount Data", v, s.uiDictActiveCount_),
            MOX_NUMBER("Dicts", uiDictRecCount, "Registry: Not Read uiDictRecCount Data", "Registry: Not Set uiDictRecCount Data", low16(v), s.uiDictRecCount_),
            MOX_TEXT("Dicts", sCurDict, "Registry: Not Read sCurDict", "Registry: Not Set sCurDict"),
            MOX_TEXT("Dicts", sCurList, "Registry: Not Read sCurList", "Registry: Not Set sCurList"),

            MOX_NUMBER("Fonts", iForeignCharSet, "Registry: Not Read iForeignCharSet Data", "Registry: Not Set iForeignCharSet Data", low8(v), s.iForeignCharSet_),
            MOX_NUMBER("Fonts", iNativeCharSet, "Registry: Not Read iNativeCharSet Data", "Registry: Not Set iNativeCharSet Data", low8(v), s.iNativeCharSet_),
            MOX_NUMBER("Fonts", iTransCharSet, "Registry: Not Read iTransCharSet Data", "Registry: Not Set iTransCharSet Data", low8(v), s.iTransCharSet_),
            // Two names, one field: on load the second wins, on save both get it.
            Value{"Fonts", "iForeignFontSize", Kind::Number, "Registry: Not Read iForeignFontSize Data", "Registry: Not Set iForeignFontSize Data",
                  [](Settings& s, std::uint32_t v) { s.wordFontSize_ = height(v); },
                  [](const Settings& s) { return size(s.wordFontSize_); }, nullptr},
            Value{"Fonts", "iNativeFontSize", Kind::Number, "Registry: Not Read iNativeFontSize Data", "Registry: Not Set iNativeFontSize Data",
                  [](Settings& s, std::uint32_t v) { s.wordFontSize_ = height(v); },
                  [](const Settings& s) { return size(s.wordFontSize_); }, nullptr},
            Value{"Fonts", "iTransFontSize", Kind::Number, "Registry: Not Read iTransFontSize Data", "Registry: Not Set iTransFontSize Data",
                  [](Settings& s, std::uint32_t v) { s.transFontSize_ = height(v); },
                  [](const Settings& s) { return size(s.transFontSize_); }, nullptr},
            MOX_NUMBER("Fonts", uiForeignLayout, "Registry: Not Read uiForeignLayout Data", "Registry: Not Set uiForeignLayout Data", v, s.uiForeignLayout_),
            MOX_NUMBER("Fonts", uiNativeLayout, "Registry: Not Read uiNativeLayout Data", "Registry: Not Set uiNativeLayout Data", v, s.uiNativeLayout_),
            MOX_NUMBER("Fonts", uiTransLayout, "Registry: Not Read uiTransLayout Data", "Registry: Not Set uiTransLayout Data", v, s.uiTransLayout_),
            MOX_TEXT("Fonts", sForeignFontFace, "Registry: Not Read sForeignFontFace", "Registry: Not Set sForeignFontFace"),
            MOX_TEXT("Fonts", sNativeFontFace, "Registry: Not Read sNativeFontFace", "Registry: Not Set sNativeFontFace"),
            MOX_TEXT("Fonts", sTransFontFace, "Registry: Not Read sTransFontFace", "Registry: Not Set sTransFontFace"),

            MOX_NUMBER("Results", bShowStatCurItem, "Registry: Not Read bShowStatCurItem Data", "Registry: Not Set bShowStatCurItem Data", bits(v), word(s.bShowStatCurItem_)),
        };
        return table;
    }
#undef MOX_NUMBER
#undef MOX_TEXT

    static constexpr const char* kGroups[] = {"General", "Method", "Dicts", "Fonts", "Results"};
};

namespace {

void report(Settings& s, const char* text)
{
    s.messages().show(text, MessageIcon::None);
}

// Opens the five groups in their order and hands each of their values, in
// table order, to `visit`; a group that cannot be opened is reported once and
// its values are skipped.
template <typename Visit>
void forEachValue(Settings& s, RegistryPort& registry, Visit visit)
{
    for (const char* group : SettingsTable::kGroups) {
        auto key = registry.openKey(std::string(Settings::kProductKey) + "\\" + group);
        if (!key) {
            report(s, "Error Open Key");
            continue;
        }
        for (const auto& value : SettingsTable::values())
            if (std::string_view(value.key) == group)
                visit(*key, value);
    }
}

} // namespace

bool Settings::load(RegistryPort& registry)
{
    using Table = SettingsTable;

    if (auto shell = registry.openKey(kShellFoldersKey)) {
        if (auto v = shell->readText("Startup"))
            startupDir_ = *v;
    } else {
        report(*this, "Error Open Key");
    }

    if (auto product = registry.openKey(kProductKey)) {
        if (auto v = product->readText("sAppPath"))
            setAppPath(*v);
        else
            report(*this, "Registry: Not Read Application Path");
    } else {
        report(*this, "Error Open Key");
    }

    forEachValue(*this, registry, [this](RegistryKey& key, const Table::Value& value) {
        if (value.kind == Table::Kind::Number) {
            if (auto v = key.readNumber(value.name))
                value.loadNumber(*this, *v);
            else
                report(*this, value.readFailure);
        } else {
            if (auto v = key.readText(value.name))
                this->*value.text = *v;
            else
                report(*this, value.readFailure);
        }
    });
    return true;
}

bool Settings::save(RegistryPort& registry)
{
    using Table = SettingsTable;
    forEachValue(*this, registry, [this](RegistryKey& key, const Table::Value& value) {
        // A text that load could not read back is refused rather than
        // stored: it would fail to read at the next start.
        const bool written = value.kind == Table::Kind::Number
                                 ? key.writeNumber(value.name, value.saveNumber(*this))
                                 : (this->*value.text).size() <= kMaxTextBytes &&
                                       key.writeText(value.name, this->*value.text);
        if (!written)
            report(*this, value.writeFailure);
    });
    return true;
}

void Settings::setTimerMinutes(std::uint32_t minutes)
{
    uiTimer_ = (minutes >= 1 && minutes <= 719) ? minutes * 60000u : 60000u;
}

void Settings::setDemoType(std::uint16_t type, std::uint16_t mode)
{
    if (type > 2) {
        messages_->show("Недопустимое значение типа предъявления.", MessageIcon::None);
        return;
    }
    if (mode == 0)
        iDemoTypeSel_ = type;
    else if (mode == 1)
        iDemoTypeInput_ = type;
}

std::uint16_t Settings::demoType(std::uint16_t mode) const
{
    if (mode == 0)
        return iDemoTypeSel_;
    if (mode == 1)
        return iDemoTypeInput_;
    return 0;
}

std::string Settings::dictionaryPath() const
{
    return DictionaryFolder(dictFolder_).resolve(sCurDict_, sCurList_).dictionary;
}

std::string Settings::listPath() const
{
    return DictionaryFolder(dictFolder_).resolve(sCurDict_, sCurList_).list;
}

void Settings::setAppPath(const std::string& path)
{
    appPath_ = path;
    modFolder_ = path + "/mod/";
    dictFolder_ = path + "/voc/";
    listFolder_ = path + "/voc/";
    helpFile_ = path + "/mox.qch";
}

std::string Settings::startupFolder() const
{
    std::string out;
    const std::string& in = startupDir_;
    for (std::size_t i = 0; i < in.size();) {
        if (in[i] != '$') {
            out += in[i++];
            continue;
        }
        std::size_t start = i + 1, end;
        std::string name;
        if (start < in.size() && in[start] == '{') {
            end = in.find('}', start);
            if (end == std::string::npos)
                return {};
            name = in.substr(start + 1, end - start - 1);
            i = end + 1;
        } else {
            // A name starts with a letter or "_" and goes on with letters,
            // digits and "_".
            end = start;
            while (end < in.size() &&
                   (std::isalpha(static_cast<unsigned char>(in[end])) || in[end] == '_' ||
                    (end > start && std::isdigit(static_cast<unsigned char>(in[end])))))
                ++end;
            name = in.substr(start, end - start);
            i = end;
            if (name.empty()) {   // a "$" that starts no name stands for itself
                out += '$';
                continue;
            }
        }
        const char* value = name.empty() ? nullptr : std::getenv(name.c_str());
        if (!value)
            return {};
        out += value;
    }
    return out;
}

} // namespace mox
