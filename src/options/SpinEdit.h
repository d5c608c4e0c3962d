#pragma once
#include <optional>

#include <QAbstractSpinBox>

namespace mox {

// A number field with up and down arrows. The field takes any text of digits
// with an optional minus sign, so that a number outside the arrows' range (or
// no number at all) can be typed and is refused only when the page reads it.
// The arrows step from the field's number, brought into their range; the
// field's number is what the page relates and stores, never a part of it
// typed on the way.
class SpinEdit final : public QAbstractSpinBox {
    Q_OBJECT
public:
    SpinEdit(int minimum, int maximum, QWidget* parent = nullptr);

    // The field's text as a signed 32-bit number, or nothing.
    std::optional<int> number() const;
    // Shows the number in the field.
    void setNumber(int number);

    void stepBy(int steps) override;
    QValidator::State validate(QString& input, int& pos) const override;

signals:
    void focusLost();
    // The text changed, by the user or by setNumber.
    void edited();

protected:
    StepEnabled stepEnabled() const override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    // The number the arrows step from: the field's number within the range,
    // the nearest end of the range for one outside it, the minimum for none.
    int stepBase() const;

    int minimum_, maximum_;
};

} // namespace mox
