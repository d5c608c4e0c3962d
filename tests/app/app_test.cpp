// The application shell: the tray menu, Esc everywhere, termination signals
// and the single-instance rule, over the real learning window (offscreen).
// FakeSleep has a member named like a Qt keyword macro: include it before Qt.
#include "platform/fake/FakeSleep.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <QMenu>
#include <QProcess>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTest>
#include <QTimer>

#include <QElapsedTimer>

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fstream>

#include "app/App.h"
#include "app/EscapeFilter.h"
#include "app/Termination.h"
#include "app/TrayMenu.h"
#include "language/CharsetCodec.h"
#include "learning/LearningController.h"
#include "learning/MainWindow.h"
#include "platform/fake/FakeActivity.h"
#include "platform/fake/FakeForeground.h"
#include "platform/fake/FakeLayoutPort.h"
#include "platform/fake/FakeTimers.h"
#include "platform/fake/FixedClock.h"
#include "platform/fake/RecordingMessages.h"
#include "platform/qt/InstanceLock.h"
#include "settings/Settings.h"
#include "store/DictRecord.h"
#include "store/DictionarySession.h"
#include "store/ListRecord.h"
#include "store/RecordText.h"
#include "support/TempDir.h"
#include "widgets/ColorEdit.h"
#include "widgets/WordListBox.h"

using namespace mox;

namespace {

class ShellTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::filesystem::create_directories(dir.path() / "voc");
        settings.setAppPath(dir.str());
        settings.setSCurDict("test.dct");
        settings.setSCurList("test.lst");
        settings.setIRowCount(3);
        settings.setISubSetRecCount(5);
        settings.setIExcludeAfter(3);
        settings.setIShowCount(100);
        settings.setIHideAfter(100);
        settings.setBAutoShow(1);
        settings.setUiTimer(60000);
        settings.setWordFontSize(-10);
        settings.setINativeCharSet(204);

        std::vector<unsigned char> bytes;
        for (const char* word : {"one", "two", "three", "four"}) {
            DictRecord r;
            setFieldText(r.word, word);
            setFieldText(r.translation, std::string("t-") + word);
            const auto* p = reinterpret_cast<const unsigned char*>(&r);
            bytes.insert(bytes.end(), p, p + sizeof r);
        }
        TempDir::writeBytes(dir.path() / "voc" / "test.dct", bytes);
    }

    void start()
    {
        learning = std::make_unique<LearningController>(
            MainWindowPorts{settings, clock, layouts, timers, activity, foreground, sleep, session}, dialogs);
        window = &learning->window();
        QPixmap picture(16, 16);
        picture.fill(Qt::darkBlue);
        tray = std::make_unique<TrayMenu>(*learning, QIcon(picture));
        learning->setTrayIcon(tray.get());
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
        ASSERT_TRUE(timers.fire(TimerId::FirstHide));
        ASSERT_TRUE(tray->iconShown());
    }

    // Opens the window and answers the current word right.
    void answerOnce()
    {
        tray->onTrayMessage(TrayMenu::Click::LeftReleased);
        ASSERT_TRUE(window->QWidget::isVisible());
        ASSERT_TRUE(learning->engine().checkAnswer(learning->engine().answer()));
    }

    std::uint32_t answersOnDisk() const
    {
        const auto bytes = TempDir::readBytes(dir.path() / "voc" / "test.lst");
        std::uint32_t sum = 0;
        for (std::size_t off = 0; off + sizeof(ListRecord) <= bytes.size(); off += sizeof(ListRecord)) {
            ListRecord r;
            std::memcpy(&r, bytes.data() + off, sizeof r);
            sum += r.answers;
        }
        return sum;
    }

    std::vector<std::pair<QString, int>> menuItems(QMenu& menu) const
    {
        std::vector<std::pair<QString, int>> out;
        for (QAction* a : menu.actions())
            out.emplace_back(a->isSeparator() ? QString("-") : a->text(), a->data().toInt());
        return out;
    }

    TempDir dir;
    RecordingMessages messages;
    Settings settings{messages};
    FixedClock clock;
    FakeLayoutPort layouts{std::vector<std::string>{"00000409"}};
    FakeTimers timers;
    FakeActivity activity;
    FakeForeground foreground;
    FakeSleep sleep;
    MainWindowDialogs dialogs;
    DictionarySession session{messages};
    std::unique_ptr<LearningController> learning;
    MainWindow* window = nullptr;
    std::unique_ptr<TrayMenu> tray;
};

} // namespace

