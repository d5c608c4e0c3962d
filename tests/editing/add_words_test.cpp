// Drives the add-words dialog and its transcription keyboard with keys and
// the mouse (offscreen), over real dictionary files in a temporary folder and
// the fake layout and message ports.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QFile>
#include <QMouseEvent>
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include <csignal>
#include <cstring>
#include <sys/resource.h>
#include <filesystem>

#include "editing/AddWordsDialog.h"
#include "editing/ExcludeWordDialog.h"
#include "help/Help.h"
#include "help/HelpWindow.h"
#include "editing/WordIndex.h"
#include "language/CharsetCodec.h"
#include "language/TranscriptionKeyboard.h"
#include "platform/fake/FakeLayoutPort.h"
#include "platform/fake/RecordingMessages.h"
#include "settings/CurrentDictionary.h"
#include "settings/Settings.h"
#include "store/DictRecord.h"
#include "store/DictionarySession.h"
#include "store/RecordText.h"
#include "support/TempDir.h"
#include "widgets/ColorEdit.h"
#include "widgets/WordListView.h"

using namespace mox;

namespace {

struct Word {
    std::string word;
    std::string translation;  // bytes (cp1251)
    std::string transcription;
    std::uint8_t deleted = 0;
    std::uint8_t active = 1;
};

// Types text as key presses; letters outside Latin-1 come as key events
// carrying their text, as an input method sends them.
void type(QWidget* widget, const QString& text)
{
    for (QChar c : text) {
        if (c.unicode() < 0x80)
            QTest::keyClick(widget, c.toLatin1());
        else
            QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(c), Qt::NoModifier);
    }
}

std::string cp1251(const char* utf8)
{
    return CharsetCodec(204).encode(QString::fromUtf8(utf8)).bytes;
}

class AddWordsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::filesystem::create_directories(dir.path() / "voc");
        settings.setAppPath(dir.str());
        settings.setSCurDict("test.dct");
        settings.setSCurList("test.lst");
        settings.setTransFontSize(-14);
        settings.setSForeignFontFace("DejaVu Sans");
        settings.setSNativeFontFace("DejaVu Sans");
        settings.setSTransFontFace("TransMox");
        settings.setIForeignCharSet(0);
        settings.setINativeCharSet(204);
        settings.setITransCharSet(2);
        settings.setUiForeignLayout(0x409);
        settings.setUiNativeLayout(0x419);
        settings.setUiTransLayout(0x407);
        AddWordsDialog::setSearchStart(0);
    }
    void TearDown() override { dialog.reset(); }

    std::filesystem::path dictPath() const { return dir.path() / "voc" / "test.dct"; }
    std::filesystem::path listPath() const { return dir.path() / "voc" / "test.lst"; }

    void writeDictionary(const std::vector<Word>& words)
    {
        std::vector<unsigned char> bytes;
        for (const Word& w : words) {
            const DictRecord r = record(w);
            const auto* p = reinterpret_cast<const unsigned char*>(&r);
            bytes.insert(bytes.end(), p, p + sizeof r);
        }
        TempDir::writeBytes(dictPath(), bytes);
    }
    static DictRecord record(const Word& w)
    {
        DictRecord r;
        r.deleted = w.deleted;
        r.active = w.active;
        setFieldText(r.word, w.word);
        setFieldText(r.translation, w.translation);
        setFieldText(r.transcription, w.transcription);
        return r;
    }
    std::vector<DictRecord> onDisk() const
    {
        const auto bytes = TempDir::readBytes(dictPath());
        std::vector<DictRecord> out(bytes.size() / sizeof(DictRecord));
        if (!out.empty())
            std::memcpy(out.data(), bytes.data(), out.size() * sizeof(DictRecord));
        return out;
    }

    // The dialog over the session, opened on the current dictionary first.
    std::unique_ptr<AddWordsDialog> makeDialog()
    {
        session.open(currentDictionaryPaths(settings));
        return std::make_unique<AddWordsDialog>(settings, layouts, session);
    }

    // Opens the dialog as the learner sees it (shown, active, focus in the
    // word field). Not modal, so the test drives it.
    void open()
    {
        dialog = makeDialog();
        ASSERT_FALSE(dialog->endedByInitialisation());
        dialog->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(dialog.get()));
        dialog->activateWindow();
        if (QApplication::activeWindow() != dialog.get())
            QApplication::setActiveWindow(dialog.get());
        focusOn(dialog->wordField());
    }

    QWidget* focus() const { return QApplication::focusWidget(); }
    // Lets the window system's events arrive. The offscreen platform
    // activates every window it shows, the keyboard too, which hands the
    // activation back to the dialog.
    void settle()
    {
        for (int i = 0; i < 3; ++i)
            QCoreApplication::processEvents();
        EXPECT_EQ(QApplication::activeWindow(), dialog.get());
    }
    // Focuses a field as a click or Tab would, and lets the window system settle.
    void focusOn(QWidget* field)
    {
        field->setFocus(Qt::MouseFocusReason);
        settle();
    }
    void enter(QWidget* widget)
    {
        QTest::keyClick(widget, Qt::Key_Return);
        settle();
    }
    QString selectedText() const
    {
        const int row = dialog->list()->selectedRow();
        return row < 0 ? QString() : dialog->index().text(row);
    }
    std::vector<std::string> indexWords() const
    {
        std::vector<std::string> out;
        for (int i = 0; i < dialog->index().size(); ++i)
            out.push_back(dialog->index().at(i));
        return out;
    }
    // Types a word, its transcription and its translation with Enter after each.
    void typeWord(const QString& word, const QString& transcription, const QString& translation)
    {
        type(dialog->wordField(), word);
        enter(dialog->wordField());
        type(dialog->transcriptionField(), transcription);
        enter(dialog->transcriptionField());
        type(dialog->translationField(), translation);
        enter(dialog->translationField());
    }

    TempDir dir;
    RecordingMessages messages;
    Settings settings{messages};
    FakeLayoutPort layouts{std::vector<std::string>{"00000419", "00000409"}};
    DictionarySession session{messages};
    std::unique_ptr<AddWordsDialog> dialog;
};

