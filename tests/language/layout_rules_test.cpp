#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "language/Layouts.h"
#include "platform/fake/FakeLayoutPort.h"
#include "platform/fake/RecordingMessages.h"
#include "settings/Settings.h"

using namespace mox;

namespace {

using Names = std::vector<std::string>;

struct Rig {
    explicit Rig(std::optional<Names> preload) : port(std::move(preload)), settings(messages), layouts(port, settings)
    {
        layouts.readPreloadLayouts(settings.preloadLayouts());
        port.calls.clear();
    }
    RecordingMessages messages;
    FakeLayoutPort port;
    Settings settings;
    KeyboardLayouts layouts;
};

} // namespace

TEST(LayoutNames, EightLowerCaseHexDigits)
{
    EXPECT_EQ(layoutName(0x409), "00000409");
    EXPECT_EQ(layoutName(0xC1A), "00000c1a");
    EXPECT_EQ(layoutName(0x40C), "0000040c");
    // Four-digit identifiers keep the length of a layout name, so the one
    // the system lists as preloaded is recognised.
    EXPECT_EQ(layoutName(0x100C), "0000100c");
    EXPECT_TRUE(isPreloaded(0x100C, {"0000100C"}));
    EXPECT_EQ(layoutName(0x10409), "00010409");
}

TEST(LayoutNames, PreloadedComparesTheLanguageOfHandleOrIdentifier)
{
    const Names list{"00000419", "00000409"};
    EXPECT_TRUE(isPreloaded(0x409, list));
    EXPECT_TRUE(isPreloaded(0x04090409, list)); // a handle: low 16 bits count
    EXPECT_TRUE(isPreloaded(0x00020419, list));
    EXPECT_FALSE(isPreloaded(0x407, list));
    EXPECT_FALSE(isPreloaded(0x409, {}));
    // Hexadecimal letters name the same layout in either case.
    EXPECT_TRUE(isPreloaded(0x40C, {"0000040C"}));
    EXPECT_TRUE(isPreloaded(0xC1A, {"00000C1A"}));
    EXPECT_FALSE(isPreloaded(0x40C, {"0000040"}));
    EXPECT_FALSE(isPreloaded(0x40C, {"0000040c0"}));
}

TEST(PreloadList, AppendsAndReportsAnUnreadableList)
{
    RecordingMessages messages;
    Settings settings(messages);
    FakeLayoutPort port(Names{"00000419", "00000409"});
    KeyboardLayouts layouts(port, settings);
    Names list{"keep"};
    layouts.readPreloadLayouts(list);
    layouts.readPreloadLayouts(list);
    EXPECT_EQ(list, (Names{"keep", "00000419", "00000409", "00000419", "00000409"}));
    EXPECT_TRUE(messages.shown.empty());

    FakeLayoutPort broken(std::nullopt);
    KeyboardLayouts none(broken, settings);
    none.readPreloadLayouts(list);
    EXPECT_EQ(list.size(), 5u);
    ASSERT_EQ(messages.texts(), (Names{"Error Open Key"}));
}

TEST(ActivateLayout, PreloadedLayoutIsActivatedDirectlyAndNeverReleased)
{
    Rig rig(Names{"00000419", "00000409"});
    LayoutHandle slot = 0;
    rig.layouts.activateLayout(0x409, slot, rig.settings.preloadLayouts());
    EXPECT_EQ(slot, 0u);
    EXPECT_EQ(rig.port.activeLanguage(), 0x409);
    EXPECT_EQ(rig.port.calls, (Names{"activate 0x409"}));

    rig.port.calls.clear();
    EXPECT_FALSE(rig.layouts.releaseLayout(slot));
    EXPECT_TRUE(rig.port.calls.empty());
    EXPECT_EQ(rig.port.activeLanguage(), 0x409);
}