TEST_F(ShellTest, TheMenuListsTheCommandsInOrderWithTheAutoshowItemFollowingTheSetting)
{
    dialogs.about = [](QWidget*) {};
    start();
    EXPECT_EQ(tray->icon().toolTip(), "Mox!");
    auto menu = tray->buildMenu();
    const std::vector<std::pair<QString, int>> on = {
        {"Открыть &Mox!", 32781}, {"-", 32783},       {"Выключить автопоказ", 32780},
        {"-", 0},                 {"&Опции", 32774},  {"Добавить &лексику", 32779},
        {"-", 0},                 {"Помощь", 32784},  {"О &программе...", 32775},
        {"-", 0},                 {"&Выход", 32776},
    };
    EXPECT_EQ(menuItems(*menu), on);
    EXPECT_EQ(menu->defaultAction(), menu->actions().front());
    // Commands without their windows are offered disabled; about is there.
    EXPECT_FALSE(menu->actions()[4]->isEnabled());
    EXPECT_FALSE(menu->actions()[5]->isEnabled());
    EXPECT_TRUE(menu->actions()[8]->isEnabled());

    settings.setBAutoShow(0);
    menu = tray->buildMenu();
    EXPECT_EQ(menu->actions()[2]->text(), "Включить автопоказ");
}

TEST_F(ShellTest, TheAutoshowSwitchStopsTheIntervalOrStartsAFullOneFromNow)
{
    start();
    ASSERT_TRUE(timers.isRunning(TimerId::Autoshow));
    tray->perform(TrayMenu::AutoShowSwitch);
    EXPECT_EQ(settings.bAutoShow(), 0);
    EXPECT_FALSE(timers.isRunning(TimerId::Autoshow));
    EXPECT_EQ(learning->autoShow().activeTimer(), AutoShow::kNoTimer);

    timers.advance(30000);
    tray->perform(TrayMenu::AutoShowSwitch);
    EXPECT_EQ(settings.bAutoShow(), 1);
    ASSERT_TRUE(timers.isRunning(TimerId::Autoshow));
    EXPECT_EQ(timers.deadline(TimerId::Autoshow), timers.now() + 60000);
    EXPECT_FALSE(window->QWidget::isVisible());
}

TEST_F(ShellTest, ClicksOpenTheWindowUnlessOneOfTheProgramsDialogsIsOpen)
{
    start();
    QDialog sheet;
    sheet.setWindowTitle("Mox! <> Настройки");
    sheet.show();
    tray->onTrayMessage(TrayMenu::Click::LeftReleased);
    EXPECT_FALSE(window->QWidget::isVisible());
    EXPECT_TRUE(tray->iconShown());
    sheet.hide();

    tray->onTrayMessage(TrayMenu::Click::Other);
    EXPECT_FALSE(window->QWidget::isVisible());
    // A click the icon reports is acted on once the icon's own event handling
    // is over (removing the icon deletes the widget that reported it).
    emit tray->icon().activated(QSystemTrayIcon::Trigger);
    EXPECT_FALSE(window->QWidget::isVisible());
    QApplication::processEvents();
    EXPECT_TRUE(window->QWidget::isVisible());
    EXPECT_FALSE(tray->iconShown());
    EXPECT_FALSE(window->prompt()->text().isEmpty());
    EXPECT_EQ(window->variants()->count(), 3);
}

