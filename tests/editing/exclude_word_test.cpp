// The exclude panel: its keys, its result and its question's face.
#include <gtest/gtest.h>

#include <fontconfig/fontconfig.h>

#include <QApplication>
#include <QFontInfo>
#include <QLabel>
#include <QPushButton>
#include <QRawFont>
#include <QTest>
#include <QTimer>

#include "editing/ExcludeWordDialog.h"
#include "learning/MainWindow.h"

using namespace mox;

namespace {

// Answers the panel with a key, sent where the panel's focus is, once it is up.
ExcludeAnswer answerWith(Qt::Key key, bool moveToNo = false)
{
    ExcludeWordDialog dialog;
    QWidget* focused = nullptr;
    QTimer::singleShot(0, &dialog, [&] {
        focused = dialog.focusWidget();
        if (moveToNo)
            dialog.noButton()->setFocus();
        QTest::keyClick(dialog.focusWidget(), key);
    });
    const ExcludeAnswer answer = dialog.ask();
    EXPECT_EQ(focused, dialog.yesButton());
    return answer;
}

TEST(ExcludeWordDialog, EnterConfirmsAtOnceEscRefuses)
{
    EXPECT_EQ(answerWith(Qt::Key_Return), ExcludeAnswer::Yes);
    EXPECT_EQ(answerWith(Qt::Key_Escape), ExcludeAnswer::No);
    EXPECT_EQ(answerWith(Qt::Key_Return, true), ExcludeAnswer::No);
}

TEST(ExcludeWordDialog, IsAFramelessPanelWithItsTitleAndButtons)
{
    ExcludeWordDialog dialog;
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Mox! <> Исключение лексики"));
    EXPECT_TRUE(dialog.windowFlags().testFlag(Qt::FramelessWindowHint));
    EXPECT_EQ(dialog.question()->text(), QStringLiteral("Исключить слово?"));
    EXPECT_EQ(dialog.yesButton()->text(), QStringLiteral("Да"));
    EXPECT_EQ(dialog.noButton()->text(), QStringLiteral("Нет"));
    EXPECT_TRUE(dialog.yesButton()->isDefault());
    EXPECT_EQ(dialog.question()->alignment(), Qt::AlignCenter);
}

TEST(ExcludeWordDialog, QuestionIsInABoldSerifFaceThatHasCyrillic)
{
    ExcludeWordDialog dialog;
    const QFont font = dialog.question()->font();
    EXPECT_EQ(font.pixelSize(), 16);
    EXPECT_EQ(font.weight(), QFont::Bold);
    const QFontInfo used(font);
    EXPECT_TRUE(used.bold());
    // The face Qt draws with is the one found, and it is a serif face
    // by fontconfig's own reckoning (the family the "serif" alias lists).
    ASSERT_FALSE(ExcludeWordDialog::questionFamily().isEmpty());
    EXPECT_EQ(used.family(), ExcludeWordDialog::questionFamily());
    FcPattern* serif = FcNameParse(reinterpret_cast<const FcChar8*>("serif:lang=ru"));
    FcConfigSubstitute(nullptr, serif, FcMatchPattern);
    bool listed = false;
    FcChar8* family = nullptr;
    for (int n = 0; FcPatternGetString(serif, FC_FAMILY, n, &family) == FcResultMatch; ++n)
        listed = listed || QString::fromUtf8(reinterpret_cast<const char*>(family)) == used.family();
    FcPatternDestroy(serif);
    EXPECT_TRUE(listed) << used.family().toStdString();
    // Every letter of the question has a glyph of its own in that face.
    const QRawFont raw = QRawFont::fromFont(font);
    for (QChar c : dialog.question()->text())
        EXPECT_TRUE(raw.supportsCharacter(c)) << QString(c).toStdString();
}

} // namespace
