// Drives the real dictionary editor with keys and the mouse (offscreen), over
// real dictionary and list files, with fakes behind the layout and message
// ports.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QShortcut>
#include <QTest>
#include <QToolTip>
#include <QWheelEvent>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <functional>

#include "editing/DictionaryEditor.h"
#include "editing/DictionaryTableModel.h"
#include "language/CharsetCodec.h"
#include "platform/fake/FakeLayoutPort.h"
#include "platform/fake/RecordingMessages.h"
#include "settings/CurrentDictionary.h"
#include "settings/Settings.h"
#include "store/DictRecord.h"
#include "store/DictionarySession.h"
#include "store/ListRecord.h"
#include "store/RecordText.h"
#include "store/Store.h"
#include "support/RecordFiles.h"
#include "support/TempDir.h"
#include "widgets/GridView.h"

using namespace mox;

namespace {

struct Word {
    const char* word;        // cp1252 (plain ASCII here)
    const char* translation; // UTF-8, stored as cp1251; none: a tombstone
    const char* transcription;
    bool inList = false;
};

std::string cp1251(const char* utf8)
{
    return CharsetCodec(charset::Russian).encode(QString::fromUtf8(utf8)).bytes;
}

// Processes events until `done` holds (a few seconds at most).
bool waitUntil(const std::function<bool()>& done)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!done()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

// Types a text into a widget key by key (QTest's own typing knows only ASCII).
void typeText(QWidget* target, const QString& text)
{
    for (QChar c : text)
        QTest::sendKeyEvent(QTest::Click, target, c.isLetter() ? Qt::Key_A : Qt::Key_Space, QString(c), Qt::NoModifier);
}

class EditorTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::filesystem::create_directories(dir.path() / "voc");
        settings.setAppPath(dir.str());
        settings.setSCurDict("test.dct");
        settings.setSCurList("test.lst");
        settings.setSForeignFontFace("DejaVu Sans");
        settings.setSNativeFontFace("DejaVu Sans");
        settings.setSTransFontFace("DejaVu Sans");
        settings.setIForeignCharSet(charset::Ansi);
        settings.setINativeCharSet(charset::Russian);
        settings.setITransCharSet(charset::Symbol);
        settings.setUiForeignLayout(0x409);
        settings.setUiNativeLayout(0x419);
        settings.setUiTransLayout(0x407); // not preloaded: the editor loads it
    }

    void TearDown() override { editor.reset(); }

    void writeDictionary(const std::vector<Word>& words)
    {
        std::vector<DictRecord> records;
        WordList list;
        for (const Word& w : words) {
            DictRecord r = newDictRecord();
            if (w.translation == nullptr) {
                r = makeTombstone();
            } else {
                setFieldText(r.word, w.word);
                setFieldText(r.translation, cp1251(w.translation));
                setFieldText(r.transcription, w.transcription);
                r.inList = w.inList ? 1 : 0;
                if (w.inList) {
                    ListRecord entry = newListRecord(r);
                    entry.answers = 7;
                    entry.streak = 2;
                    list.push_back(entry);
                }
            }
            records.push_back(r);
        }
        writeRecords(dictPath(), records);
        writeRecords(listPath(), list);
    }

    std::filesystem::path dictPath() const { return dir.path() / "voc" / "test.dct"; }
    std::filesystem::path listPath() const { return dir.path() / "voc" / "test.lst"; }

    std::vector<DictRecord> dictionaryOnDisk() const { return readRecords<DictRecord>(dictPath()); }
    std::vector<ListRecord> listOnDisk() const { return readRecords<ListRecord>(listPath()); }

    // Opens the session on the current dictionary (reading its list), then
    // the editor over it.
    void open()
    {
        session.open(currentDictionaryPaths(settings));
        editor = std::make_unique<DictionaryEditor>(settings, layouts, messages, session);
        editor->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(editor.get()));
        QApplication::setActiveWindow(editor.get());
        grid()->setFocus();
    }

    GridView* grid() const { return editor->grid(); }
    DictionaryTableModel* model() const { return editor->model(); }
    QPoint cellCentre(int row, int column) const
    {
        return grid()->visualRect(grid()->fromSource(row, column)).center();
    }
    QPoint displayCellCentre(int displayRow, int column) const
    {
        return grid()->visualRect(grid()->model()->index(displayRow, column)).center();
    }
    void click(int row, int column, Qt::KeyboardModifiers modifiers = {})
    {
        QTest::mouseClick(grid()->viewport(), Qt::LeftButton, modifiers, cellCentre(row, column));
    }
    void clickHeader(int column)
    {
        QHeaderView* header = grid()->horizontalHeader();
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                          QPoint(header->sectionViewportPosition(column) + header->sectionSize(column) / 2,
                                 header->height() / 2));
    }
    // A double click as the window system delivers it: press, release,
    // double click, release.
    void doubleClickAt(QPoint where)
    {
        QWidget* viewport = grid()->viewport();
        QTest::mousePress(viewport, Qt::LeftButton, {}, where);
        QTest::mouseRelease(viewport, Qt::LeftButton, {}, where);
        QTest::mouseDClick(viewport, Qt::LeftButton, {}, where);
        QTest::mouseRelease(viewport, Qt::LeftButton, {}, where);
    }
    // Opens the edit field of a cell by a double click.
    QLineEdit* doubleClick(int row, int column)
    {
        doubleClickAt(cellCentre(row, column));
        return grid()->cellEditor();
    }
    void press(QWidget* target, Qt::Key key, Qt::KeyboardModifiers modifiers = {})
    {
        QTest::keyClick(target, key, modifiers);
    }
    // Enter in the edit field; the field closes once the event loop runs.
    void commit()
    {
        ASSERT_TRUE(grid()->isEditing());
        QTest::keyClick(grid()->cellEditor(), Qt::Key_Return);
        ASSERT_TRUE(waitUntil([&] { return !grid()->isEditing(); }));
    }
    QString shown(int row, int column) const
    {
        return model()->index(row, column).data().toString();
    }

    TempDir dir;
    RecordingMessages messages;
    Settings settings{messages};
    FakeLayoutPort layouts{std::vector<std::string>{"00000409", "00000419"}};
    DictionarySession session{messages};
    std::unique_ptr<DictionaryEditor> editor;
};

