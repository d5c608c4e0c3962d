// The font builder, record text code pages, the transcription font and the
// per-user installation of a font file.
#include <QFile>
#include <QFontDatabase>
#include <QFontInfo>
#include <QRawFont>

#include <gtest/gtest.h>

#include "language/CharsetCodec.h"
#include "language/FontChooser.h"
#include "language/Font.h"
#include "language/FontInstall.h"
#include "language/TranscriptionFont.h"
#include "platform/fake/RecordingMessages.h"
#include "settings/Settings.h"
#include "support/TempDir.h"

#ifndef MOX_TRANSMOX_TTF
#error "MOX_TRANSMOX_TTF must name the built transcription font"
#endif

namespace mox {
namespace {

const QString kBuiltFont = QStringLiteral(MOX_TRANSMOX_TTF);

QString q(const std::filesystem::path& p)
{
    return QString::fromStdString(p.string());
}

TEST(MakeFont, BuildsFromHeightWeightAndFaceAndReplacesEverything)
{
    QFont font(QStringLiteral("DejaVu Serif"), 30, QFont::Black, true);
    font.setUnderline(true);
    font.setStrikeOut(true);
    EXPECT_TRUE(makeFont(font, -12, kFontWeightNormal, 0, "DejaVu Sans"));
    EXPECT_EQ(font.families(), QStringList{QStringLiteral("DejaVu Sans")});
    EXPECT_EQ(font.pointSize(), 12);
    EXPECT_EQ(font.weight(), QFont::Normal);
    EXPECT_FALSE(font.italic());
    EXPECT_FALSE(font.underline());
    EXPECT_FALSE(font.strikeOut());
    EXPECT_EQ(QFontInfo(font).family(), QStringLiteral("DejaVu Sans"));

    makeFont(font, -10, kFontWeightBold, 204, "DejaVu Sans Mono");
    EXPECT_EQ(font.pointSize(), 10);
    EXPECT_EQ(font.weight(), QFont::Bold);
    EXPECT_EQ(QFontInfo(font).family(), QStringLiteral("DejaVu Sans Mono"));
}

TEST(MakeFont, HeightsBeyondTheNegativeConvention)
{
    QFont font;
    makeFont(font, 20, 400, 0, "DejaVu Sans");
    EXPECT_EQ(font.pixelSize(), 20);  // a positive height is a cell height in pixels

    const int defaultPoints = QFont().pointSize();
    makeFont(font, 0, 0, 0, "");
    EXPECT_EQ(font.pointSize(), defaultPoints);  // 0: default size
    EXPECT_EQ(font.weight(), QFont::Normal);     // weight 0: default weight
    EXPECT_EQ(font.families(), QFont().families());

    // A damaged size must not overflow or ask for an absurd font.
    makeFont(font, INT32_MIN, 400, 0, "DejaVu Sans");
    EXPECT_GT(font.pointSize(), 0);
    EXPECT_LE(font.pointSize(), 999);
    makeFont(font, -14, 5000, 0, "DejaVu Sans");
    EXPECT_EQ(font.weight(), 1000);
}

TEST(MakeFont, DescriptionForGridsHasProofQuality)
{
    const FontDescription d = fontDescription(-11, 700, 204, "DejaVu Sans");
    EXPECT_EQ(d.height, -11);
    EXPECT_EQ(d.weight, 700);
    EXPECT_EQ(d.charSet, 204);
    EXPECT_EQ(d.face, "DejaVu Sans");
    EXPECT_EQ(d.quality, kProofQuality);
    const QFont f = toQFont(d);
    EXPECT_EQ(f.pointSize(), 11);
    EXPECT_EQ(f.weight(), QFont::Bold);
    EXPECT_EQ(f.styleStrategy() & QFont::PreferQuality, QFont::PreferQuality);
}

TEST(CharsetCodec, CodePagesOfTheCharacterSets)
{
    EXPECT_STREQ(CharsetCodec::codePageFor(0), "windows-1252");
    EXPECT_STREQ(CharsetCodec::codePageFor(204), "windows-1251");
    EXPECT_STREQ(CharsetCodec::codePageFor(238), "windows-1250");
    EXPECT_STREQ(CharsetCodec::codePageFor(161), "windows-1253");
    EXPECT_STREQ(CharsetCodec::codePageFor(162), "windows-1254");
    EXPECT_STREQ(CharsetCodec::codePageFor(186), "windows-1257");
    EXPECT_STREQ(CharsetCodec::codePageFor(177), "windows-1255");
    EXPECT_STREQ(CharsetCodec::codePageFor(178), "windows-1256");
    EXPECT_STREQ(CharsetCodec::codePageFor(163), "windows-1258");
    EXPECT_STREQ(CharsetCodec::codePageFor(222), "windows-874");
    EXPECT_STREQ(CharsetCodec::codePageFor(2), "ISO-8859-1");
    EXPECT_STREQ(CharsetCodec::codePageFor(1), "windows-1251");   // the system's code page
    EXPECT_STREQ(CharsetCodec::codePageFor(99), "windows-1251");  // unknown: likewise
}

TEST(CharsetCodec, RecordBytesAndTextRoundTrip)
{
    const CharsetCodec cyrillic(204);
    const std::string bytes = "\xCF\xF0\xE8\xE2\xE5\xF2 \xA8\xB8";  // "Привет Ёё" in cp1251
    EXPECT_EQ(cyrillic.decode(bytes), QStringLiteral("Привет Ёё"));
    const EncodeResult back = cyrillic.encode(QStringLiteral("Привет Ёё"));
    ASSERT_TRUE(back.ok);
    EXPECT_EQ(back.bytes, bytes);

    // A field is read up to its terminating zero.
    EXPECT_EQ(cyrillic.decode(std::string_view("\xC0\xC1\0\xC2", 4)), QStringLiteral("АБ"));

    const CharsetCodec western(0);
    EXPECT_EQ(western.decode("caf\xE9 \x80"), QStringLiteral("café €"));
    EXPECT_EQ(western.encode(QStringLiteral("café €")).bytes, "caf\xE9 \x80");

    const CharsetCodec greek(161);
    const EncodeResult g = greek.encode(QStringLiteral("λόγος"));
    ASSERT_TRUE(g.ok);
    EXPECT_EQ(greek.decode(g.bytes), QStringLiteral("λόγος"));

    // The transcription font's set keeps every byte as it is.
    const CharsetCodec symbol(2);
    std::string all;
    for (int b = 1; b < 256; ++b)
        all.push_back(static_cast<char>(b));
    const QString text = symbol.decode(all);
    ASSERT_EQ(text.size(), 255);
    EXPECT_EQ(text.at(0x53 - 1), QChar(u'S'));
    EXPECT_EQ(text.at(0xE6 - 1).unicode(), 0xE6);
    EXPECT_EQ(symbol.encode(text).bytes, all);
}

TEST(CharsetCodec, CharactersOutsideTheCodePageAreRefused)
{
    const CharsetCodec western(0);
    EncodeResult r = western.encode(QStringLiteral("dog собака"));
    EXPECT_FALSE(r.ok);
    EXPECT_TRUE(r.bytes.empty());
    EXPECT_EQ(r.position, 4);
    EXPECT_EQ(r.character, U'с');
    EXPECT_EQ(refusedCharacterMessage(western, r),
              "Символ «с» нельзя записать в западноевропейской кодировке.");

    // No look-alike substitutes: a macron vowel is not written as a plain one.
    r = western.encode(QStringLiteral("mā"));
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.position, 1);
    EXPECT_EQ(r.character, U'ā');

