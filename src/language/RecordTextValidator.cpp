#include "language/RecordTextValidator.h"

namespace mox {

RecordTextValidator::RecordTextValidator(std::uint8_t charSet, std::size_t capacity, QObject* parent)
    : QValidator(parent), codec_(charSet), capacity_(capacity)
{
}

QString RecordTextValidator::refusal(const QString& text) const
{
    const EncodeResult encoded = codec_.encode(text);
    if (!encoded.ok)
        return QString::fromStdString(refusedCharacterMessage(codec_, encoded));
    if (encoded.bytes.size() > capacity_)
        return QStringLiteral("Поле вмещает не больше %1 байт %2; текст длиннее не принят.")
            .arg(capacity_)
            .arg(QString::fromStdString(codePagePhrase(codec_.charSet())));
    return {};
}

QValidator::State RecordTextValidator::validate(QString& input, int&) const
{
    const QString reason = refusal(input);
    if (reason.isEmpty())
        return Acceptable;
    emit refused(reason);
    return Invalid;
}

} // namespace mox
