#pragma once
#include <QString>
#include <QStringList>

namespace mox {

class MessagePort;

// The outcome of installing a font file for the user.
enum class FontInstallStatus {
    Installed,         // copied into the user's font folder and added
    AlreadyInstalled,  // the same file was there already; added
    NotFound,          // no such file: nothing done, nothing said
    NotAFont,          // the file holds no font Qt can read (reported)
    Declined,          // the user said no (to the font, or to replacing another file of that name)
    Failed,            // the folder or the copy could not be written (reported)
};

struct FontInstallResult {
    FontInstallStatus status = FontInstallStatus::NotFound;
    QString installedPath;  // the copy in the font folder, when there is one
    QStringList families;   // the families the font provides, when added
    int fontId = -1;        // its id in QFontDatabase, when added
};

// The user's font folder: $XDG_DATA_HOME/fonts, by default ~/.local/share/fonts.
QString userFontFolder();

// Installs the font file `source` for the user: checks that it is a font,
// asks the user (naming the font, the file and the folder, and a different
// file of that name that would be replaced), copies it into userFontFolder()
// (atomically, under its own file name) and adds
// it to the program's fonts, so that the font dialogs offer it at once and
// other programs find it through fontconfig. Failures are reported through
// `messages` in Russian; a missing file is silently ignored.
FontInstallResult installUserFont(const QString& source, MessagePort& messages);

} // namespace mox