TEST_F(AddWordsTest, EnterWalksTheFieldsAndAddsAWordThatIsOnDiskAtOnce)
{
    writeDictionary({{"cat", cp1251("кошка"), "kat"}});
    open();
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Mox! <> Добавление лексики"));
    EXPECT_EQ(dialog->countLabel()->text(), "1");
    EXPECT_EQ(dialog->addedLabel()->text(), "0");

    type(dialog->wordField(), "house");
    enter(dialog->wordField());
    EXPECT_EQ(focus(), dialog->transcriptionField());
    type(dialog->transcriptionField(), "[haus]");
    enter(dialog->transcriptionField());
    EXPECT_EQ(focus(), dialog->translationField());
    type(dialog->translationField(), QStringLiteral("дом"));
    enter(dialog->translationField());

    // On disk byte for byte while the dialog is still open.
    const auto records = onDisk();
    ASSERT_EQ(records.size(), 2u);
    const DictRecord expected = record({"house", cp1251("дом"), "haus"});
    EXPECT_EQ(std::memcmp(&records[1], &expected, sizeof expected), 0);
    EXPECT_EQ(records[1].active, 1);
    EXPECT_EQ(records[1].inList, 0);

    EXPECT_EQ(focus(), dialog->wordField());
    EXPECT_TRUE(dialog->wordField()->text().isEmpty());
    EXPECT_TRUE(dialog->transcriptionField()->text().isEmpty());
    EXPECT_TRUE(dialog->translationField()->text().isEmpty());
    EXPECT_EQ(dialog->addedLabel()->text(), "1");
    EXPECT_EQ(dialog->countLabel()->text(), "2");

    // A second word raises both counters again; reopening counts the file.
    typeWord("tree", "tri:", QStringLiteral("дерево"));
    EXPECT_EQ(dialog->addedLabel()->text(), "2");
    EXPECT_EQ(dialog->countLabel()->text(), "3");
    EXPECT_TRUE(messages.shown.empty());
    dialog.reset();
    open();
    EXPECT_EQ(dialog->countLabel()->text(), "3");
    EXPECT_EQ(dialog->addedLabel()->text(), "0");
}

