// Drives the Dictionaries page (offscreen, in a plain dialog as its sheet)
// with the mouse and keys over real dictionary files, a real module program
// and a recording message port.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QVBoxLayout>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "language/CharsetCodec.h"
#include "options/PgDictionary.h"
#include "store/DictionaryLanguages.h"
#include "store/DictionarySession.h"
#include "store/StoreFixture.h"

// Failures show texts as text.
void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}

using namespace mox;
namespace fs = std::filesystem;
using mox::testing::Bytes;

namespace {

std::string cp1251(const char* utf8)
{
    return CharsetCodec(charset::Russian).encode(QString::fromUtf8(utf8)).bytes;
}

// The page in a dialog standing for the options sheet, over a program folder
// of the test's own.
class DictPageTest : public mox::testing::StoreFixture {
protected:
    DictPageTest()
    {
        settings.setIForeignCharSet(charset::Russian);
        settings.setUiDictRecCount(777);
    }

    void writeDictionary(const std::string& name, const std::vector<DictRecord>& records)
    {
        writeRecords(voc() / name, records);
    }

    // Builds and shows the page with sCurDict as it stands.
    void open(EditorHook editor = {})
    {
        host = std::make_unique<QDialog>();
        host->setWindowTitle(QStringLiteral("Mox! <> Настройки"));
        page = new CPgDictionary(settings, messages, session, std::move(editor), host.get());
        auto* layout = new QVBoxLayout(host.get());
        layout->addWidget(page);
        host->resize(520, 460);
        host->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(host.get()));
    }

