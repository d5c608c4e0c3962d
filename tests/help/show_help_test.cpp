#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QListView>
#include <QPointer>
#include <QTest>
#include <QTextBrowser>
#include <QTextDocument>
#include <QTimer>

#include <gtest/gtest.h>

#include "help/Help.h"
#include "help/HelpView.h"
#include "help/ProgramIcon.h"
#include "platform/fake/RecordingMessages.h"
#include "platform/qt/ProgramModules.h"
#include "settings/Settings.h"
#include "support/OwnProcess.h"
#include "support/TempDir.h"

namespace {

// The help window comes from the help module, so it is found as a user
// finds it: a top-level window of its name, with its page in a text browser.
bool isHelpWindow(const QWidget* w)
{
    return w->isWindow() && w->objectName() == QLatin1String("helpWindow");
}

QTextBrowser* browserOf(QWidget* helpWindow)
{
    return helpWindow ? helpWindow->findChild<QTextBrowser*>() : nullptr;
}

// A program folder with (or without) a copy of the built help file, and the
// settings that point at it.
struct HelpFixture : ::testing::Test {
    void SetUp() override { settings.setAppPath(dir.str()); }
    void TearDown() override
    {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (isHelpWindow(w))
                delete w;
    }
    void installHelpFile()
    {
        ASSERT_TRUE(QFile::copy(QStringLiteral(MOX_TEST_HELP_FILE), helpFile())) << MOX_TEST_HELP_FILE;
    }
    QString helpFile() const { return QString::fromStdString(settings.helpFile()); }
    static QWidget* helpWindow()
    {
        QWidget* found = nullptr;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (isHelpWindow(w) && w->isVisible())
                found = w;
        return found;
    }

    TempDir dir;
    mox::RecordingMessages messages;
    mox::Settings settings{messages};
};

} // namespace

TEST(HelpTopic, ParsesTheTopicsOfTheWindows)
{
    auto t = mox::parseHelpTopic(QStringLiteral("::/html_files/intro.html>main"));
    ASSERT_TRUE(t);
    EXPECT_EQ(t->page, QStringLiteral("html_files/intro.html"));
    EXPECT_EQ(t->window, QStringLiteral("main"));

    t = mox::parseHelpTopic(QString());
    ASSERT_TRUE(t);
    EXPECT_TRUE(t->page.isEmpty()) << "no topic is the start page";

    t = mox::parseHelpTopic(QStringLiteral("html_files/optgen.html#x"));
    ASSERT_TRUE(t);
    EXPECT_EQ(t->page, QStringLiteral("html_files/optgen.html#x"));
    EXPECT_TRUE(t->window.isEmpty());

    EXPECT_FALSE(mox::parseHelpTopic(QStringLiteral("::/>main")));
    EXPECT_FALSE(mox::parseHelpTopic(QStringLiteral("::/html_files/intro.txt>main")));
    EXPECT_FALSE(mox::parseHelpTopic(QStringLiteral("::/../../etc/x.html>main")));
}

TEST_F(HelpFixture, EveryTopicOfTheProgramOpensItsPage)
{
    installHelpFile();
    const struct {
        const char* topic;
        const char* title;
    } topics[] = {
        {"::/html_files/intro.html>main", "Как учить слова с Mox!"},
        {"::/html_files/adding.html>main", "Добавление слов"},
        {"::/html_files/exclude.html>main", "Исключение слова"},
        {"::/html_files/optdict.html>main", "Настройки: Словари"},
        {"::/html_files/optgen.html>main", "Настройки: Общие"},
        {"::/html_files/optmetod.html>main", "Настройки: Методика"},
        {"::/html_files/optfont.html>main", "Настройки: Языки и шрифты"},
        {"", "Справка Mox!"},
    };
    for (const auto& t : topics) {
        SCOPED_TRACE(t.topic);
        ASSERT_TRUE(mox::showHelp(settings, nullptr, QString::fromUtf8(t.topic)));
        QWidget* window = helpWindow();
        ASSERT_NE(window, nullptr);
        EXPECT_EQ(window->windowTitle(), QStringLiteral("Mox! <> Справка"));
        EXPECT_EQ(window->windowIcon().cacheKey(), mox::programIcon().cacheKey());
        EXPECT_EQ(browserOf(window)->documentTitle(), QString::fromUtf8(t.title));
        EXPECT_GT(browserOf(window)->document()->toPlainText().size(), 200);
    }
    EXPECT_TRUE(messages.shown.empty());
    // One window serves every request.
    int windows = 0;
    for (QWidget* w : QApplication::topLevelWidgets())
        windows += isHelpWindow(w) ? 1 : 0;
    EXPECT_EQ(windows, 1);
}