TEST_F(AddWordsTest, EnterOnAnIncompleteWordKeepsTheFocusButTheButtonReturnsToTheWord)
{
    writeDictionary({});
    open();
    type(dialog->wordField(), "house");
    focusOn(dialog->translationField());
    enter(dialog->translationField());
    ASSERT_EQ(messages.texts(), std::vector<std::string>{"Заполнены не все поля."});
    EXPECT_EQ(messages.shown[0].icon, MessageIcon::None);
    EXPECT_EQ(focus(), dialog->translationField());
    EXPECT_EQ(dialog->wordField()->text(), "house");

    QTest::mouseClick(dialog->addButton(), Qt::LeftButton);
    EXPECT_EQ(messages.shown.size(), 2u);
    EXPECT_EQ(focus(), dialog->wordField());
    EXPECT_TRUE(onDisk().empty());

    // Enter on "Закрыть" presses it: the dialog ends as closed.
    focusOn(dialog->closeButton());
    QTest::keyClick(dialog->closeButton(), Qt::Key_Return);
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(dialog->result(), AddWordsDialog::Closed);
}

TEST_F(AddWordsTest, OnlyTheSameBytesOfALiveRecordAreADuplicate)
{
    writeDictionary({{"apple", "a", ""}, {"pear", "p", "", 1}, {"plum", "p", "", 0, 0}});
    open();
    typeWord("apple", "", "x");
    ASSERT_EQ(messages.texts(), std::vector<std::string>{"Добавляемое слово уже имеется в словаре."});
    EXPECT_EQ(messages.shown[0].icon, MessageIcon::Warning);
    EXPECT_EQ(dialog->wordField()->text(), "apple"); // kept for correcting
    EXPECT_EQ(focus(), dialog->translationField());
    dialog->wordField()->clear();
    focusOn(dialog->wordField());

    typeWord("Apple", "", "x");
    typeWord("apple ", "", "x");
    typeWord("pear", "", "x");   // deleted in the editor: a tombstone
    typeWord("plum", "", "x");   // excluded from learning: still there
    EXPECT_EQ(messages.texts().size(), 2u);
    const auto records = onDisk();
    ASSERT_EQ(records.size(), 6u);
    EXPECT_STREQ(records[3].word, "Apple");
    EXPECT_STREQ(records[4].word, "apple ");
    EXPECT_STREQ(records[5].word, "pear");
}

TEST_F(AddWordsTest, OneBracketGoesFromEachEndOfTheTranscription)
{
    writeDictionary({});
    open();
    const std::vector<std::pair<QString, std::string>> cases{
        {"[kat]", "kat"}, {"[[kat]]", "[kat]"}, {"[", ""}, {"[]", ""}, {"k[a]t", "k[a]t"}, {"kat]", "kat"}};
    int n = 0;
    for (const auto& [typed, stored] : cases) {
        typeWord(QStringLiteral("w%1").arg(n++), typed, "t");
        EXPECT_EQ(std::string(onDisk().back().transcription), stored) << typed.toStdString();
    }
}

TEST_F(AddWordsTest, SearchMovesForwardFromWhereItLastFoundAndSurvivesReopening)
{
    writeDictionary({{"dog", "d", ""}, {"cat", "c", ""}, {"apple", "a", ""}, {"Apple", "A", ""}});
    open();
    // Collation order: letters first, lower case before upper case.
    EXPECT_EQ(indexWords(), (std::vector<std::string>{"apple", "Apple", "cat", "dog"}));
    EXPECT_EQ(dialog->list()->model()->rowCount(), 4);

    type(dialog->wordField(), "d");
    EXPECT_EQ(selectedText(), "dog");
    EXPECT_EQ(AddWordsDialog::searchStart(), 3);
    // "c" sorts before the place the search stands at: nothing, and the
    // search starts again from the top...
    dialog->wordField()->setText("c");
    EXPECT_EQ(dialog->list()->selectedRow(), -1);
    EXPECT_EQ(AddWordsDialog::searchStart(), 0);
    // ...so "ca" finds cat.
    type(dialog->wordField(), "a");
    EXPECT_EQ(selectedText(), "cat");
    EXPECT_EQ(AddWordsDialog::searchStart(), 2);

    // The search matches bytes with case; the list selects by its own rule,
    // the first row from the top that begins with the text in any case.
    dialog->translationField()->setText("x");
    dialog->wordField()->clear();
    EXPECT_TRUE(dialog->translationField()->text().isEmpty()); // cleared with the word
    EXPECT_EQ(dialog->list()->selectedRow(), 0);
    type(dialog->wordField(), "Ap");
    EXPECT_EQ(AddWordsDialog::searchStart(), 1);
    EXPECT_EQ(selectedText(), "apple");

    // The place is the process's, not the dialog's.
    dialog->wordField()->setText("do");
    EXPECT_EQ(AddWordsDialog::searchStart(), 3);
    dialog.reset();
    open();
    EXPECT_EQ(AddWordsDialog::searchStart(), 3);
    type(dialog->wordField(), "c");
    EXPECT_EQ(dialog->list()->selectedRow(), -1);
}