    template <class T>
    T* child(const char* name) const
    {
        T* found = page->findChild<T*>(QLatin1String(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }
    QListWidget* dictionaries() const { return child<QListWidget>("dictionaries"); }
    QListView* excluded() const { return child<QListView>("excludedWords"); }
    QString field(const char* name) const { return child<QLineEdit>(name)->text(); }
    QString hint() const { return child<QPlainTextEdit>("hint")->toPlainText(); }
    void click(const char* button) { QTest::mouseClick(child<QPushButton>(button), Qt::LeftButton); }

    QStringList listed() const
    {
        QStringList names;
        for (int i = 0; i < dictionaries()->count(); ++i)
            names << dictionaries()->item(i)->text();
        return names;
    }
    QString selected() const
    {
        const auto items = dictionaries()->selectedItems();
        return items.isEmpty() ? QString() : items.first()->text();
    }
    QStringList excludedWords() const
    {
        QStringList words;
        auto* model = excluded()->model();
        for (int i = 0; i < model->rowCount(); ++i)
            words << model->index(i, 0).data().toString();
        return words;
    }
    void clickDictionary(const QString& name, bool twice = false)
    {
        const auto items = dictionaries()->findItems(name, Qt::MatchExactly);
        ASSERT_EQ(items.size(), 1) << name.toStdString();
        const QPoint at = dictionaries()->visualItemRect(items.first()).center();
        // A double click is a click followed by the double-click event.
        QTest::mouseClick(dictionaries()->viewport(), Qt::LeftButton, {}, at);
        if (twice)
            QTest::mouseDClick(dictionaries()->viewport(), Qt::LeftButton, {}, at);
    }
    void clickWord(int row, Qt::KeyboardModifiers modifiers = {})
    {
        const QRect rect = excluded()->visualRect(excluded()->model()->index(row, 0));
        QTest::mouseClick(excluded()->viewport(), Qt::LeftButton, modifiers, rect.center());
    }

    // english.dct: three words, "кот" excluded. german.dct: five words, two
    // excluded, one out of learning but still marked as listed (never offered).
    void writeExample()
    {
        writeDictionary("english.dct", {word("dog"), word(cp1251("кот"), "cat", 0), word("house")});
        writeDictionary("german.dct", {word("Hund"), word("Katze", "t", 0), word("Haus", "t", 1, 1),
                                       word("Baum", "t", 0, 1), word("Apfel", "t", 0)});
    }

    // The program's dictionary session, which the page follows to the
    // current dictionary; it outlives the page.
    DictionarySession session{messages};
    std::unique_ptr<QDialog> host;
    CPgDictionary* page = nullptr;
};

TEST_F(DictPageTest, OpensOnTheCurrentDictionaryAndAppliesTheOneChosen)
{
    writeExample();
    settings.setSCurDict("german.dct");
    settings.setSCurList("german.lst");
    open();

    EXPECT_EQ(page->tabCaption(), QStringLiteral("Словари"));
    EXPECT_EQ(page->helpTopic(), QStringLiteral("::/html_files/optdict.html>main"));
    EXPECT_EQ(listed(), (QStringList{"english.dct", "german.dct"}));
    EXPECT_EQ(selected(), QStringLiteral("german.dct"));
    EXPECT_EQ(field("activeCount"), QStringLiteral("2"));
    EXPECT_EQ(field("totalCount"), QStringLiteral("5"));
    // Sorted; "Baum" (active 0 but listed) is never offered.
    EXPECT_EQ(excludedWords(), (QStringList{"Apfel", "Katze"}));
    EXPECT_EQ(hint(), QStringLiteral("Выделите нужные слова и нажмите кнопку \"Применить\""));
    EXPECT_FALSE(page->isModified());
    EXPECT_TRUE(messages.shown.empty());

    clickDictionary("english.dct");
    EXPECT_TRUE(page->isModified());
    EXPECT_EQ(settings.sCurDict(), "german.dct"); // only applying chooses
    ASSERT_TRUE(page->confirm());
    EXPECT_EQ(settings.sCurDict(), "english.dct");
    EXPECT_EQ(settings.sCurList(), "english.lst");
    EXPECT_FALSE(page->isModified());
    EXPECT_EQ(field("activeCount"), QStringLiteral("2"));
    EXPECT_EQ(field("totalCount"), QStringLiteral("3"));
    EXPECT_EQ(excludedWords(), (QStringList{"кот"}));  // decoded from cp1251
    EXPECT_EQ(settings.uiDictRecCount(), 777u);          // the editor changed nothing

    // A double click applies at once.
    clickDictionary("german.dct", true);
    EXPECT_EQ(settings.sCurDict(), "german.dct");
    EXPECT_EQ(settings.sCurList(), "german.lst");
    EXPECT_EQ(excludedWords(), (QStringList{"Apfel", "Katze"}));
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(DictPageTest, AChosenDictionaryBringsTheLanguagesItWasMadeWith)
{
    writeExample();
    // german.dct was made by the module as a German-Russian dictionary;
    // english.dct knows no languages.
    ASSERT_TRUE(writeDictionaryLanguages((voc() / "german.dct").string(), DictionaryLanguages{0x407, 0x419}));
    settings.setSCurDict("english.dct");
    settings.setSCurList("english.lst");
    settings.setUiForeignLayout(0x409);
    settings.setUiNativeLayout(0x409);
    settings.setIForeignCharSet(0);
    settings.setINativeCharSet(0);
    open();

    clickDictionary("german.dct");
    ASSERT_TRUE(page->confirm());
    EXPECT_EQ(settings.uiForeignLayout(), 0x407u);
    EXPECT_EQ(settings.uiNativeLayout(), 0x419u);
    EXPECT_EQ(settings.iForeignCharSet(), 0);    // western European
    EXPECT_EQ(settings.iNativeCharSet(), 204);   // Cyrillic

    // A dictionary without its languages leaves the settings' as they are.
    clickDictionary("english.dct");
    ASSERT_TRUE(page->confirm());
    EXPECT_EQ(settings.uiNativeLayout(), 0x419u);
    EXPECT_EQ(settings.iNativeCharSet(), 204);
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(DictPageTest, DeletingTheCurrentDictionaryTakesItsListAndMakesAnotherCurrent)
{
    writeExample();
    TempDir::writeBytes(voc() / "german.lst", Bytes(224, 0));
    TempDir::writeBytes(voc() / "english.lst", Bytes(224, 0));
    settings.setSCurDict("german.dct");
    settings.setSCurList("german.lst");
    open();

    messages.answers = {MessageAnswer::Cancel};
    click("delete");
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, "Для удаления выбран текущий словарь german.dct. \n"
                                      "После удаления восстановить его будет невозможно.\nУдалить словарь?");
    EXPECT_EQ(messages.shown[0].icon, MessageIcon::Question);
    EXPECT_EQ(messages.shown[0].buttons, MessageButtons::OkCancel);
    EXPECT_TRUE(fs::exists(voc() / "german.dct"));
    EXPECT_EQ(listed().size(), 2);

    messages.clear();
    click("delete");
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(vocEntries(), (std::vector<std::string>{"english.dct", "english.lst"}));
    EXPECT_EQ(listed(), (QStringList{"english.dct"}));
    EXPECT_EQ(selected(), QStringLiteral("english.dct"));
    EXPECT_EQ(settings.sCurDict(), "english.dct"); // at once, without applying
    EXPECT_EQ(settings.sCurList(), "english.lst");
    EXPECT_EQ(field("totalCount"), QStringLiteral("3"));
    EXPECT_EQ(excludedWords(), (QStringList{"кот"}));
}

TEST_F(DictPageTest, DeletingAnotherDictionaryKeepsTheCurrentOne)
{
    writeExample();
    settings.setSCurDict("german.dct");
    open();
    clickDictionary("english.dct");
    click("delete");
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text.rfind("Для удаления выбран словарь english.dct. \n", 0), 0u);
    EXPECT_EQ(vocEntries(), (std::vector<std::string>{"german.dct"}));
    EXPECT_EQ(selected(), QStringLiteral("german.dct"));
    EXPECT_EQ(settings.sCurDict(), "german.dct");
}

TEST_F(DictPageTest, DeletingTheLastDictionaryAsksAndNoMakesAnEmptyOneCurrent)
{
    writeDictionary("words.dct", {word("one", "t", 0), word("two")});
    open();
    EXPECT_EQ(excludedWords(), (QStringList{"one"}));

    messages.answers = {MessageAnswer::Ok, MessageAnswer::No};
    click("delete");
    ASSERT_EQ(messages.shown.size(), 2u);
    EXPECT_EQ(messages.shown[1].text, "Нет ни одного активного словаря. Создать словарь?");
    EXPECT_EQ(messages.shown[1].icon, MessageIcon::Warning);
    EXPECT_EQ(messages.shown[1].buttons, MessageButtons::YesNo);
    EXPECT_EQ(vocEntries(), (std::vector<std::string>{"empty.dct", "empty.lst"}));
    EXPECT_EQ(fs::file_size(voc() / "empty.dct"), 0u);
    EXPECT_EQ(fs::file_size(voc() / "empty.lst"), 0u);
    EXPECT_EQ(listed(), (QStringList{"empty.dct"}));
    EXPECT_EQ(settings.sCurDict(), "empty.dct");
    EXPECT_EQ(settings.sCurList(), "empty.lst");
    EXPECT_EQ(field("totalCount"), QStringLiteral("0"));
    EXPECT_EQ(field("activeCount"), QStringLiteral("0"));
    EXPECT_TRUE(excludedWords().isEmpty());
    EXPECT_EQ(hint(), QStringLiteral("Исключенных слов нет"));
}

TEST_F(DictPageTest, AFolderWithoutDictionariesGetsAnEmptyOneListedAtOnce)
{
    open();
    EXPECT_EQ(listed(), (QStringList{"empty.dct"}));
    EXPECT_EQ(selected(), QString()); // sCurDict names another file
    EXPECT_EQ(hint(), QStringLiteral("Исключенных слов нет"));
    EXPECT_EQ(settings.sCurDict(), "words.dct");
}

TEST_F(DictPageTest, ACurrentNameReachingOutOfTheFolderIsNeverOpened)
{
    writeExample();
    writeRecords(dir.path() / "outside.dct", std::vector<DictRecord>{word("secret", "t", 0), word("x", "t", 0)});
    const Bytes before = TempDir::readBytes(dir.path() / "outside.dct");
    settings.setSCurDict("../outside.dct");
    open();
    EXPECT_EQ(field("totalCount"), QStringLiteral("0"));
    EXPECT_TRUE(excludedWords().isEmpty());
    EXPECT_EQ(selected(), QString());
    click("restore");
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_EQ(TempDir::readBytes(dir.path() / "outside.dct"), before);
    EXPECT_FALSE(fs::exists(dir.path() / "outside.bak"));

    clickDictionary("german.dct");
    ASSERT_TRUE(page->confirm());
    EXPECT_EQ(settings.sCurDict(), "german.dct");
    EXPECT_EQ(field("totalCount"), QStringLiteral("5"));
}

// The deletion is refused by the folder (no right to remove files from it):
// the user is told, both files stay and the page shows what it showed.
void expectDeletionRefused(const std::string& appPath)
{
    RecordingMessages messages;
    Settings settings(messages);
    settings.setAppPath(appPath);
    settings.setSCurDict("german.dct");
    settings.setSCurList("german.lst");
    DictionarySession session(messages);
    QDialog host;
    auto* page = new CPgDictionary(settings, messages, session, {}, &host);
    (new QVBoxLayout(&host))->addWidget(page);
    host.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&host));
    auto* list = page->findChild<QListWidget*>(QStringLiteral("dictionaries"));
    ASSERT_EQ(list->count(), 2);

