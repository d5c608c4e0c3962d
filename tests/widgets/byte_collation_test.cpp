// Keys made by table lookup against the collator's own keys, over real word
// lists written in the code pages learners' dictionaries use: the order must
// be the very order the collator gives, word for word, in languages with
// contractions ("ch", "aa", "l·l"), expansions (ß), scripts the locale puts
// first (Cyrillic, Greek), and with and without case. Where the tables
// cannot follow a collation they must step aside, not guess.
#include <gtest/gtest.h>

#include <QLocale>
#include <QString>
#include <QStringDecoder>
#include <QStringEncoder>

#include <algorithm>
#include <fstream>
#include <string>
#include <vector>

#include "widgets/ByteCollation.h"
#include "widgets/CollationKeys.h"
#include "widgets/PackedKeys.h"

using mox::ByteCollation;
using mox::CollationKeys;
using mox::PackedKeys;

namespace {

// About 15,000 words spread over a word list (UTF-8 or the list's own
// encoding; a hunspell list's flags cut off) that the code page can hold,
// as its bytes; with variants that test the levels after the first and the
// places of scripts: now and then one in capitals, one repeated, one with a
// hyphen and a digit, one with its first letter doubled, one after a Latin
// "ok", and one with a raised dot between two l's.
std::vector<std::string> wordsOf(const char* path, const char* listEncoding, const char* codePage)
{
    std::ifstream in(path);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);)
        lines.push_back(line.substr(0, line.find('/')));
    QStringDecoder fromList(listEncoding);
    QStringEncoder toCodePage(codePage, QStringConverter::Flag::Stateless);
    std::vector<std::string> words;
    const std::size_t step = std::max<std::size_t>(1, lines.size() / 15000);
    for (std::size_t n = 0; n < lines.size(); n += step) {
        const QString word = fromList.decode(QByteArray::fromStdString(lines[n]));
        if (word.isEmpty())
            continue;
        const std::size_t i = n / step;
        std::vector<QString> variants{word};
        if (i % 50 == 1)
            variants.push_back(word.toUpper());
        if (i % 70 == 1)
            variants.push_back(word);
        if (i % 90 == 1)
            variants.push_back(word + QStringLiteral("-") + QString::number(i % 10));
        if (i % 110 == 1)
            variants.push_back(word.left(1) + word);
        if (i % 130 == 1)
            variants.push_back(QStringLiteral("ok") + word);
        if (i % 300 == 1)
            variants.push_back(word + QStringLiteral("l\u00b7l") + word.right(2));
        for (const QString& v : variants) {
            const QByteArray bytes = toCodePage.encode(v);
            if (!toCodePage.hasError() && !bytes.contains('\0'))
                words.push_back(bytes.toStdString());
            toCodePage.resetState();
        }
    }
    return words;
}

// The order the collator's own keys give the decoded words, ties by bytes.
std::vector<std::uint32_t> collatorOrder(CollationKeys& collation, const std::vector<std::string>& words,
                                         const char* codePage)
{
    QStringDecoder decoder(codePage);
    PackedKeys keys;
    for (const std::string& word : words) {
        const QString text = decoder.decode(QByteArrayView(word.data(), static_cast<qsizetype>(word.size())));
        collation.appendKey(keys, text);
    }
    std::vector<std::uint32_t> order = keys.order(false);
    keys.orderEqualKeys(order, [&](std::uint32_t a, std::uint32_t b) { return words[a] < words[b]; });
    return order;
}

std::vector<std::uint32_t> tableOrder(ByteCollation& bytes, const std::vector<std::string>& words)
{
    PackedKeys keys;
    bytes.appendKeys(keys, words);
    std::vector<std::uint32_t> order = keys.order(false);
    keys.orderEqualKeys(order, [&](std::uint32_t a, std::uint32_t b) {
        const int c = bytes.compareFurther(words[a], words[b]);
        return c != 0 ? c < 0 : words[a] < words[b];
    });
    return order;
}

struct Case {
    const char* list;
    const char* listEncoding;
    const char* codePage;
    const char* locale;
    // Whether the tables serve, with case and without.
    bool byTablesWithCase = true;
    bool byTablesWithoutCase = true;
};

void expectCollatorOrder(const Case& c)
{
    const std::vector<std::string> words = wordsOf(c.list, c.listEncoding, c.codePage);
    ASSERT_GT(words.size(), 10000u);
    const std::optional<mox::ByteChars> chars = mox::singleByteChars(c.codePage);
    ASSERT_TRUE(chars);
    const QLocale locale = std::string(c.locale) == "C" ? QLocale::c() : QLocale(QString::fromLatin1(c.locale));
    for (const Qt::CaseSensitivity cs : {Qt::CaseSensitive, Qt::CaseInsensitive}) {
        SCOPED_TRACE(std::string(c.list) + " " + c.codePage + " " + c.locale +
                     (cs == Qt::CaseSensitive ? " with case" : " without case"));
        CollationKeys collation(locale, cs);
        ByteCollation bytes(collation, *chars);
        EXPECT_EQ(bytes.byTables(), cs == Qt::CaseSensitive ? c.byTablesWithCase : c.byTablesWithoutCase);

        const std::vector<std::uint32_t> expected = collatorOrder(collation, words, c.codePage);
        const std::vector<std::uint32_t> got = tableOrder(bytes, words);
        ASSERT_EQ(got.size(), expected.size());
        for (std::size_t i = 0; i < got.size(); ++i)
            ASSERT_EQ(words[got[i]], words[expected[i]]) << "at " << i << " of " << got.size();
    }
}

} // namespace

TEST(ByteCollation, OrdersRealWordsInTheirCodePagesAsTheCollatorDoes)
{
    const char* german = "/usr/share/dict/ngerman";
    const char* polish = "/usr/share/dict/polish";
    const char* french = "/usr/share/dict/french";
    const char* russian = "/usr/share/hunspell/ru_RU.dic";
    const char* greek = "/usr/share/hunspell/el_GR.dic";
    for (const Case& c : {
             Case{german, "UTF-8", "windows-1252", "de_DE"},
             Case{german, "UTF-8", "windows-1252", "sv_SE"},
             Case{french, "UTF-8", "windows-1252", "fr_FR"},
             Case{polish, "UTF-8", "windows-1250", "pl_PL"},
             // "ch" is one letter after h.
             Case{polish, "UTF-8", "windows-1250", "cs_CZ"},
             // Cyrillic and Greek are put before Latin.
             Case{russian, "UTF-8", "windows-1251", "ru_RU"},
             Case{greek, "ISO-8859-7", "windows-1253", "el_GR"},
             // Code order, case folded when case does not count.
             Case{russian, "UTF-8", "windows-1251", "C"},
             Case{german, "UTF-8", "ISO-8859-1", "C"},
             // "aa" is å; upper case goes first, which the tables leave to
             // the collator.
             Case{german, "UTF-8", "windows-1252", "da_DK", false, true},
             // Accents are compared from the end of the word.
             Case{french, "UTF-8", "windows-1252", "fr_CA", false, false},
         })
        expectCollatorOrder(c);
}

TEST(ByteCollation, CodePagesOfLeadAndTrailBytesHaveNoTable)
{
    EXPECT_FALSE(mox::singleByteChars("Shift_JIS"));
    EXPECT_FALSE(mox::singleByteChars("GBK"));
    const std::optional<mox::ByteChars> cyrillic = mox::singleByteChars("windows-1251");
    ASSERT_TRUE(cyrillic);
    EXPECT_EQ((*cyrillic)[0xE0], u'\u0430');
    EXPECT_EQ((*cyrillic)[0xB8], u'\u0451');
}