TEST_F(AddWordsTest, NewWordsJoinTheListWhereTheyBelong)
{
    writeDictionary({{"cherry", "c", ""}, {"apple", "a", ""}, {"elder", "e", ""}});
    open();
    typeWord("banana", "", "b");
    typeWord("Date", "", "d");
    typeWord("date", "", "d");
    EXPECT_EQ(indexWords(), (std::vector<std::string>{"apple", "banana", "cherry", "date", "Date", "elder"}));
    EXPECT_EQ(dialog->list()->model()->rowCount(), 6);
    EXPECT_EQ(dialog->list()->model()->index(1, 0).data().toString(), "banana");
    // The byte-order side learnt them too.
    EXPECT_TRUE(dialog->index().contains("Date"));
    EXPECT_EQ(dialog->index().findPrefix("Da", 0), 4);
    type(dialog->wordField(), "ban");
    EXPECT_EQ(selectedText(), "banana");
}

TEST_F(AddWordsTest, StudiedLanguageOrdersTheWords)
{
    // Swedish puts "ö" after "z"; English among the o's.
    WordIndex swedish(0, "sv_SE");
    WordIndex english(0, "en_US");
    const std::vector<std::string> words{"\xF6l", "zebra", "ok"};
    swedish.assign(words);
    english.assign(words);
    EXPECT_EQ(swedish.at(2), "\xF6l");
    EXPECT_EQ(english.at(1), "\xF6l");
}