TEST_F(ShellTest, ExitLeavesNoIconAndWritesTheAnswersGivenSinceTheWindowAppeared)
{
    start();
    answerOnce();
    EXPECT_EQ(answersOnDisk(), 1u);  // each answer reaches the file at once
    learning->autoShow().retreatWithAutoshow();
    ASSERT_TRUE(tray->iconShown());
    std::filesystem::remove(dir.path() / "voc" / "test.lst");
    QSignalSpy exits(learning.get(), &LearningController::exitRequested);
    tray->perform(TrayMenu::Exit);
    EXPECT_FALSE(tray->iconShown());
    EXPECT_FALSE(tray->icon().isVisible());
    EXPECT_EQ(answersOnDisk(), 1u);
    EXPECT_EQ(exits.count(), 1);
}

TEST_F(ShellTest, TheExitCommandEndsTheEventLoopEvenWhileTheWindowIsUp)
{
    start();
    tray->onTrayMessage(TrayMenu::Click::LeftReleased);
    ASSERT_TRUE(window->QWidget::isVisible());
    App::endLoopOnExit(*learning);
    QTimer::singleShot(0, [&] { tray->perform(TrayMenu::Exit); });
    QTimer::singleShot(3000, [] { QCoreApplication::exit(99); }); // the loop went on
    EXPECT_EQ(QApplication::exec(), 0);
}

TEST_F(ShellTest, EscClosesTheActiveDialogOrHidesTheLearningWindow)
{
    start();
    EscapeFilter filter(*learning);
    qApp->installEventFilter(&filter);
    tray->onTrayMessage(TrayMenu::Click::LeftReleased);
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    if (QApplication::activeWindow() != window)
        QApplication::setActiveWindow(window); // offscreen keeps a stale focus window

    QTest::keyClick(window->variants(), Qt::Key_Escape);
    EXPECT_FALSE(window->QWidget::isVisible());
    EXPECT_TRUE(tray->iconShown());

    QDialog editor;
    editor.setWindowTitle("Mox! <> Добавление лексики");
    auto* list = new WordListBox(&editor);
    editor.show();
    editor.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&editor));
    QTest::keyClick(list, Qt::Key_Escape);
    EXPECT_FALSE(editor.isVisible());
    EXPECT_FALSE(window->QWidget::isVisible());

    // Other keys pass.
    editor.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&editor));
    QTest::keyClick(list, Qt::Key_A);
    EXPECT_TRUE(editor.isVisible());

    // The open cell editor of a table keeps its Esc: the cell gets its text
    // back and the dialog stays; Esc on the table itself closes the dialog.
    QDialog grid;
    grid.setWindowTitle("Mox! <> Редактирование");
    auto* table = new QTableWidget(1, 1, &grid);
    table->setItem(0, 0, new QTableWidgetItem("cat"));
    grid.show();
    grid.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&grid));
    table->editItem(table->item(0, 0));
    auto* field = table->viewport()->findChild<QLineEdit*>();
    ASSERT_NE(field, nullptr);
    field->setText("dog");
    QTest::keyClick(field, Qt::Key_Escape);
    EXPECT_TRUE(grid.isVisible());
    EXPECT_EQ(table->item(0, 0)->text(), "cat");
    QTest::keyClick(table, Qt::Key_Escape);
    EXPECT_FALSE(grid.isVisible());
    qApp->removeEventFilter(&filter);
}

TEST_F(ShellTest, ATerminationSignalEndsTheProgramTheWayTheExitCommandDoes)
{
    start();
    answerOnce();
    std::vector<int> received;
    Termination termination([&](int signal) {
        received.push_back(signal);
        learning->exitProgram();
    });
    ASSERT_TRUE(termination.active());
    QSignalSpy exits(learning.get(), &LearningController::exitRequested);
    ASSERT_EQ(std::raise(SIGTERM), 0);
    ASSERT_TRUE(exits.wait(2000));
    EXPECT_EQ(received, std::vector<int>{SIGTERM});
    EXPECT_EQ(answersOnDisk(), 1u);
    EXPECT_FALSE(tray->iconShown());

    ASSERT_EQ(std::raise(SIGHUP), 0);
    ASSERT_TRUE(exits.wait(2000));
    EXPECT_EQ(received, (std::vector<int>{SIGTERM, SIGHUP}));
}

