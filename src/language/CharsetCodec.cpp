#include "language/CharsetCodec.h"

#include <QList>
#include <QStringDecoder>
#include <QStringEncoder>

namespace mox {
namespace {

constexpr const char* kLatin1 = "ISO-8859-1";

QByteArray encodeWith(const char* name, const QString& text, bool& failed)
{
    QStringEncoder encoder(name, QStringConverter::Flag::Stateless);
    QByteArray bytes = encoder.encode(text);
    failed = !encoder.isValid() || encoder.hasError();
    return bytes;
}

QString decodeWith(const char* name, QByteArrayView bytes)
{
    QStringDecoder decoder(name, QStringConverter::Flag::Stateless);
    return decoder.decode(bytes);
}

// Whether one character survives the trip into the code page and back
// unchanged (a converter may otherwise map it to a look-alike).
bool holds(const char* name, const QString& character)
{
    bool failed = false;
    const QByteArray bytes = encodeWith(name, character, failed);
    return !failed && decodeWith(name, bytes) == character;
}

} // namespace

const char* CharsetCodec::codePageFor(std::uint8_t charSet)
{
    switch (charSet) {
    case charset::Ansi: return "windows-1252";
    case charset::Symbol: return kLatin1;
    case charset::Mac: return "macintosh";
    case charset::ShiftJis: return "Shift_JIS";
    case charset::Hangul: return "windows-949";
    case charset::Gb2312: return "GBK";
    case charset::ChineseBig5: return "Big5";
    case charset::Greek: return "windows-1253";
    case charset::Turkish: return "windows-1254";
    case charset::Vietnamese: return "windows-1258";
    case charset::Hebrew: return "windows-1255";
    case charset::Arabic: return "windows-1256";
    case charset::Baltic: return "windows-1257";
    case charset::Thai: return "windows-874";
    case charset::EastEurope: return "windows-1250";
    case charset::Oem: return "IBM866";
    case charset::Russian:
    case charset::Default:
    default: return "windows-1251";
    }
}

CharsetCodec::CharsetCodec(std::uint8_t charSet) : charSet_(charSet), name_(codePageFor(charSet)) {}

QString CharsetCodec::decode(std::string_view bytes) const
{
    const auto end = bytes.find('\0');
    if (end != std::string_view::npos)
        bytes = bytes.substr(0, end);
    const QByteArrayView view(bytes.data(), static_cast<qsizetype>(bytes.size()));
    if (charSet_ == charset::Symbol)
        return QString::fromLatin1(view);
    return decodeWith(name_, view);
}

EncodeResult CharsetCodec::encode(const QString& text) const
{
    EncodeResult result;
    bool failed = text.contains(QChar(u'\0'));
    QByteArray bytes;
    if (!failed) {
        if (charSet_ == charset::Symbol) {
            for (QChar c : text)
                failed = failed || c.unicode() > 0xFF;
            if (!failed)
                bytes = text.toLatin1();
        } else {
            bytes = encodeWith(name_, text, failed);
            failed = failed || decodeWith(name_, bytes) != text;
        }
    }
    if (!failed) {
        result.ok = true;
        result.bytes.assign(bytes.constData(), static_cast<std::size_t>(bytes.size()));
        return result;
    }
    // Find the first character the code page does not hold.
    for (qsizetype i = 0; i < text.size();) {
        const qsizetype width = (text.at(i).isHighSurrogate() && i + 1 < text.size()) ? 2 : 1;
        const QString one = text.mid(i, width);
        const char32_t cp = one.toUcs4().value(0);
        const bool ok = cp != 0 && (charSet_ == charset::Symbol ? cp <= 0xFF : holds(name_, one));
        if (!ok) {
            result.position = i;
            result.character = cp;
            return result;
        }
        i += width;
    }
    // Every character alone fits but the whole does not (a stateful code
    // page); name the start.
    result.position = 0;
    result.character = text.isEmpty() ? 0 : text.toUcs4().value(0);
    return result;
}

std::string codePagePhrase(std::uint8_t charSet)
{
    switch (charSet) {
    case charset::Ansi:
    case charset::Symbol: return "в западноевропейской кодировке";
    case charset::Mac: return "в западноевропейской кодировке Mac";
    case charset::ShiftJis: return "в японской кодировке";
    case charset::Hangul: return "в корейской кодировке";
    case charset::Gb2312: return "в кодировке упрощённого китайского письма";
    case charset::ChineseBig5: return "в кодировке традиционного китайского письма";
    case charset::Greek: return "в греческой кодировке";
    case charset::Turkish: return "в турецкой кодировке";
    case charset::Vietnamese: return "во вьетнамской кодировке";
    case charset::Hebrew: return "в кодировке иврита";
    case charset::Arabic: return "в арабской кодировке";
    case charset::Baltic: return "в балтийской кодировке";
    case charset::Thai: return "в тайской кодировке";
    case charset::EastEurope: return "в центральноевропейской кодировке";
    case charset::Oem: return "в кириллической кодировке DOS";
    case charset::Russian:
    case charset::Default:
    default: return "в кириллической кодировке";
    }
}

std::string refusedCharacterMessage(const CharsetCodec& codec, const EncodeResult& result)
{
    QString shown;
    if (result.character == 0)
        shown = QStringLiteral("с кодом 0");
    else if (result.character < 0x20 || (result.character >= 0x7F && result.character < 0xA0))
        shown = QStringLiteral("с кодом U+%1")
                    .arg(QString::number(static_cast<uint>(result.character), 16).toUpper().rightJustified(4, u'0'));
    else
        shown = QStringLiteral("«%1»").arg(QString::fromUcs4(&result.character, 1));
    const QString text = QStringLiteral("Символ %1 нельзя записать %2.")
                             .arg(shown, QString::fromStdString(codePagePhrase(codec.charSet())));
    return text.toStdString();
}

} // namespace mox
