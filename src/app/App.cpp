#include "app/App.h"

#include <QApplication>
#include <QDir>
#include <QMessageBox>
#include <QSessionManager>
#include <QSystemTrayIcon>
#include <QTimer>
#include <cstdio>
#include <unistd.h>

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
#include "learning/LearningController.h"
#include "learning/MainWindow.h"
#include "platform/ClockPort.h"
#include "platform/dbus/LogindSleep.h"
#include "platform/dbus/TrayHostWatch.h"
#include "platform/qt/InstanceLock.h"
#include "platform/qt/QtMessages.h"
#include "platform/qt/QtRegistry.h"
#include "platform/qt/QtTimerPort.h"
#include "platform/qt/ShowRequests.h"
#include "settings/Settings.h"
#include "options/SheetOptions.h"
#include "settings/UserSetup.h"
#include "store/DictionarySession.h"
#include "options/PgDictionary.h"

namespace mox {

App::App() = default;

App::~App()
{
    // The window's ending work runs before the ports it uses go away.
    escape_.reset();
    if (learning_)
        learning_->setTrayIcon(nullptr);
    tray_.reset();
    learning_.reset();
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
    // The lock above belongs to this session; the same user in another
    // session (another display, another runtime folder) shares the data
    // folder, and two copies writing one list would undo each other's answers.
    const QString dataFolder = UserSetup::standardPaths().programFolder;
    QDir().mkpath(dataFolder);
    dataLock_ = std::make_unique<InstanceLock>(dataFolder);
    if (dataLock_->acquire() == InstanceLock::Result::HeldByOther) {
        std::fprintf(stderr, "Mox!: another copy already works with %s; this one ends\n",
                     qPrintable(dataFolder));
        messages_->show("Mox! уже работает в другом сеансе этого пользователя и ведёт те же словари (папка " +
                            dataFolder.toStdString() +
                            "). Вторая копия не запускается: две копии, отвечающие по одному списку, "
                            "стирали бы ответы друг друга.",
                        MessageIcon::Information);
        return 0;
    }
    settings_ = std::make_unique<Settings>(*messages_);
    QtRegistry registry;
    // A user without settings starts the program for the first time.
    firstStart_ = !registry.exists();
    UserSetup::ensure(registry, *messages_);
    settings_->load(registry);
    session_ = std::make_unique<DictionarySession>(*messages_);

    startWindow();
    const int code = QApplication::exec();
    finish();
    endProcess(code);
}

void App::endProcess(int code)
{
    if (showRequests_)
        showRequests_->close();
    if (lock_)
        lock_->release();
    if (dataLock_)
        dataLock_->release();
    std::fflush(nullptr);
    ::_exit(code);
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
        AddWordsDialog dialog(*settings_, *layouts_, *session_, owner);
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

    learning_ = std::make_unique<LearningController>(
        MainWindowPorts{settings, *clock_, *layouts_, *timers_, *activity_, *foreground_, *sleep_, *session_},
        std::move(dialogs));
    // Boxes raised while none of the program's windows is active belong to
    // the learning window when it is on screen, so they come up above it (it
    // stays on top); the others belong to the window that raised them. The
    // learning window is built at its first showing.
    connect(learning_.get(), &LearningController::windowCreated, this,
            [this](QWidget* window) { messages_->setDefaultOwner(window); });
    endLoopOnExit(*learning_);

    // The options sheet's Dictionaries page. It and its editor change the
    // dictionaries through the one session that also holds the learning
    // window's list, so every change reaches the list of its own dictionary.
    makeDictionariesPage_ = [this](QWidget* parent) -> OptionsPage* {
        return new CPgDictionary(*settings_, *messages_, *session_, [this](QWidget* owner) {
            DictionaryEditor editor(*settings_, *layouts_, *messages_, *session_, owner);
            editor.exec();
            return EditorReport{editor.rowsDeleted(), editor.cellsChanged()};
        }, parent);
    };

    escape_ = std::make_unique<EscapeFilter>(*learning_);
    qApp->installEventFilter(escape_.get());

    // Logging out and termination signals keep the answers, as the exit
    // command does: the session manager asks for the data first, a signal
    // ends the program the regular way.
    connect(qApp, &QGuiApplication::commitDataRequest, this, [this](QSessionManager&) {
        beginUnattended();
        if (learning_)
            learning_->saveList();
        // Should the logout be cancelled, work goes on as before.
        if (!ending_)
            messages_->setAttended();
    });
    connect(qApp, &QCoreApplication::aboutToQuit, this, [this] {
        if (learning_)
            learning_->endWork();
    });
    termination_ = std::make_unique<Termination>([this](int) { endOnSignal(); });

    if (desktop.wayland) {
        waitForTray();
    } else {
        createTray(false);
        if (!QSystemTrayIcon::isSystemTrayAvailable())
            tellNoTray(listenForSecondStart());
    }

    // The window goes to the notification area with the showing cycle armed,
    // without coming up first.
    learning_->autoShow().startInTray();
}

void App::createTray(bool exportMenu)
{
    tray_ = std::make_unique<TrayMenu>(*learning_, programIcon(),
                                       exportMenu ? TrayMenu::MenuMode::Exported : TrayMenu::MenuMode::AtCursor);
    learning_->setTrayIcon(tray_.get());
    if (!learning_->isVisible())
        tray_->addIcon();
    // The newcomer is told where the program waits, once the tray has
    // taken the icon in.
    if (firstStart_)
        QTimer::singleShot(kWelcomeDelayMs, this, [this] { welcomeNewcomer(); });
}

void App::welcomeNewcomer()
{
    if (!firstStart_ || !tray_)
        return;
    firstStart_ = false;
    tray_->notify(QStringLiteral("Mox! ждёт в области уведомлений. Каждые несколько минут, когда вы на пять секунд "
                                 "оставите клавиатуру и мышь, он покажет окно с одним словом для повторения. "
                                 "Чтобы открыть его сейчас, щёлкните по значку Mox!; правая кнопка открывает меню."),
                  QSystemTrayIcon::Information);
}

void App::waitForTray()
{
    const bool listening = listenForSecondStart();
    trayWatch_ = std::make_unique<TrayHostWatch>();
    connect(trayWatch_.get(), &TrayHostWatch::hostAppeared, this, [this] {
        if (tray_)
            return;
        std::fprintf(stderr, "Mox!: the desktop's notification area is there; the icon is shown in it\n");
        createTray(true);
        // The icon is the way in now: a second start does nothing, and the
        // box that said there was no tray has had its day.
        if (showRequests_)
            showRequests_->close();
        if (noTrayBox_)
            noTrayBox_->close();
    });
    trayWatch_->start();
    QTimer::singleShot(kNoTrayWaitMs, this, [this, listening] {
        if (!tray_)
            tellNoTray(listening);
    });
}

bool App::listenForSecondStart()
{
    const bool listening = showRequests_ && showRequests_->listen();
    if (listening)
        connect(showRequests_.get(), &ShowRequests::showRequested, this, [this] {
            if (learning_ && !learning_->ownDialogOpen())
                learning_->autoShow().openFromTray();
        });
    return listening;
}

void App::tellNoTray(bool listening)
{
    std::fprintf(stderr, "Mox!: this desktop has no tray; %s\n",
                 listening ? "starting the program again shows the learning window"
                           : "the learning window comes up only by itself");
    // Not modal: the showing cycle runs while the box waits to be read.
    QMessageBox* box = QtMessages::makeBox(
                           listening ? "На этом рабочем столе нет области уведомлений, и значку Mox! негде появиться. "
                                       "Окно обучения будет появляться само; чтобы вызвать его в любое время, "
                                       "запустите Mox! ещё раз."
                                     : "На этом рабочем столе нет области уведомлений, и значку Mox! негде появиться. "
                                       "Окно обучения будет появляться само.",
                           MessageIcon::Information, MessageButtons::Ok, {}, nullptr)
                           .release();
    box->setObjectName(QStringLiteral("NoTrayMessage"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setModal(false);
    box->show();
    noTrayBox_ = box;
}

void App::runOptions(QWidget*)
{
    QtRegistry registry;
    {
        // The pages' boxes belong to the sheet, the modal window they are
        // raised in; the settings it writes as it goes away (hidden by then)
        // are told of in a box of its own.
        CSheetOptions sheet(*settings_, registry, makeDictionariesPage_,
                            [this](QWidget* helpOwner, const QString& topic) { showHelp(*settings_, helpOwner, topic); });
        sheet.exec();
    }
}

void App::endLoopOnExit(LearningController& window)
{
    // exit(), not quit(): quit() first asks every window to close, and the
    // learning window never closes (it hides), which would cancel the exit.
    QObject::connect(&window, &LearningController::exitRequested, qApp, [] { QCoreApplication::exit(0); });
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
    if (learning_)
        learning_->endWork();
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
    if (learning_) {
        if (tray_)
            tray_->removeIcon();
        learning_->endWork();
    }
}

} // namespace mox
