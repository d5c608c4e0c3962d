// What the dictionary session remembers between top-ups: a top-up reads the
// dictionary again only when it changed since the last pass, the session's
// own changes keep what it remembers right, and a change by someone else is
// never hidden by one of the session's own.
#include <gtest/gtest.h>

#include <chrono>
#include <algorithm>
#include <filesystem>
#include <set>

#include "platform/fake/RecordingMessages.h"
#include "store/CandidateSet.h"
#include "store/DictionaryFolder.h"
#include "store/DictionarySession.h"
#include "store/RecordText.h"
#include "store/Store.h"
#include "support/RecordFiles.h"
#include "support/TempDir.h"

namespace mox {
namespace {

namespace fs = std::filesystem;

DictRecord word(const std::string& text, std::uint8_t active = 1)
{
    DictRecord r = newDictRecord();
    setFieldText(r.word, text);
    setFieldText(r.translation, "t-" + text);
    r.active = active;
    return r;
}

std::vector<std::string> words(const std::vector<ListRecord>& list)
{
    std::vector<std::string> out;
    for (const ListRecord& r : list)
        out.push_back(fieldText(r.word));
    return out;
}

// Draws the middle one of the remaining candidates each time.
std::uint32_t middle(std::uint32_t n)
{
    return n / 2;
}

class TopUpMemoryTest : public ::testing::Test {
protected:
    TopUpMemoryTest() { fs::create_directories(voc(dir)); }

    static fs::path voc(const TempDir& where) { return where.path() / "voc"; }
    static DictionaryPaths paths(const TempDir& where)
    {
        return DictionaryFolder(voc(where).string()).resolve("english.dct", "english.lst");
    }
    fs::path dictionaryFile() const { return voc(dir) / "english.dct"; }
    // `active` words followed by `excluded` ones, none in the list.
    void make(int active, int excluded)
    {
        std::vector<DictRecord> records;
        for (int i = 0; i < active + excluded; ++i)
            records.push_back(word("w" + std::to_string(i), i < active ? 1 : 0));
        writeRecords(dictionaryFile(), records);
        writeRecords(voc(dir) / "english.lst", std::vector<ListRecord>{});
    }
    // Re-activates record `index` in place, the file keeping its size, inode
    // and (when `keepTime`) its modification time.
    void reactivateBehindTheSessionsBack(std::size_t index, bool keepTime)
    {
        const auto time = fs::last_write_time(dictionaryFile());
        auto records = readRecords<DictRecord>(dictionaryFile());
        records.at(index).active = 1;
        writeRecords(dictionaryFile(), records);
        fs::last_write_time(dictionaryFile(), keepTime ? time : time + std::chrono::seconds(2));
    }