TEST_F(HelpFixture, PagesLinkToEachOtherAndLoadTheirStyleSheet)
{
    installHelpFile();
    ASSERT_TRUE(mox::showHelp(settings, nullptr, QStringLiteral("::/html_files/intro.html>main")));
    QTextBrowser* browser = browserOf(helpWindow());
    const QUrl css = browser->source().resolved(QUrl(QStringLiteral("../style.css")));
    EXPECT_TRUE(browser->loadResource(QTextDocument::StyleSheetResource, css).toString().contains(QStringLiteral("h1")));

    browser->setSource(browser->source().resolved(QUrl(QStringLiteral("optmetod.html"))));
    EXPECT_EQ(browser->documentTitle(), QStringLiteral("Настройки: Методика"));
    browser->backward();
    EXPECT_EQ(browser->documentTitle(), QStringLiteral("Как учить слова с Mox!"));

    // Every page links back to the start page.
    for (const char* page : {"intro", "adding", "exclude", "optdict", "optgen", "optmetod", "optfont"}) {
        const QUrl url = browser->source().resolved(QUrl(QStringLiteral("%1.html").arg(QLatin1String(page))));
        ASSERT_FALSE(browser->loadResource(QTextDocument::HtmlResource, url).toString().isEmpty()) << page;
        EXPECT_TRUE(browser->loadResource(QTextDocument::HtmlResource, url)
                        .toString()
                        .contains(QStringLiteral("href=\"../index.html\"")))
            << page;
    }
}

