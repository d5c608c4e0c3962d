#pragma once
#include <cstdint>
#include <string>

#include "learning/Presentation.h"

namespace mox {

// What the learning engine asks of the window that owns it. The engine decides
// everything that is shown; the window carries it out. All calls come on the
// thread that called the engine, from inside the engine operation named.
class LearningCallbacks {
public:
    virtual ~LearningCallbacks() = default;

    // Show a presentation. Called by checkAnswer after a correct answer and by
    // continueAfterWrong, which draw the next word themselves; presentNext
    // only returns its result, the caller renders it.
    virtual void render(const Presentation& presentation) = 0;

    // A wrong answer: show the expected answer on the answer button, in the
    // given font (checkAnswer).
    virtual void showCorrectAnswer(const std::string& answer, FontRole font) = 0;
    // A wrong answer in choice mode: the variants list is disabled until the
    // learner moves on (checkAnswer, after showCorrectAnswer).
    virtual void disableVariants() = 0;
    // Hide the transcription line (a wrong answer) and show it again (moving on).
    virtual void hideTranscriptionLine() = 0;
    virtual void showTranscriptionLine() = 0;
    // A correct typed answer: empty the typing field.
    virtual void clearTypedAnswer() = 0;

    // The end of a wrong answer (continueAfterWrong, last step): hide the
    // answer button; in choice mode (mode 0) enable the variants list and give
    // it the focus, in typing mode (mode 1) empty the typing field and give it
    // the focus.
    virtual void restoreAfterWrong(std::uint16_t mode) = 0;

    // The hide-after-answers rules fired: hide the window and arm the
    // automatic showing. Called at most once per answer.
    virtual void retreatWithAutoshow() = 0;
};

} // namespace mox
