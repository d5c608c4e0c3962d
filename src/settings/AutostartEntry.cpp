#include "settings/AutostartEntry.h"

#include <filesystem>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/MessagePort.h"
#include "settings/Settings.h"
#include "store/FileIo.h"

namespace mox {

namespace {

constexpr std::string_view kWriteFailure = "Error: Autostart entry cannot be written";
constexpr std::string_view kRemoveFailure = "Error: File cannot be removed";

void report(MessagePort& messages, std::string_view text)
{
    messages.show(text, MessageIcon::None, MessageButtons::Ok);
}

} // namespace

std::string escapeStringValue(const std::string& value)
{
    std::string out;
    for (char c : value) {
        switch (c) {
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\t': out += "\\t"; break;
        case '\r': out += "\\r"; break;
        default: out += c;
        }
    }
    // A leading blank would be dropped by readers that trim the value.
    if (!out.empty() && out.front() == ' ')
        out.replace(0, 1, "\\s");
    return out;
}

std::string quoteExecArgument(const std::string& argument)
{
    // The reserved characters of an Exec argument; any of them (or an empty
    // argument) needs double quotes, inside which " ` $ \ are escaped.
    constexpr std::string_view reserved = " \t\n\"'\\><~|&;$*?#()`";
    const bool quote = argument.empty() || argument.find_first_of(reserved) != std::string::npos;
    std::string out;
    if (quote)
        out += '"';
    for (char c : argument) {
        if (quote && (c == '"' || c == '`' || c == '$' || c == '\\'))
            out += '\\';
        out += c;
        if (c == '%')
            out += '%';  // a single "%" would start a field code
    }
    if (quote)
        out += '"';
    return out;
}

std::string AutostartEntry::text() const
{
    std::string out = "[Desktop Entry]\n";
    out += "Type=Application\n";
    out += "Name=" + escapeStringValue(description) + "\n";
    out += "Comment=" + escapeStringValue(description) + "\n";
    // The value is first unescaped as a string, then split into arguments.
    out += "Exec=" + escapeStringValue(quoteExecArgument(target)) + "\n";
    out += "Path=" + escapeStringValue(workingDir) + "\n";
    out += "Icon=" + escapeStringValue(icon) + "\n";
    out += "Terminal=false\n";
    out += "X-GNOME-Autostart-enabled=true\n";
    return out;
}

AutostartEntry programAutostartEntry(const Settings& settings)
{
    AutostartEntry entry;
    entry.target = settings.appPath() + "/Mox";
    entry.workingDir = settings.appPath();
    entry.description = "Mox!";
    entry.icon = "mox";
    return entry;
}

std::string autostartEntryFile(const Settings& settings)
{
    const std::string folder = settings.startupFolder();
    // Without a folder the entry would land in the root folder: no entry.
    if (folder.empty())
        return {};
    return folder + "/Mox!.desktop";
}

bool writeAutostartEntry(const AutostartEntry& entry, const std::string& file, MessagePort& messages)
{
    namespace fs = std::filesystem;
    if (file.empty()) {
        report(messages, kWriteFailure);
        return false;
    }
    const fs::path target(file);
    std::error_code ec;
    fs::create_directories(target.parent_path(), ec);

    // The entry is written beside itself and renamed into place, so no
    // desktop ever reads half of it and a failure keeps the old one.
    const std::string text = entry.text();
    if (!replaceFileContent(file, text.data(), text.size())) {
        report(messages, kWriteFailure);
        return false;
    }
    return true;
}

bool removeAutostartEntry(const std::string& file, MessagePort& messages)
{
    struct stat st {};
    if (file.empty() || ::lstat(file.c_str(), &st) != 0)
        return true;  // nothing there
    if (::unlink(file.c_str()) != 0) {
        report(messages, kRemoveFailure);
        return false;
    }
    return true;
}

void applyAutostart(const Settings& settings)
{
    const std::string file = autostartEntryFile(settings);
    if (settings.bAutoLoad() != 0)
        writeAutostartEntry(programAutostartEntry(settings), file, settings.messages());
    else
        removeAutostartEntry(file, settings.messages());
}

} // namespace mox
