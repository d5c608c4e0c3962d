#include <gtest/gtest.h>

#include <memory>

#include "platform/wayland/CompositorLayouts.h"

using mox::CompositorKeyboard;
using mox::CompositorLayouts;
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

TEST_F(CompositorLayoutsTest, PreloadedLayoutsAreTheLanguagesOfTheConfiguredLayoutsInOrder)
{
    // "no" types both Norwegian languages; an unnamed layout types none.
    EXPECT_EQ(port.preloadedLayoutNames(),
              (std::vector<std::string>{"00000409", "00000419", "00000414", "00000814"}));
    compositor.layouts.reset();
    EXPECT_EQ(port.preloadedLayoutNames(), std::nullopt);
}

TEST_F(CompositorLayoutsTest, LoadGivesConfiguredLayoutsOnlyAndAddsNothing)
{
    EXPECT_EQ(port.load("00000419"), 0x0419u);
    EXPECT_EQ(port.load("00000814"), 0x0814u);
    EXPECT_EQ(port.load("00001009"), 0x1009u); // Canadian English types with "us"
    EXPECT_EQ(port.load("00000C09"), 0u);      // Australian English wants "au"
    EXPECT_EQ(port.load("00000407"), 0u);      // German is not configured
    EXPECT_EQ(port.load("0000040"), 0u);
    EXPECT_EQ(port.load("zz000409"), 0u);
    EXPECT_FALSE(port.unload(0x0419u));
    EXPECT_TRUE(compositor.switches.empty());
    EXPECT_EQ(compositor.layouts->size(), 4u);
}

TEST_F(CompositorLayoutsTest, ActivateByLanguageAndSwitchBackAndForth)
{
    EXPECT_FALSE(port.activatePrevious()); // nothing switched yet
    ASSERT_TRUE(port.activate(0x0419u));
    EXPECT_EQ(compositor.active, 1);
    ASSERT_TRUE(port.activatePrevious());
    EXPECT_EQ(compositor.active, 0);
    ASSERT_TRUE(port.activatePrevious()); // the previous of the previous
    EXPECT_EQ(compositor.active, 1);
    // Only the low 16 bits name the language.
    ASSERT_TRUE(port.activate(0x00070814u));
    EXPECT_EQ(compositor.active, 2);
    EXPECT_EQ(compositor.switches, (std::vector<int>{1, 0, 1, 2}));
    // The active layout again: nothing to switch, the previous one stays.
    ASSERT_TRUE(port.activate(0x0414u));
    ASSERT_TRUE(port.activatePrevious());
    EXPECT_EQ(compositor.active, 1);
    EXPECT_FALSE(port.activate(0x0407u));
    EXPECT_FALSE(port.activate(0));
}

TEST_F(CompositorLayoutsTest, ARefusedSwitchIsReportedAndKeepsThePreviousLayout)
{
    ASSERT_TRUE(port.activate(0x0419u));
    compositor.refuses = true;
    EXPECT_FALSE(port.activate(0x0414u));
    compositor.refuses = false;
    ASSERT_TRUE(port.activatePrevious());
    EXPECT_EQ(compositor.active, 0);
}

TEST_F(CompositorLayoutsTest, ChangesOfTheCompositorsListAreFollowed)
{
    ASSERT_TRUE(port.activate(0x0419u)); // previous: us
    compositor.layouts = std::vector<XkbLayoutName>{{"ru", ""}, {"de", "nodeadkeys"}, {"us", ""}};
    compositor.active = 0;
    EXPECT_EQ(port.preloadedLayoutNames(), (std::vector<std::string>{"00000419", "00000407", "00000409"}));
    EXPECT_EQ(port.load("00000407"), 0x0407u);
    // The previous layout is found where it is now.
    ASSERT_TRUE(port.activatePrevious());
    EXPECT_EQ(compositor.active, 2);
    // A previous layout the user removed is not switched to.
    ASSERT_TRUE(port.activate(0x0407u)); // previous: us
    compositor.layouts = std::vector<XkbLayoutName>{{"ru", ""}, {"de", "nodeadkeys"}};
    EXPECT_FALSE(port.activatePrevious());
    EXPECT_EQ(compositor.active, 1);
}

TEST(NoLayouts, HasAnEmptyListAndSwitchesNothing)
{
    mox::NoLayouts port;
    EXPECT_EQ(port.preloadedLayoutNames(), std::vector<std::string>{});
    EXPECT_EQ(port.load("00000409"), 0u);
    EXPECT_FALSE(port.activate(0x0409u));
    EXPECT_FALSE(port.activatePrevious());
}

} // namespace
