#pragma once
#include <string_view>

namespace mox {

// The icons of the program's message boxes.
enum class MessageIcon { None, Error, Warning, Question, Information };
enum class MessageButtons { Ok, OkCancel, YesNo, YesNoCancel };
enum class MessageAnswer { Ok, Cancel, Yes, No };

// Shows a modal message to the user and returns the button pressed.
// Texts are UTF-8. The Qt adapter uses QMessageBox; tests record the calls.
// The box's title is the program's caption ("Mox!") unless one is given
// (a few boxes are titled "Сообщение" or "Предупреждение").
class MessagePort {
public:
    virtual ~MessagePort() = default;
    virtual MessageAnswer show(std::string_view text, MessageIcon icon,
                               MessageButtons buttons = MessageButtons::Ok, std::string_view title = {}) = 0;
};

} // namespace mox
