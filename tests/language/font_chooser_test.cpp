// The font dialog's list of families, against what fontconfig says of the
// installed fonts.
#include <QFontDatabase>
#include <QProcess>
#include <QSet>

#include <gtest/gtest.h>

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

} // namespace
} // namespace mox
