// The dictionary session with two dictionaries on real files: a working list
// only ever reaches its own dictionary's file, every change keeps the list and
// the inList flags in agreement, and a crash between two writes is repaired
// the next time the list is read.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "platform/fake/RecordingMessages.h"
#include "store/DictionaryFolder.h"
#include "store/DictionarySession.h"
#include "store/RecordText.h"
#include "store/Store.h"
#include "support/RecordFiles.h"
#include "support/TempDir.h"

namespace mox {
namespace {

namespace fs = std::filesystem;

DictRecord word(const std::string& text, std::uint8_t active = 1, std::uint8_t inList = 0)
{
    DictRecord r = newDictRecord();
    setFieldText(r.word, text);
    setFieldText(r.translation, "t-" + text);
    r.active = active;
    r.inList = inList;
    return r;
}

ListRecord entry(const std::string& text)
{
    return newListRecord(word(text));
}

class SessionTest : public ::testing::Test {
protected:
    SessionTest() { fs::create_directories(voc()); }

    fs::path voc() const { return dir.path() / "voc"; }
    DictionaryPaths paths(const std::string& base) const
    {
        return DictionaryFolder(voc().string()).resolve(base + ".dct", base + ".lst");
    }
    // A dictionary of `listed` words in its list followed by `fresh` ones.
    void make(const std::string& base, int listed, int fresh)
    {
        std::vector<DictRecord> dictionary;
        std::vector<ListRecord> list;
        for (int i = 0; i < listed + fresh; ++i) {
            const std::string text = base + std::to_string(i);
            dictionary.push_back(word(text, 1, i < listed ? 1 : 0));
            if (i < listed)
                list.push_back(entry(text));
        }
        writeRecords(voc() / (base + ".dct"), dictionary);
        writeRecords(voc() / (base + ".lst"), list);
    }
    std::vector<DictRecord> dictionary(const std::string& base) const
    {
        return readRecords<DictRecord>(voc() / (base + ".dct"));
    }
    std::vector<std::string> listWords(const std::string& base) const
    {
        std::vector<std::string> words;
        for (const ListRecord& r : readRecords<ListRecord>(voc() / (base + ".lst")))
            words.push_back(fieldText(r.word));
        return words;
    }
    // Every list word has a live, active, marked record, and every marked
    // record is in the list.
    void expectAgreement(const std::string& base) const
    {
        const std::vector<std::string> words = listWords(base);
        const std::set<std::string> listed(words.begin(), words.end());
        std::set<std::string> marked;
        for (const DictRecord& r : dictionary(base)) {
            if (r.deleted == 0 && r.inList != 0) {
                marked.insert(fieldText(r.word));
                EXPECT_NE(r.active, 0) << fieldText(r.word);
            }
        }
        EXPECT_EQ(listed, marked) << base;
        EXPECT_EQ(words.size(), listed.size()) << base << ": a word twice in the list";
    }

