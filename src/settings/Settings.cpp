#include "settings/Settings.h"

#include <cctype>
#include <cstdlib>
#include <string_view>
#include <utility>

#include "settings/SettingsTable.h"
#include "store/DictionaryFolder.h"

namespace mox {

namespace {

// Walks the rows of the table that `wanted` takes, in order, opening the key
// of each group once; the rows of a group whose key cannot be opened are
// visited without a key.
template <typename Wanted, typename Visit>
void forEachRow(RegistryPort& registry, Wanted wanted, Visit visit)
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
        }
        visit(key.get(), row);
    }
}

} // namespace

bool Settings::read(RegistryKey& key, const SettingRow& row)
{
    if (row.isText()) {
        const auto v = key.readText(row.name);
        if (v)
            row.loadText(*this, *v);
        return v.has_value();
    }
    const auto v = key.readNumber(row.name);
    if (!v || !row.inBounds(row.narrow(*v)))
        return false;
    row.load(*this, row.narrow(*v));
    return true;
}

std::vector<std::string> Settings::load(RegistryPort& registry)
{
    if (auto shell = registry.openKey(kShellFoldersKey)) {
        if (auto v = shell->readText("Startup"))
            startupDir_ = *v;
    }

    std::vector<std::string> damaged;
    forEachRow(registry, [](const SettingRow&) { return true; }, [&](RegistryKey* key, const SettingRow& row) {
        if (key && read(*key, row))
            return;
        if (!row.mayBeMissing)
            damaged.push_back(row.name);
        if (!row.saved)
            return;   // the program folder has no first-run value of its own
        if (row.isText())
            row.loadText(*this, row.firstRunText);
        else
            row.load(*this, row.firstRun);
    });
    return damaged;
}

bool Settings::save(RegistryPort& registry)
{
    std::vector<std::string> failed;
    std::size_t rows = 0;
    forEachRow(registry, [](const SettingRow& row) { return row.saved; }, [&](RegistryKey* key, const SettingRow& row) {
        ++rows;
        // A text that load could not read back is refused rather than
        // stored: it would fail to read at the next start.
        bool written = false;
        if (key && row.isText()) {
            const std::string& text = row.storeText(*this);
            written = text.size() <= kMaxTextBytes && key->writeText(row.name, text);
        } else if (key) {
            written = key->writeNumber(row.name, row.store(*this));
        }
        if (!written)
            failed.push_back(row.name);
    });
    if (failed.empty())
        return true;

    std::string text = "Не удалось сохранить настройки";
    if (const std::string where = registry.location(); !where.empty())
        text += " в файле " + where;
    text += failed.size() == rows ? "." : ": " + settingNames(failed) + ".";
    messages_->show(text, MessageIcon::Warning);
    return false;
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
    uiTimer_ = (minutes >= 1 && minutes <= kTimerMinutesMax) ? minutes * 60000u : 60000u;
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