const std::vector<Word> kThree = {
    {"cat", "кошка", "k&t"},
    {"dog", "собака", "dOg"},
    {"house", "дом", "haus"},
};

} // namespace

TEST_F(EditorTest, ShowsTheLiveRecordsInFileOrderInADialogWithoutDefaultButton)
{
    writeDictionary({{"cat", "кошка", "k&t"}, {"", nullptr, ""}, {"dog", "собака", "dOg"}});
    open();
    EXPECT_EQ(editor->windowTitle(), QString::fromUtf8("Mox! <> Редактирование"));
    EXPECT_FALSE(editor->windowFlags().testFlag(Qt::WindowCloseButtonHint));
    EXPECT_EQ(editor->closeButton()->text(), QString::fromUtf8("Закрыть"));
    EXPECT_EQ(editor->deleteButton()->text(), QString::fromUtf8("Удалить\nвыделенные\nстроки"));
    EXPECT_FALSE(editor->closeButton()->isDefault());
    EXPECT_FALSE(editor->deleteButton()->isDefault());
    EXPECT_EQ(model()->headerData(0, Qt::Horizontal).toString(), QString::fromUtf8("Слово"));
    EXPECT_EQ(model()->headerData(1, Qt::Horizontal).toString(), QString::fromUtf8("Перевод"));
    EXPECT_EQ(model()->headerData(2, Qt::Horizontal).toString(), QString::fromUtf8("Транскрипция"));
    bool helpKey = false;
    for (QShortcut* shortcut : editor->findChildren<QShortcut*>())
        helpKey = helpKey || shortcut->key() == QKeySequence(QKeySequence::HelpContents);
    EXPECT_TRUE(helpKey);

    ASSERT_EQ(model()->rowCount(), 2); // the tombstone is not shown
    EXPECT_EQ(shown(0, 0), "cat");
    EXPECT_EQ(shown(0, 1), QString::fromUtf8("кошка"));
    EXPECT_EQ(shown(1, 2), "dOg");
    // Every row as high as the header; the columns fill the table's width.
    EXPECT_EQ(grid()->rowHeight(0), grid()->rowHeight(1));
    EXPECT_GE(grid()->rowHeight(0), grid()->headerHeight());
    EXPECT_GT(grid()->columnWidth(1), grid()->columnWidth(0));
    EXPECT_LE(grid()->columnWidth(0) + grid()->columnWidth(1) + grid()->columnWidth(2), grid()->viewport()->width());

    // Enter in the table presses nothing; Esc closes with 2, "Закрыть" with 1.
    click(0, 0);
    press(grid(), Qt::Key_Return);
    EXPECT_TRUE(editor->isVisible());
    press(grid(), Qt::Key_Escape);
    EXPECT_FALSE(editor->isVisible());
    EXPECT_EQ(editor->result(), DictionaryEditor::kEscaped);
    editor->show();
    QTest::mouseClick(editor->closeButton(), Qt::LeftButton);
    EXPECT_FALSE(editor->isVisible());
    EXPECT_EQ(editor->result(), DictionaryEditor::kClosed);
    EXPECT_FALSE(editor->cellsChanged());
    EXPECT_FALSE(editor->rowsDeleted());
}

