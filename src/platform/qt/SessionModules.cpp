#include "platform/qt/SessionModules.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cstring>
#include <QLibrary>

#include <link.h> // ElfW: the ELF structures of this machine's word size

namespace mox {

namespace {

// Whether the file holds everything its ELF headers say it does. The loader
// maps a module's segments as the headers describe them, so a module cut
// short (a full disk during an installation, a copy broken off) would map
// pages past the end of the file, and the first touch of one ends the
// program with SIGBUS instead of failing the load.
bool wholeSharedObject(const QString& path, QString& why)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        why = file.errorString();
        return false;
    }
    const qint64 size = file.size();
    ElfW(Ehdr) header{};
    if (file.read(reinterpret_cast<char*>(&header), sizeof header) != sizeof header ||
        std::memcmp(header.e_ident, ELFMAG, SELFMAG) != 0 || header.e_ident[EI_CLASS] != (sizeof(void*) == 8 ? ELFCLASS64 : ELFCLASS32) ||
        header.e_phentsize != sizeof(ElfW(Phdr))) {
        why = QStringLiteral("not a shared object of this machine");
        return false;
    }
    const auto fits = [size](quint64 offset, quint64 length) {
        return offset <= quint64(size) && length <= quint64(size) - offset;
    };
    if (!fits(header.e_phoff, quint64(header.e_phnum) * sizeof(ElfW(Phdr))) ||
        !fits(header.e_shoff, quint64(header.e_shnum) * header.e_shentsize)) {
        why = QStringLiteral("cut short: %1 bytes").arg(size);
        return false;
    }
    file.seek(qint64(header.e_phoff));
    for (int i = 0; i < header.e_phnum; ++i) {
        ElfW(Phdr) segment{};
        if (file.read(reinterpret_cast<char*>(&segment), sizeof segment) != sizeof segment ||
            !fits(segment.p_offset, segment.p_filesz)) {
            why = QStringLiteral("cut short: %1 bytes").arg(size);
            return false;
        }
    }
    return true;
}

} // namespace

SessionModules::SessionModules(QStringList folders, Say say) : folders_(std::move(folders)), say_(std::move(say)) {}

QStringList SessionModules::programFolders()
{
    const QString programDir = QCoreApplication::applicationDirPath();
    QStringList folders{QDir(programDir).filePath(QStringLiteral("../lib/mox/plugins"))};
#ifdef MOX_BUILD_DIR
    // Only a program in the build tree takes the build's modules: an
    // installed one goes without rather than use another build's.
    if (programDir.startsWith(QStringLiteral(MOX_BUILD_DIR "/")))
        folders << QStringLiteral(MOX_BUILD_DIR "/lib/mox/plugins");
#endif
    return folders;
}

bool SessionModules::load(const char* fileName, const SessionPortsRequest& request, SessionPorts& ports)
{
    const QString name = QString::fromUtf8(fileName);
    QString path;
    for (const QString& folder : folders_) {
        const QString candidate = QDir(folder).filePath(name);
        if (QFileInfo::exists(candidate)) {
            path = QDir::cleanPath(candidate);
            break;
        }
    }
    const auto fail = [&](const QString& why) {
        QStringList lost;
        if (request.activity)
            lost << QStringLiteral("sees no keyboard or mouse activity");
        if (request.layouts)
            lost << QStringLiteral("switches no keyboard layouts");
        if (request.foreground)
            lost << QStringLiteral("gives the focus back to no window");
        say_(QStringLiteral("the session module %1 %2; the program goes on without it: it %3")
                 .arg(path.isEmpty() ? name : path, why, lost.join(QStringLiteral(", ")))
                 .toStdString());
        return false;
    };
    if (path.isEmpty())
        return fail(QStringLiteral("is not installed (looked in %1)").arg(folders_.join(QStringLiteral(", "))));

    // The library stays loaded when `library` goes: QLibrary unloads only
    // when asked to, and the module's ports need its code for the program's life.
    QString damage;
    if (!wholeSharedObject(path, damage))
        return fail(QStringLiteral("cannot be loaded (%1)").arg(damage));
    QLibrary library(path);
    if (!library.load())
        return fail(QStringLiteral("cannot be loaded (%1)").arg(library.errorString()));
    const auto make = reinterpret_cast<MakeSessionPorts>(library.resolve(kMakeSessionPortsSymbol));
    if (make == nullptr) {
        library.unload();
        return fail(QStringLiteral("has no %1").arg(QLatin1String(kMakeSessionPortsSymbol)));
    }
    SessionPorts made;
    if (!make(kSessionModuleInterface, request, made)) {
        library.unload();
        return fail(QStringLiteral("belongs to another version of the program"));
    }
    if (request.activity) {
        ports.activity = std::move(made.activity);
        ports.activitySource = std::move(made.activitySource);
    }
    if (request.layouts)
        ports.layouts = std::move(made.layouts);
    if (request.foreground)
        ports.foreground = std::move(made.foreground);
    return true;
}

} // namespace mox
