#include "options/ModuleRun.h"

#include <QApplication>
#include <QEvent>
#include <QEventLoop>
#include <QList>
#include <QPointer>
#include <QProcess>
#include <QWidget>

namespace mox {
namespace {

// Refuses the desktop's close requests for the windows it watches: a window
// closed while the module runs would be shown again when the wait ends.
class CloseBlocker : public QObject {
public:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Close) {
            event->ignore();
            return true;
        }
        return QObject::eventFilter(watched, event);
    }
};

// Disables every enabled top-level window of the program while it lives.
class WindowsDisabled {
public:
    WindowsDisabled()
    {
        for (QWidget* window : QApplication::topLevelWidgets()) {
            if (!window->isEnabled())
                continue;
            window->setEnabled(false);
            window->installEventFilter(&blocker_);
            windows_.append(window);
        }
    }
    ~WindowsDisabled()
    {
        for (const QPointer<QWidget>& window : windows_) {
            if (!window)
                continue;
            window->removeEventFilter(&blocker_);
            window->setEnabled(true);
        }
    }
    WindowsDisabled(const WindowsDisabled&) = delete;
    WindowsDisabled& operator=(const WindowsDisabled&) = delete;

private:
    CloseBlocker blocker_;
    QList<QPointer<QWidget>> windows_;
};

} // namespace

ModuleRun::Outcome ModuleRun::runAndWait(const QString& program, QWidget* sheet)
{
    QProcess process;
    process.setProgram(program);
    process.setArguments({});
    process.setProcessChannelMode(QProcess::ForwardedChannels);
    process.setStandardInputFile(QProcess::nullDevice());
    process.start(QIODevice::ReadOnly);
    if (!process.waitForStarted(-1)) {
        if (sheet)
            sheet->showNormal();
        return Outcome::NotStarted;
    }

    QPointer<QWidget> window(sheet);
    if (window)
        window->showMinimized();
    {
        const WindowsDisabled disabled;
        QEventLoop loop;
        QObject::connect(&process, &QProcess::finished, &loop, &QEventLoop::quit);
        if (process.state() != QProcess::NotRunning)
            loop.exec();
    }
    if (window)
        window->showNormal();
    return Outcome::Ended;
}

} // namespace mox
