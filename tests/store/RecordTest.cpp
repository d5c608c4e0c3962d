#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "store/RecordText.h"
#include "store/Store.h"

namespace mox {
namespace {

template <class Record>
std::vector<unsigned char> bytesOf(const Record& record)
{
    std::vector<unsigned char> bytes(sizeof record);
    std::memcpy(bytes.data(), &record, sizeof record);
    return bytes;
}

const std::string kKot = "\xEA\xEE\xF2";  // "кот" in cp1251

// `size` zero bytes with "cat" at offset 1 and "кот" at offset 81.
std::vector<unsigned char> catKotBytes(std::size_t size)
{
    std::vector<unsigned char> bytes(size, 0);
    bytes[1] = 'c';
    bytes[2] = 'a';
    bytes[3] = 't';
    bytes[81] = 0xEA;
    bytes[82] = 0xEE;
    bytes[83] = 0xF2;
    return bytes;
}

TEST(Records, NewDictRecordForCatHasTheExactFileBytes)
{
    DictRecord record = newDictRecord();
    ASSERT_TRUE(setFieldText(record.word, "cat"));
    ASSERT_TRUE(setFieldText(record.translation, kKot));

    std::vector<unsigned char> expected = catKotBytes(208);
    expected[196] = 1;  // active
    EXPECT_EQ(bytesOf(record), expected);
}

TEST(Records, NewListRecordCopiesTextsAndSetsBytes212And213)
{
    DictRecord source = newDictRecord();
    ASSERT_TRUE(setFieldText(source.word, "cat"));
    ASSERT_TRUE(setFieldText(source.translation, kKot));
    source.inList = 1;
    source.reserved200 = 77;  // dictionary-only bytes do not reach the list

    std::vector<unsigned char> expected = catKotBytes(224);
    expected[212] = 1;
    expected[213] = 1;
    EXPECT_EQ(bytesOf(newListRecord(source)), expected);
}

TEST(Records, NewListRecordCopiesOnlyTheTextOfEachField)
{
    // Bytes after a terminator are not significant and are not carried along;
    // a field that fills its whole width (no terminator) is copied whole.
    DictRecord source = newDictRecord();
    std::memcpy(source.word, "dog\0junk", 8);
    std::memset(source.translation, 'x', sizeof source.translation);
    const ListRecord copy = newListRecord(source);
    EXPECT_EQ(fieldText(copy.word), "dog");
    EXPECT_EQ(copy.word[4], 0);
    EXPECT_EQ(fieldText(copy.translation), std::string(80, 'x'));
    EXPECT_EQ(copy.transcription[0], 0);
}

TEST(Records, TombstoneIsDeletedWithEveryOtherByteZero)
{
    std::vector<unsigned char> expected(208, 0);
    expected[0] = 1;
    const DictRecord tombstone = makeTombstone();
    EXPECT_EQ(bytesOf(tombstone), expected);
    EXPECT_FALSE(tombstone.isLive());
    EXPECT_FALSE(tombstone.isCandidate());
    EXPECT_FALSE(tombstone.isExcluded());
}

TEST(Records, TextsLongerThanTheirFieldAreRefusedNotCut)
{
    DictRecord record = newDictRecord();
    ASSERT_TRUE(setFieldText(record.transcription, "old"));
    EXPECT_TRUE(setFieldText(record.transcription, std::string(29, 'a')));
    EXPECT_EQ(fieldText(record.transcription), std::string(29, 'a'));
    EXPECT_EQ(record.transcription[29], 0);

    EXPECT_FALSE(setFieldText(record.transcription, std::string(30, 'b')));
    EXPECT_EQ(fieldText(record.transcription), std::string(29, 'a'));  // unchanged
    EXPECT_FALSE(setFieldText(record.word, std::string(80, 'w')));
    EXPECT_TRUE(setFieldText(record.word, std::string(79, 'w')));
    EXPECT_EQ(record.translation[0], 0);  // nothing spilled into the next field
}

TEST(Records, FieldWithoutTerminatorIsReadOnlyToTheFieldsEnd)
{
    DictRecord record = newDictRecord();
    std::memset(record.word, 'a', sizeof record.word);
    ASSERT_TRUE(setFieldText(record.translation, "next"));
    EXPECT_EQ(fieldText(record.word), std::string(80, 'a'));
    EXPECT_EQ(fieldView(record.word).size(), 80u);
}

} // namespace
} // namespace mox
