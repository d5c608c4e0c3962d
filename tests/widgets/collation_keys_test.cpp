// Collation keys against QCollator itself, over real word lists: the order
// a radix sort of the packed keys gives must be the order QCollator gives
// (texts that collate equal by their UTF-8 bytes), in languages with letters
// of their own, with and without case.
#include <gtest/gtest.h>

#include <QCollator>
#include <QLocale>
#include <QString>

#include <algorithm>
#include <fstream>
#include <string>
#include <vector>

#include "widgets/CollationKeys.h"
#include "widgets/PackedKeys.h"

using mox::CollationKeys;
using mox::PackedKeys;

namespace {

// Every twentieth word of a word list, in a shuffled order, each hundredth with
// its case changed and each 150th repeated (ties), and a few with
// punctuation and digits.
std::vector<QString> wordsOf(const char* path)
{
    std::ifstream in(path);
    std::vector<QString> all;
    for (std::string line; std::getline(in, line);)
        all.push_back(QString::fromUtf8(line));
    std::vector<QString> words;
    for (std::size_t i = 0; i < all.size(); i += 20) {
        QString word = all[(i * 7919) % all.size()];
        if (i % 400 == 0)
            word = word.toUpper();
        words.push_back(word);
        if (i % 600 == 0)
            words.push_back(word);
        if (i % 1000 == 0)
            words.push_back(word + QStringLiteral("-") + QString::number(i % 7));
    }
    return words;
}

std::vector<std::uint32_t> keyOrder(CollationKeys& collation, const std::vector<QString>& words)
{
    PackedKeys keys;
    for (const QString& word : words)
        collation.appendKey(keys, word);
    std::vector<std::uint32_t> order = keys.order(false);
    keys.orderEqualKeys(order, [&](std::uint32_t a, std::uint32_t b) { return words[a].toUtf8() < words[b].toUtf8(); });
    return order;
}

void expectCollatorOrder(const char* list, const QLocale& locale, Qt::CaseSensitivity cs)
{
    SCOPED_TRACE(std::string(list) + " " + locale.name().toStdString() + (cs == Qt::CaseSensitive ? " cs" : " ci"));
    const std::vector<QString> words = wordsOf(list);
    ASSERT_GT(words.size(), 1000u);
    CollationKeys collation(locale, cs);
    const std::vector<std::uint32_t> order = keyOrder(collation, words);
    ASSERT_EQ(order.size(), words.size());

    QCollator collator(locale);
    collator.setCaseSensitivity(cs);
    for (std::size_t i = 1; i < order.size(); ++i) {
        const QString& a = words[order[i - 1]];
        const QString& b = words[order[i]];
        const int c = collator.compare(a, b);
        ASSERT_TRUE(c < 0 || (c == 0 && a.toUtf8() <= b.toUtf8()))
            << i << ": " << a.toStdString() << " before " << b.toStdString();
        ASSERT_EQ(collation.compare(a, b) < 0, c < 0);
        ASSERT_EQ(collation.compare(b, a) > 0, c < 0);
    }
}

} // namespace

TEST(CollationKeys, OrderRealWordsAsQCollatorDoesWithAndWithoutCase)
{
    for (const Qt::CaseSensitivity cs : {Qt::CaseSensitive, Qt::CaseInsensitive}) {
        expectCollatorOrder("/usr/share/dict/ngerman", QLocale("de_DE"), cs);
        expectCollatorOrder("/usr/share/dict/polish", QLocale("pl_PL"), cs);
        expectCollatorOrder("/usr/share/dict/french", QLocale("fr_FR"), cs);
        // Swedish puts the letters with marks after z.
        expectCollatorOrder("/usr/share/dict/ngerman", QLocale("sv_SE"), cs);
        expectCollatorOrder("/usr/share/dict/polish", QLocale::c(), cs);
    }
}

TEST(CollationKeys, AreMovedWithTheirCollator)
{
    CollationKeys swedish(QLocale("sv_SE"), Qt::CaseSensitive);
    CollationKeys moved(std::move(swedish));
    EXPECT_LT(moved.compare(u"zebra", u"\u00f6l"), 0);
    EXPECT_GT(moved.compare(u"\u00f6l", u"ok"), 0);
}

TEST(CollationKeys, OrderRealWordsAsQCollatorDoesWhereLettersAreWrittenWithTwo)
{
    // Czech sorts "ch" as one letter after h (Polish words have many), Danish
    // reads "aa" as å at the end of the alphabet (German words have some),
    // Spanish puts ñ after n; German ß expands to ss.
    for (const Qt::CaseSensitivity cs : {Qt::CaseSensitive, Qt::CaseInsensitive}) {
        expectCollatorOrder("/usr/share/dict/polish", QLocale("cs_CZ"), cs);
        expectCollatorOrder("/usr/share/dict/ngerman", QLocale("da_DK"), cs);
        expectCollatorOrder("/usr/share/dict/french", QLocale("es_ES"), cs);
    }
    CollationKeys czech(QLocale("cs_CZ"), Qt::CaseSensitive);
    EXPECT_GT(czech.compare(u"chleba", u"hrad"), 0);
    CollationKeys danish(QLocale("da_DK"), Qt::CaseSensitive);
    EXPECT_GT(danish.compare(u"Aachen", u"Zug"), 0);
    CollationKeys german(QLocale("de_DE"), Qt::CaseInsensitive);
    EXPECT_LT(german.compare(u"Stra\u00dfe", u"Strat"), 0);
}
