#include "settings/ProgramModules.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLibrary>

namespace mox {

QStringList programModuleFolders()
{
    const QString programFolder = QCoreApplication::applicationDirPath();
    QStringList folders{QDir::cleanPath(QDir(programFolder).filePath(QStringLiteral("../lib/mox/plugins")))};
#ifdef MOX_BUILD_DIR
    // Only a program of the build tree (the program, the tests) takes the
    // build's copies: an installed program whose module is missing must say
    // so, not load a module of some build it was once made in.
    if (programFolder.startsWith(QStringLiteral(MOX_BUILD_DIR "/")))
        folders << QStringLiteral(MOX_BUILD_DIR "/lib/mox/plugins");
#endif
    return folders;
}

ModuleFunction loadModuleFunction(const QStringList& folders, const QString& fileName, const char* symbol,
                                  QString& error)
{
    error.clear();
    for (const QString& folder : folders) {
        const QString path = QDir(folder).filePath(fileName);
        if (!QFileInfo::exists(path))
            continue;
        // The library stays loaded: QLibrary unloads only when asked to.
        QLibrary library(path);
        if (!library.load()) {
            error = QStringLiteral("модуль %1 не загружается: %2").arg(path, library.errorString());
            return nullptr;
        }
        if (const QFunctionPointer function = library.resolve(symbol))
            return function;
        error = QStringLiteral("в модуле %1 нет функции %2").arg(path, QLatin1String(symbol));
        return nullptr;
    }
    error = QStringLiteral("модуль %1 не найден (искали в %2)")
                .arg(fileName, folders.join(QStringLiteral(", ")));
    return nullptr;
}

} // namespace mox
