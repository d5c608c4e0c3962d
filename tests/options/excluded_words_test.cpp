// The excluded-words list kept from one opening of the Dictionaries page to
// the next and updated word by word: after words were learnt (excluded),
// returned to learning, deleted and renamed, it must show exactly what a
// list sorted afresh shows, over real German and Polish words.
#include <gtest/gtest.h>

#include <QString>

#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "language/CharsetCodec.h"
#include "options/ExcludedWordsModel.h"

using namespace mox;

namespace {

// Every `step`-th word of a word list in code page `charSet` (words it
// cannot hold left out).
mox::DictionaryWords wordsOf(const char* path, std::uint8_t charSet, std::size_t step)
{
    const CharsetCodec codec(charSet);
    std::ifstream in(path);
    mox::DictionaryWords words;
    std::size_t line = 0;
    for (std::string utf8; std::getline(in, utf8); ++line) {
        if (line % step != 0)
            continue;
        const auto encoded = codec.encode(QString::fromUtf8(utf8));
        if (!encoded.bytes.empty() && encoded.bytes.find('?') == std::string::npos)
            words.push_back(encoded.bytes);
    }
    return words;
}

// Records 0, 1, ... for `count` words.
mox::LargeVector<std::uint32_t> firstRecords(std::size_t count)
{
    mox::LargeVector<std::uint32_t> records(count);
    for (std::size_t i = 0; i < count; ++i)
        records[i] = static_cast<std::uint32_t>(i);
    return records;
}

std::vector<std::pair<std::string, QString>> rowsOf(const ExcludedWordsModel& model)
{
    std::vector<std::pair<std::string, QString>> rows;
    for (int row = 0; row < model.rowCount(); ++row)
        rows.emplace_back(model.bytesAt(row), model.textAt(row));
    return rows;
}

void expectKeptListFollows(const char* path, std::uint8_t charSet, std::size_t step)
{
    SCOPED_TRACE(path);
    const CharsetCodec codec(charSet);
    const std::string dictionary = std::string("/dictionaries/") + path;
    const mox::DictionaryWords all = wordsOf(path, charSet, step);
    ASSERT_GT(all.size(), 20000u) << "the word list is missing";

    // The first opening: two thirds of the words excluded, each word in the
    // record of its place in the list, in shuffled order.
    mox::DictionaryWords excluded;
    mox::LargeVector<std::uint32_t> records;
    for (std::size_t i = 0; i < all.size(); ++i)
        if (i % 3 != 2) {
            excluded.push_back(all[(i * 7919) % all.size()]);
            records.push_back(static_cast<std::uint32_t>((i * 7919) % all.size()));
        }
    ExcludedWordsModel::forgetKept();
    auto first = std::make_unique<ExcludedWordsModel>();
    first->setWords(dictionary, excluded, records, codec);
    EXPECT_FALSE(first->updatedLast());
    first.reset();

    // Since then: words learnt (excluded) in records of their own, some of
    // them already there once (a word twice in the dictionary); words
    // returned to learning or deleted; a word renamed in its record.
    mox::DictionaryWords now;
    mox::LargeVector<std::uint32_t> nowRecords;
    for (std::size_t i = 0; i < excluded.size(); ++i)
        if (i % 97 != 5) {
            now.push_back(i == 10 ? excluded[i] + "x" : excluded[i]);
            nowRecords.push_back(records[i]);
        }
    for (std::size_t i = 0; i < all.size(); i += 41) {
        now.push_back(all[i]);
        nowRecords.push_back(static_cast<std::uint32_t>(all.size() + i));
    }
    now.insert(now.begin() + 17, excluded[3]);
    nowRecords.insert(nowRecords.begin() + 17, static_cast<std::uint32_t>(3 * all.size()));

    ExcludedWordsModel kept;
    kept.setWords(dictionary, now, nowRecords, codec);
    EXPECT_TRUE(kept.updatedLast());
    ExcludedWordsModel::forgetKept();
    ExcludedWordsModel fresh;
    fresh.setWords(dictionary, now, nowRecords, codec);
    EXPECT_FALSE(fresh.updatedLast());
    ASSERT_EQ(kept.rowCount(), static_cast<int>(now.size()));
    EXPECT_TRUE(rowsOf(kept) == rowsOf(fresh));

    // The list kept by `kept` when it goes serves the next model; another
    // dictionary's, or another code page's, words are sorted afresh.
    ExcludedWordsModel other;
    other.setWords(dictionary + ".other", now, nowRecords, codec);
    EXPECT_FALSE(other.updatedLast());
    other.setWords(dictionary + ".other", now, nowRecords, CharsetCodec(charset::Russian));
    EXPECT_FALSE(other.updatedLast());
}

} // namespace

TEST(ExcludedWordsList, KeptBetweenOpeningsEqualsAFreshlySortedListAfterWordsChanged)
{
    expectKeptListFollows("/usr/share/dict/ngerman", charset::Ansi, 10);
    expectKeptListFollows("/usr/share/dict/polish", charset::EastEurope, 120);
}

TEST(ExcludedWordsList, ManyChangesSortTheWholeListAgainAndAnEmptyOneKeepsNothing)
{
    const CharsetCodec codec(charset::Ansi);
    const mox::DictionaryWords all = wordsOf("/usr/share/dict/ngerman", charset::Ansi, 10);
    ExcludedWordsModel::forgetKept();
    ExcludedWordsModel model;
    model.setWords("/d/words.dct", mox::DictionaryWords(all.begin(), all.begin() + 100), firstRecords(100), codec);
    model.setWords("/d/words.dct", all, firstRecords(all.size()), codec);
    EXPECT_FALSE(model.updatedLast());
    ExcludedWordsModel fresh;
    fresh.setWords("/d/other.dct", all, firstRecords(all.size()), codec);
    EXPECT_TRUE(rowsOf(model) == rowsOf(fresh));

    model.clear();
    EXPECT_EQ(model.rowCount(), 0);
    model.setWords("/d/words.dct", {}, {}, codec);
    EXPECT_EQ(model.rowCount(), 0);
    model.setWords("/d/words.dct", {all[0], all[1]}, firstRecords(2), codec);
    EXPECT_TRUE(model.updatedLast());
    EXPECT_EQ(model.rowCount(), 2);
}