    // Characters beyond the basic plane are named whole.
    r = CharsetCodec(204).encode(QStringLiteral("ок 😀"));
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.position, 3);
    EXPECT_EQ(r.character, U'😀');

    // A zero character would end the field early.
    r = CharsetCodec(204).encode(QStringLiteral("аб") + QChar(u'\0') + QStringLiteral("в"));
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.position, 2);
    EXPECT_EQ(refusedCharacterMessage(CharsetCodec(204), r),
              "Символ с кодом 0 нельзя записать в кириллической кодировке.");

    // The transcription field's set is named as a learner knows it, not by
    // its converter's name.
    r = CharsetCodec(2).encode(QStringLiteral("ʃ"));
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.character, U'ʃ');
    EXPECT_EQ(refusedCharacterMessage(CharsetCodec(2), r), "Символ «ʃ» нельзя записать в западноевропейской кодировке.");
}

TEST(CharsetCodec, EveryCharacterSetOfTheFontChooserHasALearnersName)
{
    for (int i = 0; i < kCharSetNameCount; ++i) {
        const std::string phrase = codePagePhrase(kCharSetNames[i].code);
        EXPECT_EQ(phrase.find("windows"), std::string::npos) << phrase;
        EXPECT_EQ(phrase.find("ISO"), std::string::npos) << phrase;
        EXPECT_NE(phrase.find("кодировк"), std::string::npos) << phrase;
    }
    EXPECT_NE(codePagePhrase(charset::Greek), codePagePhrase(charset::Ansi));
}

