#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>

#include "language/LanguageTable.h"

using namespace mox;

TEST(LanguageTable, RowsAreTheTwentyEightLanguagesInListOrder)
{
    ASSERT_EQ(LanguageTable.size(), 28u);
    std::set<std::uint16_t> ids;
    std::set<std::string_view> texts;
    for (std::size_t i = 0; i < LanguageTable.size(); ++i) {
        EXPECT_EQ(LanguageTable[i].index, static_cast<int>(i));
        ids.insert(LanguageTable[i].id);
        texts.insert(LanguageTable[i].listText);
    }
    EXPECT_EQ(ids.size(), 28u) << "identifiers must be unique";
    EXPECT_EQ(texts.size(), 28u) << "list texts must be unique";

    EXPECT_EQ(LanguageTable[0].id, 0x0409);
    EXPECT_EQ(LanguageTable[0].listText, "Английский");
    EXPECT_EQ(LanguageTable[13].id, 0x0814);
    EXPECT_EQ(LanguageTable[13].listText, "Норвежский (нюнорск)");
    EXPECT_EQ(LanguageTable[15].id, 0x0816);
    EXPECT_EQ(LanguageTable[17].id, 0x0419);
    EXPECT_EQ(LanguageTable[17].listText, "Русский");
    EXPECT_EQ(LanguageTable[23].id, 0x040C);
    EXPECT_EQ(LanguageTable[27].id, 0x0425);
    EXPECT_EQ(LanguageTable[27].listText, "Эстонский");

    // Only Serbian selects by a name other than its list text.
    for (const auto& row : LanguageTable) {
        if (row.id == 0x0C1A) {
            EXPECT_EQ(row.listText, "Сербский (кириллица)");
            EXPECT_EQ(row.selectionName, "Сербский");
        } else {
            EXPECT_EQ(row.selectionName, row.listText) << row.index;
        }
    }
}

TEST(LanguageTable, IdAtGivesTheRowOrLeavesTheValueAlone)
{
    std::uint32_t id = 0xDEAD;
    EXPECT_TRUE(languageIdAt(0, id));
    EXPECT_EQ(id, 0x0409u);
    EXPECT_TRUE(languageIdAt(18, id));
    EXPECT_EQ(id, 0x0C1Au);
    EXPECT_TRUE(languageIdAt(27, id));
    EXPECT_EQ(id, 0x0425u);

    id = 0xBEEF;
    EXPECT_FALSE(languageIdAt(28, id));
    EXPECT_FALSE(languageIdAt(-1, id)); // a list without a selection
    EXPECT_FALSE(languageIdAt(1 << 30, id));
    EXPECT_EQ(id, 0xBEEFu);
}

TEST(LanguageTable, NameSelectsItsOwnRowByBeginning)
{
    EXPECT_EQ(languageName(0x0C1A), "Сербский");
    EXPECT_EQ(languageName(0x0409), "Английский");
    EXPECT_EQ(languageName(0x0814), "Норвежский (нюнорск)");
    // Outside the table: no name; identifiers compare whole.
    EXPECT_EQ(languageName(0), "");
    EXPECT_EQ(languageName(0x0809), "");
    EXPECT_EQ(languageName(0x10409), "");
    EXPECT_FALSE(languageIndexOf(0x0809));

    // A list selects the first entry whose text begins with the name; that
    // must be the identifier's own row for every language.
    for (const auto& row : LanguageTable) {
        const std::string name = languageName(row.id);
        int selected = -1;
        for (const auto& entry : LanguageTable)
            if (entry.listText.substr(0, name.size()) == name) {
                selected = entry.index;
                break;
            }
        EXPECT_EQ(selected, row.index) << name;
        EXPECT_EQ(languageIndexOf(row.id), row.index);
    }
}

TEST(LanguageTable, EveryLanguageHasTheCharacterSetOfItsScript)
{
    const std::map<std::uint8_t, std::set<std::uint16_t>> expected = {
        {204, {0x0419, 0x0402, 0x0C1A, 0x0422}},
        {161, {0x0408}},
        {162, {0x041F}},
        {186, {0x0426, 0x0427, 0x0425}},
        {238, {0x040E, 0x0415, 0x0418, 0x041B, 0x041A, 0x0405}},
    };
    for (const auto& row : LanguageTable) {
        std::uint8_t want = 0;
        for (const auto& [set, ids] : expected)
            if (ids.count(row.id))
                want = set;
        EXPECT_EQ(charSetForLanguage(row.id), want) << row.listText;
    }
    EXPECT_EQ(charSetForLanguage(0x0809), 0) << "outside the table: Western";
}
