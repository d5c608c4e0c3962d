#pragma once
#include <optional>

#include <QAbstractSpinBox>

namespace mox {

// A number field with up and down arrows. The field takes any text of digits
// with an optional minus sign, so that a number outside the arrows' range (or
// no number at all) can be typed and is refused only when the page reads it.
// The arrows move the position within their range. The position is the
// field's number while it lies in the range, else the last such number.
class SpinEdit final : public QAbstractSpinBox {
    Q_OBJECT
public:
    SpinEdit(int minimum, int maximum, QWidget* parent = nullptr);

    // The field's text as a signed 32-bit number, or nothing.
    std::optional<int> number() const;
    int position() const;
    // Shows the number in the field (and makes it the position when in range).
    void setPosition(int position);

    void stepBy(int steps) override;
    QValidator::State validate(QString& input, int& pos) const override;

signals:
    void focusLost();
    void edited();

protected:
    StepEnabled stepEnabled() const override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void textEdited(const QString& text);

    int minimum_, maximum_;
    int position_;
};

} // namespace mox
