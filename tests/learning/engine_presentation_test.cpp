// Drawing presentations: rows, the asked word, direction, transcription,
// statistics and the states of an empty list or a missing dictionary.
#include <algorithm>
#include <set>

#include "engine_support.h"
#include "learning/Random.h"

namespace mox::test {
namespace {

using State = Presentation::State;
using Kind = TranscriptionUpdate::Kind;

TEST_F(EngineTest, RowsAreDistinctLimitedByListAndRowCountAndIncludeTheAskedWord)
{
    for (const int size : {1, 3, 10}) {
        prepare(size);
        for (int second = 0; second < 40; ++second) {
            clock.set(1'700'000'000 + second);
            const Presentation p = engine.presentNext();
            ASSERT_EQ(p.state, State::ready);
            const std::size_t expected = std::min<std::size_t>(size, 5);
            ASSERT_EQ(engine.rows().size(), expected) << "list of " << size;
            ASSERT_EQ(p.variants.size(), expected);
            const std::set<std::uint32_t> distinct(engine.rows().begin(), engine.rows().end());
            EXPECT_EQ(distinct.size(), expected);
            for (const std::uint32_t row : engine.rows())
                EXPECT_LT(row, static_cast<std::uint32_t>(size));
            ASSERT_LT(engine.correctRow(), expected);
            // The asked word is the row at correctRow, and its answer is offered.
            EXPECT_EQ(p.variants[engine.correctRow()], engine.answer());
            EXPECT_EQ(engine.rows()[engine.correctRow()], asked());
        }
    }

    settings.setIRowCount(1);
    const Presentation single = engine.presentNext();
    EXPECT_EQ(single.variants.size(), 1u);
    EXPECT_EQ(single.variants[0], engine.answer());
}

TEST_F(EngineTest, PresentationsWithinOneSecondRepeatAndOtherSecondsVary)
{
    prepare(10);
    const Presentation first = engine.presentNext();
    const auto rows = engine.rows();
    const auto correct = engine.correctRow();
    const Presentation second = engine.presentNext();
    EXPECT_EQ(engine.rows(), rows);
    EXPECT_EQ(engine.correctRow(), correct);
    EXPECT_EQ(second.variants, first.variants);
    EXPECT_EQ(second.prompt, first.prompt);

    std::set<std::vector<std::uint32_t>> seen;
    for (int s = 1; s <= 10; ++s) {
        clock.advance(1);
        engine.presentNext();
        seen.insert(engine.rows());
    }
    EXPECT_GT(seen.size(), 5u) << "the seed must follow the clock";
}

TEST_F(EngineTest, ChoiceDirectionFollowsSettingOrIsDrawnEachTime)
{
    prepare(6);
    std::set<std::uint16_t> directions;
    settings.setDemoType(Direction::Both, Mode::Choice);
    engine.setChoiceDirectionFromSettings();
    for (int s = 0; s < 40; ++s) {
        clock.advance(1);
        const Presentation p = engine.presentNext();
        const ListRecord& word = *engine.currentWord();
        directions.insert(engine.choiceDirection());
        ASSERT_EQ(engine.choiceDirection(), engine.presentedDirection());
        if (engine.choiceDirection() == 0) {
            EXPECT_EQ(p.prompt, fieldText(word.word));
            EXPECT_EQ(p.promptFont, FontRole::studiedLanguage);
            EXPECT_EQ(p.variantFont, FontRole::translationLanguage);
            EXPECT_EQ(engine.answer(), fieldText(word.translation));
        } else {
            EXPECT_EQ(p.prompt, fieldText(word.translation));
            EXPECT_EQ(p.promptFont, FontRole::translationLanguage);
            EXPECT_EQ(p.variantFont, FontRole::studiedLanguage);
            EXPECT_EQ(engine.answer(), fieldText(word.word));
        }
    }
    EXPECT_EQ(directions, (std::set<std::uint16_t>{0, 1}));

    for (const std::uint16_t fixed : {std::uint16_t{0}, std::uint16_t{1}}) {
        settings.setDemoType(static_cast<Direction>(fixed), Mode::Choice);
        engine.setChoiceDirectionFromSettings();
        for (int s = 0; s < 20; ++s) {
            clock.advance(1);
            engine.presentNext();
            EXPECT_EQ(engine.choiceDirection(), fixed);
        }
    }
}

TEST_F(EngineTest, TypingModeHasNoVariantsAndItsOwnDirection)
{
    prepare(4);
    settings.setCurrentMode(Mode::Typing);
    settings.setDemoType(Direction::Direct, Mode::Choice);
    settings.setDemoType(Direction::Reverse, Mode::Typing);
    engine.setChoiceDirectionFromSettings();
    engine.setTypingDirectionFromSettings();
    Presentation p = engine.presentNext();
    EXPECT_TRUE(p.variants.empty());
    EXPECT_EQ(engine.rows().size(), 4u);
    EXPECT_EQ(engine.typingDirection(), 1);
    EXPECT_EQ(p.prompt, fieldText(engine.currentWord()->translation));
    EXPECT_EQ(p.typingFont, FontRole::studiedLanguage);
    EXPECT_EQ(engine.answer(), fieldText(engine.currentWord()->word));

    settings.setDemoType(Direction::Direct, Mode::Typing);
    engine.setTypingDirectionFromSettings();
    p = engine.presentNext();
    EXPECT_EQ(p.prompt, fieldText(engine.currentWord()->word));
    EXPECT_EQ(p.typingFont, FontRole::translationLanguage);
    EXPECT_EQ(engine.answer(), fieldText(engine.currentWord()->translation));
    EXPECT_EQ(engine.choiceDirection(), 0) << "typing leaves the choice direction alone";
}

TEST(EngineBrackets, TranscriptionIsBracketedOnlyWhereABracketIsMissing)
{
    EXPECT_EQ(LearningEngine::bracketed("ek"), "[ek]");
    EXPECT_EQ(LearningEngine::bracketed("[ek]"), "[ek]");
    EXPECT_EQ(LearningEngine::bracketed("ek]"), "[ek]");
    EXPECT_EQ(LearningEngine::bracketed("[ek"), "[ek]");
    EXPECT_EQ(LearningEngine::bracketed("]ek["), "]ek[");
    EXPECT_EQ(LearningEngine::bracketed("e"), "[e]");
    EXPECT_EQ(LearningEngine::bracketed(""), "");
}

TEST_F(EngineTest, TranscriptionLineIsShownForDirectClearedForReverseKeptWhenOff)
{
    writeDictionary({dictWord("cat", "кот", "k\xe6t", 1, 1)});
    writeList({listWord("cat", "кот", "k\xe6t")});
    engine.loadList();

    settings.setBShowTranscrSel(1);
    settings.setDemoType(Direction::Direct, Mode::Choice);
    engine.setChoiceDirectionFromSettings();
    Presentation p = engine.presentNext();
    EXPECT_EQ(p.transcription.kind, Kind::show);
    EXPECT_EQ(p.transcription.text, "[k\xe6t]");

    settings.setDemoType(Direction::Reverse, Mode::Choice);
    engine.setChoiceDirectionFromSettings();
    EXPECT_EQ(engine.presentNext().transcription.kind, Kind::clear);

    settings.setBShowTranscrSel(0);
    EXPECT_EQ(engine.presentNext().transcription.kind, Kind::keep);

    // Typing mode answers to its own switch.
    settings.setCurrentMode(Mode::Typing);
    settings.setDemoType(Direction::Direct, Mode::Typing);
    engine.setTypingDirectionFromSettings();
    EXPECT_EQ(engine.presentNext().transcription.kind, Kind::keep);
    settings.setBShowTranscrInput(1);
    p = engine.presentNext();
    EXPECT_EQ(p.transcription.kind, Kind::show);
    EXPECT_EQ(p.transcription.text, "[k\xe6t]");
}

TEST_F(EngineTest, MissingDictionaryAndEmptyListAreReportedAsStates)
{
    Presentation p = engine.presentNext();
    EXPECT_EQ(p.state, State::noDictionary);
    EXPECT_FALSE(p.canExclude);

    writeDictionary({});
    p = engine.presentNext();
    EXPECT_EQ(p.state, State::emptyList);
    EXPECT_FALSE(p.canExclude);
    EXPECT_TRUE(p.prompt.empty());
    EXPECT_EQ(engine.currentWord(), nullptr);

    prepare(2);
    p = engine.presentNext();
    EXPECT_EQ(p.state, State::ready);
    EXPECT_TRUE(p.canExclude);
    EXPECT_FALSE(p.prompt.empty());
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(EngineTest, StatisticsLineCountsAnswersRightsWrongsAndRemaining)
{
    settings.setIExcludeAfter(5);
    prepare(1);
    engine.presentNext();
    EXPECT_EQ(engine.statisticsLine(), "0-0-0-5");

    WordList list = engine.list();
    list[0].answers = 7;
    list[0].choiceDirectRight = 3;
    list[0].choiceReverseRight = 1;
    list[0].choiceDirectWrong = 2;
    list[0].choiceReverseWrong = 1;
    engine.setList(list);
    settings.setBShowStatCurItem(1);
    EXPECT_EQ(engine.presentNext().statistics, "7-4-3-1");

    // More rights than iExcludeAfter leave 0 remaining; the sums do not wrap.
    list[0].choiceDirectRight = 65535;
    list[0].typingReverseRight = 2;
    list[0].typingReverseWrong = 65535;
    engine.setList(list);
    EXPECT_EQ(engine.presentNext().statistics, "7-65538-65538-0");

    settings.setBShowStatCurItem(0);
    EXPECT_EQ(engine.presentNext().statistics, "");
}

TEST_F(EngineTest, TranscriptionHintIsLookedUpByWordInChoiceAndByTranslationInTyping)
{
    engine.setList({listWord("lead", "вести", "li:d"), listWord("lead", "свинец", "[led]"),
                    listWord("read", "читать", "")});
    EXPECT_EQ(engine.transcriptionFor("lead", 0), "[li:d]") << "the first match wins";
    EXPECT_EQ(engine.transcriptionFor("свинец", 1), "[led]");
    EXPECT_EQ(engine.transcriptionFor("read", 0), "");
    EXPECT_EQ(engine.transcriptionFor("Lead", 0), std::nullopt);
    EXPECT_EQ(engine.transcriptionFor("lead", 1), std::nullopt);
    EXPECT_EQ(engine.transcriptionFor("вести", 0), std::nullopt);
}

TEST(EngineRandom, SameSeedRepeatsAndLargeRangesAreCoveredUniformly)
{
    Random a(42), b(42);
    for (int i = 0; i < 100; ++i)
        ASSERT_EQ(a.next(), b.next());

    // A dictionary of 100,000 words: every part of it must be reachable, not
    // only the first 32768 records.
    Random r(7);
    std::uint32_t highest = 0;
    int buckets[4] = {};
    for (int i = 0; i < 8000; ++i) {
        const std::uint32_t v = r.below(100'000);
        ASSERT_LT(v, 100'000u);
        highest = std::max(highest, v);
        ++buckets[v / 25'000];
    }
    EXPECT_GT(highest, 99'000u);
    for (const int count : buckets)
        EXPECT_NEAR(count, 2000, 250);

    EXPECT_EQ(r.below(1), 0u);
    EXPECT_EQ(r.below(0), 0u);
}

} // namespace
} // namespace mox::test
