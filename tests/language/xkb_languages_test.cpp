#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <string>

#include "language/LanguageTable.h"
#include "platform/xkb/XkbLanguages.h"

using namespace mox;
using Ids = std::vector<std::uint16_t>;

namespace {

// Whether the XKB data of this system has the layout (and its variant).
bool xkbHas(const XkbLayoutName& name)
{
    std::ifstream in("/usr/share/X11/xkb/symbols/" + name.layout);
    if (!in)
        return false;
    if (name.variant.empty())
        return true;
    std::string line;
    while (std::getline(in, line))
        if (line.find("xkb_symbols \"" + name.variant + "\"") != std::string::npos)
            return true;
    return false;
}

} // namespace

TEST(XkbLanguages, EveryLanguageOfTheTableHasAnExistingLayout)
{
    for (const auto& row : LanguageTable) {
        const auto name = xkbLayoutFor(row.id);
        ASSERT_TRUE(name) << row.listText;
        EXPECT_TRUE(xkbHas(*name)) << row.listText << " → " << name->layout;
        // The configured group of that layout counts the language as its own.
        const Ids ids = languagesOfXkbLayout(*name);
        EXPECT_NE(std::find(ids.begin(), ids.end(), row.id), ids.end()) << row.listText;
    }
    // The transcription layout types plain ASCII letters.
    EXPECT_EQ(xkbLayoutFor(0x0409), (XkbLayoutName{"us", ""}));
    for (std::uint16_t id : Ids{0x0809, 0x100C, 0x081A, 0x0C09, 0x0416})
        EXPECT_TRUE(xkbHas(*xkbLayoutFor(id))) << std::hex << id;
}

TEST(XkbLanguages, RegionalIdentifiersFallBackToTheirPrimaryLanguage)
{
    EXPECT_EQ(xkbLayoutFor(0x1009), (XkbLayoutName{"us", ""})); // English, Canada
    EXPECT_EQ(xkbLayoutFor(0x0C07), (XkbLayoutName{"de", ""})); // German, Austria
    EXPECT_EQ(xkbLayoutFor(0x081A), (XkbLayoutName{"rs", "latin"}));
    EXPECT_FALSE(xkbLayoutFor(0x0401)); // Arabic: no entry
    EXPECT_FALSE(xkbLayoutFor(0));
}

TEST(XkbLanguages, ConfiguredGroupsNameTheirLanguages)
{
    EXPECT_EQ(languagesOfXkbLayout({"no", ""}), (Ids{0x0414, 0x0814}));
    EXPECT_EQ(languagesOfXkbLayout({"de", "nodeadkeys"}), (Ids{0x0407}));
    EXPECT_EQ(languagesOfXkbLayout({"rs", ""}), (Ids{0x0C1A}));
    EXPECT_EQ(languagesOfXkbLayout({"rs", "latin"}), (Ids{0x081A}));
    EXPECT_EQ(languagesOfXkbLayout({"ch", "fr"}), (Ids{0x100C}));
    EXPECT_EQ(languagesOfXkbLayout({"jp", ""}), Ids{});

    auto groups = splitXkbGroups("us,ru,de", ",,nodeadkeys");
    ASSERT_EQ(groups.size(), 3u);
    EXPECT_EQ(groups[2], (XkbLayoutName{"de", "nodeadkeys"}));
    groups = splitXkbGroups("us,ru", "");
    ASSERT_EQ(groups.size(), 2u);
    EXPECT_EQ(groups[1], (XkbLayoutName{"ru", ""}));
    EXPECT_TRUE(splitXkbGroups("", "").empty());
}
