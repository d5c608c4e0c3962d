#pragma once
#include <QObject>

namespace mox {

class LearningController;

// Esc, wherever it is pressed in the program, becomes the close message of
// the learning window, which closes the active dialog of the program or
// hides the learning window. Open popups (menus, drop-down lists) and the
// open cell editor of a table keep their own Esc.
class EscapeFilter final : public QObject {
    Q_OBJECT
public:
    explicit EscapeFilter(LearningController& window, QObject* parent = nullptr);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    LearningController& window_;
};

} // namespace mox
