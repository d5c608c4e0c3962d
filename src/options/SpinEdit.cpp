#include "options/SpinEdit.h"

#include <algorithm>

#include <QLineEdit>

namespace mox {

SpinEdit::SpinEdit(int minimum, int maximum, QWidget* parent)
    : QAbstractSpinBox(parent), minimum_(minimum), maximum_(maximum)
{
    setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    setAccelerated(true);
    connect(lineEdit(), &QLineEdit::textChanged, this, &SpinEdit::edited);
    lineEdit()->setText(QString::number(minimum));
}

std::optional<int> SpinEdit::number() const
{
    bool ok = false;
    const int v = lineEdit()->text().toInt(&ok);
    if (!ok)
        return std::nullopt;
    return v;
}

void SpinEdit::setNumber(int number)
{
    lineEdit()->setText(QString::number(number));
}

int SpinEdit::stepBase() const
{
    const std::optional<int> v = number();
    return v ? std::clamp(*v, minimum_, maximum_) : minimum_;
}

void SpinEdit::stepBy(int steps)
{
    // In 64 bits: a step from the end of the int range must not overflow.
    const long long next = static_cast<long long>(stepBase()) + steps;
    setNumber(static_cast<int>(std::clamp<long long>(next, minimum_, maximum_)));
    lineEdit()->selectAll();
}

QAbstractSpinBox::StepEnabled SpinEdit::stepEnabled() const
{
    const std::optional<int> v = number();
    StepEnabled enabled = StepNone;
    if (!v || *v < maximum_)
        enabled |= StepUpEnabled;
    if (!v || *v > minimum_)
        enabled |= StepDownEnabled;
    return enabled;
}

QValidator::State SpinEdit::validate(QString& input, int&) const
{
    // Digits after an optional minus sign, at most ten of them.
    int digits = 0;
    for (int i = 0; i < input.size(); ++i) {
        const QChar c = input[i];
        if (c == QLatin1Char('-') && i == 0)
            continue;
        if (!c.isDigit() || c.unicode() > '9' || ++digits > 10)
            return QValidator::Invalid;
    }
    return QValidator::Acceptable;
}

void SpinEdit::focusOutEvent(QFocusEvent* event)
{
    QAbstractSpinBox::focusOutEvent(event);
    emit focusLost();
}

} // namespace mox
