// The rows of tab- and comma-separated text as the import reads them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "DelimitedText.h"
#include "HtmlText.h"
#include "LanguageGuess.h"

using namespace mox::dc;

namespace {

struct Row {
    std::size_t line;
    std::vector<std::string> fields;
    bool openQuote;
    bool operator==(const Row&) const = default;
};

std::vector<Row> rows(std::string_view text, Separator separator)
{
    RowReader reader(text, separator);
    std::vector<Row> out;
    while (reader.next()) {
        Row row{reader.line(), {}, reader.openQuote()};
        for (std::size_t i = 0; i < reader.fieldCount(); ++i)
            row.fields.emplace_back(reader.field(i));
        out.push_back(row);
    }
    return out;
}

} // namespace

TEST(DelimitedText, CommaSeparatedQuotingAsRfc4180)
{
    const std::string csv = "# comment at the top\n"
                            "\"hello, world\",\"привет, мир\",h\n"
                            "say \"hi\",\"he said \"\"no\"\"\",\r\n"
                            "\n"
                            "\"two\nlines\",x,y\n"
                            "last,row";
    EXPECT_EQ(rows(csv, Separator::Comma),
              (std::vector<Row>{{2, {"hello, world", "привет, мир", "h"}, false},
                                {3, {"say \"hi\"", "he said \"no\"", ""}, false},
                                {5, {"two\nlines", "x", "y"}, false},
                                {7, {"last", "row"}, false}}));
    // A quote never closed takes the rest of the text and says so.
    EXPECT_EQ(rows("a,b\n\"open,c\nd,e\n", Separator::Comma),
              (std::vector<Row>{{1, {"a", "b"}, false}, {2, {"open,c\nd,e\n"}, true}}));
}

TEST(DelimitedText, TabAndSemicolonSeparatedRowsAreQuotedTheSameWay)
{
    // A quoted field may hold the separator, a line break and doubled quotes
    // in tab mode too, as notes exports write them.
    const std::string tsv = "\xEF\xBB\xBF" "cat\t\"кот\"\t[kæt]\r\n"
                            "  dog \tсобака\n"
                            "#not a comment once rows began\tx\n"
                            "a, b\tc\t\n"
                            "\"two\tfields\nin one\"\t\"say \"\"hi\"\"\"\n";
    EXPECT_EQ(rows(tsv, Separator::Tab),
              (std::vector<Row>{{1, {"cat", "кот", "[kæt]"}, false},
                                {2, {"dog", "собака"}, false},
                                {3, {"#not a comment once rows began", "x"}, false},
                                {4, {"a, b", "c", ""}, false},
                                {5, {"two\tfields\nin one", "say \"hi\""}, false}}));
    EXPECT_EQ(rows("Haus;\"дом; здание\";[haʊ̯s]\nBaum;дерево\n", Separator::Semicolon),
              (std::vector<Row>{{1, {"Haus", "дом; здание", "[haʊ̯s]"}, false}, {2, {"Baum", "дерево"}, false}}));
}

TEST(DelimitedText, TheSeparatorIsTheOneTheFirstLinesUseConsistently)
{
    EXPECT_EQ(detectSeparator("# top\ncat\tкот\n"), Separator::Tab);
    EXPECT_EQ(detectSeparator("cat,кот\nx\ty\n"), Separator::Comma);
    // Commas inside the translations of a semicolon file, as spreadsheets in
    // most of Europe write it.
    EXPECT_EQ(detectSeparator("Haus;дом, здание;[haʊs]\nBaum;дерево;[baʊm]\nKatze;кошка, кот;x\n"),
              Separator::Semicolon);
    EXPECT_EQ(detectSeparator("a,\"b;c\"\nd,e\n"), Separator::Comma);   // the quoted semicolon does not count
    EXPECT_EQ(detectSeparator("a\tb,c,d\ne\tf\ng\th,i\n"), Separator::Tab);
    EXPECT_EQ(detectSeparator("one field only\n"), Separator::Tab);
}

