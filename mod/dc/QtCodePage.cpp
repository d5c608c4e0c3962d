#include "QtCodePage.h"

#include <algorithm>
#include <map>
#include <memory>
#include <mutex>

#include <QString>
#include <QStringDecoder>
#include <QStringEncoder>

#include <unicode/uchar.h>

#include "language/CharsetCodec.h"

namespace mox::dc {

namespace {

CodePage build(std::uint8_t charSet)
{
    const char* name = CharsetCodec::codePageFor(charSet);
    std::array<char32_t, 256> characters{};
    for (int b = 1; b < 256; ++b) {
        if (charSet == charset::Symbol) {
            characters[static_cast<std::size_t>(b)] = static_cast<char32_t>(b);
            continue;
        }
        const char byte = static_cast<char>(b);
        QStringDecoder decoder(name, QStringConverter::Flag::Stateless);
        const QString text = decoder.decode(QByteArrayView(&byte, 1));
        if (decoder.hasError() || text.size() != 1 || text.at(0) == QChar::ReplacementCharacter)
            continue;
        QStringEncoder encoder(name, QStringConverter::Flag::Stateless);
        const QByteArray back = encoder.encode(text);
        if (encoder.hasError() || back.size() != 1 || back.at(0) != byte)
            continue;
        characters[static_cast<std::size_t>(b)] = text.at(0).unicode();
    }
    return CodePage(charSet == charset::Symbol ? "ISO-8859-1" : name, codePagePhrase(charSet), characters);
}

} // namespace

const CodePage& codePageForCharSet(std::uint8_t charSet)
{
    static std::mutex lock;
    static std::map<std::uint8_t, std::unique_ptr<CodePage>> pages;
    std::lock_guard<std::mutex> guard(lock);
    auto& page = pages[charSet];
    if (!page)
        page = std::make_unique<CodePage>(build(charSet));
    return *page;
}

std::string composed(std::string_view text)
{
    const QString s = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    return s.normalized(QString::NormalizationForm_C).toStdString();
}

std::string decomposed(std::string_view text)
{
    const QString s = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    return s.normalized(QString::NormalizationForm_D).toStdString();
}

std::string characterName(char32_t c)
{
    char name[128];
    UErrorCode status = U_ZERO_ERROR;
    const int32_t length = u_charName(static_cast<UChar32>(c), U_UNICODE_CHAR_NAME, name, sizeof name, &status);
    if (U_FAILURE(status) || length <= 0)
        return {};
    return std::string(name, static_cast<std::size_t>(std::min<int32_t>(length, sizeof name - 1)));
}

} // namespace mox::dc