TEST(SingleInstance, ASecondCopyEndsAtOnceWithoutTouchingAnything)
{
    TempDir home;
    const QString runtime = QString::fromStdString((home.path() / "run").string());
    const QString config = QString::fromStdString((home.path() / "config").string());
    const QString data = QString::fromStdString((home.path() / "data").string());
    std::filesystem::create_directories(home.path() / "run");
    std::filesystem::permissions(home.path() / "run", std::filesystem::perms::owner_all);

    // The running copy: this test holds the lock the program takes.
    qputenv("XDG_RUNTIME_DIR", runtime.toUtf8());
    InstanceLock running;
    ASSERT_EQ(running.acquire(), InstanceLock::Result::Acquired);

    QProcess second;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_RUNTIME_DIR", runtime);
    env.insert("XDG_CONFIG_HOME", config);
    env.insert("XDG_DATA_HOME", data);
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.remove("DISPLAY");
    second.setProcessEnvironment(env);
    second.start(MOX_PROGRAM, {});
    ASSERT_TRUE(second.waitForFinished(10000));
    EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.exitCode(), 0);
    EXPECT_FALSE(std::filesystem::exists(home.path() / "config"));
    EXPECT_FALSE(std::filesystem::exists(home.path() / "data"));
}

// The command line is read before anything else: no display is needed for
// the version, and a refused option is refused even while a copy runs (not
// taken for a second start), with nothing made on disk.
TEST(Program, TheVersionAndRefusedOptionsNeedNoDisplayAndTouchNothing)
{
    TempDir home;
    std::filesystem::create_directories(home.path() / "run");
    std::filesystem::permissions(home.path() / "run", std::filesystem::perms::owner_all);
    qputenv("XDG_RUNTIME_DIR", QString::fromStdString((home.path() / "run").string()).toUtf8());
    InstanceLock running;
    ASSERT_EQ(running.acquire(), InstanceLock::Result::Acquired);

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_RUNTIME_DIR", QString::fromStdString((home.path() / "run").string()));
    env.insert("XDG_CONFIG_HOME", QString::fromStdString((home.path() / "config").string()));
    env.insert("XDG_DATA_HOME", QString::fromStdString((home.path() / "data").string()));
    env.remove("QT_QPA_PLATFORM");
    env.remove("DISPLAY");
    env.remove("WAYLAND_DISPLAY");
    struct Run {
        int code;
        std::string out, err;
    };
    const auto run = [&](const QStringList& args) {
        QProcess program;
        program.setProcessEnvironment(env);
        program.start(MOX_PROGRAM, args);
        EXPECT_TRUE(program.waitForFinished(10000));
        EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
        return Run{program.exitCode(), program.readAllStandardOutput().toStdString(),
                    program.readAllStandardError().toStdString()};
    };

    Run r = run({"--version"});
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.out, "Mox! " MOX_TEST_PROJECT_VERSION "\n");
    EXPECT_EQ(r.err, "");

    r = run({"--frobnicate"});
    EXPECT_EQ(r.code, 2);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "mox: неизвестный параметр «--frobnicate»\nИспользование: mox [--version]\n");

    r = run({"--version", "extra"});
    EXPECT_EQ(r.code, 2);
    EXPECT_NE(r.err.find("Использование: mox [--version]"), std::string::npos) << r.err;

    EXPECT_FALSE(std::filesystem::exists(home.path() / "config"));
    EXPECT_FALSE(std::filesystem::exists(home.path() / "data"));
}

// Starts the built program offscreen for a user whose home is `home` (its
// runtime, configuration and data folders below it).
void startProgram(QProcess& program, const TempDir& home)
{
    const auto run = home.path() / "run";
    std::filesystem::create_directories(run);
    std::filesystem::permissions(run, std::filesystem::perms::owner_all);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_RUNTIME_DIR", QString::fromStdString(run.string()));
    env.insert("XDG_CONFIG_HOME", QString::fromStdString((home.path() / "config").string()));
    env.insert("XDG_DATA_HOME", QString::fromStdString((home.path() / "data").string()));
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.remove("DISPLAY");
    program.setProcessEnvironment(env);
    program.start(MOX_PROGRAM, {});
    ASSERT_TRUE(program.waitForStarted(10000));
}

