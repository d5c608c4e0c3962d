#pragma once
#include <deque>
#include <string>
#include <vector>

#include "platform/MessagePort.h"

namespace mox {

// A message port for tests: records every message and answers with queued
// answers (Ok, or Yes for question boxes, when none is queued).
class RecordingMessages final : public MessagePort {
public:
    struct Shown {
        std::string text;
        MessageIcon icon;
        MessageButtons buttons;
        std::string title; // empty: the program's caption
    };

    MessageAnswer show(std::string_view text, MessageIcon icon, MessageButtons buttons = MessageButtons::Ok,
                       std::string_view title = {}) override
    {
        shown.push_back({std::string(text), icon, buttons, std::string(title)});
        if (!answers.empty()) {
            auto a = answers.front();
            answers.pop_front();
            return a;
        }
        return buttons == MessageButtons::Ok || buttons == MessageButtons::OkCancel ? MessageAnswer::Ok
                                                                                    : MessageAnswer::Yes;
    }

    std::vector<std::string> texts() const
    {
        std::vector<std::string> out;
        for (const auto& s : shown)
            out.push_back(s.text);
        return out;
    }
    void clear() { shown.clear(); }

    std::vector<Shown> shown;
    std::deque<MessageAnswer> answers;
};

} // namespace mox