TEST(DelimitedText, NotesHeaderLinesNameTheSeparatorHtmlAndTheMetaColumns)
{
    const std::string notes = "#separator:Semicolon\n#html:true\n#columns:GUID;Typ;Deck;Vorne;Hinten;Tags\n"
                              "#guid column:1\n#notetype column:2\n#deck column:3\n#tags column:6\n"
                              "#notetype:Basic\n#deck:Deutsch::Verben\n#tags:a b\n"
                              "g1;Basic;Deutsch;<b>gehen</b>;идти;verb\n"
                              "g2;Basic;Deutsch;sehen;\"видеть; смотреть\";verb\n";
    const NotesHeader header = readNotesHeader(notes);
    ASSERT_TRUE(header.found);
    EXPECT_EQ(header.separator, Separator::Semicolon);
    EXPECT_TRUE(header.html);
    EXPECT_EQ(header.metaColumns, (std::vector<std::size_t>{0, 1, 2, 5}));
    EXPECT_EQ(header.deckColumn, 2u);
    EXPECT_EQ(header.deck, "Deutsch::Verben");
    EXPECT_EQ(header.notetype, "Basic");
    EXPECT_EQ(header.columnNames, (std::vector<std::string>{"GUID", "Typ", "Deck", "Vorne", "Hinten", "Tags"}));

    // The note's fields alone, the meta columns kept aside.
    RowReader reader(notes, Separator::Semicolon);
    reader.hideColumns(header.metaColumns);
    ASSERT_TRUE(reader.next());
    EXPECT_EQ(reader.line(), 11u);
    ASSERT_EQ(reader.fieldCount(), 2u);
    EXPECT_EQ(reader.field(0), "<b>gehen</b>");
    EXPECT_EQ(reader.field(1), "идти");
    EXPECT_EQ(reader.hiddenField(2), "Deutsch");
    EXPECT_EQ(reader.hiddenField(5), "verb");
    ASSERT_TRUE(reader.next());
    EXPECT_EQ(reader.field(1), "видеть; смотреть");
    EXPECT_FALSE(reader.next());

    EXPECT_EQ(readNotesHeader("#separator:tab\n#html:false\na\tb\n").separator, Separator::Tab);
    EXPECT_FALSE(readNotesHeader("#separator:tab\n").html);
    EXPECT_EQ(readNotesHeader("#separator:Pipe\n").unknownSeparator, "Pipe");
    EXPECT_FALSE(readNotesHeader("# a plain comment\ncat\tкот\n").found);
}

TEST(HtmlText, FieldsBecomePlainTextAndMediaAreCounted)
{
    std::string out;
    EXPECT_EQ(htmlToPlain("<b>Haus</b>&nbsp;&amp;&nbsp;Hof", out), 0u);
    EXPECT_EQ(out, "Haus & Hof");
    EXPECT_EQ(htmlToPlain("дом<br>здание<br />строение", out), 0u);
    EXPECT_EQ(out, "дом; здание; строение");
    EXPECT_EQ(htmlToPlain("<div>один</div><div>два</div>", out), 0u);
    EXPECT_EQ(out, "один; два");
    EXPECT_EQ(htmlToPlain("Katze[sound:katze.mp3] <img src=\"k.jpg\">", out), 2u);
    EXPECT_EQ(out, "Katze");
    EXPECT_EQ(htmlToPlain("caf&eacute; &#233;t&#xE9; &lt;b&gt; &quot;x&quot; &apos;", out), 0u);
    EXPECT_EQ(out, "café été <b> \"x\" '");
    // What is no markup stays: a lone "<", an unknown reference, a bracket.
    EXPECT_EQ(htmlToPlain("a < b &nosuchname; [1] & c", out), 0u);
    EXPECT_EQ(out, "a < b &nosuchname; [1] & c");
    EXPECT_EQ(htmlToPlain("  two\n  <i>spaces</i>  ", out), 0u);
    EXPECT_EQ(out, "two spaces");
    EXPECT_EQ(htmlToPlain("<br><br>", out), 0u);
    EXPECT_EQ(out, "");
    EXPECT_EQ(htmlEntity("nbsp"), "\xC2\xA0");
    EXPECT_EQ(htmlEntity("zzz"), "");
}

TEST(LanguageGuess, LettersAndNamesSuggestTheLanguage)
{
    EXPECT_EQ(languageByLetters("żółw\nźrebię\nłąka\n"), 0x0415u);
    EXPECT_EQ(languageByLetters("ŻÓŁW\nŁĄKA\n"), 0x0415u);   // capitals count as well
    EXPECT_EQ(languageByLetters("Straße\nMädchen\n"), 0x0407u);
    EXPECT_EQ(languageByLetters("γάτα\nσκύλος\n"), 0x0408u);
    EXPECT_EQ(languageByLetters("кот\nсобака\n"), 0x0419u);
    EXPECT_EQ(languageByLetters("їжак\nґанок\nєнот\n"), 0x0422u);
    EXPECT_EQ(languageByLetters("řeka\nkůň\n"), 0x0405u);
    // Plain Latin letters, or one accent among many words, tell nothing.
    EXPECT_EQ(languageByLetters("cat\ndog\nhouse\n"), std::nullopt);
    EXPECT_EQ(languageByLetters(std::string(5000, 'a') + "é"), std::nullopt);

    EXPECT_EQ(languageByName("Deutsch"), 0x0407u);
    EXPECT_EQ(languageByName("Polski::Słówka"), 0x0415u);
    EXPECT_EQ(languageByName("Ελληνικά::Λέξεις"), 0x0408u);
    EXPECT_EQ(languageByName("Немецкий A1"), 0x0407u);
    EXPECT_EQ(languageByName("pl-PL"), 0x0415u);
    EXPECT_EQ(languageByName("el_GR"), 0x0408u);
    // A two-letter word of a phrase is no locale.
    EXPECT_EQ(languageByName("This is it"), std::nullopt);
    EXPECT_EQ(languageByName("Default"), std::nullopt);
}
