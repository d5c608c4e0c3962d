#include <gtest/gtest.h>

#include <memory>

#include "language/Layouts.h"
#include "platform/fake/RecordingMessages.h"
#include "platform/NoDesktop.h"
#include "platform/wayland/CompositorLayouts.h"
#include "settings/Settings.h"

using mox::CompositorKeyboard;
using mox::CompositorLayouts;
using mox::KeyboardLayouts;
using mox::LayoutHandle;
using mox::RecordingMessages;
using mox::Settings;
using mox::XkbLayoutName;

namespace {

// A compositor's configured layouts, as the test sets them.
struct Compositor {
    std::optional<std::vector<XkbLayoutName>> layouts;
    int active = 0;
    bool refuses = false;
    std::vector<int> switches;
};

class FakeKeyboard final : public CompositorKeyboard {
public:
    explicit FakeKeyboard(Compositor& c) : c_(c) {}
    std::optional<std::vector<XkbLayoutName>> layouts() override { return c_.layouts; }
    int activeIndex() override { return c_.layouts ? c_.active : -1; }
    bool switchTo(int index) override
    {
        if (c_.refuses || !c_.layouts || index >= static_cast<int>(c_.layouts->size()))
            return false;
        c_.switches.push_back(index);
        c_.active = index;
        return true;
    }

private:
    Compositor& c_;
};

class CompositorLayoutsTest : public ::testing::Test {
protected:
    Compositor compositor{std::vector<XkbLayoutName>{{"us", ""}, {"ru", ""}, {"no", ""}, {"", ""}}, 0, false, {}};
    CompositorLayouts port{std::make_unique<FakeKeyboard>(compositor)};
};

TEST_F(CompositorLayoutsTest, NoLayoutCountsAsPreloadedWhileTheCompositorAnswers)
{
    EXPECT_EQ(port.preloadedLayoutNames(), std::vector<std::string>{});
    compositor.layouts.reset();
    EXPECT_EQ(port.preloadedLayoutNames(), std::nullopt);
}

TEST_F(CompositorLayoutsTest, LoadHoldsConfiguredLayoutsOnlyAndAddsNothing)
{
    const auto held = CompositorLayouts::kHeld;
    EXPECT_EQ(port.load("00000419"), held | 0x0419u);
    EXPECT_EQ(port.load("00000814"), held | 0x0814u); // "no" types both Norwegian languages
    EXPECT_EQ(port.load("00001009"), held | 0x1009u); // Canadian English types with "us"
    EXPECT_EQ(port.load("00000C09"), 0u);             // Australian English wants "au"
    EXPECT_EQ(port.load("00000407"), 0u);             // German is not configured
    EXPECT_EQ(port.load("0000040"), 0u);
    EXPECT_EQ(port.load("zz000409"), 0u);
    // Unloading ends a hold; a bare identifier was never held.
    EXPECT_TRUE(port.unload(held | 0x0419u));
    EXPECT_FALSE(port.unload(0x0419u));
    EXPECT_TRUE(compositor.switches.empty());
    EXPECT_EQ(compositor.layouts->size(), 4u);
}

TEST_F(CompositorLayoutsTest, TheUsersLayoutIsGivenBackOnceWhateverWasSwitchedBetween)
{
    compositor.active = 2; // the user types Norwegian
    EXPECT_FALSE(port.activatePrevious()); // nothing switched yet
    ASSERT_TRUE(port.activate(CompositorLayouts::kHeld | 0x0419u));
    ASSERT_TRUE(port.activate(0x0409u)); // only the low 16 bits name the language
    ASSERT_TRUE(port.activate(0x0419u));
    EXPECT_EQ(compositor.active, 1);
    ASSERT_TRUE(port.activatePrevious());
    EXPECT_EQ(compositor.active, 2);
    EXPECT_FALSE(port.activatePrevious()); // given back already
    EXPECT_EQ(compositor.switches, (std::vector<int>{1, 0, 1, 2}));

    // A switch to the layout already active remembers it as the user's.
    ASSERT_TRUE(port.activate(0x0414u));
    ASSERT_TRUE(port.activate(0x0419u));
    // The user switches by hand meanwhile: the layout from before is given back.
    compositor.active = 0;
    ASSERT_TRUE(port.activatePrevious());
    EXPECT_EQ(compositor.active, 2);
    EXPECT_FALSE(port.activate(0x0407u));
    EXPECT_FALSE(port.activate(0));
}

TEST_F(CompositorLayoutsTest, ARefusedSwitchRemembersNothing)
{
    compositor.refuses = true;
    EXPECT_FALSE(port.activate(0x0419u));
    EXPECT_FALSE(port.givenBack().has_value());
    compositor.refuses = false;
    ASSERT_TRUE(port.activate(0x0419u));
    compositor.refuses = true;
    EXPECT_FALSE(port.activatePrevious()); // the compositor refuses the way back too
    EXPECT_FALSE(port.givenBack().has_value()) << "not tried again at every release";
}

TEST_F(CompositorLayoutsTest, ChangesOfTheCompositorsListAreFollowed)
{
    ASSERT_TRUE(port.activate(0x0419u)); // the user's layout: us
    compositor.layouts = std::vector<XkbLayoutName>{{"ru", ""}, {"de", "nodeadkeys"}, {"us", ""}};
    compositor.active = 0;
    EXPECT_EQ(port.load("00000407"), CompositorLayouts::kHeld | 0x0407u);
    // The user's layout is found where it is now.
    ASSERT_TRUE(port.activatePrevious());
    EXPECT_EQ(compositor.active, 2);
    // A layout the user removed is not switched to.
    ASSERT_TRUE(port.activate(0x0407u)); // the user's layout: us
    compositor.layouts = std::vector<XkbLayoutName>{{"ru", ""}, {"de", "nodeadkeys"}};
    EXPECT_FALSE(port.activatePrevious());
    EXPECT_EQ(compositor.active, 1);
}

// The windows' switching rules over the compositor: the learning window holds
// the layout of each direction and releases both when it hides; a dialog
// releases its slots when it closes.
class CompositorSwitchingTest : public CompositorLayoutsTest {
protected:
    void SetUp() override
    {
        settings.setUiForeignLayout(0x0409u);
        settings.setUiNativeLayout(0x0419u);
        compositor.active = 2; // the user types Norwegian
        layouts.readPreloadLayouts(settings.preloadLayouts());
        ASSERT_TRUE(messages.shown.empty());
    }

