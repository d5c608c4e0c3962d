#pragma once
#include <QString>

#include "platform/MessagePort.h"

namespace mox {

class QtRegistry;

// The per-user installation. The program calls it once at every start, before
// Settings::load, with the store that load will read:
//
//     mox::QtRegistry registry;
//     mox::UserSetup::ensure(registry, messages);
//     settings.load(registry);
//
// It lays out the per-user program folder ($XDG_DATA_HOME/mox: voc/, mod/,
// fonts/transmox.ttf, the help file mox.qch and the link "Mox" to the program)
// from the installed data folder, refreshing the program's own files when the
// installation has newer ones. When the user has no settings file yet it also
// copies the starter dictionary (the first-run sCurDict) into voc/ and writes
// every value of the settings table with its first-run value, the program
// folder as sAppPath and the starter dictionary's counts. Settings and dictionaries that exist are never
// overwritten, and a dictionary the user deleted is not brought back. A
// settings file that holds none of the program's groups (empty, random bytes)
// counts as no settings: it is kept beside as "<file>.<date>-<time>.bak", the
// first run's settings are written, and one message names both files. A file
// that holds some of them but lacks values, holds numbers outside their
// bounds or lines that are no settings is repaired: written anew with the
// values it holds and the first-run values of the others, the old file kept
// beside as such a backup, and one message names the values and the backup.
class UserSetup {
public:
    struct Paths {
        QString installedData;      // the installation's share/mox
        QString installedModules;   // the installation's modules folder, lib/mox/mod
        QString programFolder;   // the per-user program folder, no trailing "/"
        QString executable;      // the running program, linked as programFolder/Mox
    };

    // The standard places: the installed data beside the executable
    // (applicationDirPath() + "/../share/mox") and its modules, which are
    // programs and so live apart from the data (applicationDirPath() +
    // "/../lib/mox/mod"), the program folder under
    // $XDG_DATA_HOME (default ~/.local/share), the running executable.
    static Paths standardPaths();

    // True when the program folder is in place and the settings exist; on a
    // failure the user is told what could not be made and false is returned
    // (the settings file is then not written, so the next start tries again).
    static bool ensure(QtRegistry& registry, MessagePort& messages);
    static bool ensure(QtRegistry& registry, MessagePort& messages, const Paths& paths);
};

} // namespace mox