TEST(TranscriptionFont, AddsAndRemovesTheFamily)
{
    ASSERT_TRUE(QFile::exists(kBuiltFont)) << kBuiltFont.toStdString();
    {
        TranscriptionFont font;
        EXPECT_FALSE(font.installed());
        EXPECT_FALSE(font.remove());
        ASSERT_TRUE(font.install(kBuiltFont));
        EXPECT_TRUE(font.installed());
        EXPECT_EQ(font.families(), QStringList{QStringLiteral("TransMox")});
        EXPECT_TRUE(QFontDatabase::families().contains(QStringLiteral("TransMox")));

        // The keys are drawn by the font; letters without a key are not.
        const QRawFont raw = QRawFont::fromFont(QFont(QStringLiteral("TransMox"), 14));
        EXPECT_EQ(raw.familyName(), QStringLiteral("TransMox"));
        for (char key : std::string("abdefghijklmnoprstuvwzqxQWERTIOPASDFGHJLZCVN.:,;'\"()[]"))
            EXPECT_TRUE(raw.supportsCharacter(QChar(key))) << key;
        // The later keys too: c, y and the Latin-1 letters A1-DE (ɾ, the tie bar...).
        for (char16_t key : {u'c', u'y', u'\u00A1', u'\u00BE', u'\u00DE'})
            EXPECT_TRUE(raw.supportsCharacter(QChar(key))) << static_cast<int>(key);
        EXPECT_FALSE(raw.supportsCharacter(QChar(u'B')));
        EXPECT_FALSE(raw.supportsCharacter(QChar(u'\u00AD')));   // the soft hyphen is no key

        // Installing again holds one copy.
        EXPECT_TRUE(font.install(kBuiltFont));
        EXPECT_TRUE(font.remove());
        EXPECT_FALSE(font.installed());
        EXPECT_FALSE(QFontDatabase::families().contains(QStringLiteral("TransMox")));

        ASSERT_TRUE(font.install(kBuiltFont));
    }
    // Destruction takes the font out.
    EXPECT_FALSE(QFontDatabase::families().contains(QStringLiteral("TransMox")));
}

TEST(TranscriptionFont, MissingOrBrokenFileIsSilentlyIgnored)
{
    TempDir dir;
    TranscriptionFont font;
    EXPECT_FALSE(font.install(q(dir.path() / "transmox.ttf")));
    EXPECT_FALSE(font.installed());
    TempDir::writeBytes(dir.path() / "broken.ttf", {'n', 'o', 't', ' ', 'a', ' ', 'f', 'o', 'n', 't'});
    EXPECT_FALSE(font.install(q(dir.path() / "broken.ttf")));
    EXPECT_FALSE(font.installed());

    // A failed install keeps the font already held.
    ASSERT_TRUE(font.install(kBuiltFont));
    EXPECT_FALSE(font.install(q(dir.path() / "broken.ttf")));
    EXPECT_TRUE(font.installed());
    EXPECT_EQ(font.families(), QStringList{QStringLiteral("TransMox")});
}

TEST(TranscriptionFont, DefaultPathIsInTheProgramFolder)
{
    RecordingMessages messages;
    Settings settings(messages);
    settings.setAppPath("/home/u/.local/share/mox");
    EXPECT_EQ(TranscriptionFont::defaultPath(settings),
              QStringLiteral("/home/u/.local/share/mox/fonts/transmox.ttf"));
}

// Points XDG_DATA_HOME at a temporary folder for one test.
class UserFontFolder : public ::testing::Test {
protected:
    void SetUp() override
    {
        old_ = qgetenv("XDG_DATA_HOME");
        hadOld_ = qEnvironmentVariableIsSet("XDG_DATA_HOME");
        qputenv("XDG_DATA_HOME", QByteArray::fromStdString((home_.path() / "data").string()));
    }
    void TearDown() override
    {
        for (int id : added_)
            QFontDatabase::removeApplicationFont(id);
        if (hadOld_)
            qputenv("XDG_DATA_HOME", old_);
        else
            qunsetenv("XDG_DATA_HOME");
    }
    std::filesystem::path fonts() const { return home_.path() / "data" / "fonts"; }
    std::filesystem::path source(const std::string& name) const
    {
        const auto p = home_.path() / name;
        std::filesystem::copy_file(kBuiltFont.toStdString(), p,
                                   std::filesystem::copy_options::overwrite_existing);
        return p;
    }

    FontInstallResult install(const std::filesystem::path& file)
    {
        FontInstallResult r = installUserFont(q(file), messages_);
        if (r.fontId >= 0)
            added_.push_back(r.fontId);
        return r;
    }

    TempDir home_;
    RecordingMessages messages_;
    std::vector<int> added_;
    QByteArray old_;
    bool hadOld_ = false;
};

