#include "platform/qt/ProgramModules.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLibrary>

#include <cstring>
#include <link.h> // ElfW: the ELF structures of this machine's word size

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

QString findProgramModule(const QStringList& folders, const QString& fileName)
{
    for (const QString& folder : folders) {
        const QString path = QDir(folder).filePath(fileName);
        if (QFileInfo::exists(path))
            return QDir::cleanPath(path);
    }
    return {};
}

ModuleFileCheck checkModuleFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return ModuleFileCheck::Unreadable;
    const qint64 size = file.size();
    ElfW(Ehdr) header{};
    if (file.read(reinterpret_cast<char*>(&header), sizeof header) != sizeof header ||
        std::memcmp(header.e_ident, ELFMAG, SELFMAG) != 0 ||
        header.e_ident[EI_CLASS] != (sizeof(void*) == 8 ? ELFCLASS64 : ELFCLASS32) ||
        header.e_phentsize != sizeof(ElfW(Phdr)))
        return ModuleFileCheck::Foreign;
    const auto fits = [size](quint64 offset, quint64 length) {
        return offset <= quint64(size) && length <= quint64(size) - offset;
    };
    if (!fits(header.e_phoff, quint64(header.e_phnum) * sizeof(ElfW(Phdr))) ||
        !fits(header.e_shoff, quint64(header.e_shnum) * header.e_shentsize))
        return ModuleFileCheck::CutShort;
    file.seek(qint64(header.e_phoff));
    for (int i = 0; i < header.e_phnum; ++i) {
        ElfW(Phdr) segment{};
        if (file.read(reinterpret_cast<char*>(&segment), sizeof segment) != sizeof segment ||
            !fits(segment.p_offset, segment.p_filesz))
            return ModuleFileCheck::CutShort;
    }
    return ModuleFileCheck::Whole;
}

ModuleFunction loadModuleFunction(const QStringList& folders, const QString& fileName, const char* symbol,
                                  QString& error)
{
    error.clear();
    const QString path = findProgramModule(folders, fileName);
    if (path.isEmpty()) {
        error = QStringLiteral("модуль %1 не найден (искали в %2)").arg(fileName, folders.join(QStringLiteral(", ")));
        return nullptr;
    }
    switch (checkModuleFile(path)) {
    case ModuleFileCheck::Whole:
        break;
    case ModuleFileCheck::Unreadable:
        error = QStringLiteral("модуль %1 не читается").arg(path);
        return nullptr;
    case ModuleFileCheck::Foreign:
        error = QStringLiteral("файл %1 — не модуль программы для этого компьютера").arg(path);
        return nullptr;
    case ModuleFileCheck::CutShort:
        error = QStringLiteral("модуль %1 повреждён: файл обрезан").arg(path);
        return nullptr;
    }
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

} // namespace mox
