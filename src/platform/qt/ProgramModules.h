#pragma once
#include <QString>
#include <QStringList>

namespace mox {

// The program's modules: shared libraries that hold what the waiting program
// must not map (the Results page's charts, the help window, the X11 and the
// Wayland adapters). They are installed in bin/../lib/mox/plugins; a program
// run from its build tree (the program or a test) also finds them where the
// build puts them.
QStringList programModuleFolders();

// The module `fileName` in the first of `folders` that holds it (a cleaned
// path), or an empty string.
QString findProgramModule(const QStringList& folders, const QString& fileName);

// Whether the file at `path` holds everything its ELF headers say it does.
// The loader maps a module's segments as the headers describe them, so a
// module cut short (a full disk during an installation, a copy broken off)
// would map pages past the end of the file, and the first touch of one ends
// the program with SIGBUS instead of failing the load.
enum class ModuleFileCheck { Whole, Unreadable, Foreign, CutShort };
ModuleFileCheck checkModuleFile(const QString& path);

// The function `symbol` of the module `fileName` (see findProgramModule),
// loaded on the first call and kept loaded. Null when no folder holds it,
// when it is damaged, does not load (a library it needs missing) or lacks the
// function; `error` then says why in Russian.
using ModuleFunction = void (*)();
ModuleFunction loadModuleFunction(const QStringList& folders, const QString& fileName, const char* symbol,
                                  QString& error);

} // namespace mox
