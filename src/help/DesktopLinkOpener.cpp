#include "help/LinkOpener.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

namespace mox {

namespace {
// How long the fallback program may take to hand the target over before it
// counts as started; a browser started in the foreground keeps it running.
constexpr int kFallbackWaitMs = 5000;
} // namespace

int DesktopLinkOpener::openWithDesktop(const QString& target)
{
    const QUrl url = QUrl::fromUserInput(target);
    if (!url.isValid())
        return 2; // "The specified file was not found."
    return QDesktopServices::openUrl(url) ? kOpened : 31; // no application associated
}

int DesktopLinkOpener::codeForExitStatus(int exitStatus)
{
    switch (exitStatus) {
    case 0:
        return kOpened;
    case 1: // error in the command line
        return 27;
    case 2: // a file named on the command line does not exist
        return 2;
    case 3: // a required tool could not be found
        return 31;
    default: // 4: the action failed; others are unknown
        return exitStatus;
    }
}

std::optional<int> DesktopLinkOpener::openWithFallback(const QString& target)
{
    const QString program = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
    if (program.isEmpty())
        return std::nullopt;
    // The target goes to the program as one argument, never through a shell;
    // one that starts with "-" would be taken for an option.
    if (target.isEmpty() || target.startsWith(QLatin1Char('-')))
        return 2;
    auto* process = new QProcess(QCoreApplication::instance());
    process->setProcessChannelMode(QProcess::ForwardedChannels);
    QObject::connect(process, &QProcess::finished, process, &QObject::deleteLater);
    process->start(program, {target});
    if (!process->waitForStarted()) {
        process->deleteLater();
        return 2;
    }
    if (!process->waitForFinished(kFallbackWaitMs))
        return kOpened; // still running: it has taken the target; it is released when it ends
    if (process->exitStatus() != QProcess::NormalExit)
        return 4;
    return codeForExitStatus(process->exitCode());
}

LinkOpener& desktopLinkOpener()
{
    static DesktopLinkOpener opener;
    return opener;
}

} // namespace mox
