// Drives the add-words dialog and its transcription keyboard with keys and
// the mouse (offscreen), over real dictionary files in a temporary folder and
// the fake layout and message ports.
#include "AddWordsFixture.h"

#include <QCollator>

#include <algorithm>
#include <fstream>
#include <functional>

namespace {
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

TEST_F(AddWordsTest, TheSortedIndexIsKeptBetweenOpeningsWhileTheWordsStayAsTheyWere)
{
    writeDictionary({{"pear", "p", ""}, {"apple", "a", ""}, {"cherry", "c", ""}});
    open();
    EXPECT_EQ(indexWords(), (std::vector<std::string>{"apple", "cherry", "pear"}));
    typeWord("banana", "", "b");
    dialog.reset();

    // A change behind the session's back that leaves the file's size, inode
    // and time as they were: the kept index, which is not read again, does
    // not see it. It holds the word added in the last opening at its place.
    const auto time = std::filesystem::last_write_time(dictPath());
    auto records = onDisk();
    setFieldText(records[0].word, "plum");
    {
        std::vector<unsigned char> bytes(records.size() * sizeof(DictRecord));
        std::memcpy(bytes.data(), records.data(), bytes.size());
        TempDir::writeBytes(dictPath(), bytes);
    }
    std::filesystem::last_write_time(dictPath(), time);
    const std::vector<std::string> kept{"apple", "banana", "cherry", "pear"};
    open();
    EXPECT_EQ(indexWords(), kept);
    dialog.reset();

    // The session's own changes of flags (words drawn into the list) keep it.
    ASSERT_TRUE(session.topUp(2, [](std::uint32_t) { return 0u; }));
    open();
    EXPECT_EQ(indexWords(), kept);
    dialog.reset();

    // A change on disk with a new time is read and sorted afresh.
    std::filesystem::last_write_time(dictPath(), time + std::chrono::seconds(2));
    open();
    EXPECT_EQ(indexWords(), (std::vector<std::string>{"apple", "banana", "cherry", "plum"}));
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(AddWordsTest, StudiedLanguageOrdersTheWords)
{
    // Swedish puts "ö" after "z"; English among the o's.
    WordIndex swedish(0, "sv_SE");
    WordIndex english(0, "en_US");
    const mox::DictionaryWords words{"\xF6l", "zebra", "ok"};
    swedish.assign(words);
    english.assign(words);
    EXPECT_EQ(swedish.at(2), "\xF6l");
    EXPECT_EQ(english.at(1), "\xF6l");
}

// Every ninth line of a word list in a code page (a few words twice, a few
// in capitals too), lines that the code page cannot hold left out.
std::vector<std::string> wordsInCodePage(const char* list, std::uint8_t charSet,
                                         const std::function<QString(const QString&, std::size_t)>& change = {})
{
    std::ifstream in(list);
    std::vector<std::string> words;
    std::size_t line = 0;
    const CharsetCodec codec(charSet);
    for (std::string utf8; std::getline(in, utf8); ++line) {
        if (line % 9 != 0)
            continue;
        const QString text = change ? change(QString::fromUtf8(utf8), line) : QString::fromUtf8(utf8);
        const auto encoded = codec.encode(text);
        if (!encoded.ok || encoded.bytes.empty() || encoded.bytes.find('?') != std::string::npos)
            continue;
        words.push_back(encoded.bytes);
        if (line % 900 == 0)
            words.push_back(encoded.bytes);
        if (line % 700 == 0)
            words.push_back(codec.encode(text.toUpper()).bytes);
    }
    std::reverse(words.begin(), words.end());
    return words;
}

// The index of `words` holds each of them, in the order QCollator gives
// their texts (ties by bytes), and finds each by its bytes.
void expectIndexInCollationOrder(std::uint8_t charSet, const char* locale, const std::vector<std::string>& words)
{
    WordIndex index(charSet, locale);
    index.assign(mox::DictionaryWords(words.begin(), words.end()));
    ASSERT_EQ(index.size(), static_cast<int>(words.size()));
    std::vector<std::string> held, given = words;
    for (int p = 0; p < index.size(); ++p)
        held.push_back(index.at(p));
    std::sort(held.begin(), held.end());
    std::sort(given.begin(), given.end());
    ASSERT_EQ(held, given);
    QCollator collator{QLocale(locale)};
    for (int p = 1; p < index.size(); ++p) {
        const int c = collator.compare(index.text(p - 1), index.text(p));
        ASSERT_TRUE(c < 0 || (c == 0 && index.at(p - 1) <= index.at(p))) << p << ": " << index.at(p);
    }
    for (std::size_t i = 0; i < words.size(); i += 37) {
        const std::string& word = words[i];
        EXPECT_TRUE(index.contains(word)) << word;
        const int found = index.findPrefix(word, 0);
        ASSERT_GE(found, 0) << word;
        EXPECT_TRUE(index.at(found).starts_with(word));
        EXPECT_FALSE(index.contains(word + "\x01"));
        // A word goes where it already stands (before its equals).
        const int at = index.insertPosition(word);
        ASSERT_LT(at, index.size());
        EXPECT_EQ(index.at(at), word);
    }
}

TEST_F(AddWordsTest, TheIndexOfRealWordsIsInCollationOrderAndFindsEachWordByItsBytes)
{
    // German (umlauts, ß) in cp1252, Polish in cp1250, French in cp1252.
    const std::vector<std::string> german = wordsInCodePage("/usr/share/dict/ngerman", charset::Ansi);
    ASSERT_GT(german.size(), 5000u);
    expectIndexInCollationOrder(charset::Ansi, "de_DE", german);
    const std::vector<std::string> polish = wordsInCodePage("/usr/share/dict/polish", charset::EastEurope);
    ASSERT_GT(polish.size(), 5000u);
    expectIndexInCollationOrder(charset::EastEurope, "pl_PL", polish);
    expectIndexInCollationOrder(charset::Ansi, "fr_FR", wordsInCodePage("/usr/share/dict/french", charset::Ansi));
}

TEST_F(AddWordsTest, TheIndexDecodesCodePagesOfTwoByteCharactersWordByWord)
{
    // Shift_JIS: kana before and inside Latin words, so that lead and trail
    // bytes follow each other and plain bytes.
    const std::vector<std::string> words =
        wordsInCodePage("/usr/share/dict/words", charset::ShiftJis, [](const QString& word, std::size_t line) {
            const QChar kana(static_cast<char16_t>(0x3041 + line % 80));
            return line % 3 == 0 ? QString(kana) + word : word.left(2) + kana + word.mid(2);
        });
    ASSERT_GT(words.size(), 5000u);
    expectIndexInCollationOrder(charset::ShiftJis, "ja_JP", words);
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
} // namespace