TEST_F(EditorTest, AMissingOrUnreadableDictionaryShowsAnEmptyTable)
{
    open();
    EXPECT_EQ(model()->rowCount(), 0);
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(EditorTest, EditsByDoubleClickAndByTypingAreWrittenInPlaceAndEscWritesNothing)
{
    writeDictionary(kThree);
    const auto before = TempDir::readBytes(dictPath());
    open();

    // Double click, new text, Enter: the translation of the second record.
    QLineEdit* field = doubleClick(1, 1);
    ASSERT_NE(field, nullptr);
    EXPECT_EQ(field->text(), QString::fromUtf8("собака"));
    field->selectAll();
    typeText(field, QString::fromUtf8("пёс"));
    commit();
    auto records = dictionaryOnDisk();
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(fieldText(records[1].translation), cp1251("пёс"));
    EXPECT_TRUE(editor->cellsChanged());
    // Nothing else of the file changed.
    auto after = TempDir::readBytes(dictPath());
    ASSERT_EQ(after.size(), before.size());
    for (std::size_t i = 0; i < after.size(); ++i) {
        const bool translationOfRecord1 = i >= 208 + 81 && i < 208 + 161;
        EXPECT_TRUE(translationOfRecord1 || after[i] == before[i]) << "byte " << i;
    }

    // A typed character replaces the whole text and opens the field.
    click(2, 0);
    QTest::keyClick(grid(), 'H');
    ASSERT_TRUE(grid()->isEditing());
    EXPECT_TRUE(grid()->editBegunByTyping());
    QTest::keyClicks(grid()->cellEditor(), "ome");
    commit();
    EXPECT_EQ(fieldText(dictionaryOnDisk()[2].word), "Home");
    EXPECT_EQ(shown(2, 0), "Home");

    // Esc puts the old text back and writes nothing.
    const auto beforeEsc = TempDir::readBytes(dictPath());
    field = doubleClick(0, 2);
    ASSERT_NE(field, nullptr);
    QTest::keyClicks(field, "zzz");
    press(field, Qt::Key_Escape);
    EXPECT_FALSE(grid()->isEditing());
    EXPECT_TRUE(editor->isVisible()); // Esc ended the edit, not the dialog
    EXPECT_EQ(shown(0, 2), "k&t");
    EXPECT_EQ(TempDir::readBytes(dictPath()), beforeEsc);

    // An arrow key ends an edit begun by typing (keeping the text) and moves on.
    click(0, 1);
    QTest::keyClick(grid(), 'x');
    ASSERT_TRUE(grid()->isEditing());
    press(grid()->cellEditor(), Qt::Key_Down);
    EXPECT_FALSE(grid()->isEditing());
    EXPECT_EQ(fieldText(dictionaryOnDisk()[0].translation), "x");
    EXPECT_EQ(grid()->toSource(grid()->currentIndex()).row(), 1);
    // In an edit begun by a double click the arrows move within the text.
    field = doubleClick(2, 1);
    ASSERT_NE(field, nullptr);
    press(field, Qt::Key_Left);
    EXPECT_TRUE(grid()->isEditing());
    press(field, Qt::Key_Tab); // Tab keeps the text and ends the edit
    EXPECT_FALSE(grid()->isEditing());
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(EditorTest, AnEmptiedWordIsRefusedWhileOtherColumnsMayBeEmptied)
{
    writeDictionary(kThree);
    open();
    const auto before = TempDir::readBytes(dictPath());

    // Delete in the word column: the message, and the word comes back.
    click(1, 0);
    press(grid(), Qt::Key_Delete);
    ASSERT_EQ(messages.texts(), std::vector<std::string>{"Ключевое слово не может быть пустой строкой"});
    EXPECT_EQ(messages.shown[0].icon, MessageIcon::None);
    EXPECT_EQ(shown(1, 0), "dog");
    EXPECT_EQ(TempDir::readBytes(dictPath()), before);

    // Emptied in the edit field: the same.
    messages.clear();
    QLineEdit* field = doubleClick(2, 0);
    ASSERT_NE(field, nullptr);
    field->clear();
    commit();
    EXPECT_EQ(messages.texts().size(), 1u);
    EXPECT_EQ(shown(2, 0), "house");
    EXPECT_EQ(TempDir::readBytes(dictPath()), before);

    // Delete in the translation and transcription columns writes empty texts.
    messages.clear();
    click(1, 1);
    press(grid(), Qt::Key_Delete);
    click(1, 2);
    press(grid(), Qt::Key_Delete);
    EXPECT_TRUE(messages.shown.empty());
    const auto records = dictionaryOnDisk();
    EXPECT_EQ(fieldText(records[1].translation), "");
    EXPECT_EQ(fieldText(records[1].transcription), "");
    EXPECT_EQ(fieldText(records[1].word), "dog");
    EXPECT_TRUE(editor->cellsChanged());
}

TEST_F(EditorTest, OfTwoRecordsWithOneWordEditsAndDeletionsReachTheFirst)
{
    writeDictionary({{"cat", "кот", ""}, {"dog", "собака", ""}, {"cat", "кошка", ""}});
    open();
    ASSERT_EQ(model()->rowCount(), 3);

    // Editing the second "cat" row changes the first record.
    QLineEdit* field = doubleClick(2, 1);
    ASSERT_NE(field, nullptr);
    field->setText(QString::fromUtf8("котик"));
    commit();
    auto records = dictionaryOnDisk();
    EXPECT_EQ(fieldText(records[0].translation), cp1251("котик"));
    EXPECT_EQ(fieldText(records[2].translation), cp1251("кошка"));

    // Both "cat" rows selected and deleted: only the first record goes.
    click(0, 0);
    click(2, 0, Qt::ControlModifier);
    EXPECT_EQ(grid()->selectedSourceRows(), (std::vector<int>{0, 2}));
    QTest::mouseClick(editor->deleteButton(), Qt::LeftButton);
    records = dictionaryOnDisk();
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[0].deleted, 1);
    EXPECT_EQ(records[2].deleted, 0);
    ASSERT_EQ(model()->rowCount(), 2);
    EXPECT_EQ(shown(0, 0), "dog");
    EXPECT_EQ(shown(1, 0), "cat");
    EXPECT_EQ(shown(1, 1), QString::fromUtf8("кошка"));
    EXPECT_TRUE(editor->rowsDeleted());
}

TEST_F(EditorTest, DeletingRowsWritesTombstonesInPlaceAndTakesTheWordsOffTheList)
{
    writeDictionary({{"cat", "кошка", "", true}, {"dog", "собака", ""}, {"house", "дом", "", true},
                     {"tree", "дерево", ""}});
    const auto size = std::filesystem::file_size(dictPath());
    open();

    // Nothing selected: the message titled "Сообщение".
    QTest::mouseClick(editor->deleteButton(), Qt::LeftButton);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, "Не выделены строки.\n");
    EXPECT_EQ(messages.shown[0].title, "Сообщение");
    EXPECT_EQ(messages.shown[0].icon, MessageIcon::Warning);

    // "No" to the question deletes nothing.
    messages.clear();
    click(0, 1);
    click(2, 1, Qt::ControlModifier);
    click(1, 0, Qt::ControlModifier);
    messages.answers.push_back(MessageAnswer::No);
    QTest::mouseClick(editor->deleteButton(), Qt::LeftButton);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, "Отменить изменения после удаления будет невозможно. Продолжить?\n");
    EXPECT_EQ(messages.shown[0].title, "Предупреждение");
    EXPECT_EQ(messages.shown[0].buttons, MessageButtons::YesNo);
    EXPECT_EQ(model()->rowCount(), 4);
    EXPECT_FALSE(editor->rowsDeleted());

    // "Yes": three tombstones, the file keeps its size, the list loses both
    // of its words and is saved.
    messages.clear();
    QTest::mouseClick(editor->deleteButton(), Qt::LeftButton);
    const auto records = dictionaryOnDisk();
    EXPECT_EQ(std::filesystem::file_size(dictPath()), size);
    const DictRecord tombstone = makeTombstone();
    for (int i : {0, 1, 2})
        EXPECT_EQ(std::memcmp(&records[static_cast<std::size_t>(i)], &tombstone, sizeof tombstone), 0) << i;
    EXPECT_EQ(fieldText(records[3].word), "tree");
    EXPECT_TRUE(session.list().empty());
    EXPECT_TRUE(listOnDisk().empty());
    EXPECT_TRUE(std::filesystem::exists(listPath()));
    ASSERT_EQ(model()->rowCount(), 1);
    EXPECT_EQ(shown(0, 0), "tree");
    EXPECT_TRUE(editor->rowsDeleted());
    EXPECT_FALSE(editor->cellsChanged());

    // Every row deleted: no row is left.
    click(0, 0);
    QTest::mouseClick(editor->deleteButton(), Qt::LeftButton);
    EXPECT_EQ(model()->rowCount(), 0);
    EXPECT_EQ(DictItemCount(settings.dictionaryPath(), messages), 0u);
}

