// Judging answers: counters, verdict callbacks, the typed-answer case rules,
// exclusion after a run of right answers, hiding after answers, and the
// safety of operations without a current word.
#include "engine_support.h"

namespace mox::test {
namespace {

class AnswerTest : public EngineTest {
protected:
    // One word, asked in the given mode and direction.
    void askOneWord(std::uint16_t mode, std::uint16_t direction, const std::string& word = "cat",
                    const std::string& translation = "кот")
    {
        writeDictionary({dictWord(word, translation, "", 1, 1)});
        writeList({listWord(word, translation)});
        engine.loadList();
        settings.setCurrentMode(static_cast<Mode>(mode));
        settings.setDemoType(static_cast<Direction>(direction), static_cast<Mode>(mode));
        engine.setChoiceDirectionFromSettings();
        engine.setTypingDirectionFromSettings();
        ASSERT_EQ(engine.presentNext().state, Presentation::State::ready);
        window.events.clear();
    }
    const ListRecord& word() const { return engine.list().at(0); }
};

TEST_F(AnswerTest, ChoiceAnswersCountByDirectionAndVerdict)
{
    askOneWord(0, 1);
    WordList list = engine.list();
    list[0].answers = 4;
    list[0].streak = 2;
    list[0].choiceReverseRight = 1;
    engine.setList(list);
    engine.presentNext();

    EXPECT_TRUE(engine.checkAnswer("cat"));
    EXPECT_EQ(word().answers, 5);
    EXPECT_EQ(word().streak, 3);
    EXPECT_EQ(word().choiceReverseRight, 2);
    EXPECT_EQ(word().choiceDirectRight, 0);
    EXPECT_FALSE(engine.isShowingWrongAnswer());
    ASSERT_FALSE(window.rendered.empty()) << "a correct answer presents the next word itself";
    EXPECT_EQ(window.events.back(), "render");

    // Case matters in choice mode.
    window.events.clear();
    EXPECT_FALSE(engine.checkAnswer("Cat"));
    EXPECT_EQ(word().answers, 6);
    EXPECT_EQ(word().streak, 0);
    EXPECT_EQ(word().choiceReverseWrong, 1);
    EXPECT_TRUE(engine.isShowingWrongAnswer());
    EXPECT_EQ(window.events, (std::vector<std::string>{"hideTranscription", "answer:cat", "disableVariants"}));
    EXPECT_EQ(window.answerFont, FontRole::studiedLanguage);

    askOneWord(0, 0);
    EXPECT_FALSE(engine.checkAnswer("пёс"));
    EXPECT_EQ(word().choiceDirectWrong, 1);
    EXPECT_EQ(window.answerFont, FontRole::translationLanguage);
    EXPECT_EQ(window.events[1], "answer:кот");
}

TEST_F(AnswerTest, EmptyChoiceCountsAnAnswerWithoutVerdict)
{
    askOneWord(0, 0);
    WordList list = engine.list();
    list[0].streak = 4;
    engine.setList(list);
    engine.presentNext();
    window.events.clear();

    EXPECT_FALSE(engine.checkAnswer(""));
    EXPECT_EQ(word().answers, 1);
    EXPECT_EQ(word().streak, 0);
    EXPECT_EQ(word().choiceDirectWrong, 0);
    EXPECT_EQ(word().choiceDirectRight, 0);
    EXPECT_TRUE(window.events.empty());
    EXPECT_FALSE(engine.isShowingWrongAnswer());
}

TEST_F(AnswerTest, TypedAnswerMatchesCaseOnlyWhenAskedAndNeverTrims)
{
    askOneWord(1, 1);
    settings.setBMatchCaseInput(0);
    EXPECT_TRUE(engine.checkAnswer("Cat"));
    EXPECT_EQ(window.events.front(), "clearTyped");
    EXPECT_FALSE(engine.checkAnswer(" cat"));
    EXPECT_FALSE(engine.checkAnswer("cat "));
    engine.continueAfterWrong();

    settings.setBMatchCaseInput(1);
    EXPECT_FALSE(engine.checkAnswer("Cat"));
    engine.continueAfterWrong();
    EXPECT_TRUE(engine.checkAnswer("cat"));
    EXPECT_FALSE(engine.checkAnswer(""));
    EXPECT_EQ(word().answers, 6);
    EXPECT_EQ(word().typingReverseRight, 2);
    EXPECT_EQ(word().typingReverseWrong, 4);

    // Cyrillic letters of cp1251 fold too: "КОТ" against "кот".
    askOneWord(1, 0, "cat", "\xEA\xEE\xF2");
    settings.setBMatchCaseInput(0);
    EXPECT_TRUE(engine.checkAnswer("\xCA\xCE\xD2"));
    settings.setBMatchCaseInput(1);
    EXPECT_FALSE(engine.checkAnswer("\xCA\xCE\xD2"));
    EXPECT_EQ(window.events.back(), "answer:\xEA\xEE\xF2");
}

TEST_F(AnswerTest, DirectTypedAnswersChangeOnlyAnswersAndStreak)
{
    askOneWord(1, 0);
    EXPECT_TRUE(engine.checkAnswer("кот"));
    EXPECT_EQ(word().streak, 1);
    EXPECT_FALSE(engine.checkAnswer("кит"));
    const ListRecord& r = word();
    EXPECT_EQ(r.answers, 2);
    EXPECT_EQ(r.streak, 0);
    EXPECT_EQ(r.choiceDirectRight + r.choiceDirectWrong + r.choiceReverseRight + r.choiceReverseWrong +
                  r.typingReverseRight + r.typingReverseWrong,
              0);
    EXPECT_EQ(window.answerFont, FontRole::translationLanguage);
    EXPECT_EQ(window.events.back(), "answer:кот") << "typing keeps the variants list alone";
}

TEST_F(AnswerTest, ARunOfRightAnswersExcludesTheWordNotTheirTotal)
{
    settings.setIExcludeAfter(3);
    askOneWord(0, 0);
    const auto answer = [&](bool right) {
        const bool verdict = engine.checkAnswer(right ? engine.answer() : std::string("x"));
        if (!verdict)
            engine.continueAfterWrong();
        return verdict;
    };
    EXPECT_TRUE(answer(true));
    EXPECT_TRUE(answer(true));
    EXPECT_FALSE(answer(false));
    EXPECT_TRUE(answer(true));
    EXPECT_TRUE(answer(true));
    ASSERT_EQ(engine.list().size(), 1u) << "four rights, but the run is only two";
    EXPECT_EQ(word().streak, 2);
    EXPECT_TRUE(answer(true));
    EXPECT_TRUE(engine.list().empty());

    const DictRecord onDisk = dictionaryOnDisk().at(0);
    EXPECT_EQ(onDisk.active, 0);
    EXPECT_EQ(onDisk.inList, 0);
    EXPECT_EQ(window.rendered.back().state, Presentation::State::emptyList);
}

TEST_F(AnswerTest, WindowRetreatsWhenAnswersReachTheirCounts)
{
    prepare(10);
    settings.setIHideState(1);
    settings.setIShowCount(4);
    settings.setIHideAfter(10);
    engine.resetShowingCounters();
    engine.presentNext();

    EXPECT_TRUE(engine.checkAnswer(engine.answer()));
    EXPECT_FALSE(engine.checkAnswer("wrong"));
    EXPECT_EQ(engine.anyAnswers(), 1) << "a wrong answer counts when the learner moves on";
    engine.continueAfterWrong();
    EXPECT_EQ(engine.anyAnswers(), 2);
    EXPECT_TRUE(engine.checkAnswer(engine.answer()));
    EXPECT_EQ(window.retreats, 0);
    EXPECT_TRUE(engine.checkAnswer(engine.answer()));
    EXPECT_EQ(window.retreats, 1);

    // Equality, not a threshold: further answers do not retreat again.
    for (int i = 0; i < 5; ++i)
        engine.checkAnswer(engine.answer());
    EXPECT_EQ(window.retreats, 1);
    EXPECT_EQ(engine.correctAnswers(), 8);

    // The correct-answer rule fires on the tenth right answer since showing.
    engine.checkAnswer(engine.answer());
    EXPECT_EQ(window.retreats, 1);
    engine.checkAnswer(engine.answer());
    EXPECT_EQ(window.retreats, 2);

    // Both rules on one answer make one retreat; without iHideState none.
    engine.resetShowingCounters();
    settings.setIShowCount(2);
    settings.setIHideAfter(2);
    engine.checkAnswer(engine.answer());
    engine.checkAnswer(engine.answer());
    EXPECT_EQ(window.retreats, 3);
    engine.resetShowingCounters();
    settings.setIHideState(0);
    engine.checkAnswer(engine.answer());
    engine.checkAnswer(engine.answer());
    EXPECT_EQ(window.retreats, 3);
}

TEST_F(AnswerTest, MovingOnAfterAWrongAnswerRestoresInOrderOnce)
{
    prepare(3);
    settings.setIHideState(1);
    settings.setIShowCount(1);
    engine.presentNext();
    engine.continueAfterWrong();
    EXPECT_TRUE(window.events.empty()) << "nothing to move on from";

    settings.setCurrentMode(Mode::Typing);
    engine.presentNext();
    ASSERT_FALSE(engine.checkAnswer("nonsense"));
    window.events.clear();
    engine.continueAfterWrong();
    EXPECT_EQ(window.events,
              (std::vector<std::string>{"showTranscription", "render", "retreat", "restore:1"}));
    EXPECT_FALSE(engine.isShowingWrongAnswer());
    engine.continueAfterWrong();
    EXPECT_EQ(window.events.size(), 4u);
    EXPECT_EQ(engine.anyAnswers(), 1);
}

TEST_F(AnswerTest, CountersWrapAt65536AndReachTheListFile)
{
    askOneWord(0, 0);
    WordList list = engine.list();
    list[0].answers = 65535;
    list[0].choiceDirectRight = 65535;
    list[0].streak = 7;
    engine.setList(list);
    engine.presentNext();
    EXPECT_TRUE(engine.checkAnswer(engine.answer()));
    EXPECT_EQ(word().answers, 0);
    EXPECT_EQ(word().choiceDirectRight, 0);
    EXPECT_EQ(word().streak, 8);

    ASSERT_TRUE(engine.saveList());
    const auto bytes = TempDir::readBytes(listFile());
    ASSERT_EQ(bytes.size(), 224u);
    EXPECT_EQ(bytes[192], 0);
    EXPECT_EQ(bytes[193], 0);
    EXPECT_EQ(bytes[194], 8);
    EXPECT_EQ(bytes[196], 0);
    EXPECT_EQ(bytes[212], 1);
    engine.loadList();
    EXPECT_EQ(engine.list().at(0).streak, 8);
}

TEST_F(AnswerTest, WithoutACurrentWordOperationsDoNothing)
{
    prepare(5);
    // Before any presentation.
    EXPECT_EQ(engine.currentWord(), nullptr);
    EXPECT_FALSE(engine.checkAnswer("word0"));
    EXPECT_FALSE(engine.excludeCurrentWord());
    EXPECT_EQ(engine.statisticsLine(), "");

    // After the list was replaced by a shorter one under a presentation.
    settings.setDemoType(Direction::Reverse, Mode::Choice);
    engine.setChoiceDirectionFromSettings();
    engine.presentNext();
    ASSERT_NE(engine.currentWord(), nullptr);
    engine.setList({listWord("only", "единственное")});
    EXPECT_EQ(engine.currentWord(), nullptr);
    EXPECT_FALSE(engine.checkAnswer("only"));
    EXPECT_EQ(engine.list().at(0).answers, 0);

    // After reading the list again.
    prepare(5);
    engine.presentNext();
    engine.loadList();
    EXPECT_FALSE(engine.currentIndex().has_value());
    EXPECT_FALSE(engine.checkAnswer("word1"));
    for (const ListRecord& r : engine.list())
        EXPECT_EQ(r.answers, 0);
    EXPECT_TRUE(window.events.empty());
    EXPECT_TRUE(dictionaryOnDisk().size() == 5 && dictionaryOnDisk()[0].active == 1);
}

} // namespace
} // namespace mox::test