TEST_F(UserFontFolder, AsksFirstThenCopiesTheFontAndAddsIt)
{
    EXPECT_EQ(userFontFolder(), q(fonts()));
    const auto src = source("MyFont.ttf");

    // The user is asked, with the font's name, the file and the folder; no
    // copies nothing.
    messages_.answers.push_back(MessageAnswer::No);
    FontInstallResult r = install(src);
    EXPECT_EQ(r.status, FontInstallStatus::Declined);
    ASSERT_EQ(messages_.shown.size(), 1u);
    EXPECT_EQ(messages_.shown[0].text,
              "Установить шрифт «TransMox» из файла «MyFont.ttf»? Файл будет скопирован в папку шрифтов «" +
                  fonts().string() + "», и шрифт станет доступен всем программам этого пользователя.");
    EXPECT_EQ(messages_.shown[0].icon, MessageIcon::Question);
    EXPECT_EQ(messages_.shown[0].buttons, MessageButtons::YesNo);
    EXPECT_FALSE(std::filesystem::exists(fonts()));
    EXPECT_EQ(r.fontId, -1);

    messages_.clear();
    messages_.answers.push_back(MessageAnswer::Yes);
    r = install(src);
    EXPECT_EQ(r.status, FontInstallStatus::Installed);
    EXPECT_EQ(messages_.shown.size(), 1u);
    EXPECT_EQ(r.installedPath, q(fonts() / "MyFont.ttf"));
    EXPECT_EQ(TempDir::readBytes(fonts() / "MyFont.ttf"), TempDir::readBytes(src));
    EXPECT_EQ(r.families, QStringList{QStringLiteral("TransMox")});
    EXPECT_TRUE(QFontDatabase::families().contains(QStringLiteral("TransMox")));

    // The same file again: nothing to ask, nothing to copy.
    messages_.clear();
    r = install(src);
    EXPECT_EQ(r.status, FontInstallStatus::AlreadyInstalled);
    EXPECT_TRUE(messages_.shown.empty());
}

TEST_F(UserFontFolder, AnotherFileOfTheSameNameIsReplacedOnlyWhenTheUserAgrees)
{
    std::filesystem::create_directories(fonts());
    const std::vector<unsigned char> theirs = {'o', 'l', 'd'};
    TempDir::writeBytes(fonts() / "MyFont.ttf", theirs);
    const auto src = source("MyFont.ttf");

    // One question names both the font and the file it would replace.
    messages_.answers.push_back(MessageAnswer::No);
    FontInstallResult r = install(src);
    EXPECT_EQ(r.status, FontInstallStatus::Declined);
    ASSERT_EQ(messages_.shown.size(), 1u);
    EXPECT_NE(messages_.shown[0].text.find("Установить шрифт «TransMox» из файла «MyFont.ttf»?"), std::string::npos);
    EXPECT_NE(messages_.shown[0].text.find("В папке шрифтов уже есть другой файл «MyFont.ttf»; он будет заменён."),
              std::string::npos);
    EXPECT_EQ(TempDir::readBytes(fonts() / "MyFont.ttf"), theirs);

    messages_.answers.push_back(MessageAnswer::Yes);
    r = install(src);
    EXPECT_EQ(r.status, FontInstallStatus::Installed);
    EXPECT_EQ(TempDir::readBytes(fonts() / "MyFont.ttf"), TempDir::readBytes(src));
}

TEST_F(UserFontFolder, FailuresAreReportedAndLeaveNoCopy)
{
    // Missing file: nothing happens, nothing is said.
    FontInstallResult r = install(home_.path() / "gone.ttf");
    EXPECT_EQ(r.status, FontInstallStatus::NotFound);
    EXPECT_TRUE(messages_.shown.empty());
    EXPECT_FALSE(std::filesystem::exists(fonts()));

    // Not a font.
    TempDir::writeBytes(home_.path() / "notes.ttf", {'h', 'e', 'l', 'l', 'o'});
    r = install(home_.path() / "notes.ttf");
    EXPECT_EQ(r.status, FontInstallStatus::NotAFont);
    ASSERT_EQ(messages_.shown.size(), 1u);
    EXPECT_EQ(messages_.shown[0].text,
              "Файл «notes.ttf» не является файлом шрифта TrueType. Шрифт не установлен.");
    EXPECT_EQ(messages_.shown[0].icon, MessageIcon::Error);
    EXPECT_FALSE(std::filesystem::exists(fonts() / "notes.ttf"));

    // The font folder cannot be made (a file stands in its way).
    messages_.clear();
    std::filesystem::create_directories(fonts().parent_path());
    TempDir::writeBytes(fonts(), {'x'});
    r = install(source("MyFont.ttf"));
    EXPECT_EQ(r.status, FontInstallStatus::Failed);
    ASSERT_EQ(messages_.shown.size(), 2u);  // the question, then the failure
    EXPECT_NE(messages_.shown[1].text.find("Не удалось создать папку шрифтов"), std::string::npos);
    EXPECT_EQ(TempDir::readBytes(fonts()), std::vector<unsigned char>{'x'});
}

} // namespace
} // namespace mox
