#include "options/SpinEdit.h"

#include <algorithm>

#include <QLineEdit>

namespace mox {

SpinEdit::SpinEdit(int minimum, int maximum, QWidget* parent)
    : QAbstractSpinBox(parent), minimum_(minimum), maximum_(maximum), position_(minimum)
{
    setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    setAccelerated(true);
    connect(lineEdit(), &QLineEdit::textChanged, this, &SpinEdit::textEdited);
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

int SpinEdit::position() const
{
    return position_;
}

void SpinEdit::setPosition(int position)
{
    lineEdit()->setText(QString::number(position));
}

void SpinEdit::textEdited(const QString&)
{
    const std::optional<int> v = number();
    if (v && *v >= minimum_ && *v <= maximum_)
        position_ = *v;
    emit edited();
}

void SpinEdit::stepBy(int steps)
{
    const int next = std::clamp(position_ + steps, minimum_, maximum_);
    setPosition(next);
    lineEdit()->selectAll();
}

QAbstractSpinBox::StepEnabled SpinEdit::stepEnabled() const
{
    StepEnabled enabled = StepNone;
    if (position_ < maximum_)
        enabled |= StepUpEnabled;
    if (position_ > minimum_)
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