TEST(ActivateLayout, OtherLayoutIsLoadedHeldAndReleasedToThePreviousOne)
{
    Rig rig(Names{"00000419", "00000409"});
    LayoutHandle slot = 0;
    rig.layouts.activateLayout(0x407, slot, rig.settings.preloadLayouts());
    ASSERT_NE(slot, 0u);
    EXPECT_EQ(slot & 0xFFFFu, 0x407u);
    EXPECT_EQ(rig.port.active(), slot);
    EXPECT_EQ(rig.port.calls[0], "load 00000407");

    // Activating the same language again keeps the one loaded layout.
    const LayoutHandle first = slot;
    rig.layouts.activateLayout(0x407, slot, rig.settings.preloadLayouts());
    EXPECT_EQ(slot, first);

    rig.port.calls.clear();
    EXPECT_TRUE(rig.layouts.releaseLayout(slot));
    char unload[32];
    std::snprintf(unload, sizeof unload, "unload 0x%x", static_cast<unsigned>(first));
    EXPECT_EQ(rig.port.calls, (Names{"previous", unload}));
    EXPECT_FALSE(rig.port.isLoaded(first));
    EXPECT_EQ(rig.port.activeLanguage(), 0x419);
    EXPECT_FALSE(rig.port.preloadedUnloadAttempted);
}

TEST(ActivateLayout, UpperCasePreloadEntryIsTheUsersOwnLayout)
{
    // French preloaded as "0000040C": the program must not load it as its
    // own and then unload the user's French on release.
    Rig rig(Names{"00000419", "0000040C"});
    LayoutHandle slot = 0;
    rig.layouts.activateLayout(0x40C, slot, rig.settings.preloadLayouts());
    EXPECT_EQ(slot, 0u);
    EXPECT_EQ(rig.port.activeLanguage(), 0x40C);
    EXPECT_EQ(rig.port.calls, (Names{"activate 0x40c"}));
    EXPECT_FALSE(rig.layouts.releaseLayout(0x1040C));
    EXPECT_FALSE(rig.port.preloadedUnloadAttempted);
}

TEST(ActivateLayout, FailedLoadKeepsTheActiveLayoutAndWhatTheSlotHeld)
{
    Rig rig(Names{"00000419"});
    rig.port.failingNames.insert("0000040c");
    LayoutHandle slot = 0;
    rig.layouts.activateLayout(0x40C, slot, rig.settings.preloadLayouts());
    EXPECT_EQ(slot, 0u);
    EXPECT_EQ(rig.port.activeLanguage(), 0x419);

    rig.layouts.activateLayout(0x407, slot, rig.settings.preloadLayouts());
    const LayoutHandle german = slot;
    ASSERT_NE(german, 0u);
    rig.layouts.activateLayout(0x40C, slot, rig.settings.preloadLayouts());
    EXPECT_EQ(slot, german) << "the loaded German layout would never be unloaded";
    EXPECT_EQ(rig.port.active(), german);
}

TEST(ActivateLayout, SlotTakingAnotherLanguageUnloadsTheOneItHeld)
{
    Rig rig(Names{"00000419"});
    LayoutHandle slot = 0;
    rig.layouts.activateLayout(0x407, slot, rig.settings.preloadLayouts());
    const LayoutHandle german = slot;
    rig.layouts.activateLayout(0x40C, slot, rig.settings.preloadLayouts());
    EXPECT_NE(slot, german);
    EXPECT_EQ(slot & 0xFFFFu, 0x40Cu);
    EXPECT_EQ(rig.port.active(), slot);
    EXPECT_FALSE(rig.port.isLoaded(german));
    EXPECT_TRUE(rig.layouts.releaseLayout(slot));
    EXPECT_EQ(rig.port.layouts().size(), 1u);
}

TEST(ActivateLayout, UnreadablePreloadListMakesEveryActivationLoad)
{
    Rig rig(std::nullopt);
    EXPECT_EQ(rig.messages.texts(), (Names{"Error Open Key"}));
    LayoutHandle slot = 0;
    rig.layouts.activateLayout(0x409, slot, rig.settings.preloadLayouts());
    EXPECT_EQ(rig.port.calls.front(), "load 00000409");
    EXPECT_NE(slot, 0u);
    EXPECT_TRUE(rig.layouts.releaseLayout(slot));
}

