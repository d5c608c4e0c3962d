// Where the transcription keyboard goes beside its owner dialog: the rules
// on a screen of 1280 x 1024 with the dialog in each of the places that
// leave less room.
#include <QRect>

#include <gtest/gtest.h>

#include "language/TranscriptionKeyboard.h"

namespace mox {
namespace {

const QRect kScreen(0, 0, 1280, 1024);
const QSize kKeyboard(219, 180);  // 213 x 156 with a frame

// A dialog of 420 x 330 with its frame at `at`; its transcription field, the
// field's message and two buttons, as the dialog has them.
struct Owner {
    QRect frame;
    QRect field, message, add, close;
    explicit Owner(QPoint at, QSize size = QSize(420, 330))
        : frame(at, size), field(at + QPoint(120, 90), QSize(200, 24)), message(at + QPoint(10, 118), QSize(400, 18)),
          add(at + QPoint(330, 280), QSize(80, 26)), close(at + QPoint(240, 280), QSize(80, 26))
    {
    }
    QList<QRect> controls() const { return {field, message, add, close}; }
    QPoint place(const QRect& screen = kScreen) const
    {
        return TranscriptionKeyboard::placement(kKeyboard, frame, field, controls(), screen);
    }
};

bool coversAny(QPoint at, const Owner& owner)
{
    const QRect keyboard(at, kKeyboard);
    for (const QRect& control : owner.controls())
        if (keyboard.intersects(control))
            return true;
    return false;
}

TEST(KeyboardPlacement, BesideTheDialogAtTheFieldsHeightWhereTheScreenHasRoom)
{
    // Room on the right: there, the keyboard's top at the field's.
    const Owner middle(QPoint(300, 200));
    EXPECT_EQ(middle.place(), QPoint(middle.frame.right() + 1 + 4, middle.field.top()));

    // At the screen's right edge: on the left.
    const Owner right(QPoint(1280 - 420, 200));
    const QPoint left = right.place();
    EXPECT_EQ(left, QPoint(right.frame.left() - 4 - kKeyboard.width(), right.field.top()));

    // Near the bottom: still beside, lifted onto the screen.
    const Owner low(QPoint(300, 800));  // dragged partly off the bottom
    const QPoint lifted = low.place();
    EXPECT_EQ(lifted.x(), low.frame.right() + 1 + 4);
    EXPECT_EQ(lifted.y() + kKeyboard.height(), 1024);

    // A dialog as wide as the screen: below it, or above where it stands low.
    const Owner wide(QPoint(0, 100), QSize(1280, 330));
    EXPECT_EQ(wide.place().y(), wide.frame.bottom() + 1 + 4);
    const Owner wideLow(QPoint(0, 1024 - 330), QSize(1280, 330));
    EXPECT_EQ(wideLow.place().y() + kKeyboard.height() + 4, wideLow.frame.top());

    for (const Owner& owner : {middle, right, low, wide, wideLow}) {
        const QPoint at = owner.place();
        EXPECT_TRUE(kScreen.contains(QRect(at, kKeyboard))) << at.x() << "," << at.y();
        EXPECT_FALSE(QRect(at, kKeyboard).intersects(owner.frame)) << at.x() << "," << at.y();
    }
}

TEST(KeyboardPlacement, ADialogThatFillsTheScreenKeepsItsControlsInSight)
{
    // No room beside the dialog: over it, but not over the field, its
    // message or the buttons, and on the screen.
    const Owner full(QPoint(0, 0), QSize(1280, 1024));
    const QPoint at = full.place();
    EXPECT_TRUE(kScreen.contains(QRect(at, kKeyboard)));
    EXPECT_FALSE(coversAny(at, full)) << at.x() << "," << at.y();

    // A small screen the dialog fills, as at 200%: the same.
    const QRect small(0, 0, 640, 512);
    const Owner filling(QPoint(0, 0), QSize(640, 512));
    const QPoint there = filling.place(small);
    EXPECT_TRUE(small.contains(QRect(there, kKeyboard)));
    EXPECT_FALSE(coversAny(there, filling)) << there.x() << "," << there.y();
}

TEST(KeyboardPlacement, WithoutAKnownScreenRightOfTheDialogAndOnATooSmallScreenAtItsCorner)
{
    // Wayland: the program knows no screen; the compositor keeps the
    // keyboard on it.
    const Owner owner(QPoint(1000, 900));
    EXPECT_EQ(owner.place(QRect()), QPoint(owner.frame.right() + 1 + 4, owner.field.top()));
    // A screen smaller than the keyboard.
    const QRect tiny(10, 20, 200, 100);
    EXPECT_EQ(Owner(QPoint(0, 0), QSize(200, 100)).place(tiny), tiny.topLeft());
}

} // namespace
} // namespace mox