TEST_F(AddWordsTest, FieldsRefuseWhatTheirRecordFieldsCannotHold)
{
    writeDictionary({});
    open();
    // 79 bytes fit the word; the 80th is refused with a reason on view.
    type(dialog->wordField(), QString(79, u'w'));
    EXPECT_TRUE(dialog->statusLabel()->text().isEmpty());
    type(dialog->wordField(), "w");
    EXPECT_EQ(dialog->wordField()->text().size(), 79);
    EXPECT_TRUE(dialog->statusLabel()->text().contains("79"));
    EXPECT_TRUE(dialog->statusLabel()->isVisible());

    // A Cyrillic letter has no place in the studied language's cp1252,
    // typed or pasted; the translation field (cp1251) takes it.
    dialog->wordField()->setText("w");
    dialog->statusLabel()->clear();
    type(dialog->wordField(), QStringLiteral("ж"));
    EXPECT_EQ(dialog->wordField()->text(), "w");
    EXPECT_TRUE(dialog->statusLabel()->text().contains(QStringLiteral("ж")));
    dialog->statusLabel()->clear();
    QApplication::clipboard()->setText(QStringLiteral("жук"));
    QTest::keyClick(dialog->wordField(), Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(dialog->wordField()->text(), "w");
    EXPECT_TRUE(dialog->statusLabel()->text().contains(QStringLiteral("ж")));
    focusOn(dialog->translationField());
    QTest::keyClick(dialog->translationField(), Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(dialog->translationField()->text(), QStringLiteral("жук"));

    // The transcription holds 29 bytes, brackets around them aside.
    focusOn(dialog->transcriptionField());
    type(dialog->transcriptionField(), "[" + QString(29, u'a') + "]");
    EXPECT_EQ(dialog->transcriptionField()->text().size(), 31);
    type(dialog->transcriptionField(), "a");
    EXPECT_EQ(dialog->transcriptionField()->text().size(), 31);
    // The keyboard's bracket key cannot make it longer either.
    dialog->transcriptionField()->setText(QString(29, u'a'));
    dialog->statusLabel()->clear();
    ASSERT_NE(dialog->keyboard(), nullptr);
    dialog->keyboard()->pressKey("e");
    EXPECT_EQ(dialog->transcriptionField()->text(), QString(29, u'a'));
    EXPECT_FALSE(dialog->statusLabel()->text().isEmpty());

    focusOn(dialog->wordField());
    dialog->wordField()->setText(QString(79, u'w'));
    dialog->translationField()->setText(QStringLiteral("жук"));
    dialog->transcriptionField()->setText("[" + QString(29, u'a') + "]");
    ASSERT_TRUE(dialog->addWord());
    const DictRecord stored = onDisk().back();
    EXPECT_EQ(fieldText(stored.word), std::string(79, 'w'));
    EXPECT_EQ(fieldText(stored.translation), cp1251("жук"));
    EXPECT_EQ(fieldText(stored.transcription), std::string(29, 'a'));
}

TEST_F(AddWordsTest, KeyboardComesWithTheTranscriptionFieldAndFollowsTheBox)
{
    writeDictionary({});
    open();
    EXPECT_EQ(dialog->keyboard(), nullptr);
    EXPECT_EQ(dialog->transcriptionBox()->checkState(), Qt::Checked);
    focusOn(dialog->transcriptionField());
    TranscriptionKeyboard* keyboard = dialog->keyboard();
    ASSERT_NE(keyboard, nullptr);
    EXPECT_TRUE(keyboard->isVisible());
    EXPECT_EQ(focus(), dialog->transcriptionField()); // the keyboard never keeps the focus
    EXPECT_EQ(keyboard->width(), 213);
    EXPECT_EQ(keyboard->pos(), dialog->frameGeometry().topLeft() + QPoint(247, 73));
    // The 55 keys it always had, and the page key to the further symbols.
    int visible = 0;
    for (QAbstractButton* key : keyboard->findChildren<QAbstractButton*>())
        visible += key->isVisible();
    EXPECT_EQ(visible, 56);
    EXPECT_EQ(keyboard->page(), 0);
    EXPECT_EQ(keyboard->key(1130)->text(), "[...]");
    EXPECT_EQ(keyboard->key(1100)->font().family(), "TransMox");
    EXPECT_EQ(keyboard->key(1100)->focusPolicy(), Qt::NoFocus);

    // The word and translation fields close it.
    focusOn(dialog->translationField());
    QTest::qWait(0);
    EXPECT_EQ(dialog->keyboard(), nullptr);
    focusOn(dialog->transcriptionField());
    ASSERT_NE(dialog->keyboard(), nullptr);
    focusOn(dialog->wordField());
    EXPECT_EQ(dialog->keyboard(), nullptr);

    // Its own close box (or Esc) closes it; the next focus opens a new one.
    focusOn(dialog->transcriptionField());
    ASSERT_NE(dialog->keyboard(), nullptr);
    QTest::keyClick(dialog->keyboard(), Qt::Key_Escape);
    EXPECT_EQ(dialog->keyboard(), nullptr);
    focusOn(dialog->wordField());
    focusOn(dialog->transcriptionField());
    ASSERT_NE(dialog->keyboard(), nullptr);
    dialog->keyboard()->close();
    EXPECT_EQ(dialog->keyboard(), nullptr);

    // The box cycles checked, indeterminate, unchecked.
    focusOn(dialog->wordField());
    focusOn(dialog->transcriptionField());
    ASSERT_NE(dialog->keyboard(), nullptr);
    QTest::mouseClick(dialog->transcriptionBox(), Qt::LeftButton);
    EXPECT_EQ(dialog->transcriptionBox()->checkState(), Qt::PartiallyChecked);
    EXPECT_EQ(dialog->keyboard(), nullptr);
    EXPECT_TRUE(dialog->transcriptionField()->isEnabled());
    focusOn(dialog->transcriptionField());
    EXPECT_EQ(dialog->keyboard(), nullptr); // only the fully checked box brings it
    QTest::mouseClick(dialog->transcriptionBox(), Qt::LeftButton);
    EXPECT_EQ(dialog->transcriptionBox()->checkState(), Qt::Unchecked);
    EXPECT_FALSE(dialog->transcriptionField()->isEnabled());
    // With the field off, Enter in the word field goes to the translation.
    focusOn(dialog->wordField());
    enter(dialog->wordField());
    EXPECT_EQ(focus(), dialog->translationField());
    QTest::mouseClick(dialog->transcriptionBox(), Qt::LeftButton);
    EXPECT_EQ(dialog->transcriptionBox()->checkState(), Qt::Checked);
    EXPECT_TRUE(dialog->transcriptionField()->isEnabled());
    focusOn(dialog->transcriptionField());
    EXPECT_NE(dialog->keyboard(), nullptr);

    // Closing the dialog closes its keyboard.
    QPointer<TranscriptionKeyboard> last = dialog->keyboard();
    dialog.reset();
    EXPECT_TRUE(last.isNull() || !last->isVisible());
}

TEST_F(AddWordsTest, AnotherTranscriptionFaceHasNoKeyboard)
{
    settings.setSTransFontFace("DejaVu Sans");
    writeDictionary({});
    open();
    EXPECT_FALSE(dialog->transcriptionBox()->isEnabled());
    focusOn(dialog->transcriptionField());
    EXPECT_EQ(dialog->keyboard(), nullptr);
    EXPECT_TRUE(dialog->transcriptionField()->isEnabled());
    dialog.reset();
    settings.setSTransFontFace("transMOX");
    open();
    EXPECT_TRUE(dialog->transcriptionBox()->isEnabled());
}

TEST_F(AddWordsTest, KeysInsertAtTheCaretAndTheBracketKeyEnclosesTheText)
{
    writeDictionary({});
    open();
    focusOn(dialog->transcriptionField());
    TranscriptionKeyboard* keyboard = dialog->keyboard();
    ASSERT_NE(keyboard, nullptr);

    // "[...]" on an empty field.
    QTest::mouseClick(keyboard->key(1130), Qt::LeftButton);
    EXPECT_EQ(dialog->transcriptionField()->text(), "[]");
    dialog->transcriptionField()->clear();

    type(dialog->transcriptionField(), "ab");
    QTest::keyClick(dialog->transcriptionField(), Qt::Key_Left);
    EXPECT_EQ(dialog->insertionPoint(), 1);
    QTest::mouseClick(keyboard->keyCaptioned("e"), Qt::LeftButton);
    EXPECT_EQ(dialog->transcriptionField()->text(), "aeb");
    EXPECT_EQ(dialog->transcriptionField()->cursorPosition(), 2);
    EXPECT_EQ(focus(), dialog->transcriptionField());
    QTest::mouseClick(keyboard->keyCaptioned("e"), Qt::LeftButton);
    EXPECT_EQ(dialog->transcriptionField()->text(), "aeeb");
    EXPECT_EQ(dialog->insertionPoint(), 3);

    // A key goes at the caret after the mouse moved it...
    QTest::mouseClick(dialog->transcriptionField(), Qt::LeftButton, {}, QPoint(1, 5));
    EXPECT_EQ(dialog->insertionPoint(), 0);
    QTest::mouseClick(keyboard->keyCaptioned("Q"), Qt::LeftButton);
    EXPECT_EQ(dialog->transcriptionField()->text(), "Qaeeb");
    // ...and Home/End collapse any selection to the remembered place.
    QTest::keyClick(dialog->transcriptionField(), Qt::Key_End, Qt::ShiftModifier);
    EXPECT_FALSE(dialog->transcriptionField()->hasSelectedText());
    EXPECT_EQ(dialog->insertionPoint(), 5);

    // The text shortened elsewhere while the field had no focus: the key
    // goes at its end.
    focusOn(dialog->list());
    ASSERT_NE(dialog->keyboard(), nullptr);
    dialog->transcriptionField()->setText("k");
    QTest::mouseClick(keyboard->keyCaptioned(":"), Qt::LeftButton);
    EXPECT_EQ(dialog->transcriptionField()->text(), "k:");
    EXPECT_EQ(focus(), dialog->transcriptionField());

    QTest::mouseClick(keyboard->key(1130), Qt::LeftButton);
    EXPECT_EQ(dialog->transcriptionField()->text(), "[k:]");
}

TEST_F(AddWordsTest, FurtherPagesOfTheKeyboardInsertTheirSymbolsByTheSameRules)
{
    writeDictionary({});
    open();
    type(dialog->wordField(), "Brücke");
    focusOn(dialog->transcriptionField());
    TranscriptionKeyboard* keyboard = dialog->keyboard();
    ASSERT_NE(keyboard, nullptr);
    ASSERT_GE(keyboard->pageCount(), 2);
    QAbstractButton* pageKey = keyboard->key(TranscriptionKeyboard::kPageKeyId);
    ASSERT_NE(pageKey, nullptr);
    // ʁ (byte A4) is on the second page: hidden until the page key turns to it.
    QAbstractButton* uvular = keyboard->keyInserting(QChar(0xA4));
    ASSERT_NE(uvular, nullptr);
    EXPECT_FALSE(uvular->isVisible());
    EXPECT_FALSE(keyboard->keyCaptioned("a")->isHidden());
    QTest::mouseClick(pageKey, Qt::LeftButton);
    EXPECT_EQ(keyboard->page(), 1);
    EXPECT_TRUE(uvular->isVisible());
    EXPECT_TRUE(keyboard->keyCaptioned("a")->isHidden());
    EXPECT_EQ(focus(), dialog->transcriptionField());   // turning a page keeps the focus in the field

    // b ʁ ʏ k ə with the keys of both pages, at the caret.
    type(dialog->transcriptionField(), "b");
    QTest::mouseClick(uvular, Qt::LeftButton);
    QTest::mouseClick(keyboard->keyInserting(QChar(0xA6)), Qt::LeftButton);   // ʏ
    for (int i = 1; i < keyboard->pageCount(); ++i)
        QTest::mouseClick(pageKey, Qt::LeftButton);
    EXPECT_EQ(keyboard->page(), 0);   // round to the first page again
    QTest::mouseClick(keyboard->keyCaptioned("k"), Qt::LeftButton);
    QTest::mouseClick(keyboard->keyCaptioned("E"), Qt::LeftButton);
    EXPECT_EQ(dialog->transcriptionField()->text(), QString::fromLatin1("b\xA4\xA6kE"));
    EXPECT_EQ(dialog->insertionPoint(), 5);
    // A combining mark is shown on a dotted circle and inserts its byte alone.
    QAbstractButton* tilde = keyboard->keyInserting(QChar(0xBB));
    ASSERT_NE(tilde, nullptr);
    EXPECT_EQ(tilde->text(), QString(QChar(0x25CC)) + QChar(0xBB));
    QTest::keyClick(dialog->transcriptionField(), Qt::Key_Left);
    tilde->click();
    EXPECT_EQ(dialog->transcriptionField()->text(), QString::fromLatin1("b\xA4\xA6k\xBB" "E"));

    enter(dialog->transcriptionField());
    type(dialog->translationField(), QStringLiteral("мост"));
    enter(dialog->translationField());
    ASSERT_EQ(onDisk().size(), 1u);
    EXPECT_EQ(fieldText(onDisk()[0].transcription), "b\xA4\xA6k\xBB" "E");
}

TEST_F(AddWordsTest, LayoutsFollowTheFieldsAndWhatWasLoadedIsReleased)
{
    writeDictionary({});
    open();
    EXPECT_EQ(layouts.activeLanguage(), 0x409); // preloaded: activated, not loaded
    EXPECT_EQ(dialog->loadedWordLayout(), 0u);
    focusOn(dialog->transcriptionField());
    EXPECT_EQ(layouts.activeLanguage(), 0x407);
    const LayoutHandle german = dialog->loadedTranscriptionLayout();
    EXPECT_NE(german, 0u);
    EXPECT_TRUE(layouts.isLoaded(german));
    focusOn(dialog->translationField());
    EXPECT_EQ(layouts.activeLanguage(), 0x419);
    EXPECT_EQ(dialog->loadedTranslationLayout(), 0u);

    layouts.calls.clear();
    dialog.reset();
    EXPECT_FALSE(layouts.isLoaded(german));
    EXPECT_FALSE(layouts.preloadedUnloadAttempted);
    ASSERT_FALSE(layouts.calls.empty());
    EXPECT_EQ(layouts.calls.front(), "previous");
}

TEST_F(AddWordsTest, MissingDictionaryIsCreatedOnYesAndTheDialogEndsOnNo)
{
    messages.answers.push_back(MessageAnswer::No);
    dialog = makeDialog();
    EXPECT_TRUE(dialog->endedByInitialisation());
    EXPECT_EQ(dialog->run(), AddWordsDialog::Ended);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text,
              "Отсутствует файл словаря. Cоздать новый словарь и \nоткрыть его для добавления лексики?");
    EXPECT_EQ(messages.shown[0].icon, MessageIcon::Question);
    EXPECT_EQ(messages.shown[0].buttons, MessageButtons::YesNo);
    EXPECT_FALSE(std::filesystem::exists(dictPath()));
    dialog.reset();

    messages.clear();
    open(); // answered Yes
    EXPECT_TRUE(std::filesystem::exists(dictPath()));
    EXPECT_TRUE(std::filesystem::exists(listPath()));
    typeWord("new", "nju:", QStringLiteral("новый"));
    ASSERT_EQ(onDisk().size(), 1u);
    EXPECT_STREQ(onDisk()[0].word, "new");
}

TEST_F(AddWordsTest, AFolderInPlaceOfTheDictionaryCountsAsNoDictionary)
{
    // A folder at the dictionary's path is no dictionary: the dialog offers
    // to create one, and the creation fails without touching the folder.
    std::filesystem::create_directories(dictPath());
    dialog = makeDialog();
    EXPECT_EQ(dialog->run(), AddWordsDialog::Ended);
    EXPECT_EQ(messages.texts(),
              (std::vector<std::string>{"Отсутствует файл словаря. Cоздать новый словарь и \nоткрыть его для добавления лексики?",
                                        "Не удалось создать файл словаря."}));
    EXPECT_EQ(messages.shown.back().icon, MessageIcon::Error);
    EXPECT_TRUE(std::filesystem::is_directory(dictPath()));
}

TEST_F(AddWordsTest, ADictionaryThatCannotBeCreatedEndsTheDialog)
{
    // A folder that cannot be written to.
    std::filesystem::permissions(dir.path() / "voc", std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
    if (::access((dir.path() / "voc").c_str(), W_OK) == 0)
        GTEST_SKIP() << "running with rights that ignore file permissions";
    dialog = makeDialog();
    EXPECT_EQ(dialog->run(), AddWordsDialog::Ended);
    EXPECT_EQ(messages.texts().back(), "Не удалось создать файл словаря.");
}

TEST_F(AddWordsTest, AWordThatDidNotReachTheFileIsNotCounted)
{
    writeDictionary({{"cat", cp1251("кошка"), "kat"}});
    open();
    messages.clear();
    // The file may grow no further (as on a full disk): every write to it fails.
    struct rlimit previous {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &previous), 0);
    const auto previousSignal = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit limit = previous;
    limit.rlim_cur = static_cast<rlim_t>(std::filesystem::file_size(dictPath()));
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &limit), 0);
    typeWord("lost", "", "x");
    ::setrlimit(RLIMIT_FSIZE, &previous);
    std::signal(SIGXFSZ, previousSignal);
    EXPECT_EQ(std::filesystem::file_size(dictPath()), 208u); // nothing torn left behind
    EXPECT_EQ(messages.texts(), std::vector<std::string>{"Не удалось записать слово в файл словаря."});
    EXPECT_EQ(dialog->addedLabel()->text(), "0");
    EXPECT_EQ(dialog->index().size(), 1);
    EXPECT_EQ(dialog->wordField()->text(), "lost"); // nothing lost from the fields either
}