    for (int row : {0, 1}) { // english.dct, then the current german.dct
        messages.clear();
        list->setCurrentRow(row);
        QTest::mouseClick(page->findChild<QPushButton*>(QStringLiteral("delete")), Qt::LeftButton);
        ASSERT_EQ(messages.shown.size(), 2u);
        const std::string name = row == 0 ? "english.dct" : "german.dct";
        EXPECT_EQ(messages.shown[1].text, "Не удалось удалить словарь " + name +
                                              ": нет прав на удаление файла из папки словарей.\n"
                                              "Словарь и его список остались без изменений.");
        EXPECT_EQ(messages.shown[1].icon, MessageIcon::Error);
        EXPECT_EQ(list->count(), 2);
        EXPECT_EQ(list->currentRow(), row);
        EXPECT_EQ(settings.sCurDict(), "german.dct");
        EXPECT_EQ(page->totalCount(), 5u);
    }
    for (const char* file : {"english.dct", "german.dct", "german.lst"})
        EXPECT_TRUE(fs::exists(fs::path(appPath) / "voc" / file)) << file;
}

TEST_F(DictPageTest, AFailedDeletionIsReportedAndChangesNothing)
{
    writeExample();
    TempDir::writeBytes(voc() / "german.lst", Bytes(224, 0));
    if (::geteuid() != 0) {
        fs::permissions(voc(), fs::perms::owner_read | fs::perms::owner_exec);
        expectDeletionRefused(dir.str());
        fs::permissions(voc(), fs::perms::owner_all);
        return;
    }
    // As root every folder is writable: run the page as an unprivileged user
    // in a child process, over these files that the child may read but not
    // remove.
    if (!fs::exists("/usr/bin/setpriv"))
        GTEST_SKIP() << "setpriv is needed to run the page as another user";
    const std::string self = fs::read_symlink("/proc/self/exe").string();
    const std::string command = "MOX_REFUSED_APP_PATH='" + dir.str() +
                                "' /usr/bin/setpriv --reuid=65534 --regid=65534 --clear-groups '" + self +
                                "' --gtest_also_run_disabled_tests --gtest_filter=DictPageChild.DISABLED_DeletionRefused";
    const int status = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(vocEntries(), (std::vector<std::string>{"english.dct", "german.dct", "german.lst"}));
}