TEST_F(EditorTest, RenamingAListedWordRenamesItInTheWorkingListAndItsFile)
{
    writeDictionary({{"cat", "кошка", "", true}, {"dog", "собака", "", true}});
    open();
    QLineEdit* field = doubleClick(0, 0);
    ASSERT_NE(field, nullptr);
    field->setText("kitten");
    commit();
    ASSERT_EQ(session.list().size(), 2u);
    EXPECT_EQ(fieldText(session.list()[0].word), "kitten");
    EXPECT_EQ(session.list()[0].answers, 7); // the counters stay
    const auto onDisk = listOnDisk();
    ASSERT_EQ(onDisk.size(), 2u);
    EXPECT_EQ(fieldText(onDisk[0].word), "kitten");
    EXPECT_EQ(onDisk[0].streak, 2);
    EXPECT_EQ(fieldText(onDisk[1].word), "dog");

    // The translation of the renamed word is found by its new name.
    field = doubleClick(0, 1);
    ASSERT_NE(field, nullptr);
    field->setText(QString::fromUtf8("котёнок"));
    commit();
    EXPECT_EQ(fieldText(dictionaryOnDisk()[0].translation), cp1251("котёнок"));
    EXPECT_EQ(fieldText(listOnDisk()[0].translation), cp1251("котёнок"));
}