TEST_F(AddWordsTest, F1OpensTheDialogsHelpPages)
{
    ASSERT_TRUE(QFile::copy(QStringLiteral(MOX_TEST_HELP_FILE), QString::fromStdString(settings.helpFile())));
    setHelpSettings(&settings);
    auto pageOnView = [] {
        for (QWidget* top : QApplication::topLevelWidgets())
            if (auto* help = qobject_cast<HelpWindow*>(top); help && help->isVisible())
                return help->browser()->documentTitle();
        return QString();
    };
    writeDictionary({});
    open();
    QTest::keyClick(dialog->wordField(), Qt::Key_F1);
    EXPECT_EQ(pageOnView(), QStringLiteral("Добавление слов"));

    ExcludeWordDialog exclude;
    exclude.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&exclude));
    QApplication::setActiveWindow(&exclude);
    QTest::keyClick(exclude.yesButton(), Qt::Key_F1);
    EXPECT_EQ(pageOnView(), QStringLiteral("Исключение слова"));
    EXPECT_TRUE(messages.shown.empty());
    setHelpSettings(nullptr);
}

TEST_F(AddWordsTest, KeyboardIsDraggedByItsBackground)
{
    writeDictionary({});
    open();
    focusOn(dialog->transcriptionField());
    TranscriptionKeyboard* keyboard = dialog->keyboard();
    ASSERT_NE(keyboard, nullptr);
    const QPoint start = keyboard->pos();
    // Between the rows of keys, where no key is.
    const QPoint grip(keyboard->width() - 2, keyboard->height() - 2);
    ASSERT_EQ(keyboard->childAt(grip), nullptr);
    QTest::mousePress(keyboard, Qt::LeftButton, {}, grip);
    QMouseEvent move(QEvent::MouseMove, QPointF(grip + QPoint(30, 20)), QPointF(keyboard->mapToGlobal(grip + QPoint(30, 20))),
                     Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(keyboard, &move);
    QTest::mouseRelease(keyboard, Qt::LeftButton, {}, grip + QPoint(30, 20));
    EXPECT_EQ(keyboard->pos(), start + QPoint(30, 20));
    EXPECT_EQ(focus(), dialog->transcriptionField());
}

} // namespace
