#pragma once
#include <string>

namespace mox {

class MessagePort;
class Settings;

// The per-user autostart entry that starts the program with the desktop
// session: a Desktop Entry file in the XDG autostart folder, which desktops
// that follow the XDG autostart rules run at login.
struct AutostartEntry {
    std::string target;       // the program to start
    std::string workingDir;   // the folder it starts in
    std::string description;  // Name and Comment
    std::string icon;         // an icon name of the icon theme

    // The file's text (Desktop Entry format, UTF-8).
    std::string text() const;
};

// The entry of the program: appPath + "/Mox", started in appPath, "Mox!",
// the icon "mox"; and the file it lives in, startupFolder() + "/Mox!.desktop"
// (empty when the autostart folder is unknown).
AutostartEntry programAutostartEntry(const Settings& settings);
std::string autostartEntryFile(const Settings& settings);

// Writes the entry whole or not at all: into a temporary file beside it,
// flushed to the disk, then renamed over the entry. A missing autostart folder
// is created. A failure leaves any previous entry as it was and is reported
// with "Error: Autostart entry cannot be written".
bool writeAutostartEntry(const AutostartEntry& entry, const std::string& file, MessagePort& messages);

// Deletes the entry if there is one; a failed deletion is reported with
// "Error: File cannot be removed". A missing entry is no failure.
bool removeAutostartEntry(const std::string& file, MessagePort& messages);

// Brings the entry in line with bAutoLoad: written when it is set, removed
// when it is clear.
void applyAutostart(const Settings& settings);

// Quoting of the Desktop Entry format: an Exec argument (quoted when it holds
// a reserved character, "%" doubled) and a string value (\\, \n, \t, \r, \s).
std::string quoteExecArgument(const std::string& argument);
std::string escapeStringValue(const std::string& value);

} // namespace mox
