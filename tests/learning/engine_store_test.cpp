// Topping up the working list from the dictionary and excluding words: what
// reaches the dictionary and list files, and what happens when they fail.
#include <cstring>
#include <set>

#include "engine_support.h"
#include "store/StoreFixture.h"

namespace mox::test {
namespace {

std::vector<unsigned char> bytesOf(const DictRecord& r)
{
    std::vector<unsigned char> out(sizeof r);
    std::memcpy(out.data(), &r, sizeof r);
    return out;
}

TEST_F(EngineTest, TopUpDrawsOnlyWhatTheTargetNeedsAndMarksExactlyThose)
{
    prepare(18, 5);
    settings.setUiDictActiveCount(99);
    ASSERT_TRUE(engine.topUpList());
    EXPECT_EQ(settings.uiDictActiveCount(), 5u);
    ASSERT_EQ(engine.list().size(), 20u);

    const auto dict = dictionaryOnDisk();
    const auto list = listOnDisk();
    ASSERT_EQ(list.size(), 20u) << "each drawn word is appended to the list file";
    std::set<std::string> marked;
    for (std::size_t i = 18; i < dict.size(); ++i)
        if (dict[i].inList)
            marked.insert(fieldText(dict[i].word));
    const std::set<std::string> drawn{fieldText(list[18].word), fieldText(list[19].word)};
    EXPECT_EQ(marked, drawn);
    EXPECT_EQ(drawn.size(), 2u);
    for (std::size_t i = 0; i < 18; ++i)
        EXPECT_EQ(dict[i].inList, 1);

    // The appended list record: texts copied, counters 0, bytes 212 and 213 = 1.
    const auto bytes = TempDir::readBytes(listFile());
    ASSERT_EQ(bytes.size(), 20u * 224u);
    const unsigned char* added = bytes.data() + 19 * 224;
    EXPECT_EQ(fieldText(list[19].translation), translationText(std::stoi(fieldText(list[19].word).substr(4))));
    for (int offset = 192; offset < 212; ++offset)
        EXPECT_EQ(added[offset], 0) << offset;
    EXPECT_EQ(added[212], 1);
    EXPECT_EQ(added[213], 1);
    EXPECT_EQ(added[0], 0);

    // Already full: nothing is drawn and no candidate count is recorded.
    settings.setUiDictActiveCount(99);
    EXPECT_TRUE(engine.topUpList());
    EXPECT_EQ(settings.uiDictActiveCount(), 99u);
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(EngineTest, OnlyLiveActiveWordsOutsideTheListAreCandidates)
{
    DictRecord tombstone;
    tombstone.deleted = 1;
    tombstone.active = 0;
    writeDictionary({dictWord("gone", "нет", "", 1, 0), dictWord("fresh1", "новое1"),
                     dictWord("learned", "выучено", "", 0, 0), dictWord("listed", "в списке", "", 1, 1),
                     dictWord("odd", "странное", "", 0, 1), dictWord("fresh2", "новое2"), tombstone});
    // A live record flagged deleted by any nonzero value.
    auto dict = dictionaryOnDisk();
    dict[0].deleted = 7;
    writeDictionary(dict);
    writeList({listWord("listed", "в списке")});
    engine.loadList();

    ASSERT_TRUE(engine.topUpList());
    EXPECT_EQ(settings.uiDictActiveCount(), 2u);
    std::set<std::string> words;
    for (const ListRecord& r : engine.list())
        words.insert(fieldText(r.word));
    EXPECT_EQ(words, (std::set<std::string>{"listed", "fresh1", "fresh2"}));
    dict = dictionaryOnDisk();
    EXPECT_EQ(dict[0].inList, 0);
    EXPECT_EQ(dict[2].inList, 0);
    EXPECT_EQ(dict[6].inList, 0);
}

TEST_F(EngineTest, WithoutCandidatesAShortListIsRefusedAndNoFileIsWritten)
{
    prepare(2);
    const auto dictBefore = TempDir::readBytes(dictFile());
    const auto listBefore = TempDir::readBytes(listFile());
    settings.setUiDictActiveCount(99);
    EXPECT_FALSE(engine.topUpList());
    EXPECT_EQ(settings.uiDictActiveCount(), 0u);
    EXPECT_EQ(TempDir::readBytes(dictFile()), dictBefore);
    EXPECT_EQ(TempDir::readBytes(listFile()), listBefore);

    prepare(3);
    EXPECT_TRUE(engine.topUpList());
    EXPECT_EQ(engine.list().size(), 3u);

    // No live words, a damaged size, or no dictionary: false without a
    // message and without recording a candidate count, full list or not.
    DictRecord tombstone;
    tombstone.deleted = 1;
    tombstone.active = 0;
    for (const std::size_t target : {std::size_t{20}, std::size_t{2}}) {
        settings.setISubSetRecCount(static_cast<std::uint16_t>(target));
        settings.setUiDictActiveCount(99);
        writeDictionary({});
        EXPECT_FALSE(engine.topUpList());
        writeDictionary({tombstone, tombstone});
        EXPECT_FALSE(engine.topUpList());
        std::filesystem::remove(dictFile());
        EXPECT_FALSE(engine.topUpList());
        EXPECT_EQ(settings.uiDictActiveCount(), 99u);
    }
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_EQ(engine.list().size(), 3u);
}

TEST_F(EngineTest, AppendedWordsStartAtARecordBoundaryAfterADamagedTail)
{
    prepare(3, 1);
    auto bytes = TempDir::readBytes(listFile());
    bytes.insert(bytes.end(), 10, 0x55);
    TempDir::writeBytes(listFile(), bytes);
    ASSERT_TRUE(engine.topUpList());
    EXPECT_EQ(TempDir::readBytes(listFile()).size(), 4u * 224u);
    const auto list = listOnDisk();
    ASSERT_EQ(list.size(), 4u);
    EXPECT_STREQ(list[3].word, "word3");
    EXPECT_EQ(list[3].reserved212, 1);
}

TEST_F(EngineTest, TopUpCanDrawEveryCandidateOnce)
{
    prepare(0, 30);
    settings.setISubSetRecCount(40);
    ASSERT_TRUE(engine.topUpList());
    EXPECT_EQ(settings.uiDictActiveCount(), 30u);
    std::set<std::string> words;
    for (const ListRecord& r : engine.list())
        words.insert(fieldText(r.word));
    EXPECT_EQ(words.size(), 30u) << "no candidate is drawn twice";
    for (const DictRecord& r : dictionaryOnDisk())
        EXPECT_EQ(r.inList, 1);
    EXPECT_EQ(listOnDisk().size(), 30u);
}

TEST_F(EngineTest, TopUpDrawsTheSameWordsWithinOneSecond)
{
    prepare(0, 50);
    settings.setISubSetRecCount(5);
    ASSERT_TRUE(engine.topUpList());
    const auto first = listOnDisk();

    prepare(0, 50);
    ASSERT_TRUE(engine.topUpList());
    const auto again = listOnDisk();
    ASSERT_EQ(first.size(), 5u);
    ASSERT_EQ(again.size(), 5u);
    for (std::size_t i = 0; i < 5; ++i)
        EXPECT_STREQ(first[i].word, again[i].word);

    prepare(0, 50);
    clock.advance(1);
    ASSERT_TRUE(engine.topUpList());
    bool differs = false;
    const auto later = listOnDisk();
    for (std::size_t i = 0; i < 5; ++i)
        differs |= std::strcmp(first[i].word, later[i].word) != 0;
    EXPECT_TRUE(differs);
}

TEST_F(EngineTest, AFailingListWriteMarksNoDictionaryRecord)
{
    prepare(0, 4);
    const auto dictBefore = TempDir::readBytes(dictFile());
    std::filesystem::remove(listFile());
    {
        // No file may grow: the list append fails as on a full disk.
        testing::FileSizeLimit limit(1);
        ASSERT_TRUE(limit.active());
        EXPECT_FALSE(engine.topUpList());
    }
    EXPECT_TRUE(engine.list().empty());
    EXPECT_EQ(TempDir::readBytes(dictFile()), dictBefore);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].icon, MessageIcon::Error);

