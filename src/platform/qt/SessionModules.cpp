#include "platform/qt/SessionModules.h"

#include <QFileInfo>
#include <QLibrary>

#include "platform/qt/ProgramModules.h"

namespace mox {

SessionModules::SessionModules(QStringList folders, Say say) : folders_(std::move(folders)), say_(std::move(say)) {}

bool SessionModules::load(const char* fileName, const SessionPortsRequest& request, SessionPorts& ports)
{
    const QString name = QString::fromUtf8(fileName);
    const QString path = findProgramModule(folders_, name);
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
    switch (checkModuleFile(path)) {
    case ModuleFileCheck::Whole:
        break;
    case ModuleFileCheck::Unreadable:
        return fail(QStringLiteral("cannot be loaded (it cannot be read)"));
    case ModuleFileCheck::Foreign:
        return fail(QStringLiteral("cannot be loaded (not a shared object of this machine)"));
    case ModuleFileCheck::CutShort:
        return fail(QStringLiteral("cannot be loaded (cut short: %1 bytes)").arg(QFileInfo(path).size()));
    }
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
