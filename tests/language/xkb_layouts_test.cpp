#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "language/Layouts.h"
#include "platform/fake/RecordingMessages.h"
#include "platform/x11/XkbLayouts.h"
#include "settings/Settings.h"
#include "xkb_server.h"

using namespace mox;
using Names = std::vector<std::string>;

namespace {

// Each test gets a fresh server whose user has configured "us,ru".
class XkbLayoutsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(server.running()) << "Xvfb did not start";
        ASSERT_EQ(server.run("setxkbmap -rules evdev -model pc105 -layout us,ru -option grp:alt_shift_toggle"), 0);
        probe = std::make_unique<XkbProbe>(server.name());
        ASSERT_TRUE(probe->ok());
        userNames = probe->rulesNames();
        userGroups = probe->groupNames();
        ASSERT_EQ(userGroups.size(), 2u);
    }

    XvfbServer server;
    std::unique_ptr<XkbProbe> probe;
    std::string userNames;
    Names userGroups;
};

} // namespace

TEST_F(XkbLayoutsTest, UsersGroupsAreThePreloadedLayouts)
{
    XkbLayouts port(server.name().c_str());
    ASSERT_TRUE(port.available());
    EXPECT_EQ(port.preloadedLayoutNames(), (Names{"00000409", "00000419"}));

    // A user layout is activated by its language and never unloaded; loading
    // it adds nothing and names it by its language.
    EXPECT_TRUE(port.activate(0x419));
    EXPECT_EQ(probe->lockedGroup(), 1);
    EXPECT_EQ(port.load("00000419"), 0x419u);
    EXPECT_FALSE(port.unload(0x419));
    EXPECT_EQ(probe->rulesNames(), userNames);
    EXPECT_TRUE(port.activate(0x409));
    EXPECT_EQ(probe->lockedGroup(), 0);
    EXPECT_FALSE(port.activate(0x407)) << "German is not there yet";
}

TEST_F(XkbLayoutsTest, LoadingAddsAGroupAndActivatingLocksIt)
{
    XkbLayouts port(server.name().c_str());
    probe->lockGroup(1); // the user types Russian
    const LayoutHandle german = port.load("00000407");
    ASSERT_NE(german, 0u);
    EXPECT_EQ(german & 0xFFFFu, 0x407u);
    EXPECT_EQ(probe->layoutField(), "us,ru,de");
    Names groups = probe->groupNames();
    ASSERT_EQ(groups.size(), 3u);
    EXPECT_EQ(groups[0], userGroups[0]);
    EXPECT_EQ(groups[1], userGroups[1]);
    EXPECT_NE(groups[2].find("German"), std::string::npos) << groups[2];
    EXPECT_EQ(probe->lockedGroup(), 1) << "loading alone does not switch";
    EXPECT_EQ(probe->rulesNames().find("grp:alt_shift_toggle") != std::string::npos, true)
        << "the user's options stay";

    EXPECT_EQ(port.load("00000407"), german) << "loaded once";
    EXPECT_EQ(probe->groupNames().size(), 3u);

    EXPECT_TRUE(port.activate(german));
    EXPECT_EQ(probe->lockedGroup(), 2);
    EXPECT_TRUE(port.activatePrevious());
    EXPECT_EQ(probe->lockedGroup(), 1);
    EXPECT_TRUE(port.activatePrevious());
    EXPECT_EQ(probe->lockedGroup(), 2);
}

TEST_F(XkbLayoutsTest, UnloadingRestoresTheUsersGroupsExactly)
{
    XkbLayouts port(server.name().c_str());
    const LayoutHandle german = port.load("00000407");
    const LayoutHandle french = port.load("0000040c");
    ASSERT_NE(german, 0u);
    ASSERT_NE(french, 0u);
    EXPECT_EQ(probe->layoutField(), "us,ru,de,fr");
    ASSERT_TRUE(port.activate(french));
    EXPECT_EQ(probe->lockedGroup(), 3);

    // Removing German shifts French down; French stays the active layout.
    EXPECT_TRUE(port.unload(german));
    EXPECT_FALSE(port.unload(german));
    EXPECT_EQ(probe->layoutField(), "us,ru,fr");
    EXPECT_EQ(probe->lockedGroup(), 2);

    EXPECT_TRUE(port.activatePrevious());
    EXPECT_EQ(probe->lockedGroup(), 0);
    EXPECT_TRUE(port.unload(french));
    EXPECT_EQ(probe->rulesNames(), userNames);
    EXPECT_EQ(probe->groupNames(), userGroups);
    EXPECT_EQ(probe->lockedGroup(), 0);
}

TEST_F(XkbLayoutsTest, UnloadingTheActiveLayoutGoesBackToTheOneBefore)
{
    XkbLayouts port(server.name().c_str());
    probe->lockGroup(1);
    const LayoutHandle greek = port.load("00000408");
    ASSERT_TRUE(port.activate(greek));
    EXPECT_EQ(probe->lockedGroup(), 2);
    EXPECT_TRUE(port.unload(greek));
    EXPECT_EQ(probe->lockedGroup(), 1);
    EXPECT_EQ(probe->rulesNames(), userNames);
}

