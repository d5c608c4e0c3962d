// Ordering and prefix search of packed keys against plain std:: algorithms,
// over the German word list (many words share their first eight bytes).
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <string>
#include <vector>

#include "widgets/PackedKeys.h"

using mox::PackedKeys;

namespace {

// Every seventh word of the list, in an order unlike the sorted one, with
// each tenth repeated (equal keys), a few empty keys among them.
std::vector<std::string> germanWords()
{
    std::ifstream in("/usr/share/dict/ngerman");
    std::vector<std::string> all;
    for (std::string line; std::getline(in, line);)
        all.push_back(line);
    std::vector<std::string> words;
    for (std::size_t i = 0; i < all.size(); i += 7) {
        words.push_back(all[(i * 7919) % all.size()]);
        if (i % 70 == 0)
            words.push_back(words.back());
        if (i % 7000 == 0)
            words.emplace_back();
    }
    return words;
}

// Row numbers ordered by key, equal keys in row order: the reference.
std::vector<std::uint32_t> stableOrder(const std::vector<std::string>& words, bool descending)
{
    std::vector<std::uint32_t> rows(words.size());
    for (std::uint32_t i = 0; i < rows.size(); ++i)
        rows[i] = i;
    std::stable_sort(rows.begin(), rows.end(), [&](std::uint32_t a, std::uint32_t b) {
        return descending ? words[b] < words[a] : words[a] < words[b];
    });
    return rows;
}

} // namespace

TEST(PackedKeys, OrdersAsAStableSortOfTheBytesDoesBothWaysAndFindsPrefixesByBisection)
{
    const std::vector<std::string> words = germanWords();
    ASSERT_GT(words.size(), 10000u) << "the wngerman word list is missing";
    PackedKeys keys;
    for (const std::string& w : words)
        keys.append(w);
    ASSERT_EQ(keys.size(), words.size());
    EXPECT_EQ(keys.order(false), stableOrder(words, false));
    EXPECT_EQ(keys.order(true), stableOrder(words, true));

    // Prefixes shorter than, as long as and longer than the packed head,
    // and bytes above 0x7F (UTF-8 umlauts): the rows a linear scan finds.
    const std::vector<std::uint32_t> ascending = keys.order(false);
    for (const std::string prefix : {"", "A", "Stra", "Schiffs", "Schifffa", "Donaudampf", "\xC3\x9C", "zzzz"}) {
        const PackedKeys::Range range = keys.prefixRange(ascending, prefix);
        std::vector<std::uint32_t> found(ascending.begin() + static_cast<std::ptrdiff_t>(range.first),
                                         ascending.begin() + static_cast<std::ptrdiff_t>(range.last));
        std::vector<std::uint32_t> expected;
        for (std::uint32_t row : ascending)
            if (words[row].rfind(prefix, 0) == 0)
                expected.push_back(row);
        EXPECT_EQ(found, expected) << prefix;
    }
}

TEST(PackedKeys, LongSharedBeginningsAndTrailingZeroBytesOrderAsBytesDo)
{
    // Hundreds of keys alike in their first 8, 16 and 24 bytes (runs long
    // enough to be radix sorted again by their next bytes), keys that differ
    // only by zero bytes at their ends, and repeats.
    std::vector<std::string> words;
    const std::vector<std::string> germans = germanWords();
    for (std::size_t i = 0; i < 3000; ++i) {
        const std::string& german = germans[(i * 131) % germans.size()];
        switch (i % 5) {
        case 0: words.push_back("Donaudampfschifffahrts" + german); break;
        case 1: words.push_back("Donaudampf" + german); break;
        case 2: words.push_back(std::string("Donaudampfschifffahrtsgesellschaft") + '\0' + german.substr(0, i % 3)); break;
        case 3: words.push_back(std::string("Donau\0\0", 5 + i % 3)); break;
        default: words.push_back(german); break;
        }
    }
    PackedKeys keys;
    for (const std::string& w : words)
        keys.append(w);
    EXPECT_EQ(keys.order(false), stableOrder(words, false));
    EXPECT_EQ(keys.order(true), stableOrder(words, true));
}

TEST(PackedKeys, AReplacedKeyIsReadAndOrderedByItsNewBytes)
{
    std::vector<std::string> words = {"Haus", "Hauptstadt", "Hafen", "Apfel"};
    PackedKeys keys;
    for (const std::string& w : words)
        keys.append(w);
    keys.replace(1, "Zugspitzbahnhofsvorplatz"); // longer: appended
    keys.replace(0, "Ei");                       // shorter: in place
    words[1] = "Zugspitzbahnhofsvorplatz";
    words[0] = "Ei";
    for (std::size_t i = 0; i < words.size(); ++i)
        EXPECT_EQ(keys.key(i), words[i]);
    EXPECT_EQ(keys.order(false), stableOrder(words, false));
    EXPECT_EQ(keys.upperBound(keys.order(false), "F"), 2u);
}