    RecordingMessages messages;
    Settings settings{messages};
    KeyboardLayouts layouts{port, settings};
    LayoutHandle studied = 0;
    LayoutHandle translation = 0;
};

TEST_F(CompositorSwitchingTest, TheLearningWindowGivesTheUsersLayoutBackWhenItHides)
{
    // A word in the direct direction, then one in the reverse direction.
    layouts.activateLayout(settings.uiNativeLayout(), translation, settings.preloadLayouts());
    EXPECT_EQ(compositor.active, 1);
    EXPECT_NE(translation, 0u);
    if (layouts.releaseLayout(translation))
        translation = 0;
    layouts.activateLayout(settings.uiForeignLayout(), studied, settings.preloadLayouts());
    EXPECT_EQ(compositor.active, 0);
    EXPECT_EQ(translation, 0u);
    // The window hides: both slots are released.
    for (LayoutHandle* slot : {&studied, &translation})
        if (layouts.releaseLayout(*slot))
            *slot = 0;
    EXPECT_EQ(compositor.active, 2);
    EXPECT_EQ(studied, 0u);
    // Shown again with the user on English: English comes back afterwards.
    compositor.active = 0;
    layouts.activateLayout(settings.uiNativeLayout(), translation, settings.preloadLayouts());
    EXPECT_EQ(compositor.active, 1);
    EXPECT_TRUE(layouts.releaseLayout(translation));
    EXPECT_EQ(compositor.active, 0);
}

TEST_F(CompositorSwitchingTest, ADialogGivesTheLayoutBackOnceWhenItCloses)
{
    std::vector<std::string> dialogList;
    layouts.readPreloadLayouts(dialogList);
    LayoutHandle word = 0, meaning = 0;
    layouts.activateLayout(settings.uiForeignLayout(), word, dialogList);
    layouts.activateLayout(settings.uiNativeLayout(), meaning, dialogList);
    EXPECT_EQ(compositor.active, 1);
    EXPECT_TRUE(layouts.releaseSlots({&word, &meaning}, dialogList));
    EXPECT_EQ(compositor.active, 2);
    EXPECT_EQ(word, 0u);
    EXPECT_EQ(meaning, 0u);
    EXPECT_EQ(compositor.switches, (std::vector<int>{0, 1, 2}));
}

TEST(NoLayoutSwitching, HasAnEmptyListAndSwitchesNothing)
{
    mox::NoLayoutSwitching port;
    EXPECT_EQ(port.preloadedLayoutNames(), std::vector<std::string>{});
    EXPECT_EQ(port.load("00000409"), 0u);
    EXPECT_FALSE(port.activate(0x0409u));
    EXPECT_FALSE(port.activatePrevious());
}

} // namespace