TEST_F(XkbLayoutsTest, PreviousLayoutIsTheGroupTheUserHadEvenIfSwitchedByHand)
{
    XkbLayouts port(server.name().c_str());
    const LayoutHandle german = port.load("00000407");
    probe->lockGroup(1); // the user's own group switch key
    ASSERT_TRUE(port.activate(german));
    EXPECT_TRUE(port.activatePrevious());
    EXPECT_EQ(probe->lockedGroup(), 1);
}

TEST_F(XkbLayoutsTest, KeyboardHoldsAtMostFourGroups)
{
    XkbLayouts port(server.name().c_str());
    probe->lockGroup(1);
    ASSERT_NE(port.load("00000407"), 0u);
    ASSERT_NE(port.load("0000040c"), 0u);
    const std::string full = probe->rulesNames();
    EXPECT_EQ(port.load("0000040a"), 0u) << "a fifth group";
    EXPECT_EQ(probe->rulesNames(), full);
    EXPECT_EQ(probe->groupNames().size(), 4u);
    EXPECT_EQ(probe->lockedGroup(), 1);
    EXPECT_EQ(port.load("00000401"), 0u) << "a language without a known XKB layout";
    EXPECT_EQ(port.load("not a name"), 0u);
}

TEST_F(XkbLayoutsTest, EndingTheAdapterUnloadsWhatItLoaded)
{
    {
        XkbLayouts port(server.name().c_str());
        ASSERT_TRUE(port.activate(port.load("00000422")));
        EXPECT_EQ(probe->lockedGroup(), 2);
    }
    EXPECT_EQ(probe->rulesNames(), userNames);
    EXPECT_EQ(probe->groupNames(), userGroups);
    EXPECT_LT(probe->lockedGroup(), 2);
}

TEST_F(XkbLayoutsTest, KeyboardReconfiguredMeanwhileIsNotTurnedBack)
{
    XkbLayouts port(server.name().c_str());
    const LayoutHandle german = port.load("00000407");
    ASSERT_NE(german, 0u);
    // The user picks other layouts in the desktop's settings.
    ASSERT_EQ(server.run("setxkbmap -rules evdev -model pc105 -layout us,fr"), 0);
    const std::string chosen = probe->rulesNames();
    EXPECT_FALSE(port.unload(german)) << "German went with the old keymap";
    EXPECT_EQ(probe->rulesNames(), chosen);
    EXPECT_EQ(port.preloadedLayoutNames(), (Names{"00000409", "0000040c"}));
    EXPECT_TRUE(port.activate(0x40C));
    EXPECT_EQ(probe->lockedGroup(), 1);

    // What is loaded from now on goes after the new groups and away again.
    const LayoutHandle czech = port.load("00000405");
    EXPECT_EQ(probe->layoutField(), "us,fr,cz");
    EXPECT_TRUE(port.unload(czech));
    EXPECT_EQ(probe->rulesNames(), chosen);
}

TEST_F(XkbLayoutsTest, SwitchingRulesWorkOnTheRealKeyboard)
{
    XkbLayouts port(server.name().c_str());
    RecordingMessages messages;
    Settings settings(messages);
    KeyboardLayouts layouts(port, settings);
    layouts.readPreloadLayouts(settings.preloadLayouts());
    EXPECT_EQ(settings.preloadLayouts(), (Names{"00000409", "00000419"}));
    probe->lockGroup(1);

    LayoutHandle studied = 0, translation = 0;
    layouts.activateLayout(0x409, translation, settings.preloadLayouts());
    EXPECT_EQ(translation, 0u);
    EXPECT_EQ(probe->lockedGroup(), 0);

    layouts.activateLayout(0x0C1A, studied, settings.preloadLayouts());
    ASSERT_NE(studied, 0u);
    EXPECT_EQ(probe->layoutField(), "us,ru,rs");
    EXPECT_EQ(probe->lockedGroup(), 2);

    EXPECT_TRUE(layouts.releaseLayout(studied));
    EXPECT_EQ(probe->lockedGroup(), 0) << "back to the layout before";
    EXPECT_EQ(probe->rulesNames(), userNames);
    EXPECT_TRUE(messages.shown.empty());
}

TEST(XkbLayoutsWithoutServer, DoesNothingAndTheProgramGoesOn)
{
    const char* saved = std::getenv("DISPLAY");
    const std::string keep = saved ? saved : "";
    unsetenv("DISPLAY");
    {
        XkbLayouts port;
        EXPECT_FALSE(port.available());
        EXPECT_EQ(port.preloadedLayoutNames(), Names{});
        EXPECT_EQ(port.load("00000407"), 0u);
        EXPECT_FALSE(port.activate(0x409));
        EXPECT_FALSE(port.activatePrevious());
        EXPECT_FALSE(port.unload(0x20407));

        // The rules then leave the slot empty and show nothing.
        RecordingMessages messages;
        Settings settings(messages);
        KeyboardLayouts layouts(port, settings);
        layouts.readPreloadLayouts(settings.preloadLayouts());
        LayoutHandle slot = 0;
        layouts.activateLayout(0x407, slot, settings.preloadLayouts());
        EXPECT_EQ(slot, 0u);
        EXPECT_TRUE(messages.shown.empty());
    }
    if (saved)
        setenv("DISPLAY", keep.c_str(), 1);

    XkbLayouts unreachable(":65001"); // no server there
    EXPECT_FALSE(unreachable.available());
}
