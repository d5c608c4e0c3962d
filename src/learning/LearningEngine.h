#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "learning/LearningCallbacks.h"
#include "learning/Presentation.h"
#include "learning/Random.h"
#include "store/ListRecord.h"

namespace mox {

class Settings;
class ClockPort;
class DictionarySession;

// The logic of a learning turn: tops the working list up from the current
// dictionary, draws the word and the rows offered with it, judges answers,
// keeps the word's counters, takes learned words out of learning and counts
// answers for hiding the window. The list itself, and every file, belong to
// the dictionary session. It makes no window-system calls; the window renders
// its Presentation and carries out its callbacks.
//
// Order of calls used by the window: on every showing resetShowingCounters,
// topUpList, presentNext (render the result); on an answer checkAnswer (which
// after a correct answer tops up and renders the next word itself); after a
// wrong answer continueAfterWrong (which renders the next word itself); after
// the options sheet or a reload loadList, topUpList, presentNext.
//
// The mode in force is always Settings::currentMode() (0 choice, 1 typing).
class LearningEngine {
public:
    LearningEngine(Settings& settings, ClockPort& clock, LearningCallbacks& callbacks, DictionarySession& session);

    // Reads the list of the dictionary the settings name current from its
    // file (see DictionarySession::open and reload): when the settings name
    // another dictionary than before, the old list goes to its own file
    // first. The current presentation ends: there is no current word until
    // presentNext.
    void loadList();
    // The same, but the list is read again only when its files changed on
    // disk since the session last touched them (or the current dictionary
    // changed); the presentation ends when the list did.
    void refreshList();
    // Writes the whole list to its own file; false when it could not be
    // written (told once, see DictionarySession::save).
    bool saveList(bool tellAgain = false);
    // Whether the list in memory differs from the list file as last written
    // or read (answers given or words removed since).
    bool hasUnsavedChanges() const;
    // Draws fresh words from the dictionary until the list holds
    // iSubSetRecCount words or no candidate is left (see
    // DictionarySession::topUp); a pass over the dictionary stores the
    // number of candidates it found in uiDictActiveCount.
    bool topUpList();
    // Draws the next presentation. The caller renders it.
    Presentation presentNext();
    // Judges an answer: the selected row's text in choice mode, the typed text
    // in typing mode. True when correct. Without a current word it does
    // nothing and returns false.
    bool checkAnswer(std::string_view text);
    // Moves on after a wrong answer has been shown; nothing when none is shown.
    void continueAfterWrong();
    // Takes the current word out of learning: removes it from the list and
    // clears active and inList of its first dictionary record. False when there
    // is no current word or the dictionary could not be changed (the word
    // stays out of the list). Either way the current presentation ends.
    bool excludeCurrentWord();
    // "answers-right-wrong-remaining" of the current word; empty without one.
    std::string statisticsLine() const;
    // Answers since the window was shown restart at 0.
    void resetShowingCounters();
    void setChoiceDirectionFromSettings();
    void setTypingDirectionFromSettings();
    // The bracketed transcription of the first list record whose word (mode 0,
    // `text` is a variant) or translation (mode 1, `text` is the prompt)
    // equals `text` byte for byte; nothing without a match.
    std::optional<std::string> transcriptionFor(std::string_view text, std::uint16_t mode) const;

    // "[" in front and "]" at the end unless the text already starts or ends
    // with a bracket; an empty text stays empty.
    static std::string bracketed(std::string_view transcription);

    // State the window reads.
    const std::vector<ListRecord>& list() const;
    // Replaces the list in memory; the current presentation ends.
    void setList(std::vector<ListRecord> list);
    DictionarySession& session() { return session_; }
    // The current word's record, or nothing before the first presentation,
    // after the list changed under it, or after it was excluded.
    const ListRecord* currentWord() const;
    // Position of the current word in the list, when there is one.
    std::optional<std::size_t> currentIndex() const;
    const std::vector<std::uint32_t>& rows() const { return rows_; }
    std::uint16_t correctRow() const { return correctRow_; }
    // The expected answer of the current presentation.
    const std::string& answer() const { return answer_; }
    // The direction the current word was presented in: 0 direct, 1 reverse.
    std::uint16_t presentedDirection() const { return presentedDirection_; }
    std::uint16_t choiceDirection() const { return choiceDirection_; }
    std::uint16_t typingDirection() const { return typingDirection_; }
    // After a wrong answer the expected answer is shown until continueAfterWrong.
    bool isShowingWrongAnswer() const { return showingWrongAnswer_; }
    std::uint16_t anyAnswers() const { return anyAnswers_; }
    std::uint16_t correctAnswers() const { return correctAnswers_; }

private:
    ListRecord* current();
    // Moves the session to the dictionary the settings name current.
    void followCurrentDictionary();
    void endPresentation();
    void reseed();
    // Counts one answer for the hide rules; true when the window should retreat.
    bool countAnyAnswer();
    bool countCorrectAnswer();

    Settings& settings_;
    ClockPort& clock_;
    LearningCallbacks& callbacks_;
    DictionarySession& session_;
    Random random_;
    // The session's list generation the current presentation was drawn from.
    std::uint64_t presentedGeneration_ = 0;

    std::uint16_t choiceDirection_ = 0;
    std::uint16_t typingDirection_ = 0;
    std::vector<std::uint32_t> rows_;
    std::uint16_t correctRow_ = 0;
    std::string answer_;
    std::uint16_t presentedDirection_ = 0;
    bool showingWrongAnswer_ = false;
    std::uint16_t anyAnswers_ = 0;
    std::uint16_t correctAnswers_ = 0;
};

} // namespace mox
