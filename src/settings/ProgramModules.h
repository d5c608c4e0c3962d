#pragma once
#include <QString>
#include <QStringList>

namespace mox {

// The program's modules: shared libraries that hold windows whose libraries
// the waiting program must not load (the Results page's charts, the help
// window). They are installed in bin/../lib/mox/plugins; a program run from
// its build tree (the program or a test) also finds them where the build puts
// them.
QStringList programModuleFolders();

// The function `symbol` of the module `fileName` (the first of `folders`
// that holds the file), loaded on the first call and kept loaded. Null when
// no folder holds it, when it does not load (a damaged file, a library it
// needs missing) or lacks the function; `error` then says why in Russian.
using ModuleFunction = void (*)();
ModuleFunction loadModuleFunction(const QStringList& folders, const QString& fileName, const char* symbol,
                                  QString& error);

} // namespace mox