TEST_F(EditorTest, TheListFileIsKeptInStepWithRenamesAndDeletions)
{
    writeDictionary({{"cat", "кошка", "", true}, {"dog", "собака", "", true}});
    open();
    QLineEdit* field = doubleClick(1, 0);
    ASSERT_NE(field, nullptr);
    field->setText("hound");
    commit();
    auto onDisk = listOnDisk();
    ASSERT_EQ(onDisk.size(), 2u);
    EXPECT_EQ(fieldText(onDisk[1].word), "hound");
    EXPECT_EQ(onDisk[1].answers, 7);

    click(0, 0);
    QTest::mouseClick(editor->deleteButton(), Qt::LeftButton);
    onDisk = listOnDisk();
    ASSERT_EQ(onDisk.size(), 1u);
    EXPECT_EQ(fieldText(onDisk[0].word), "hound");
}

TEST_F(EditorTest, SortingByAHeaderChangesOnlyTheDisplay)
{
    writeDictionary({{"pear", "груша", ""}, {"apple", "яблоко", ""}, {"Zebra", "зебра", ""}, {"melon", "дыня", ""}});
    const auto before = TempDir::readBytes(dictPath());
    open();
    clickHeader(0);
    // Byte order: capitals before small letters.
    auto column = [&](int c) {
        QStringList texts;
        for (int r = 0; r < grid()->model()->rowCount(); ++r)
            texts << grid()->model()->index(r, c).data().toString();
        return texts;
    };
    EXPECT_EQ(column(0), (QStringList{"Zebra", "apple", "melon", "pear"}));
    clickHeader(0);
    EXPECT_EQ(column(0), (QStringList{"pear", "melon", "apple", "Zebra"}));
    EXPECT_EQ(TempDir::readBytes(dictPath()), before);

    // The third display row is "apple", the second record.
    doubleClickAt(displayCellCentre(2, 1));
    ASSERT_TRUE(grid()->isEditing());
    grid()->cellEditor()->setText(QString::fromUtf8("яблочко"));
    commit();
    EXPECT_EQ(fieldText(dictionaryOnDisk()[1].translation), cp1251("яблочко"));
    EXPECT_EQ(column(1).at(2), QString::fromUtf8("яблочко"));

    // Deleting the first display row ("pear") deletes the first record; the
    // table stays sorted after the refill.
    QTest::mouseClick(grid()->viewport(), Qt::LeftButton, {}, displayCellCentre(0, 0));
    QTest::mouseClick(editor->deleteButton(), Qt::LeftButton);
    const auto records = dictionaryOnDisk();
    EXPECT_EQ(records[0].deleted, 1);
    EXPECT_EQ(records[1].deleted, 0);
    EXPECT_EQ(column(0), (QStringList{"melon", "apple", "Zebra"}));
}

