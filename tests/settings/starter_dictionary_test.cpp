#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "store/DictRecord.h"
#include "store/RecordText.h"
#include "support/TempDir.h"

using namespace mox;

namespace {

// The characters the transcription keyboard can type (its key table).
const std::string kKeyCharacters = "abdefghijklmnoprstuvwzqxQWERTIOPASDFGHJLZCVN.:,;'\"()[]";

std::vector<DictRecord> records()
{
    const auto bytes = TempDir::readBytes(MOX_STARTER_DICT_FILE);
    std::vector<DictRecord> out(bytes.size() / kDictRecordSize);
    if (!out.empty())
        std::memcpy(out.data(), bytes.data(), out.size() * kDictRecordSize);
    return out;
}

// True when the field has its terminating zero and only zeros after it.
template <std::size_t N>
bool cleanField(const char (&field)[N])
{
    const std::size_t length = fieldView(field).size();
    if (length >= N)
        return false;
    for (std::size_t i = length; i < N; ++i)
        if (field[i] != 0)
            return false;
    return true;
}

// A cp1251 translation: Cyrillic letters (0xC0..0xFF, Ё 0xA8, ё 0xB8) and
// plain ASCII punctuation and spaces; never a UTF-8 sequence or a '?'.
bool cp1251Russian(std::string_view text)
{
    bool letter = false;
    for (unsigned char c : text) {
        if (c >= 0xC0 || c == 0xA8 || c == 0xB8)
            letter = true;
        else if (!(c == ' ' || c == ',' || c == ';' || c == '-' || c == '(' || c == ')'))
            return false;
    }
    return letter;
}

} // namespace

TEST(StarterDictionary, IsWholeRecordsOfLiveActiveWordsOutsideTheList)
{
    const auto bytes = TempDir::readBytes(MOX_STARTER_DICT_FILE);
    ASSERT_FALSE(bytes.empty());
    EXPECT_EQ(bytes.size() % kDictRecordSize, 0u);
    const auto all = records();
    EXPECT_GE(all.size(), 300u);

    std::set<std::string> words;
    for (std::size_t i = 0; i < all.size(); ++i) {
        const DictRecord& r = all[i];
        SCOPED_TRACE("record " + std::to_string(i) + " " + fieldText(r.word));
        EXPECT_EQ(r.deleted, 0);
        EXPECT_EQ(r.active, 1);
        EXPECT_EQ(r.inList, 0);
        EXPECT_TRUE(r.isCandidate());
        EXPECT_TRUE(cleanField(r.word));
        EXPECT_TRUE(cleanField(r.translation));
        EXPECT_TRUE(cleanField(r.transcription));
        EXPECT_EQ(r.padding191, 0);
        EXPECT_EQ(r.reserved192, 0);
        EXPECT_EQ(r.padding198[0] | r.padding198[1], 0);
        EXPECT_EQ(r.reserved200, 0);
        EXPECT_EQ(r.reserved204, 0);
        EXPECT_EQ(r.reserved206 | r.reserved207, 0);

        const std::string word = fieldText(r.word);
        EXPECT_FALSE(word.empty());
        EXPECT_TRUE(words.insert(word).second) << "given twice";
        for (unsigned char c : word)
            EXPECT_TRUE(std::isalpha(c) || c == ' ' || c == '-') << int(c);
        EXPECT_TRUE(cp1251Russian(fieldView(r.translation))) << fieldText(r.translation);

        const std::string transcription = fieldText(r.transcription);
        ASSERT_GE(transcription.size(), 3u);
        EXPECT_EQ(transcription.front(), '[');
        EXPECT_EQ(transcription.back(), ']');
        for (char c : transcription)
            EXPECT_NE(kKeyCharacters.find(c), std::string::npos) << c;
    }
}

TEST(StarterDictionary, TextsAreConvertedToCp1251AndKeyCharacters)
{
    const auto all = records();
    auto find = [&](const std::string& word) -> const DictRecord* {
        for (const auto& r : all)
            if (fieldText(r.word) == word)
                return &r;
        return nullptr;
    };
    const DictRecord* cat = find("cat");
    ASSERT_NE(cat, nullptr);
    EXPECT_EQ(fieldText(cat->translation), "\xEA\xEE\xF8\xEA\xE0");   // кошка
    EXPECT_EQ(fieldText(cat->transcription), "[kAt]");               // æ is the A key

    const DictRecord* understand = find("understand");
    ASSERT_NE(understand, nullptr);
    // secondary stress, ʌ, schwa, primary stress, æ
    EXPECT_EQ(fieldText(understand->transcription), "[,VndE'stAnd]");
    EXPECT_EQ(fieldText(understand->translation), "\xEF\xEE\xED\xE8\xEC\xE0\xF2\xFC");   // понимать

    const DictRecord* thing = find("thing");
    ASSERT_NE(thing, nullptr);
    EXPECT_EQ(fieldText(thing->transcription), "[TIN]");   // θ ɪ ŋ
    const DictRecord* child = find("child");
    ASSERT_NE(child, nullptr);
    EXPECT_EQ(fieldText(child->transcription), "[tSaIld]");   // tʃ as t + ʃ
    EXPECT_EQ(fieldText(child->translation), "\xF0\xE5\xE1\xB8\xED\xEE\xEA");   // ребёнок with ё
}