TEST(ReleaseLayout, RefusesZeroAndLayoutsPreloadedBySettings)
{
    Rig rig(Names{"00000419", "00000409"});
    EXPECT_FALSE(rig.layouts.releaseLayout(0));
    // A dialog whose own list could not be read loads the user's English;
    // releasing it must still leave the user's layout alone.
    LayoutHandle slot = 0;
    rig.layouts.activateLayout(0x409, slot, Names{});
    ASSERT_NE(slot, 0u);
    rig.port.calls.clear();
    EXPECT_FALSE(rig.layouts.releaseLayout(slot));
    EXPECT_TRUE(rig.port.calls.empty());
    EXPECT_FALSE(rig.port.preloadedUnloadAttempted);
}

TEST(ReleaseLayout, LearningWindowTurnsBetweenDirections)
{
    // Studied German (loaded), translation Russian (preloaded).
    Rig rig(Names{"00000419", "00000409"});
    const auto& list = rig.settings.preloadLayouts();
    LayoutHandle studied = 0, translation = 0;

    // Reverse direction: release the translation slot, activate German.
    if (rig.layouts.releaseLayout(translation))
        translation = 0;
    rig.layouts.activateLayout(0x407, studied, list);
    EXPECT_EQ(rig.port.activeLanguage(), 0x407);

    // Direct direction: release German, activate Russian.
    if (rig.layouts.releaseLayout(studied))
        studied = 0;
    rig.layouts.activateLayout(0x419, translation, list);
    EXPECT_EQ(studied, 0u);
    EXPECT_EQ(translation, 0u);
    EXPECT_EQ(rig.port.activeLanguage(), 0x419);
    EXPECT_EQ(rig.port.layouts().size(), 2u);
}

TEST(ReleaseSlots, SwitchesBackOnceAndUnloadsEachHeldLayoutOnce)
{
    Rig rig(Names{"00000419"});
    Names dialogList;
    rig.layouts.readPreloadLayouts(dialogList);
    LayoutHandle word = 0, translation = 0, transcription = 0;
    EXPECT_FALSE(rig.layouts.releaseSlots({&word, &translation, &transcription}, dialogList));
    EXPECT_EQ(rig.port.calls, (Names{"preload"})) << "nothing held: no switching";

    rig.layouts.activateLayout(0x407, word, dialogList);
    rig.layouts.activateLayout(0x419, translation, dialogList);
    rig.layouts.activateLayout(0x409, transcription, dialogList);
    ASSERT_NE(word, 0u);
    EXPECT_EQ(translation, 0u);
    ASSERT_NE(transcription, 0u);
    rig.port.calls.clear();

    EXPECT_TRUE(rig.layouts.releaseSlots({&word, &translation, &transcription}, dialogList));
    EXPECT_EQ(rig.port.calls.size(), 3u);
    EXPECT_EQ(rig.port.calls[0], "previous");
    EXPECT_EQ(word, 0u);
    EXPECT_EQ(transcription, 0u);
    EXPECT_EQ(rig.port.layouts().size(), 1u);
    EXPECT_EQ(rig.port.activeLanguage(), 0x419);

    // Word and transcription in one language share one loaded layout.
    rig.layouts.activateLayout(0x409, word, dialogList);
    rig.layouts.activateLayout(0x409, transcription, dialogList);
    EXPECT_EQ(word, transcription);
    rig.port.calls.clear();
    EXPECT_TRUE(rig.layouts.releaseSlots({&word, &transcription}, dialogList));
    EXPECT_EQ(rig.port.calls.size(), 2u) << "previous, then one unload";
    EXPECT_EQ(word, 0u);
    EXPECT_EQ(transcription, 0u);
}
