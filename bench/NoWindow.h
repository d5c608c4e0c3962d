#pragma once
#include <string>

#include "learning/LearningCallbacks.h"

// A learning window for the benchmarks that renders nothing and does nothing.
class NoWindow final : public mox::LearningCallbacks {
public:
    void render(const mox::Presentation&) override {}
    void showCorrectAnswer(const std::string&, mox::FontRole) override {}
    void disableVariants() override {}
    void hideTranscriptionLine() override {}
    void showTranscriptionLine() override {}
    void clearTypedAnswer() override {}
    void restoreAfterWrong(std::uint16_t) override {}
    void retreatWithAutoshow() override {}
};
