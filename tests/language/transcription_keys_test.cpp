// The IPA <-> key-character conversion against the key table file itself, so
// that the generated rows, the font and the starter dictionary cannot part.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "language/TranscriptionKeys.h"
#include "language/Utf8.h"

using namespace mox;

namespace {

struct Row {
    int line;
    unsigned char key;
    char32_t ipa;
    std::vector<char32_t> also;
};

// The rows of transmox-map.tsv that insert a character, read as the font
// build reads them (tab-separated, a header line, "#" comments).
std::vector<Row> tableRows()
{
    std::ifstream in(MOX_KEY_TABLE_FILE);
    std::vector<Row> rows;
    std::string line;
    std::vector<std::string> header;
    for (int number = 1; std::getline(in, line); ++number) {
        if (line.empty() || line[0] == '#')
            continue;
        std::vector<std::string> cols;
        std::stringstream split(line);
        for (std::string col; std::getline(split, col, '\t');)
            cols.push_back(col);
        if (header.empty()) {
            header = cols;
            continue;
        }
        cols.resize(header.size());
        std::map<std::string, std::string> byName;
        for (std::size_t i = 0; i < header.size(); ++i)
            byName[header[i]] = cols[i];
        if (byName["byte"].empty())
            continue;
        Row row{number, static_cast<unsigned char>(std::stoul(byName["byte"], nullptr, 16)),
                static_cast<char32_t>(std::stoul(byName["ipa"], nullptr, 16)), {}};
        std::stringstream also(byName["also"]);
        for (std::string point; also >> point;)
            row.also.push_back(static_cast<char32_t>(std::stoul(point, nullptr, 16)));
        rows.push_back(row);
    }
    return rows;
}

} // namespace

TEST(TranscriptionKeys, EveryKeyOfTheTableConvertsBothWays)
{
    const auto rows = tableRows();
    ASSERT_GT(rows.size(), 50u) << "the key table could not be read";
    EXPECT_EQ(transcriptionKeys().size(), rows.size());

    std::string allKeys, allIpa;
    for (const Row& row : rows) {
        SCOPED_TRACE("table line " + std::to_string(row.line));
        EXPECT_EQ(symbolForKey(row.key), row.ipa);
        EXPECT_EQ(keyForSymbol(row.ipa), row.key);
        for (char32_t other : row.also)
            EXPECT_EQ(keyForSymbol(other), row.key) << std::hex << static_cast<unsigned>(other);
        allKeys += static_cast<char>(row.key);
        utf8::append(allIpa, row.ipa);
    }
    // The whole table as one text, in both directions.
    const KeyText keys = ipaToKeys(allIpa);
    ASSERT_TRUE(keys.ok());
    EXPECT_EQ(keys.keys, allKeys);
    std::size_t unknown = 99;
    EXPECT_EQ(keysToIpa(allKeys, &unknown), allIpa);
    EXPECT_EQ(unknown, 0u);
}

TEST(TranscriptionKeys, WordsOfTheStarterDictionaryAndPlainCharacters)
{
    EXPECT_EQ(ipaToKeys("[θɪŋk]").keys, "[TINk]");
    EXPECT_EQ(ipaToKeys("ˈæpl paɪ").keys, "'Apl paI");   // the space stays
    EXPECT_EQ(ipaToKeys("wel-nəʊn").keys, "wel-nEWn");   // and so does the hyphen
    EXPECT_EQ(ipaToKeys("dɒg").keys, "dQg");             // a plain g stands for ɡ
    EXPECT_EQ(ipaToKeys("ˈmʌðə").keys, ipaToKeys("'mʌðə").keys);
    EXPECT_EQ(keysToIpa("[dQg]"), "[dɒɡ]");
    EXPECT_TRUE(ipaToKeys("").ok());
}

TEST(TranscriptionKeys, TheKeysOfEveryExistingDictionaryReadAsBefore)
{
    // The key characters of the first page and what they drew before further
    // symbols were added: a dictionary written then must read the same now.
    const std::string keys = "abdefghijklmnoprstuvwzqxQWERTIOPASDFGHJLZCVN.:,;'\"()[]";
    const std::u32string symbols = U"abdefɡhijklmnoprstuvwzɑxɒʊəɜθɪɔøæʃðɛɣɥɲʎʒçʌŋ.ːˌˑˈʔ()[]";
    ASSERT_EQ(keys.size(), symbols.size());
    for (std::size_t i = 0; i < keys.size(); ++i)
        EXPECT_EQ(symbolForKey(static_cast<unsigned char>(keys[i])), symbols[i]) << keys[i];
}

TEST(TranscriptionKeys, EachSymbolIsStoredAsItselfNeverAsALookAlike)
{
    // Formerly ɾ and ɹ became r and ɫ became l: each now has a key of its own
    // and comes back as itself.
    for (std::string_view ipa : {"ɾ", "ɹ", "ɫ"}) {
        const KeyText keys = ipaToKeys(ipa);
        ASSERT_TRUE(keys.ok()) << ipa;
        EXPECT_NE(keys.keys, "r");
        EXPECT_NE(keys.keys, "l");
        EXPECT_EQ(keysToIpa(keys.keys), ipa);
    }
    // The transcriptions of German, Polish, Greek and French dictionaries:
    // modifiers, affricates and combining marks (tie bar, non-syllabic,
    // syllabic, nasal) both ways, byte for byte.
    for (std::string_view ipa : {"ˈʁaʊ̯xn̩", "ˈkat͡sə", "ʃtʁaːsə", "ʐɔ̃ŋɕɛ", "ʦʲi", "ˈɟʝa", "ʎˈaʒ", "mɐ̃ɲ", "ʏpɪç",
                                 "bœʁ", "ɨlɕ", "ʨʥʧʤʣ", "kʷ", "ɚ", "βoɱ", "χʀ", "n̥ʲ", "t̪"}) {
        const KeyText keys = ipaToKeys(ipa);
        ASSERT_TRUE(keys.ok()) << ipa << " refused U+" << std::hex << static_cast<unsigned>(keys.refused);
        EXPECT_EQ(keysToIpa(keys.keys), ipa);
    }
    // The glottal stop as some tools write it ("?") stands for itself.
    EXPECT_EQ(ipaToKeys("bəˈ?amtə").keys, "bE'?amtE");
    EXPECT_TRUE(isCombiningMark(U'\u0361'));
    EXPECT_FALSE(isCombiningMark(U'ʲ'));
}

TEST(TranscriptionKeys, SymbolsWithoutAKeyAreNamedWhereTheyStand)
{
    const KeyText snowman = ipaToKeys("kæt☃s");
    EXPECT_FALSE(snowman.ok());
    EXPECT_EQ(snowman.refused, U'☃');
    EXPECT_EQ(snowman.refusedAt, 4u);   // after "k", the two bytes of "æ" and "t"
    EXPECT_TRUE(snowman.keys.empty());

    const KeyText broken = ipaToKeys("ka\xC3");   // a cut UTF-8 sequence
    EXPECT_FALSE(broken.ok());
    EXPECT_EQ(broken.refused, utf8::kInvalid);
    EXPECT_EQ(broken.refusedAt, 2u);

    // A byte that is no key survives the way back, counted.
    std::size_t unknown = 0;
    EXPECT_EQ(keysToIpa("kX\xFE", &unknown), "kXþ");
    EXPECT_EQ(unknown, 2u);
}