// Run only by the test above, as another user.
TEST(DictPageChild, DISABLED_DeletionRefused)
{
    const char* appPath = std::getenv("MOX_REFUSED_APP_PATH");
    ASSERT_NE(appPath, nullptr);
    ASSERT_NE(::geteuid(), 0u);
    expectDeletionRefused(appPath);
}

TEST_F(DictPageTest, ApplyReactivatesTheFirstRecordOfEachSelectedWord)
{
    const std::string cat = cp1251("кот");
    writeDictionary("words.dct", {
                                     word("gamma", "t", 0),   // 0
                                     word(cat, "t", 0),       // 1
                                     word("ghost", "t", 0, 1), // 2: out of learning, marked listed
                                     word("alpha", "t", 0),   // 3
                                     word("delta", "t", 0),   // 4
                                     word(cat, "t", 0),       // 5: the same word again
                                     word("beta"),            // 6
                                 });
    open();
    EXPECT_EQ(excludedWords(), (QStringList{"alpha", "delta", "gamma", "кот", "кот"}));
    EXPECT_EQ(field("activeCount"), QStringLiteral("1"));

    clickWord(0);
    clickWord(2, Qt::ControlModifier);
    clickWord(3, Qt::ControlModifier);
    EXPECT_TRUE(page->isModified());
    clickWord(3, Qt::ControlModifier);
    clickWord(0, Qt::ControlModifier);
    clickWord(2, Qt::ControlModifier);
    EXPECT_FALSE(page->isModified()); // nothing selected, no dictionary chosen
    clickWord(0);
    clickWord(2, Qt::ControlModifier);
    clickWord(3, Qt::ControlModifier);
    ASSERT_TRUE(page->confirm());

    // Applying follows the dictionary with the program's session, which
    // reads its list: no list stands behind the mark of "ghost", so the mark
    // goes and the word is offered like any other excluded word.
    const auto records = readRecords<DictRecord>(dictFile());
    ASSERT_EQ(records.size(), 7u);
    const std::vector<int> active = {1, 1, 0, 1, 0, 0, 1};
    for (std::size_t i = 0; i < records.size(); ++i) {
        EXPECT_EQ(records[i].active, active[i]) << i;
        EXPECT_EQ(records[i].inList, 0) << i;
    }
    EXPECT_EQ(excludedWords(), (QStringList{"delta", "ghost", "кот"}));
    EXPECT_EQ(field("activeCount"), QStringLiteral("4"));
    EXPECT_EQ(settings.sCurDict(), "words.dct");
    EXPECT_TRUE(messages.shown.empty());

    // Ctrl held, then Alt: every word selected, the page modified.
    excluded()->setFocus();
    QTest::keyPress(excluded(), Qt::Key_Control);
    QTest::keyPress(excluded(), Qt::Key_Alt, Qt::ControlModifier);
    EXPECT_EQ(excluded()->selectionModel()->selectedRows().size(), 3);
    EXPECT_TRUE(page->isModified());
    ASSERT_TRUE(page->confirm());
    // The second "кот" is never reached: its word finds the first record.
    EXPECT_EQ(excludedWords(), (QStringList{"кот"}));
    EXPECT_EQ(readRecords<DictRecord>(dictFile())[2].active, 1);
    EXPECT_EQ(readRecords<DictRecord>(dictFile())[4].active, 1);
    EXPECT_EQ(readRecords<DictRecord>(dictFile())[5].active, 0);
}