    TempDir dir;
    RecordingMessages messages;
    DictionarySession session{messages};
};

TEST(CandidateSetTest, CountsFindsAndForgetsRecordsAcrossWords)
{
    CandidateSet set(130);
    EXPECT_EQ(set.count(), 0u);
    EXPECT_FALSE(set.nth(0));
    for (std::uint64_t r : {0u, 63u, 64u, 127u, 129u})
        set.add(r);
    set.add(64);  // twice: one candidate
    set.add(500); // past the end: ignored
    EXPECT_EQ(set.count(), 5u);
    EXPECT_EQ(set.nth(0), 0u);
    EXPECT_EQ(set.nth(1), 63u);
    EXPECT_EQ(set.nth(2), 64u);
    EXPECT_EQ(set.nth(4), 129u);
    EXPECT_FALSE(set.nth(5));
    set.remove(63);
    set.remove(63);
    EXPECT_EQ(set.count(), 4u);
    EXPECT_EQ(set.nth(1), 64u);
    EXPECT_FALSE(set.contains(63));
    // Appending runs into a new word at record 192.
    for (int i = 130; i < 192; ++i)
        set.append(false);
    set.append(true);
    EXPECT_EQ(set.records(), 193u);
    EXPECT_EQ(set.nth(4), 192u);
}

TEST_F(TopUpMemoryTest, AnUnchangedDictionaryIsNotReadAgainForATopUp)
{
    make(5, 2);
    session.open(paths(dir));
    std::optional<std::uint32_t> candidates;
    ASSERT_TRUE(session.topUp(20, middle, &candidates));
    EXPECT_EQ(session.list().size(), 5u);
    EXPECT_EQ(candidates, 5u);

    // A change that leaves size, inode and time as they were is not seen:
    // the top-up went by what the last pass found, without reading.
    reactivateBehindTheSessionsBack(5, true);
    ASSERT_TRUE(session.topUp(20, middle, &candidates));
    EXPECT_EQ(session.list().size(), 5u);
    EXPECT_EQ(candidates, 0u);

    // A change with a new time is read.
    reactivateBehindTheSessionsBack(6, false);
    ASSERT_TRUE(session.topUp(20, middle, &candidates));
    EXPECT_EQ(candidates, 2u);
    EXPECT_EQ(session.list().size(), 7u);
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(TopUpMemoryTest, TheSessionsOwnChangesDrawWhatAFreshPassWouldDraw)
{
    make(40, 3);
    session.open(paths(dir));
    ASSERT_TRUE(session.topUp(10, middle));
    ASSERT_EQ(session.activate({"w41"}).activated, 1u);
    ASSERT_TRUE(session.topUp(12, middle));
    // Each of these changes the candidates without a pass.
    ASSERT_TRUE(session.addWord(word("added")));
    ASSERT_TRUE(session.addWord(word("added-excluded", 0)));
    ASSERT_EQ(session.deleteWords({"w30", "w31"}), 2u);
    ASSERT_TRUE(session.exclude(0));
    ASSERT_EQ(session.editText("w35", kTranslationColumn, "t-w35", "changed"), DictionarySession::EditResult::written);

    // The same files read afresh by another session.
    TempDir copy;
    fs::create_directories(voc(copy));
    fs::copy(voc(dir), voc(copy), fs::copy_options::recursive | fs::copy_options::overwrite_existing);
    RecordingMessages otherMessages;
    DictionarySession fresh(otherMessages);
    fresh.open(paths(copy));
    ASSERT_EQ(words(fresh.list()), words(session.list()));

    std::optional<std::uint32_t> remembered, read;
    ASSERT_TRUE(session.topUp(60, middle, &remembered));
    ASSERT_TRUE(fresh.topUp(60, middle, &read));
    EXPECT_EQ(remembered, read);
    EXPECT_EQ(words(session.list()), words(fresh.list()));
    const auto drawn = words(session.list());
    EXPECT_NE(std::find(drawn.begin(), drawn.end(), "added"), drawn.end());
    EXPECT_EQ(std::find(drawn.begin(), drawn.end(), "added-excluded"), drawn.end());
    EXPECT_EQ(std::find(drawn.begin(), drawn.end(), "w30"), drawn.end());
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(TopUpMemoryTest, AChangeBySomeoneElseIsNotHiddenByALaterOwnChange)
{
    make(4, 1);
    session.open(paths(dir));
    ASSERT_TRUE(session.topUp(20, middle));
    ASSERT_EQ(session.list().size(), 4u);
    // The module re-activates the word, then the add dialog adds one.
    reactivateBehindTheSessionsBack(4, false);
    ASSERT_TRUE(session.addWord(word("added")));
    ASSERT_TRUE(session.topUp(20, middle));
    const auto drawn = words(session.list());
    EXPECT_EQ(drawn.size(), 6u);
    EXPECT_NE(std::find(drawn.begin(), drawn.end(), "w4"), drawn.end());
}

TEST_F(TopUpMemoryTest, TheWordsVersionFollowsTheWordsNotTheFlags)
{
    make(6, 1);
    session.open(paths(dir));
    const auto first = session.wordsVersion();
    ASSERT_TRUE(first);
    // Flags only: drawing, excluding, re-activating, a translation changed.
    ASSERT_TRUE(session.topUp(3, middle));
    ASSERT_TRUE(session.exclude(0));
    ASSERT_EQ(session.activate({"w6"}).activated, 1u);
    ASSERT_EQ(session.editText("w1", kTranslationColumn, "t-w1", "x"), DictionarySession::EditResult::written);
    EXPECT_EQ(session.wordsVersion(), first);

    // Each change of the words gives a version never given before.
    std::set<std::uint64_t> seen{*first};
    const auto fresh = [&] {
        const auto v = session.wordsVersion();
        return v && seen.insert(*v).second;
    };
    ASSERT_TRUE(session.addWord(word("added")));
    EXPECT_TRUE(fresh());
    ASSERT_EQ(session.deleteWords({"w2"}), 1u);
    EXPECT_TRUE(fresh());
    ASSERT_EQ(session.editText("w3", kWordColumn, "w3", "w3b"), DictionarySession::EditResult::written);
    EXPECT_TRUE(fresh());
    DictionarySession other(messages);
    other.open(paths(dir));
    EXPECT_TRUE(other.wordsVersion() && seen.count(*other.wordsVersion()) == 0) << "another session, another number";

    // A change on disk: no version until the session has looked again.
    reactivateBehindTheSessionsBack(0, false);
    EXPECT_FALSE(session.wordsVersion());
    session.refresh();
    EXPECT_TRUE(fresh());
}

} // namespace
} // namespace mox
