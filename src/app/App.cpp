#include "app/App.h"

#include <QApplication>
#include <QMessageBox>
#include <QSessionManager>
#include <QSystemTrayIcon>
#include <QTimer>
#include <cstdio>

#include "app/DesktopPorts.h"
#include "app/EscapeFilter.h"
#include "app/Termination.h"
#include "app/TrayMenu.h"
#include "editing/DictionaryEditor.h"
#include "editing/AddWordsDialog.h"
#include "editing/ExcludeWordDialog.h"
#include "help/AboutBox.h"
#include "help/Help.h"
#include "help/ProgramIcon.h"
#include "language/TranscriptionFont.h"
#include "learning/MainWindow.h"
#include "platform/ClockPort.h"
#include "platform/dbus/LogindSleep.h"
#include "platform/qt/InstanceLock.h"
#include "platform/qt/QtMessages.h"
#include "platform/qt/QtRegistry.h"
#include "platform/qt/QtTimerPort.h"
#include "platform/qt/ShowRequests.h"
#include "settings/Settings.h"
#include "options/SheetOptions.h"
#include "settings/UserSetup.h"
#include "store/PgDictionary.h"

namespace mox {

App::App() = default;

App::~App()
{
    // The window's ending work runs before the ports it uses go away.
    escape_.reset();
    if (window_)
        window_->setTrayIcon(nullptr);
    tray_.reset();
    window_.reset();
}

int App::run()
{
    QCoreApplication::setOrganizationName(QStringLiteral("Jov Software"));
    QCoreApplication::setApplicationName(QStringLiteral("Mox!"));
    QApplication::setQuitOnLastWindowClosed(false);

    // A second copy ends here, before anything is shown or written.
    lock_ = std::make_unique<InstanceLock>();
    showRequests_ = std::make_unique<ShowRequests>(lock_->fileName());
    if (lock_->acquire() == InstanceLock::Result::HeldByOther) {
        // Only a copy without a tray listens; one with a tray is reached there.
        showRequests_->askRunningCopy();
        return 0;
    }

    messages_ = std::make_unique<QtMessages>();
    settings_ = std::make_unique<Settings>(*messages_);
    QtRegistry registry;
    UserSetup::ensure(registry, *messages_);
    settings_->load(registry);

    startWindow();
    const int code = QApplication::exec();
    finish();
    return code;
}

void App::startWindow()
{
    Settings& settings = *settings_;
    QApplication::setWindowIcon(programIcon());
    setHelpSettings(&settings);

    clock_ = std::make_unique<SystemClock>();
    DesktopPorts desktop = chooseDesktopPorts();
    layouts_ = std::move(desktop.layouts);
    activity_ = std::move(desktop.activity);
    foreground_ = std::move(desktop.foreground);
    timers_ = std::make_unique<QtTimerPort>();
    sleep_ = std::make_unique<LogindSleep>();
    transcriptionFont_ = std::make_unique<TranscriptionFont>();

    MainWindowDialogs dialogs;
    dialogs.help = [this](QWidget* owner, const QString& topic) { showHelp(*settings_, owner, topic); };
    dialogs.about = [this](QWidget* owner) {
        AboutBox box(*messages_, owner);
        box.exec();
    };
    dialogs.options = [this](QWidget* owner) { runOptions(owner); };
    dialogs.addWords = [this](QWidget* owner) {
        AddWordsDialog dialog(*settings_, *layouts_, owner);
        return dialog.run() == AddWordsDialog::Closed;
    };
    dialogs.confirmExclude = [](QWidget* owner) {
        ExcludeWordDialog dialog(owner);
        return dialog.ask();
    };
    dialogs.installTranscriptionFont = [this] {
        transcriptionFont_->install(TranscriptionFont::defaultPath(*settings_));
    };
    dialogs.removeTranscriptionFont = [this] { transcriptionFont_->remove(); };

    window_ = std::make_unique<MainWindow>(
        MainWindowPorts{settings, *clock_, *layouts_, *timers_, *activity_, *foreground_, *sleep_},
        std::move(dialogs));
    // Boxes belong to the learning window, so they come up above it (it stays on top).
    messages_->setParent(window_.get());
    tray_ = std::make_unique<TrayMenu>(*window_, programIcon());
    window_->setTrayIcon(tray_.get());
    endLoopOnExit(*window_);

    // The options sheet's Dictionaries page. Its editor changes the learning
    // window's list in memory and saves it, so the list the window writes
    // later already holds the editor's changes.
    makeDictionariesPage_ = [this](QWidget* parent) -> OptionsPage* {
        return new CPgDictionary(*settings_, *messages_, [this](QWidget* owner) {
            DictionaryEditor editor(*settings_, *layouts_, *messages_, &window_->engine().workingList(), owner);
            editor.exec();
            return EditorReport{editor.rowsDeleted(), editor.cellsChanged()};
        }, parent);
    };

    escape_ = std::make_unique<EscapeFilter>(*window_);
    qApp->installEventFilter(escape_.get());

    // Logging out and termination signals keep the answers, as the exit
    // command does: the session manager asks for the data first, a signal
    // ends the program the regular way.
    connect(qApp, &QGuiApplication::commitDataRequest, this, [this](QSessionManager&) {
        beginUnattended();
        if (window_)
            window_->saveList();
        // Should the logout be cancelled, work goes on as before.
        if (!ending_)
            messages_->setAttended();
    });
    connect(qApp, &QCoreApplication::aboutToQuit, this, [this] {
        if (window_)
            window_->endWork();
    });
    termination_ = std::make_unique<Termination>([this](int) { endOnSignal(); });

    if (!QSystemTrayIcon::isSystemTrayAvailable())
        offerSecondStart();

    // The first showing: the window is up for an instant and retreats to the
    // notification area with the showing cycle armed.
    window_->show();
}

void App::offerSecondStart()
{
    const bool listening = showRequests_ && showRequests_->listen();
    if (listening)
        connect(showRequests_.get(), &ShowRequests::showRequested, this, [this] {
            if (window_ && !window_->ownDialogOpen())
                window_->autoShow().openFromTray();
        });
    std::fprintf(stderr, "Mox!: this desktop has no tray; %s\n",
                 listening ? "starting the program again shows the learning window"
                           : "the learning window comes up only by itself");
    // Not modal: the showing cycle runs while the box waits to be read.
    auto* box = new QMessageBox(QMessageBox::Information, QStringLiteral("Mox!"),
                                listening ? QStringLiteral("На этом рабочем столе нет области уведомлений, и значку Mox! "
                                                           "негде появиться. Окно обучения будет появляться само; чтобы "
                                                           "вызвать его в любое время, запустите Mox! ещё раз.")
                                          : QStringLiteral("На этом рабочем столе нет области уведомлений, и значку Mox! "
                                                           "негде появиться. Окно обучения будет появляться само."));
    box->setObjectName(QStringLiteral("NoTrayMessage"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setModal(false);
    box->show();
}

void App::runOptions(QWidget* owner)
{
    QtRegistry registry;
    {
        CSheetOptions sheet(*settings_, registry, makeDictionariesPage_,
                            [this](QWidget* helpOwner, const QString& topic) { showHelp(*settings_, helpOwner, topic); });
        // The pages' messages come up above the sheet, not above the learning
        // window that waits minimised or hidden behind it.
        messages_->setParent(&sheet);
        sheet.exec();
        // The sheet writes the settings as it goes away, hidden by then: a
        // failure is told in a box of its own on the screen.
        messages_->setParent(nullptr);
    }
    messages_->setParent(owner);
}

void App::endLoopOnExit(MainWindow& window)
{
    // exit(), not quit(): quit() first asks every window to close, and the
    // learning window never closes (it hides), which would cancel the exit.
    QObject::connect(&window, &MainWindow::exitRequested, qApp, [] { QCoreApplication::exit(0); });
}

void App::beginUnattended()
{
    messages_->setUnattended([this](const QString& text) {
        if (tray_ && tray_->notify(text))
            notified_ = true;
    });
}

void App::endOnSignal()
{
    if (ending_)
        return;
    ending_ = true;
    beginUnattended();
    if (window_)
        window_->endWork();
    // A notification shown by the tray belongs to this process: it stays a
    // moment before the program goes.
    if (notified_)
        QTimer::singleShot(1000, qApp, [] { QCoreApplication::exit(0); });
    else
        QCoreApplication::exit(0);
}

void App::finish()
{
    termination_.reset();
    if (escape_)
        qApp->removeEventFilter(escape_.get());
    if (window_) {
        if (tray_)
            tray_->removeIcon();
        window_->endWork();
    }
}

} // namespace mox