TEST_F(EditorTest, RowsWithEqualTextsKeepTheirFileOrderEitherWay)
{
    writeDictionary({{"b", "один", ""}, {"a", "два", ""}, {"b", "три", ""}, {"a", "четыре", ""}});
    open();
    auto translations = [&] {
        QStringList texts;
        for (int r = 0; r < grid()->model()->rowCount(); ++r)
            texts << grid()->model()->index(r, 1).data().toString();
        return texts.join(' ');
    };
    clickHeader(0);
    EXPECT_EQ(translations(), QString::fromUtf8("два четыре один три"));
    clickHeader(0);
    EXPECT_EQ(translations(), QString::fromUtf8("один три два четыре"));
}

TEST_F(EditorTest, TextsTheRecordCannotHoldAreRefusedWithTheReason)
{
    writeDictionary(kThree);
    open();
    const auto before = TempDir::readBytes(dictPath());

    // A Cyrillic letter in the cp1252 word column.
    click(0, 0);
    QTest::keyClick(grid(), 'c');
    ASSERT_TRUE(grid()->isEditing());
    QLineEdit* field = grid()->cellEditor();
    typeText(field, QString::fromUtf8("ж"));
    EXPECT_EQ(field->text(), "c");
    EXPECT_TRUE(editor->statusLine()->text().contains(QString::fromUtf8("ж"))) << editor->statusLine()->text().toStdString();
    press(field, Qt::Key_Escape);

    // The transcription holds 29 bytes: the 30th is refused.
    field = doubleClick(1, 2);
    ASSERT_NE(field, nullptr);
    field->selectAll();
    QTest::keyClicks(field, QString(29, QLatin1Char('a')));
    editor->statusLine()->clear();
    QTest::keyClicks(field, "b");
    EXPECT_EQ(field->text(), QString(29, QLatin1Char('a')));
    EXPECT_TRUE(editor->statusLine()->text().contains("29"));
    commit();
    EXPECT_EQ(fieldText(dictionaryOnDisk()[1].transcription), std::string(29, 'a'));

    // A pasted text too long for the word is refused for that cell, never cut.
    editor->statusLine()->clear();
    QApplication::clipboard()->setText(QString(80, QLatin1Char('w')));
    click(2, 0);
    press(grid(), Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(shown(2, 0), "house");
    EXPECT_EQ(fieldText(dictionaryOnDisk()[2].word), "house");
    EXPECT_FALSE(editor->statusLine()->text().isEmpty());
}

TEST_F(EditorTest, CutEmptiesTheEditableCellsAndPasteFillsFromTheFocusCell)
{
    writeDictionary(kThree);
    open();
    click(1, 1);
    press(grid(), Qt::Key_X, Qt::ControlModifier);
    EXPECT_EQ(QApplication::clipboard()->text(), QString::fromUtf8("dog\tсобака\tdOg"));
    // The word may not be emptied; translation and transcription are.
    EXPECT_EQ(messages.texts(), std::vector<std::string>{"Ключевое слово не может быть пустой строкой"});
    auto records = dictionaryOnDisk();
    EXPECT_EQ(fieldText(records[1].word), "dog");
    EXPECT_EQ(fieldText(records[1].translation), "");
    EXPECT_EQ(fieldText(records[1].transcription), "");

    // Paste two rows of two cells from the translation of "cat" on.
    messages.clear();
    QApplication::clipboard()->setText(QString::fromUtf8("котик\tkIt\r\nщенок\tpap\r\n"));
    click(0, 1);
    press(grid(), Qt::Key_V, Qt::ControlModifier);
    records = dictionaryOnDisk();
    EXPECT_EQ(fieldText(records[0].translation), cp1251("котик"));
    EXPECT_EQ(fieldText(records[0].transcription), "kIt");
    EXPECT_EQ(fieldText(records[1].translation), cp1251("щенок"));
    EXPECT_EQ(fieldText(records[1].transcription), "pap");
    EXPECT_EQ(fieldText(records[2].translation), cp1251("дом"));
    EXPECT_TRUE(messages.shown.empty());

    // Ctrl+A selects every row; Ctrl+C copies them in display order.
    press(grid(), Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(grid()->selectedSourceRows(), (std::vector<int>{0, 1, 2}));
    press(grid(), Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QApplication::clipboard()->text().count(QLatin1Char('\n')), 2);
}

TEST_F(EditorTest, EditingSwitchesToTheColumnsLayoutAndClosingReleasesWhatItLoaded)
{
    writeDictionary(kThree);
    open();
    EXPECT_EQ(editor->preloadedLayouts(), (std::vector<std::string>{"00000409", "00000419"}));

    doubleClick(0, 1);
    ASSERT_TRUE(grid()->isEditing());
    EXPECT_EQ(layouts.activeLanguage(), 0x419);
    press(grid()->cellEditor(), Qt::Key_Escape);

    doubleClick(0, 2);
    ASSERT_TRUE(grid()->isEditing());
    const LayoutHandle german = layouts.loadedHandle("00000407");
    ASSERT_NE(german, 0u);
    EXPECT_EQ(layouts.active(), german);
    press(grid()->cellEditor(), Qt::Key_Escape);
    EXPECT_EQ(layouts.active(), german); // stays after the edit

    doubleClick(0, 0);
    EXPECT_EQ(layouts.activeLanguage(), 0x409);
    press(grid()->cellEditor(), Qt::Key_Escape);

    layouts.calls.clear();
    QTest::mouseClick(editor->closeButton(), Qt::LeftButton);
    EXPECT_FALSE(layouts.isLoaded(german));
    EXPECT_FALSE(layouts.preloadedUnloadAttempted);
    EXPECT_EQ(layouts.calls.front(), "previous");
    editor.reset(); // destruction unloads nothing more
    EXPECT_EQ(std::count(layouts.calls.begin(), layouts.calls.end(), "previous"), 1);
}

TEST_F(EditorTest, ADictionaryThatCannotBeOpenedIsReportedAndTheTableKeepsTheFilesTexts)
{
    writeDictionary(kThree);
    open();
    std::filesystem::remove(dictPath());

    QLineEdit* field = doubleClick(0, 0);
    ASSERT_NE(field, nullptr);
    field->setText("kitten");
    commit();
    ASSERT_EQ(messages.texts(), std::vector<std::string>{"Не удалось открыть файл словаря."});
    EXPECT_EQ(messages.shown[0].icon, MessageIcon::Warning);
    EXPECT_EQ(shown(0, 0), "cat"); // what the file holds, so the row still finds its record
    EXPECT_FALSE(editor->cellsChanged());

    messages.clear();
    click(1, 0);
    QTest::mouseClick(editor->deleteButton(), Qt::LeftButton);
    ASSERT_EQ(messages.texts().size(), 2u); // the question, then the failure
    EXPECT_EQ(messages.texts()[1], "Ошибка при открытии файла");
    EXPECT_EQ(model()->rowCount(), 3);
    EXPECT_FALSE(editor->rowsDeleted());
    EXPECT_FALSE(std::filesystem::exists(dictPath()));
}

TEST_F(EditorTest, ATextThatDoesNotFitItsCellShowsWholeInATip)
{
    writeDictionary({{"cat", "кошка", ""}});
    open();
    model()->setText(0, 2, std::string(29, 'W'));
    QHelpEvent fits(QEvent::ToolTip, cellCentre(0, 0), grid()->viewport()->mapToGlobal(cellCentre(0, 0)));
    QApplication::sendEvent(grid()->viewport(), &fits);
    EXPECT_FALSE(QToolTip::isVisible());
    QHelpEvent cut(QEvent::ToolTip, cellCentre(0, 2), grid()->viewport()->mapToGlobal(cellCentre(0, 2)));
    QApplication::sendEvent(grid()->viewport(), &cut);
    EXPECT_TRUE(QToolTip::isVisible());
    EXPECT_TRUE(QToolTip::text().contains(QString(29, QLatin1Char('W'))));
    QToolTip::hideText();
}

TEST_F(EditorTest, AWheelStepScrollsTheUsersNumberOfLines)
{
    std::vector<Word> many;
    std::vector<std::string> names;
    for (int i = 0; i < 200; ++i)
        names.push_back("word" + std::to_string(i));
    for (const std::string& name : names)
        many.push_back({name.c_str(), "слово", ""});
    writeDictionary(many);
    open();
    QApplication::setWheelScrollLines(5);
    const QPoint at = cellCentre(0, 1);
    QWheelEvent wheel(at, grid()->viewport()->mapToGlobal(at), QPoint(), QPoint(0, -120), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(grid()->viewport(), &wheel);
    EXPECT_EQ(grid()->rowAt(0), 5);
    QApplication::setWheelScrollLines(3);
}

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