TEST_F(DictPageTest, ListsAreInTheOrderOfTheUsersLanguage)
{
    const QLocale before;
    QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
    writeDictionary("words.dct", {word(cp1251("ель"), "t", 0), word(cp1251("Ёж"), "t", 0),
                                  word(cp1251("ежи"), "t", 0), word(cp1251("Ель"), "t", 0)});
    writeDictionary("Ёлка.dct", {});
    writeDictionary("ель.dct", {});
    writeDictionary("Zoo.dct", {});
    open();
    QLocale::setDefault(before);
    // "ё" sorts as "е", not after "я"; the same word in both cases, capital first.
    EXPECT_EQ(excludedWords(), (QStringList{"Ёж", "ежи", "Ель", "ель"}));
    EXPECT_EQ(listed(), (QStringList{"Ёлка.dct", "ель.dct", "words.dct", "Zoo.dct"}));
}

TEST_F(DictPageTest, TheEditorsDeletionsLowerTheTotalAndApplyRecordsIt)
{
    writeDictionary("words.dct", {word("one"), word("two", "t", 0), word("three"), word("four")});
    int opened = 0;
    open([&](QWidget* owner) {
        ++opened;
        EXPECT_EQ(owner, page);
        // The editor deletes "one" and "two": tombstones in their place.
        auto records = readRecords<DictRecord>(dictFile());
        records[0] = makeTombstone();
        records[1] = makeTombstone();
        writeRecords(dictFile(), records);
        return EditorReport{true, false};
    });
    EXPECT_EQ(field("totalCount"), QStringLiteral("4"));
    EXPECT_EQ(excludedWords(), (QStringList{"two"}));

    click("edit");
    EXPECT_EQ(opened, 1);
    EXPECT_EQ(field("totalCount"), QStringLiteral("2"));
    EXPECT_EQ(field("activeCount"), QStringLiteral("2"));
    EXPECT_TRUE(excludedWords().isEmpty());
    EXPECT_EQ(settings.uiDictRecCount(), 777u); // recorded only when applied
    ASSERT_TRUE(page->confirm());
    EXPECT_EQ(settings.uiDictRecCount(), 2u);
}

