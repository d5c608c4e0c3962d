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
class MessagePort;

// The logic of a learning turn: keeps the working list in memory, tops it up
// from the current dictionary, draws the word and the rows offered with it,
// judges answers, keeps the word's counters, takes learned words out of
// learning and counts answers for hiding the window. It makes no window-system
// calls; the window renders its Presentation and carries out its callbacks.
//
// Order of calls used by the window: on every showing resetShowingCounters,
// topUpList, presentNext (render the result); on an answer checkAnswer (which
// after a correct answer tops up and renders the next word itself); after a
// wrong answer continueAfterWrong (which renders the next word itself); after
// the options sheet or a reload loadList, topUpList, presentNext.
//
// The mode in force is always Settings::currentMode() (0 choice, 1 typing).
// Messages go to settings.messages().
class LearningEngine {
public:
    LearningEngine(Settings& settings, ClockPort& clock, LearningCallbacks& callbacks);

    // Empties the list and reads it again from the list file. The current
    // presentation ends: there is no current word until presentNext. While
    // the list file is known to be older than the list in memory (its last
    // write failed), the file is written first, and when that fails again the
    // list in memory is kept: reading the older file would bring back the
    // answers and the learned words it lacks. The next topUpList reconciles
    // what was read with the dictionary.
    void loadList();
    // Writes the whole list to the list file (a new file renamed over the old
    // one); false when it could not be written. A failure is told once,
    // "Ошибка: не удалось обновить список.", and not again until a write has
    // succeeded (`tellAgain` tells it even then: the last write before the
    // end). Without a usable list name nothing is written or told.
    bool saveList(bool tellAgain = false);
    // Whether the list in memory differs from the list file as last written
    // or read (answers given or words removed since).
    bool hasUnsavedChanges() const { return unsaved_; }
    // Draws fresh words from the dictionary until the list holds
    // iSubSetRecCount words or no candidate is left. Each word is appended to
    // the list file and its dictionary record marked inList. False when the
    // dictionary holds no word, cannot be opened, offers no candidate for a
    // list of fewer than 3 words, or a write failed.
    //
    // After loadList the same pass over the dictionary also makes the list
    // and the dictionary agree again after a crash or a failed write: a word
    // whose dictionary record is excluded (learned: active and inList 0)
    // leaves the list and never comes back, and a word of the list whose
    // record is active but not marked inList gets its mark, so it is not
    // drawn a second time. The list is written when a word left it.
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
    const std::vector<ListRecord>& list() const { return list_; }
    // Replaces the list in memory (e.g. after the editor changed it); the
    // current presentation ends.
    void setList(std::vector<ListRecord> list);
    // The list in memory itself, for the dictionary editor, which renames and
    // removes entries in place and then saves the list. The window reloads
    // the list before it presents again.
    std::vector<ListRecord>& workingList()
    {
        unsaved_ = true;
        return list_;
    }
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
    void endPresentation();
    void reseed();
    // Counts one answer for the hide rules; true when the window should retreat.
    bool countAnyAnswer();
    bool countCorrectAnswer();
    // Drops the words the dictionary says are learned and marks the ones it
    // has not marked; `candidates` loses the marked records.
    struct ListWordState;
    void reconcile(std::fstream& dictionary, const std::vector<ListWordState>& states,
                   std::vector<std::uint32_t>& candidates);

    Settings& settings_;
    ClockPort& clock_;
    LearningCallbacks& callbacks_;
    Random random_;

    std::vector<ListRecord> list_;
    std::uint16_t choiceDirection_ = 0;
    std::uint16_t typingDirection_ = 0;
    std::vector<std::uint32_t> rows_;
    std::uint16_t correctRow_ = 0;
    std::string answer_;
    std::uint16_t presentedDirection_ = 0;
    bool showingWrongAnswer_ = false;
    std::uint16_t anyAnswers_ = 0;
    std::uint16_t correctAnswers_ = 0;

    // The list as read needs reconciling with the dictionary (see topUpList).
    bool reconcilePending_ = false;
    bool unsaved_ = false;
    // The last write of the list failed (and was told).
    bool saveFailed_ = false;
    // The list file the list in memory belongs to.
    std::string listOwner_;
};

} // namespace mox
