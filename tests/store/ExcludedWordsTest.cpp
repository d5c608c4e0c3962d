#include "store/DictionaryFile.h"
#include "store/StoreFixture.h"

namespace mox::testing {
namespace {

class ExcludedWordsTest : public StoreFixture {};

// A dictionary larger than one read chunk, so that found records lie in
// several chunks and at their edges.
TEST_F(ExcludedWordsTest, ActivatesTheFirstRecordOfEachWordAcrossTheWholeFile)
{
    Dictionary dict;
    for (int i = 0; i < 5000; ++i)
        dict.push_back(word("w" + std::to_string(i), "t", 0));
    dict[2048].inList = 1;
    dict[3000] = word("dup", "t", 0);
    dict[4500] = word("dup", "t", 0);
    dict[100] = makeTombstone();
    writeRecords(dictFile(), dict);

    const std::vector<std::string> words = {"w10", "w2047", "w2048", "w4999", "dup", "missing",
                                            "w10", std::string(81, 'x')};
    const Activation result = DictionaryFile(settings.dictionaryPath()).activate(words);
    EXPECT_EQ(result.activated, 5u);
    EXPECT_FALSE(result.readFailed);
    EXPECT_FALSE(result.writeFailed);

    const auto after = readRecords<DictRecord>(dictFile());
    ASSERT_EQ(after.size(), dict.size());
    for (std::size_t i = 0; i < after.size(); ++i) {
        DictRecord expected = dict[i];
        if (i == 10 || i == 2047 || i == 2048 || i == 4999 || i == 3000)
            expected.active = 1;
        EXPECT_EQ(std::memcmp(&after[i], &expected, sizeof expected), 0) << i;
    }

    // What the page lists afterwards: the excluded words in file order (the
    // listed record and the tombstone are not offered) and the active count.
    const auto scan = DictionaryFile(dictFile().string()).scanExcluded();
    ASSERT_TRUE(scan);
    EXPECT_EQ(scan->activeCount, 5u);
    EXPECT_EQ(scan->words.size(), 5000u - 1 - 5);
    EXPECT_EQ(scan->words.front(), "w0");
    EXPECT_EQ(std::count(scan->words.begin(), scan->words.end(), "dup"), 1);
    // Each word with its record: the re-activated w10 and the tombstone
    // (record 100) are skipped, and "dup" is the one in record 4500.
    ASSERT_EQ(scan->records.size(), scan->words.size());
    EXPECT_EQ(scan->records[98], 99u);
    EXPECT_EQ(scan->records[99], 101u);
    const auto dup = std::find(scan->words.begin(), scan->words.end(), "dup");
    EXPECT_EQ(scan->records[static_cast<std::size_t>(dup - scan->words.begin())], 4500u);
    EXPECT_FALSE(DictionaryFile(voc().string()).scanExcluded());  // a folder is no dictionary
}

TEST_F(ExcludedWordsTest, AFileThatCannotBeWrittenIsNotChanged)
{
    writeRecords(dictFile(), Dictionary{word("a", "t", 0)});
    const Bytes before = TempDir::readBytes(dictFile());
    std::filesystem::permissions(dictFile(), std::filesystem::perms::owner_read);
    const Activation result = DictionaryFile(dictFile().string()).activate({"a"});
    EXPECT_TRUE(result.writeFailed);
    EXPECT_EQ(result.activated, 0u);
    EXPECT_EQ(TempDir::readBytes(dictFile()), before);

    const Activation missing = DictionaryFile((voc() / "none.dct").string()).activate({"a"});
    EXPECT_TRUE(missing.writeFailed);
    EXPECT_FALSE(std::filesystem::exists(voc() / "none.dct"));
}

} // namespace
} // namespace mox::testing
