// The rows of tab- and comma-separated text as the import reads them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "DelimitedText.h"

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

TEST(DelimitedText, TabSeparatedLinesWithoutQuoting)
{
    const std::string tsv = "\xEF\xBB\xBF" "cat\t\"кот\"\t[kæt]\r\n"
                            "  dog \tсобака\n"
                            "#not a comment once rows began\tx\n"
                            "a, b\tc\t\n";
    EXPECT_EQ(rows(tsv, Separator::Tab),
              (std::vector<Row>{{1, {"cat", "\"кот\"", "[kæt]"}, false},
                                {2, {"dog", "собака"}, false},
                                {3, {"#not a comment once rows began", "x"}, false},
                                {4, {"a, b", "c", ""}, false}}));
    EXPECT_EQ(detectSeparator("# top\ncat\tкот\n"), Separator::Tab);
    EXPECT_EQ(detectSeparator("cat,кот\nx\ty\n"), Separator::Comma);
}
