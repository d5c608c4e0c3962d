#pragma once
#include <cstddef>
#include <cstdint>

#include <QString>
#include <QValidator>

#include "language/CharsetCodec.h"

namespace mox {

// Keeps an edit field to what its record field can hold: text that encodes in
// the field's code page (by its font's character set) in at most `capacity`
// bytes. An edit that would break either rule, typed or pasted, is refused
// as a whole, so nothing is cut or turned into "?" later; `refused` then
// carries the reason, for the window to show.
//
//   auto* v = new RecordTextValidator(settings.iForeignCharSet(), 79, field);
//   field->setValidator(v);
//   connect(v, &RecordTextValidator::refused, status, &QLabel::setText);
class RecordTextValidator : public QValidator {
    Q_OBJECT
public:
    RecordTextValidator(std::uint8_t charSet, std::size_t capacity, QObject* parent = nullptr);

    State validate(QString& input, int& pos) const override;

    // The reason `text` cannot go into the field, or the empty text when it can.
    QString refusal(const QString& text) const;

    const CharsetCodec& codec() const { return codec_; }
    std::size_t capacity() const { return capacity_; }

signals:
    // An edit was refused; `reason` says why in the user's words.
    void refused(const QString& reason) const;

private:
    CharsetCodec codec_;
    std::size_t capacity_;
};

} // namespace mox
