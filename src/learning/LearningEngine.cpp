#include "learning/LearningEngine.h"

#include <algorithm>
#include <cstddef>
#include <cstdio>

#include "language/CodePage.h"
#include "platform/ClockPort.h"
#include "settings/CurrentDictionary.h"
#include "settings/Settings.h"
#include "store/DictionarySession.h"
#include "store/RecordText.h"

namespace mox {

LearningEngine::LearningEngine(Settings& settings, ClockPort& clock, LearningCallbacks& callbacks,
                               DictionarySession& session)
    : settings_(settings), clock_(clock), callbacks_(callbacks), session_(session)
{
}

const std::vector<ListRecord>& LearningEngine::list() const
{
    return session_.list();
}

void LearningEngine::setList(std::vector<ListRecord> list)
{
    session_.replaceList(std::move(list));
    endPresentation();
}

bool LearningEngine::hasUnsavedChanges() const
{
    return session_.hasUnsavedChanges();
}

void LearningEngine::reseed()
{
    random_.seed(static_cast<std::uint64_t>(clock_.nowSeconds()));
}

void LearningEngine::endPresentation()
{
    rows_.clear();
    correctRow_ = 0;
    answer_.clear();
}

std::optional<std::size_t> LearningEngine::currentIndex() const
{
    // Rows always point into the list while a presentation lives; the check
    // keeps a stale index from ever reaching outside it.
    // A list that was read again or lost words since the presentation was
    // drawn holds other words at those places.
    if (correctRow_ >= rows_.size() || presentedGeneration_ != session_.generation())
        return std::nullopt;
    const std::size_t index = rows_[correctRow_];
    if (index >= session_.list().size())
        return std::nullopt;
    return index;
}

const ListRecord* LearningEngine::currentWord() const
{
    const auto index = currentIndex();
    return index ? &session_.list()[*index] : nullptr;
}

ListRecord* LearningEngine::current()
{
    const auto index = currentIndex();
    return index ? &session_.word(*index) : nullptr;
}

void LearningEngine::followCurrentDictionary()
{
    session_.open(currentDictionaryPaths(settings_));
}

void LearningEngine::loadList()
{
    endPresentation();
    const std::uint64_t before = session_.generation();
    followCurrentDictionary();
    if (session_.generation() == before)
        session_.reload();
}

void LearningEngine::refreshList()
{
    const std::uint64_t before = session_.generation();
    followCurrentDictionary();
    session_.refresh();
    if (session_.generation() != before)
        endPresentation();
}

bool LearningEngine::saveList(bool tellAgain)
{
    return session_.save(tellAgain);
}

bool LearningEngine::topUpList()
{
    followCurrentDictionary();
    reseed();
    std::optional<std::uint32_t> candidates;
    const bool ok = session_.topUp(
        settings_.iSubSetRecCount(), [this](std::uint32_t bound) { return random_.below(bound); }, &candidates);
    if (candidates)
        settings_.setUiDictActiveCount(*candidates);
    return ok;
}

std::string LearningEngine::bracketed(std::string_view transcription)
{
    if (transcription.empty())
        return {};
    const auto isBracket = [](char c) { return c == '[' || c == ']'; };
    std::string out;
    out.reserve(transcription.size() + 2);
    if (!isBracket(transcription.front()))
        out += '[';
    out += transcription;
    if (!isBracket(transcription.back()))
        out += ']';
    return out;
}

Presentation LearningEngine::presentNext()
{
    Presentation p;
    followCurrentDictionary();
    if (!session_.dictionaryExists()) {
        endPresentation();
        p.state = Presentation::State::noDictionary;
        return p;
    }
    const std::vector<ListRecord>& list = session_.list();
    if (list.empty()) {
        endPresentation();
        p.state = Presentation::State::emptyList;
        return p;
    }
    p.canExclude = true;

    rows_.clear();
    const std::size_t count = list.size();
    const std::size_t n = std::min<std::size_t>(count, std::max<std::uint16_t>(settings_.iRowCount(), 1));
    reseed();
    while (rows_.size() < n) {
        const std::uint32_t r = random_.below(static_cast<std::uint32_t>(count));
        if (std::find(rows_.begin(), rows_.end(), r) == rows_.end())
            rows_.push_back(r);
    }
    correctRow_ = static_cast<std::uint16_t>(random_.below(static_cast<std::uint32_t>(n)));
    presentedGeneration_ = session_.generation();

    const Mode mode = settings_.currentMode();
    std::uint16_t& direction = mode == Mode::Choice ? choiceDirection_ : typingDirection_;
    // 2 ("both") is drawn anew for every presentation; a value the window has
    // not replaced yet is drawn the same way.
    if (settings_.demoType(mode) == Direction::Both || direction > 1)
        direction = static_cast<std::uint16_t>(random_.below(2));
    presentedDirection_ = direction;
    const bool direct = direction == 0;

    const ListRecord& word = list[rows_[correctRow_]];
    const FontRole studied = FontRole::studiedLanguage;
    const FontRole translation = FontRole::translationLanguage;
    p.prompt = direct ? fieldText(word.word) : fieldText(word.translation);
    p.promptFont = direct ? studied : translation;
    answer_ = direct ? fieldText(word.translation) : fieldText(word.word);

    const bool showTranscription = mode == Mode::Choice ? settings_.bShowTranscrSel() != 0 : settings_.bShowTranscrInput() != 0;
    if (showTranscription) {
        if (direct) {
            p.transcription.kind = TranscriptionUpdate::Kind::show;
            p.transcription.text = bracketed(fieldView(word.transcription));
        } else {
            p.transcription.kind = TranscriptionUpdate::Kind::clear;
        }
    }

    if (mode == Mode::Choice) {
        p.variantFont = direct ? translation : studied;
        p.variants.reserve(rows_.size());
        for (const std::uint32_t row : rows_)
            p.variants.push_back(direct ? fieldText(list[row].translation) : fieldText(list[row].word));
    } else {
        p.typingFont = direct ? translation : studied;
    }

    if (settings_.bShowStatCurItem() != 0)
        p.statistics = statisticsLine();
    p.state = Presentation::State::ready;
    return p;
}

std::string LearningEngine::statisticsLine() const
{
    const ListRecord* word = currentWord();
    if (!word)
        return {};
    const int right = int{word->choiceDirectRight} + int{word->choiceReverseRight} + int{word->typingReverseRight};
    const int wrong = int{word->choiceDirectWrong} + int{word->choiceReverseWrong} + int{word->typingReverseWrong};
    const int excludeAfter = settings_.iExcludeAfter();
    const int remaining = right <= excludeAfter ? excludeAfter - right : 0;
    char line[64];
    std::snprintf(line, sizeof line, "%d-%d-%d-%d", int{word->answers}, right, wrong, remaining);
    return line;
}

bool LearningEngine::countAnyAnswer()
{
    ++anyAnswers_;
    const std::uint16_t threshold = settings_.iShowCount();
    return threshold != 0 && anyAnswers_ == threshold && settings_.iHideState() != 0;
}

bool LearningEngine::countCorrectAnswer()
{
    ++correctAnswers_;
    const std::uint16_t threshold = settings_.iHideAfter();
    return threshold != 0 && correctAnswers_ == threshold && settings_.iHideState() != 0;
}

bool LearningEngine::checkAnswer(std::string_view text)
{
    ListRecord* word = current();
    if (!word)
        return false;

    const Mode mode = settings_.currentMode();
    const bool direct = presentedDirection_ == 0;
    const FontRole answerFont = direct ? FontRole::translationLanguage : FontRole::studiedLanguage;
    bool correct = false;

    if (mode == Mode::Choice) {
        // An empty choice (no row selected) gets no verdict and no direction
        // counter, but counts as an answer that is not correct.
        if (!text.empty()) {
            correct = text == answer_;
            if (correct)
                ++(direct ? word->choiceDirectRight : word->choiceReverseRight);
            else
                ++(direct ? word->choiceDirectWrong : word->choiceReverseWrong);
        }
    } else {
        correct = !text.empty() &&
                  (settings_.bMatchCaseInput() != 0 ? text == answer_ : cp1251EqualsIgnoreCase(text, answer_));
        // Typing in the direct direction has no counters of its own.
        if (!direct)
            ++(correct ? word->typingReverseRight : word->typingReverseWrong);
    }
    ++word->answers;

    if (!correct) {
        word->streak = 0;
        // Every answer reaches the file at once: a crash loses at most the
        // answer being given.
        saveList();
        if (mode == Mode::Choice && text.empty())
            return false;
        showingWrongAnswer_ = true;
        callbacks_.hideTranscriptionLine();
        callbacks_.showCorrectAnswer(answer_, answerFont);
        if (mode == Mode::Choice)
            callbacks_.disableVariants();
        return false;
    }

    ++word->streak;
    const bool learned = word->streak >= settings_.iExcludeAfter();
    if (mode != Mode::Choice)
        callbacks_.clearTypedAnswer();
    if (!learned || !excludeCurrentWord())
        saveList();
    // `word` may be gone from here on.

    const bool anyRule = countAnyAnswer();
    const bool correctRule = countCorrectAnswer();
    if (anyRule || correctRule)
        callbacks_.retreatWithAutoshow();

    topUpList();
    callbacks_.render(presentNext());
    return true;
}

void LearningEngine::continueAfterWrong()
{
    if (!showingWrongAnswer_)
        return;
    showingWrongAnswer_ = false;
    callbacks_.showTranscriptionLine();
    callbacks_.render(presentNext());
    if (countAnyAnswer())
        callbacks_.retreatWithAutoshow();
    callbacks_.restoreAfterWrong(static_cast<std::uint16_t>(settings_.currentMode()));
}

bool LearningEngine::excludeCurrentWord()
{
    const auto index = currentIndex();
    if (!index)
        return false;
    if (!session_.exclude(*index))
        return false;
    endPresentation();
    return true;
}

void LearningEngine::resetShowingCounters()
{
    anyAnswers_ = 0;
    correctAnswers_ = 0;
}

void LearningEngine::setChoiceDirectionFromSettings()
{
    choiceDirection_ = static_cast<std::uint16_t>(settings_.demoType(Mode::Choice));
}

void LearningEngine::setTypingDirectionFromSettings()
{
    typingDirection_ = static_cast<std::uint16_t>(settings_.demoType(Mode::Typing));
}

std::optional<std::string> LearningEngine::transcriptionFor(std::string_view text, std::uint16_t mode) const
{
    for (const ListRecord& record : session_.list()) {
        const std::string_view key = mode == 0 ? fieldView(record.word) : fieldView(record.translation);
        if (key == text)
            return bracketed(fieldView(record.transcription));
    }
    return std::nullopt;
}

} // namespace mox