    TempDir dir;
    RecordingMessages messages;
    DictionarySession session{messages};
};

TEST_F(SessionTest, TheListFollowsItsDictionaryAndNeverReachesAnothersFile)
{
    make("english", 5, 5);
    make("b", 3, 3);
    session.open(paths("english"));
    session.word(0).answers = 9;  // an answer not yet written

    // The current dictionary becomes b: english's answer reaches english's
    // list, and the list in memory is b's.
    session.open(paths("b"));
    EXPECT_EQ(readRecords<ListRecord>(voc() / "english.lst").at(0).answers, 9);
    ASSERT_EQ(session.list().size(), 3u);
    EXPECT_EQ(fieldText(session.list()[0].word), "b0");

    // Deleting a word of b and renaming another change b's files only.
    const auto englishList = TempDir::readBytes(voc() / "english.lst");
    ASSERT_EQ(session.deleteWords({"b1"}), 1u);
    EXPECT_EQ(session.editText("b2", kWordColumn, "b2", "b2x"), DictionarySession::EditResult::written);
    EXPECT_EQ(listWords("b"), (std::vector<std::string>{"b0", "b2x"}));
    EXPECT_EQ(TempDir::readBytes(voc() / "english.lst"), englishList);
    expectAgreement("b");
    expectAgreement("english");
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(SessionTest, ReadingAListReconcilesItWithItsDictionaryBothWays)
{
    // As crashes leave them: "learned" excluded but still listed, "drawn"
    // listed without its mark, "lost" marked without its list record,
    // "orphan" listed but in no record, "deleted" a tombstone still listed.
    std::vector<DictRecord> records{word("kept", 1, 1), word("learned", 0, 0), word("drawn", 1, 0),
                                    word("lost", 1, 1), word("fresh")};
    DictRecord tombstone = word("deleted", 1, 1);
    tombstone.deleted = 1;
    records.push_back(tombstone);
    writeRecords(voc() / "english.dct", records);
    std::vector<ListRecord> list{entry("kept"), entry("learned"), entry("drawn"), entry("orphan"), entry("deleted")};
    list[0].answers = 4;
    writeRecords(voc() / "english.lst", list);

    session.open(paths("english"));
    ASSERT_EQ(session.list().size(), 1u);
    EXPECT_EQ(session.list()[0].answers, 4);
    EXPECT_EQ(listWords("english"), std::vector<std::string>{"kept"});
    expectAgreement("english");
    EXPECT_TRUE(messages.shown.empty());

    // The repaired pair tops up as any other: the unmarked words are drawn again.
    std::uint32_t next = 0;
    ASSERT_TRUE(session.topUp(4, [&next](std::uint32_t) { return next; }));
    EXPECT_EQ(session.list().size(), 4u);
    expectAgreement("english");
}

TEST_F(SessionTest, AKillBetweenTheTwoWritesOfAnyChangeIsRepairedAtTheNextRead)
{
    make("english", 4, 4);
    // A word renamed in the dictionary whose list save never happened.
    {
        auto records = dictionary("english");
        setFieldText(records[1].word, "renamed");
        writeRecords(voc() / "english.dct", records);
    }
    // Words deleted in the dictionary whose list save never happened.
    {
        auto records = dictionary("english");
        records[2] = makeTombstone();
        writeRecords(voc() / "english.dct", records);
    }
    // A word drawn into the list whose mark never reached the dictionary.
    {
        auto list = readRecords<ListRecord>(voc() / "english.lst");
        list.push_back(entry("english5"));
        writeRecords(voc() / "english.lst", list);
    }
    session.open(paths("english"));
    expectAgreement("english");
    EXPECT_EQ(listWords("english"), (std::vector<std::string>{"english0", "english3"}));
    // Nothing stays out of reach: every live active record is in the list
    // or can be drawn.
    for (const DictRecord& r : dictionary("english")) {
        const bool reachable = r.deleted != 0 || r.inList == 0 || fieldText(r.word) == "english0" ||
                               fieldText(r.word) == "english3";
        EXPECT_TRUE(reachable) << fieldText(r.word);
    }
    ASSERT_TRUE(session.topUp(20, [](std::uint32_t) { return 0u; }));
    EXPECT_EQ(session.list().size(), 7u) << "renamed, english4..7 and the two kept";
}

TEST_F(SessionTest, ChangesOnDiskAreReadOnlyWhenThereAreAny)
{
    make("english", 3, 2);
    session.open(paths("english"));
    const std::uint64_t generation = session.generation();
    session.refresh();
    EXPECT_EQ(session.generation(), generation) << "nothing changed: the list in memory stands";

    // The module (another program) rewrites the list.
    writeRecords(voc() / "english.lst", std::vector<ListRecord>{entry("english0")});
    session.refresh();
    EXPECT_NE(session.generation(), generation);
    EXPECT_EQ(session.list().size(), 1u);
    expectAgreement("english");
}

TEST_F(SessionTest, ADictionaryWithATornTailIsUsedUpToItsLastWholeRecord)
{
    make("english", 0, 3);
    auto bytes = TempDir::readBytes(voc() / "english.dct");
    bytes.resize(bytes.size() + 57, 0x11);
    TempDir::writeBytes(voc() / "english.dct", bytes);
    session.open(paths("english"));
    EXPECT_EQ(DictItemCount(paths("english").dictionary, messages), 3u);
    ASSERT_TRUE(session.topUp(2, [](std::uint32_t) { return 0u; }));
    EXPECT_EQ(session.list().size(), 2u);
    // A word added now starts at the record boundary, not after the tail.
    ASSERT_TRUE(session.addWord(word("added")));
    const auto records = dictionary("english");
    ASSERT_EQ(records.size(), 4u);
    EXPECT_EQ(fieldText(records[3].word), "added");
    EXPECT_EQ(fs::file_size(voc() / "english.dct"), 4 * sizeof(DictRecord));
}

TEST_F(SessionTest, ExcludingAndClosingKeepTheFilesInAgreement)
{
    make("english", 3, 0);
    session.open(paths("english"));
    ASSERT_TRUE(session.exclude(1));
    EXPECT_EQ(listWords("english"), (std::vector<std::string>{"english0", "english2"}));
    EXPECT_EQ(dictionary("english")[1].active, 0);
    expectAgreement("english");

    // A dictionary about to be deleted: its list in memory is dropped, and
    // no later save brings its list file back.
    session.word(0).answers = 3;
    session.close();
    fs::remove(voc() / "english.dct");
    fs::remove(voc() / "english.lst");
    EXPECT_FALSE(session.save());
    session.open(paths("english"));
    EXPECT_FALSE(fs::exists(voc() / "english.lst"));
}

} // namespace
} // namespace mox
