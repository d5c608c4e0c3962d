#pragma once
#include <QPushButton>

namespace mox {

// The answer button of the learning window: shows the expected answer after
// a wrong answer, drawn by the program in dark red on the button face (grey
// when disabled).
class AnswerButton : public QPushButton {
    Q_OBJECT
public:
    static constexpr QRgb kTextColor = qRgb(128, 0, 0);
    static constexpr QRgb kDisabledTextColor = qRgb(192, 192, 192);
    explicit AnswerButton(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace mox