TEST(Program, ATerminationSignalEndsTheRunningProgramAfterWritingTheList)
{
    TempDir home;
    const auto list = home.path() / "data" / "mox" / "voc" / "english.lst";
    QProcess program;
    startProgram(program, home);
    // Running: the settings are set up and the window has retreated once.
    for (int i = 0; i < 100 && !std::filesystem::exists(list); ++i)
        QTest::qWait(100);
    ASSERT_TRUE(std::filesystem::exists(list));
    QTest::qWait(300);
    std::filesystem::remove(list);

    program.terminate(); // SIGTERM
    ASSERT_TRUE(program.waitForFinished(10000)) << "the program went on running";
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program.exitCode(), 0);
    EXPECT_TRUE(std::filesystem::exists(list)); // written again on the way out
}

// A tmpfs mounted over a folder for the life of the object (root only).
class SmallDisk {
public:
    explicit SmallDisk(const std::filesystem::path& at) : at_(at)
    {
        mounted_ = std::system(("mount -t tmpfs -o size=64k tmpfs '" + at.string() + "' 2>/dev/null").c_str()) == 0;
    }
    ~SmallDisk()
    {
        if (mounted_)
            (void)std::system(("umount '" + at_.string() + "'").c_str());
    }
    bool mounted() const { return mounted_; }
    // Fills the disk to the last byte.
    void fill() const
    {
        std::ofstream out(at_ / "filler", std::ios::binary);
        const std::string block(4096, 'x');
        while (out.write(block.data(), static_cast<std::streamsize>(block.size())))
            ;
    }

private:
    std::filesystem::path at_;
    bool mounted_ = false;
};

TEST(Program, ATerminationSignalOnAFullDiskEndsAtOnceWithoutABoxAndSaysWhyOnStandardError)
{
    TempDir home;
    const auto voc = home.path() / "data" / "mox" / "voc";
    // Three words in the list the program reads at its start.
    std::filesystem::create_directories(voc);
    std::ofstream(voc / "english.lst", std::ios::binary) << std::string(3 * sizeof(ListRecord), 'w');
    const auto settingsFile = home.path() / "config" / "Jov Software" / "Mox!.conf";

    QProcess program;
    startProgram(program, home);
    for (int i = 0; i < 100 && !std::filesystem::exists(settingsFile); ++i)
        QTest::qWait(100);
    ASSERT_TRUE(std::filesystem::exists(settingsFile));
    QTest::qWait(500);

    // The folder the program works in is now a full disk.
    SmallDisk disk(voc);
    if (!disk.mounted()) {
        program.kill();
        program.waitForFinished(5000);
        GTEST_SKIP() << "cannot mount a tmpfs (not root?)";
    }
    std::ofstream(voc / "english.dct", std::ios::binary) << std::string(208, '\0');
    std::ofstream(voc / "english.lst", std::ios::binary) << std::string(224, '\0');
    disk.fill();
    const auto listBefore = TempDir::readBytes(voc / "english.lst");

    QElapsedTimer clock;
    clock.start();
    program.terminate();
    const bool ended = program.waitForFinished(2000);
    const qint64 took = clock.elapsed();
    if (!ended) {
        program.kill();
        program.waitForFinished(5000);
    }
    EXPECT_TRUE(ended) << "the program waited (a box?)";
    EXPECT_LT(took, 2000);
    EXPECT_EQ(program.exitCode(), 0);
    const QString err = QString::fromUtf8(program.readAllStandardError());
    EXPECT_EQ(err.count(QString::fromUtf8("не удалось обновить список")), 1) << err.toStdString();
    EXPECT_EQ(TempDir::readBytes(voc / "english.lst"), listBefore);
}

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