TEST_F(DictPageTest, RestoreReturnsExcludedWordsAndRefreshesThePage)
{
    writeDictionary("words.dct", {word("one", "t", 0), word("two"), word("three", "t", 0)});
    settings.setUiDictActiveCount(1);
    open();
    EXPECT_EQ(field("activeCount"), QStringLiteral("1"));
    click("restore");
    EXPECT_TRUE(excludedWords().isEmpty());
    EXPECT_EQ(hint(), QStringLiteral("Исключенных слов нет"));
    EXPECT_EQ(field("activeCount"), QStringLiteral("3"));
    EXPECT_EQ(field("totalCount"), QStringLiteral("3"));
    // Every word learns again: the settings record the new counts at once.
    EXPECT_EQ(settings.uiDictActiveCount(), 3u);
    EXPECT_EQ(settings.uiDictRecCount(), 3u);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text.rfind("В процессе восстановления были найдены ошибки:", 0), 0u);
}

// A module that waits until the test lets it go, then leaves a new dictionary
// in the folder and ends. A page that blocked instead of running its event
// loop would never let it go: the module then gives up after ten seconds
// without a dictionary, and the test fails instead of hanging.
fs::path writeModule(const fs::path& appPath)
{
    const fs::path mod = appPath / "mod";
    fs::create_directories(mod);
    const fs::path program = mod / "dc";
    std::ofstream script(program);
    script << "#!/bin/sh\n"
           << "[ $# -eq 0 ] || exit 3\n"
           << "i=0; go='" << (appPath / "go").string() << "'\n"
           << "while [ ! -e \"$go\" ] && [ $i -lt 500 ]; do sleep 0.02; i=$((i+1)); done\n"
           << "[ -e \"$go\" ] || exit 4\n"
           << "head -c 208 /dev/zero > '" << (appPath / "voc" / "new.dct").string() << "'\n";
    script.close();
    fs::permissions(program, fs::perms::owner_all);
    return program;
}

TEST_F(DictPageTest, CreateWaitsForTheModuleWithTheWindowsDisabledButAlive)
{
    writeExample();
    settings.setSCurDict("german.dct");
    writeModule(dir.path());
    QWidget other;  // another window of the program, like the learning window
    other.resize(100, 50);
    other.show();
    open();

    struct Seen {
        bool hostEnabled = true, otherEnabled = true, hostMinimised = false, painted = false;
    } seen;
    int paints = 0;
    struct PaintCounter : QObject {
        int* count;
        explicit PaintCounter(int* c) : count(c) {}
        bool eventFilter(QObject*, QEvent* e) override
        {
            if (e->type() == QEvent::Paint)
                ++*count;
            return false;
        }
    } counter(&paints);
    other.installEventFilter(&counter);
    int paintsBefore = 0;
    QTimer::singleShot(50, [&] {
        seen.hostEnabled = host->isEnabled();
        seen.otherEnabled = other.isEnabled();
        seen.hostMinimised = host->isMinimized();
        paintsBefore = paints;
        other.update();
        QTimer::singleShot(100, [&] {
            seen.painted = paints > paintsBefore;
            std::ofstream(dir.path() / "go").put('1');
        });
    });
    click("create");

    EXPECT_FALSE(seen.hostEnabled);
    EXPECT_FALSE(seen.otherEnabled);
    EXPECT_TRUE(seen.hostMinimised);
    EXPECT_TRUE(seen.painted);
    EXPECT_TRUE(host->isEnabled());
    EXPECT_TRUE(other.isEnabled());
    EXPECT_FALSE(host->isMinimized());
    EXPECT_EQ(listed(), (QStringList{"english.dct", "german.dct", "new.dct"}));
    EXPECT_EQ(selected(), QStringLiteral("german.dct")); // the new one is not made current
    EXPECT_EQ(settings.sCurDict(), "german.dct");
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(DictPageTest, AModuleThatCannotStartIsReportedAndTheListRefreshed)
{
    writeExample();
    settings.setSCurDict("german.dct");
    open();
    EXPECT_EQ(page->moduleProgram(), QString::fromStdString(dir.str() + "/mod/dc"));
    TempDir::writeBytes(voc() / "added.dct", {});
    click("create");
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, "Невозможно запустить модуль.");
    EXPECT_EQ(messages.shown[0].icon, MessageIcon::None);
    EXPECT_EQ(messages.shown[0].buttons, MessageButtons::Ok);
    EXPECT_EQ(listed(), (QStringList{"added.dct", "english.dct", "german.dct"}));
    EXPECT_EQ(selected(), QStringLiteral("german.dct"));
    EXPECT_TRUE(host->isEnabled());
    EXPECT_FALSE(host->isMinimized());
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