TEST_F(HelpFixture, MissingOrBrokenHelpFileIsReported)
{
    EXPECT_FALSE(mox::showHelp(settings, nullptr, QStringLiteral("::/html_files/intro.html>main")));
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_NE(messages.shown[0].text.find("Файл справки не найден"), std::string::npos);
    EXPECT_NE(messages.shown[0].text.find(helpFile().toStdString()), std::string::npos);
    EXPECT_EQ(messages.shown[0].icon, mox::MessageIcon::Error);
    EXPECT_EQ(helpWindow(), nullptr);

    // A file that is not a help file.
    {
        QFile f(helpFile());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("this is not a help file\n");
    }
    messages.clear();
    EXPECT_FALSE(mox::showHelp(settings, nullptr));
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_NE(messages.shown[0].text.find("Не удалось открыть файл справки"), std::string::npos);
    EXPECT_EQ(helpWindow(), nullptr);

    // Once the file is right, help works without restarting.
    QFile::remove(helpFile());
    installHelpFile();
    messages.clear();
    EXPECT_TRUE(mox::showHelp(settings, nullptr));
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(HelpFixture, UnknownTopicIsReported)
{
    installHelpFile();
    EXPECT_FALSE(mox::showHelp(settings, nullptr, QStringLiteral("::/html_files/nothere.html>main")));
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_NE(messages.shown[0].text.find("html_files/nothere.html"), std::string::npos);
    messages.clear();
    EXPECT_FALSE(mox::showHelp(settings, nullptr, QStringLiteral("intro")));
    EXPECT_EQ(messages.shown.size(), 1u);
}

TEST_F(HelpFixture, HelpWindowBelongsToItsOwner)
{
    installHelpFile();
    mox::setHelpSettings(&settings);
    QPointer<QWidget> owner = new QWidget;
    owner->setWindowTitle(QStringLiteral("Mox! <> Добавление лексики"));
    owner->show();
    ASSERT_TRUE(mox::showHelp(owner, QStringLiteral("::/html_files/adding.html>main")));
    QPointer<QWidget> window = helpWindow();
    ASSERT_TRUE(window);
    EXPECT_EQ(window->parentWidget(), owner.data());
    EXPECT_TRUE(window->isWindow());

    // A request from another window moves the help window to it.
    QWidget other;
    other.show();
    ASSERT_TRUE(mox::showHelp(&other, QStringLiteral("::/html_files/exclude.html>main")));
    EXPECT_EQ(window.data(), helpWindow());
    EXPECT_EQ(window->parentWidget(), &other);
    EXPECT_TRUE(window->isVisible());

    // It goes away with its owner, and the next request makes a new one.
    ASSERT_TRUE(mox::showHelp(owner, QStringLiteral("::/html_files/adding.html>main")));
    delete owner.data();
    EXPECT_TRUE(window.isNull());
    EXPECT_TRUE(mox::showHelp(&other));
    mox::setHelpSettings(nullptr);
}

TEST_F(HelpFixture, F1OpensTheWindowsTopic)
{
    installHelpFile();
    mox::setHelpSettings(&settings);
    QWidget window;
    mox::installHelpKey(&window, QStringLiteral("::/html_files/optfont.html>main"));
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    QTest::keyClick(&window, Qt::Key_F1);
    QWidget* help = helpWindow();
    ASSERT_NE(help, nullptr);
    EXPECT_EQ(browserOf(help)->documentTitle(), QStringLiteral("Настройки: Языки и шрифты"));
    mox::setHelpSettings(nullptr);
}

TEST_F(HelpFixture, KeywordIndexLeadsToItsPage)
{
    installHelpFile();
    ASSERT_TRUE(mox::showHelp(settings, nullptr));
    QWidget* window = helpWindow();
    ASSERT_NE(window, nullptr);
    QListView* index = nullptr;
    for (auto* view : window->findChildren<QListView*>())
        if (view->inherits("QHelpIndexWidget"))
            index = view;
    ASSERT_NE(index, nullptr);
    ASSERT_TRUE(QTest::qWaitFor([&] { return index->model() && index->model()->rowCount() > 10; }, 5000));
    // Typed into the index's search field, Enter opens the first match.
    QLineEdit* find = nullptr;
    for (auto* edit : window->findChildren<QLineEdit*>())
        if (edit->placeholderText() == QStringLiteral("Искать в указателе"))
            find = edit;
    ASSERT_NE(find, nullptr);
    find->setText(QStringLiteral("словарь, восст"));
    QTest::keyClick(find, Qt::Key_Return);
    EXPECT_EQ(browserOf(window)->documentTitle(), QStringLiteral("Настройки: Словари"));
    EXPECT_EQ(browserOf(window)->source().fragment(), QStringLiteral("restore"));
}

// The help window's module is looked for in the program's module folders in
// turn: the first folder that holds the file serves, and each way of failing
// says what went wrong and where.
TEST(ProgramModules, TheFirstFolderHoldingTheModuleServesAndFailuresSayWhy)
{
    TempDir empty;
    TempDir damaged;
    const QString emptyFolder = QString::fromStdString(empty.str());
    const QString damagedFolder = QString::fromStdString(damaged.str());
    {
        QFile f(QDir(damagedFolder).filePath(QLatin1String(mox::kHelpWindowModule)));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("not a library\n");
    }
    const QString module = QLatin1String(mox::kHelpWindowModule);
    QString error;

    EXPECT_EQ(mox::loadModuleFunction({emptyFolder}, module, mox::kMakeHelpViewSymbol, error), nullptr);
    EXPECT_TRUE(error.contains(QStringLiteral("не найден")) && error.contains(emptyFolder)) << error.toStdString();

    // A damaged file is reported, not passed over for another copy.
    EXPECT_EQ(mox::loadModuleFunction(QStringList{emptyFolder, damagedFolder} + mox::programModuleFolders(), module,
                                      mox::kMakeHelpViewSymbol, error),
              nullptr);
    EXPECT_TRUE(error.contains(QStringLiteral("не модуль программы")) && error.contains(damagedFolder))
        << error.toStdString();

    // A module cut short is refused before the loader maps it (the first
    // touch of a page past the end of the file would end the program).
    const QString whole = mox::findProgramModule(mox::programModuleFolders(), module);
    ASSERT_FALSE(whole.isEmpty());
    {
        QFile in(whole);
        ASSERT_TRUE(in.open(QIODevice::ReadOnly));
        QFile out(QDir(damagedFolder).filePath(module));
        ASSERT_TRUE(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
        out.write(in.read(in.size() / 2));
    }
    EXPECT_EQ(mox::loadModuleFunction({damagedFolder}, module, mox::kMakeHelpViewSymbol, error), nullptr);
    EXPECT_TRUE(error.contains(QStringLiteral("обрезан"))) << error.toStdString();

    const QStringList folders = QStringList{emptyFolder} + mox::programModuleFolders();
    EXPECT_EQ(mox::loadModuleFunction(folders, module, "moxNoSuchFunction", error), nullptr);
    EXPECT_TRUE(error.contains(QStringLiteral("нет функции moxNoSuchFunction"))) << error.toStdString();

    EXPECT_NE(mox::loadModuleFunction(folders, module, mox::kMakeHelpViewSymbol, error), nullptr);
    EXPECT_TRUE(error.isEmpty()) << error.toStdString();
}

// The help libraries come with the help window: a process that has not asked
// for help has not mapped them.
TEST_F(HelpFixture, HelpLibrariesAreMappedOnlyOnceHelpIsAskedFor)
{
    MOX_NEEDS_PROCESS_OF_ITS_OWN();
    const auto maps = [](const char* library) {
        QFile f(QStringLiteral("/proc/self/maps"));
        return f.open(QIODevice::ReadOnly) && f.readAll().contains(library);
    };
    installHelpFile();
    EXPECT_FALSE(maps("libQt6Help.so"));
    EXPECT_FALSE(maps("libQt6Sql.so"));
    ASSERT_TRUE(mox::showHelp(settings, nullptr));
    EXPECT_TRUE(maps("libQt6Help.so"));
    EXPECT_TRUE(maps("libQt6Sql.so"));
}