    // A list linked to a device outside the folder is no list: nothing is
    // drawn and nothing is told.
    messages.clear();
    std::filesystem::remove(listFile());
    std::filesystem::create_symlink("/dev/full", listFile());
    EXPECT_FALSE(engine.topUpList());
    EXPECT_EQ(TempDir::readBytes(dictFile()), dictBefore);
    EXPECT_TRUE(messages.shown.empty());

    // A folder in place of the list: no dictionary, so nothing to draw and
    // nothing to tell.
    messages.clear();
    const std::filesystem::path dictionary = dictFile();
    std::filesystem::remove(listFile());
    std::filesystem::create_directory(listFile());
    EXPECT_FALSE(engine.topUpList());
    EXPECT_EQ(TempDir::readBytes(dictionary), dictBefore);
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(EngineTest, ExcludingClearsOnlyTheFlagsOfTheFirstMatchingRecord)
{
    std::vector<DictRecord> dict{dictWord("other", "другое", "", 1, 1), dictWord("twice", "дважды", "tw", 1, 1),
                                 dictWord("twice", "снова", "", 1, 1)};
    dict[1].reserved192 = 0x01020304;
    dict[1].reserved207 = 9;
    writeDictionary(dict);
    writeList({listWord("twice", "дважды", "tw"), listWord("other", "другое")});
    engine.loadList();
    const auto listBefore = TempDir::readBytes(listFile());

    settings.setDemoType(Direction::Direct, Mode::Choice);
    engine.setChoiceDirectionFromSettings();
    // Find a second at which "twice" is asked.
    for (int s = 0; fieldText(engine.list()[0].word) != "twice" || !engine.currentIndex() || asked() != 0; ++s) {
        ASSERT_LT(s, 100);
        clock.advance(1);
        engine.presentNext();
    }
    ASSERT_TRUE(engine.excludeCurrentWord());
    ASSERT_EQ(engine.list().size(), 1u);
    EXPECT_EQ(fieldText(engine.list()[0].word), "other");
    EXPECT_EQ(engine.currentWord(), nullptr) << "the caller presents anew";

    const auto after = dictionaryOnDisk();
    ASSERT_EQ(after.size(), 3u);
    auto expected = bytesOf(dict[1]);
    expected[196] = 0;
    expected[197] = 0;
    EXPECT_EQ(bytesOf(after[1]), expected) << "only active and inList change";
    EXPECT_EQ(bytesOf(after[2]), bytesOf(dict[2]));
    EXPECT_EQ(bytesOf(after[0]), bytesOf(dict[0]));
    EXPECT_NE(TempDir::readBytes(listFile()), listBefore);
    // The list file follows the exclusion at once, so a crash cannot bring
    // the word back.
    const auto saved = listOnDisk();
    ASSERT_EQ(saved.size(), 1u);
    EXPECT_STREQ(saved[0].word, "other");
}

TEST_F(EngineTest, ExcludingAWordMissingFromTheDictionaryStillTakesItOut)
{
    writeDictionary({dictWord("cat", "кот", "", 1, 1)});
    writeList({listWord("cat", "кот")});
    engine.loadList();
    // A word the dictionary lost while the list was in memory.
    engine.setList({listWord("Cat", "кот")});
    engine.presentNext();
    const auto dictBefore = TempDir::readBytes(dictFile());
    EXPECT_TRUE(engine.excludeCurrentWord());
    EXPECT_TRUE(engine.list().empty());
    EXPECT_EQ(TempDir::readBytes(dictFile()), dictBefore) << "lookups are case-sensitive";
}

TEST_F(EngineTest, AnExclusionThatCannotReachTheDictionaryKeepsTheWord)
{
    prepare(3);
    engine.presentNext();
    const std::string asked = fieldText(engine.currentWord()->word);
    std::filesystem::remove(dictFile());

    EXPECT_FALSE(engine.excludeCurrentWord());
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, "Ошибка: Не удалось открыть файл словаря для исключения слова");
    EXPECT_EQ(messages.shown[0].icon, MessageIcon::Warning);
    EXPECT_EQ(engine.list().size(), 3u);
    ASSERT_NE(engine.currentWord(), nullptr);
    EXPECT_EQ(fieldText(engine.currentWord()->word), asked);
}

} // namespace
} // namespace mox::test
