// The font dialog's list of families, against what fontconfig says of the
// installed fonts.
#include <QFontDatabase>
#include <QProcess>
#include <QComboBox>
#include <QLabel>
#include <QSet>

#include <map>

#include <gtest/gtest.h>

#include "language/CharsetCodec.h"
#include "language/FontChooser.h"
#include "language/TranscriptionFont.h"

namespace mox {
namespace {

// Families fontconfig lists for a pattern, by the fc-list tool, named as Qt
// names a family made by several foundries: "family [foundry]".
QSet<QString> fcList(const QString& pattern)
{
    QProcess fc;
    fc.start(QStringLiteral("fc-list"), {pattern, QStringLiteral("family"), QStringLiteral("foundry")});
    fc.waitForFinished();
    QSet<QString> out;
    for (const QString& line : QString::fromUtf8(fc.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts)) {
        const QString foundry = line.section(QStringLiteral(":foundry="), 1);
        for (const QString& name : line.section(QStringLiteral(":foundry="), 0, 0).split(u','))
            out.insert(name + QStringLiteral(" [") + foundry + u']');
    }
    return out;
}

TEST(FontChooser, TrueTypeOnlyOffersTrueTypeAndOpenTypeFamilies)
{
    TranscriptionFont transmox;
    ASSERT_TRUE(transmox.install(QStringLiteral(MOX_TRANSMOX_TTF)));
    const QStringList all = fontFamilies(false);
    const QStringList trueType = fontFamilies(true);
    EXPECT_EQ(all, QFontDatabase::families());
    EXPECT_TRUE(trueType.contains(QStringLiteral("TransMox")));
    EXPECT_TRUE(trueType.contains(QStringLiteral("DejaVu Sans")));

    // Type 1 fonts are left out.
    QSet<QString> type1Only = fcList(QStringLiteral(":fontformat=Type 1"));
    type1Only -= fcList(QStringLiteral(":fontformat=TrueType"));
    type1Only -= fcList(QStringLiteral(":fontformat=CFF"));
    for (const QString& family : fcList(QStringLiteral(":fontformat=CFF"))) {
        if (all.contains(family)) {
            EXPECT_TRUE(trueType.contains(family)) << family.toStdString();
        }
    }
    int checked = 0;
    for (const QString& family : type1Only) {
        if (!all.contains(family))
            continue;
        EXPECT_FALSE(trueType.contains(family)) << family.toStdString();
        ++checked;
    }
    if (checked == 0)
        GTEST_SKIP() << "no Type 1 font installed to leave out";
}

TEST(FontChooser, TheSampleIsWrittenInTheChosenSetsScript)
{
    // Each set's sample holds letters of its script beyond plain Latin, and
    // only letters its code page can hold.
    const std::map<std::uint8_t, QChar::Script> scripts{
        {charset::Ansi, QChar::Script_Latin},       {charset::Russian, QChar::Script_Cyrillic},
        {charset::EastEurope, QChar::Script_Latin}, {charset::Greek, QChar::Script_Greek},
        {charset::Turkish, QChar::Script_Latin},    {charset::Baltic, QChar::Script_Latin},
        {charset::Hebrew, QChar::Script_Hebrew},    {charset::Arabic, QChar::Script_Arabic},
        {charset::Vietnamese, QChar::Script_Latin}, {charset::Thai, QChar::Script_Thai},
        {charset::ShiftJis, QChar::Script_Hiragana}, {charset::Hangul, QChar::Script_Hangul},
        {charset::Gb2312, QChar::Script_Han},       {charset::ChineseBig5, QChar::Script_Han},
        {charset::Oem, QChar::Script_Cyrillic},
    };
    QSet<QString> samples;
    for (int i = 0; i < kCharSetNameCount; ++i) {
        const std::uint8_t code = kCharSetNames[i].code;
        const QString sample = sampleText(code);
        samples.insert(sample);
        if (code == charset::Symbol)
            continue;
        ASSERT_TRUE(scripts.count(code)) << int(code);
        EXPECT_TRUE(CharsetCodec(code).encode(sample).ok) << int(code) << " " << sample.toStdString();
        bool ofScript = false;
        for (QChar c : sample)
            ofScript = ofScript || (c.unicode() > 0x7F && c.script() == scripts.at(code));
        EXPECT_TRUE(ofScript) << int(code) << " " << sample.toStdString();
    }
    EXPECT_GE(samples.size(), 12);

    // The dialog's sample follows the chosen set.
    FontChooser chooser(FontRequest{QStringLiteral("DejaVu Sans"), charset::Ansi, 10, 10, 10, false});
    auto* sample = chooser.findChild<QLabel*>(QStringLiteral("sample"));
    auto* charSet = chooser.findChild<QComboBox*>(QStringLiteral("charSet"));
    EXPECT_EQ(sample->text(), sampleText(charset::Ansi));
    charSet->setCurrentIndex(charSet->findData(QVariant(int(charset::Greek))));
    EXPECT_EQ(sample->text(), sampleText(charset::Greek));
    EXPECT_NE(sample->text(), sampleText(charset::Ansi));
}

TEST(FontChooser, TheSizeListKeepsTheSizeTheFontHas)
{
    EXPECT_EQ(offeredSizes(FontRequest{{}, 0, 12, 10, 10, false}), (QList<int>{10, 12}));
    EXPECT_EQ(offeredSizes(FontRequest{{}, 0, 14, 12, 18, false}), (QList<int>{12, 13, 14, 15, 16, 17, 18}));
    EXPECT_EQ(offeredSizes(FontRequest{{}, 0, 8, 12, 14, false}), (QList<int>{8, 12, 13, 14}));
    // A damaged size is no size to keep.
    EXPECT_EQ(offeredSizes(FontRequest{{}, 0, 32767, 10, 10, false}), QList<int>{10});
}

} // namespace
} // namespace mox
