#include "settings/Settings.h"

#include <cctype>
#include <cstdlib>
#include <string_view>
#include <utility>

#include "settings/SettingsTable.h"
#include "store/DictionaryFolder.h"

namespace mox {

namespace {

void report(Settings& s, const char* text)
{
    s.messages().show(text, MessageIcon::None);
}

// Walks the rows of the table in order, opening the key of each group once;
// a key that cannot be opened is reported once and its rows are skipped.
// Rows that `wanted` refuses are passed over without opening anything.
template <typename Wanted, typename Visit>
void forEachRow(Settings& s, RegistryPort& registry, Wanted wanted, Visit visit)
{
    std::string_view openGroup;
    std::unique_ptr<RegistryKey> key;
    bool opened = false;
    for (const SettingRow& row : settingsTable()) {
        if (!wanted(row))
            continue;
        if (!opened || openGroup != row.group) {
            openGroup = row.group;
            opened = true;
            std::string path = Settings::kProductKey;
            if (*row.group != '\0')
                path += std::string("\\") + row.group;
            key = registry.openKey(path);
            if (!key)
                report(s, "Error Open Key");
        }
        if (key)
            visit(*key, row);
    }
}

} // namespace

bool Settings::load(RegistryPort& registry)
{
    if (auto shell = registry.openKey(kShellFoldersKey)) {
        if (auto v = shell->readText("Startup"))
            startupDir_ = *v;
    } else {
        report(*this, "Error Open Key");
    }

    forEachRow(*this, registry, [](const SettingRow&) { return true; }, [this](RegistryKey& key, const SettingRow& row) {
        if (row.isText()) {
            if (auto v = key.readText(row.name))
                row.loadText(*this, *v);
            else
                report(*this, row.readFailure);
            return;
        }
        const auto v = key.readNumber(row.name);
        if (!v) {
            report(*this, row.readFailure);
            return;
        }
        // A number outside what the program accepts (a mode it does not
        // have, a zero row count, an interval of no time) counts as its
        // first-run value.
        const std::uint32_t part = row.narrow(*v);
        row.load(*this, row.inBounds(part) ? part : row.firstRun);
    });
    return true;
}

bool Settings::save(RegistryPort& registry)
{
    forEachRow(*this, registry, [](const SettingRow& row) { return row.saved; }, [this](RegistryKey& key, const SettingRow& row) {
        // A text that load could not read back is refused rather than
        // stored: it would fail to read at the next start.
        bool written;
        if (row.isText()) {
            const std::string& text = row.storeText(*this);
            written = text.size() <= kMaxTextBytes && key.writeText(row.name, text);
        } else {
            written = key.writeNumber(row.name, row.store(*this));
        }
        if (!written)
            report(*this, row.writeFailure);
    });
    return true;
}

void Settings::setFirstRunValues()
{
    for (const SettingRow& row : settingsTable()) {
        if (!row.saved)
            continue;
        if (row.isText())
            row.loadText(*this, row.firstRunText);
        else
            row.load(*this, row.firstRun);
    }
}

void Settings::setTimerMinutes(std::uint32_t minutes)
{
    // The interval's bounds in the table are whole minutes (1 to 719).
    const SettingRow& row = settingRow("uiTimer");
    const std::uint32_t first = row.minimum / 60000u, last = row.maximum / 60000u;
    uiTimer_ = (minutes >= first && minutes <= last) ? minutes * 60000u : row.minimum;
}

void Settings::setDemoType(Direction type, Mode mode)
{
    if (static_cast<std::uint16_t>(type) > static_cast<std::uint16_t>(Direction::Both)) {
        messages_->show("Недопустимое значение типа предъявления.", MessageIcon::None);
        return;
    }
    if (mode == Mode::Choice)
        iDemoTypeSel_ = type;
    else if (mode == Mode::Typing)
        iDemoTypeInput_ = type;
}

Direction Settings::demoType(Mode mode) const
{
    if (mode == Mode::Choice)
        return iDemoTypeSel_;
    if (mode == Mode::Typing)
        return iDemoTypeInput_;
    return Direction::Direct;
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
