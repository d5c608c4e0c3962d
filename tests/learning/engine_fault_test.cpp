// The engine after faults from outside: a kill in the middle of learning, a
// list that cannot be written. The list and the dictionary must agree again
// by the next showing, and a learned word must never come back.
#include <algorithm>
#include <csignal>
#include <poll.h>
#include <set>
#include <sys/wait.h>
#include <unistd.h>

#include "engine_support.h"
#include "store/StoreFixture.h"

namespace mox::test {
namespace {

class EngineFaults : public EngineTest {
protected:
    // Answers the current word right, choosing the asked row.
    bool answerRight()
    {
        engine.presentNext();
        if (!engine.currentWord())
            return false;
        return engine.checkAnswer(engine.answer());
    }

    // Checks that the files agree: each word of the list is in the dictionary,
    // active and marked, once.
    void expectFilesAgree()
    {
        const auto dict = dictionaryOnDisk();
        std::set<std::string> listed;
        for (const ListRecord& r : listOnDisk()) {
            const std::string word = fieldText(r.word);
            EXPECT_TRUE(listed.insert(word).second) << word << " twice in the list";
            for (const DictRecord& d : dict) {
                if (fieldText(d.word) == word) {
                    EXPECT_EQ(d.active, 1) << word << " is learned but in the list";
                    EXPECT_EQ(d.inList, 1) << word << " is in the list but not marked";
                    break;
                }
            }
        }
    }
};

TEST_F(EngineFaults, AListLeftBehindByACrashIsReconciledAtTheNextShowing)
{
    settings.setISubSetRecCount(3);
    // As a kill leaves them: "learned" was excluded in the dictionary but is
    // still in the list; "drawn" reached the list but not its mark; "lost"
    // is marked but its list record never reached the file.
    writeDictionary({dictWord("kept", "a", "", 1, 1), dictWord("learned", "b", "", 0, 0),
                     dictWord("drawn", "c", "", 1, 0), dictWord("lost", "d", "", 1, 1)});
    std::vector<ListRecord> list{listWord("kept", "a"), listWord("learned", "b"), listWord("drawn", "c"),
                                 listWord("learned", "b")};
    list[0].answers = 7;
    writeList(list);
    engine.loadList();
    // Reading the list reconciles it: only the word the dictionary stands
    // behind stays, and the mark no list record stands behind goes.
    ASSERT_EQ(engine.list().size(), 1u);
    EXPECT_EQ(fieldText(engine.list()[0].word), "kept");
    EXPECT_EQ(engine.list()[0].answers, 7);
    EXPECT_EQ(listOnDisk().size(), 1u);
    EXPECT_EQ(dictionaryOnDisk()[3].inList, 0) << "the lost word can be drawn again";

    ASSERT_TRUE(engine.topUpList());
    std::vector<std::string> words;
    for (const ListRecord& r : engine.list())
        words.push_back(fieldText(r.word));
    std::sort(words.begin() + 1, words.end());
    EXPECT_EQ(words, (std::vector<std::string>{"kept", "drawn", "lost"}));
    const auto dict = dictionaryOnDisk();
    EXPECT_EQ(dict[2].inList, 1) << "the drawn word is drawn once more, and marked now";
    EXPECT_EQ(dict[1].active, 0) << "the learned word stays learned";
    expectFilesAgree();
    EXPECT_EQ(listOnDisk().size(), 3u);
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(EngineFaults, ALearnedWordStaysOutWhileTheListCannotBeWrittenAndOneMessageTellsIt)
{
    settings.setIExcludeAfter(1);
    settings.setISubSetRecCount(3);
    // Fifty words in the list, far beyond its size: learning some of them
    // draws no fresh word, so only the list's own writes happen. With 47 or
    // more words left the list (224-byte records) is larger than the
    // dictionary (208-byte records), so a limit just past the dictionary's
    // end lets the dictionary take its changes in place and fails every list
    // write.
    prepare(50, 0);
    const auto listBefore = TempDir::readBytes(listFile());
    const std::size_t dictSize = TempDir::readBytes(dictFile()).size();
    {
        // No file may reach past the dictionary's end: the dictionary still
        // takes its changes in place, every write of the list fails as on a
        // full disk.
        testing::FileSizeLimit limit(dictSize + 1);
        ASSERT_TRUE(limit.active());
        ASSERT_TRUE(answerRight());
        ASSERT_TRUE(answerRight());
        EXPECT_EQ(engine.list().size(), 48u);
        EXPECT_EQ(TempDir::readBytes(listFile()), listBefore);
        EXPECT_EQ(messages.texts(), std::vector<std::string>{DictionarySession::kListUpdateFailed}) << "one failure, one message";

        // The next showing reads the list again: the file is older than the
        // list in memory, so the list in memory stays.
        engine.loadList();
        EXPECT_EQ(engine.list().size(), 48u);
        EXPECT_FALSE(engine.saveList());
        EXPECT_EQ(messages.shown.size(), 1u);
    }
    // Once the disk has room again the list reaches the file.
    engine.loadList();
    EXPECT_EQ(engine.list().size(), 48u);
    EXPECT_EQ(listOnDisk().size(), 48u);
    expectFilesAgree();
    {
        // A new failure, after a success, is told again.
        testing::FileSizeLimit limit(dictSize + 1);
        ASSERT_TRUE(answerRight());
        EXPECT_EQ(messages.shown.size(), 2u);
    }
}

TEST_F(EngineFaults, AKillDuringLearningLosesAtMostTheAnswerBeingGivenAndNeverALearnedWord)
{
    settings.setIExcludeAfter(2);
    settings.setISubSetRecCount(5);
    std::vector<DictRecord> dict;
    for (int i = 0; i < 400; ++i)
        dict.push_back(dictWord(wordText(i), translationText(i)));
    writeDictionary(dict);

    std::uint32_t onDiskBefore = 0;
    for (int round = 0; round < 6; ++round) {
        int pipeEnds[2];
        ASSERT_EQ(::pipe(pipeEnds), 0);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            // Learns as fast as it can and reports every answer it finished.
            ::close(pipeEnds[0]);
            engine.loadList();
            engine.topUpList();
            for (std::uint32_t done = 0;;) {
                clock.advance(1);
                // Every word learned (a fast disk): wait for the kill.
                while (!answerRight())
                    ::pause();
                ++done;
                if (::write(pipeEnds[1], &done, sizeof done) != sizeof done)
                    ::_exit(1);
            }
        }
        ::close(pipeEnds[1]);
        // The kill lands a while after the learner's first finished answer
        // (or after five seconds with none: nothing is left to learn), so a
        // slow start on a loaded machine does not leave a round empty.
        std::uint32_t finished = 0, n = 0;
        pollfd first{pipeEnds[0], POLLIN, 0};
        if (::poll(&first, 1, 5000) == 1 && ::read(pipeEnds[0], &n, sizeof n) == sizeof n)
            finished = n;
        ::usleep(30000 + 20000 * round);
        ::kill(child, SIGKILL);
        int status = 0;
        ::waitpid(child, &status, 0);
        ASSERT_TRUE(WIFSIGNALED(status)) << "the learner ended by itself";
        while (::read(pipeEnds[0], &n, sizeof n) == sizeof n)
            finished = n;
        ::close(pipeEnds[0]);
        if (round > 0 && finished == 0)
            break;  // nothing left to learn

        // The next start: read the list and show it (which reconciles).
        engine.loadList();
        engine.topUpList();
        expectFilesAgree();
        // Every right answer is on disk: in a list word's counter, or in a
        // word that left the list after its two answers.
        std::uint32_t onDisk = 0;
        for (const ListRecord& r : listOnDisk())
            onDisk += r.answers;
        for (const DictRecord& d : dictionaryOnDisk())
            onDisk += d.active == 0 ? 2 : 0;
        EXPECT_GE(onDisk - onDiskBefore + 1, finished) << "round " << round;
        EXPECT_LE(onDisk - onDiskBefore, finished + 1) << "round " << round;
        ASSERT_GT(finished, 0u);
        onDiskBefore = onDisk;
        // The next round goes on from this state.
    }
}

} // namespace
} // namespace mox::test
