// The formats learners bring, read from files made by real tools (see
// data/make_test_files.py): espeak-ng's IPA for German, Polish, Greek and
// French words, a notes export with every header line, deck packages of both
// collection schemas written through SQLite and zipped (one zstd-compressed),
// a KVTML document, UTF-16 and semicolon-separated text; each imported and
// read back byte for byte.
#include <iostream>
#include <QFile>

#include "DcFixture.h"
#include "Jobs.h"
#include "QtCodePage.h"
#include "language/LanguageTable.h"
#include "language/Utf8.h"

using namespace mox;
using namespace mox::dc;

namespace {

struct ListRow {
    std::string word, translation, ipa;   // the IPA without its brackets
};

// The rows of a generated word list: word<TAB>translation<TAB>[IPA].
std::vector<ListRow> listRows(const std::string& language)
{
    std::ifstream in(std::string(MOX_DC_TEST_DATA) + "/words-" + language + ".tsv");
    std::vector<ListRow> rows;
    for (std::string line; std::getline(in, line);) {
        const std::size_t a = line.find('\t'), b = line.find('\t', a + 1);
        rows.push_back({line.substr(0, a), line.substr(a + 1, b - a - 1), line.substr(b + 2, line.size() - b - 3)});
    }
    return rows;
}

std::string data(const std::string& name) { return std::string(MOX_DC_TEST_DATA) + "/" + name; }

// The translation as a cp1251 record holds it: the stress marks left out.
std::string unstressed(const std::string& text)
{
    std::string out;
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t start = at;
        if (utf8::next(text, at) != 0x0301)
            out.append(text, start, at - start);
    }
    return out;
}

} // namespace

class DcFormats : public DcFixture {
protected:
    ImportJob job(const std::string& file, const std::string& name, std::uint32_t foreign,
                  std::uint32_t native = 0x0419) const
    {
        ImportJob j;
        j.file = file;
        j.name = name;
        j.foreignLanguage = foreign;
        j.nativeLanguage = native;
        return j;
    }
    // The dictionary exported in its own languages, row by row.
    std::vector<std::vector<std::string>> exported(const std::string& name)
    {
        ExportJob j;
        j.dictionary = name;
        j.file = path(name + ".out");
        j.replace = true;
        const Outcome out = exportDictionary(settings, j);
        EXPECT_TRUE(out.done()) << out.summary;
        EXPECT_TRUE(out.warnings.empty()) << out.warnings.front();
        std::ifstream in(j.file);
        std::vector<std::vector<std::string>> rows;
        for (std::string line; std::getline(in, line);) {
            const std::size_t a = line.find('\t'), b = line.find('\t', a + 1);
            rows.push_back({line.substr(0, a), line.substr(a + 1, b - a - 1), line.substr(b + 1)});
        }
        return rows;
    }
    // How many rows of `expected` arrive in the dictionary `name` with their
    // word, translation (less its stress marks) and IPA exactly.
    std::size_t arriving(const std::string& name, const std::vector<ListRow>& expected)
    {
        const auto rows = exported(name);
        std::size_t same = 0;
        for (std::size_t i = 0; i < expected.size() && i < rows.size(); ++i) {
            const bool kept = rows[i][0] == expected[i].word && rows[i][1] == unstressed(expected[i].translation) &&
                              rows[i][2] == "[" + expected[i].ipa + "]";
            same += kept;
            EXPECT_TRUE(kept) << name << " row " << i + 1 << ": " << rows[i][0] << " " << rows[i][2] << " / "
                              << expected[i].word << " [" << expected[i].ipa << "]";
        }
        EXPECT_EQ(rows.size(), expected.size()) << name;
        return same;
    }
};

TEST_F(DcFormats, EspeakListsOfFourLanguagesKeepTheirIpaExactly)
{
    const std::vector<std::pair<std::string, std::uint32_t>> languages = {
        {"de", 0x0407}, {"pl", 0x0415}, {"el", 0x0408}, {"fr", 0x040C}};
    std::size_t all = 0, kept = 0;
    for (const auto& [language, id] : languages) {
        const auto rows = listRows(language);
        ASSERT_GE(rows.size(), 100u) << language;
        const Outcome made = importFile(settings, job(data("words-" + language + ".tsv"), "words-" + language, id));
        ASSERT_TRUE(made.done()) << made.summary;
        // The only change: the stress marks of the Russian translations.
        for (const std::string& count : made.counts)
            EXPECT_TRUE(count.starts_with("знаки ударения убраны: ")) << language << ": " << count;
        const std::size_t same = arriving("words-" + language, rows);
        std::cout << "[ share    ] " << language << ": " << same << " of " << rows.size()
                  << " lines arrive with their transcription\n";
        all += rows.size();
        kept += same;
    }
    EXPECT_EQ(kept, all);
    // The languages went with each dictionary.
    EXPECT_EQ(read(dict("words-el.lng")), "uiForeignLayout=1032\nuiNativeLayout=1049\n");
}

TEST_F(DcFormats, NotesExportWithEveryHeaderLineGivesTheNoteFields)
{
    SourceFile source;
    std::string error;
    ASSERT_TRUE(openSource(data("notes.txt"), source, error)) << error;
    EXPECT_EQ(source.kind, FileKind::Notes);
    Preview preview;
    ASSERT_TRUE(previewSource(source, std::nullopt, false, 20, preview, error)) << error;
    EXPECT_EQ(preview.titles, (std::vector<std::string>{"Front", "Back", "IPA"}));
    EXPECT_EQ(preview.deckName, "Deutsch");
    EXPECT_TRUE(preview.html);
    EXPECT_EQ(suggestLanguages(preview, defaultColumns(preview)).foreign, 0x0407u);
    EXPECT_EQ(suggestLanguages(preview, defaultColumns(preview)).native, 0x0419u);

    const Outcome made = importFile(settings, job(data("notes.txt"), "notes", 0x0407));
    ASSERT_TRUE(made.done()) << made.summary;
    EXPECT_EQ(made.records, 60u);
    EXPECT_EQ(made.counts, (std::vector<std::string>{"знаки ударения убраны: 20",
                                                     "ссылки на звук и картинки убраны: 15"}));
    // The rows as the script wrote them from the German list: tags gone,
    // line breaks as "; ", references decoded, the sound dropped, the quoted
    // field with its tab read whole (and trimmed).
    const auto de = listRows("de");
    const auto rows = exported("notes");
    ASSERT_EQ(rows.size(), 60u);
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const std::string t = unstressed(de[i].translation);
        const std::string translation = i % 4 == 1 ? t + "; " + t + " & " + t : t;
        EXPECT_EQ(rows[i], (std::vector<std::string>{de[i].word, translation, "[" + de[i].ipa + "]"})) << i;
    }
}

TEST_F(DcFormats, DeckPackagesOfBothCollectionSchemas)
{
    struct Case {
        const char* file;
        const char* collection;
        const char* deck;
        std::uint32_t language;
        const char* list;
    };
    for (const Case& c : {Case{"deck-anki2.apkg", "collection.anki2", "Polski::Słówka", 0x0415, "pl"},
                          Case{"deck-anki21b.apkg", "collection.anki21b", "Ελληνικά::Λέξεις", 0x0408, "el"}}) {
        SCOPED_TRACE(c.file);
        SourceFile source;
        std::string error;
        ASSERT_TRUE(openSource(data(c.file), source, error)) << error;
        EXPECT_EQ(source.kind, FileKind::Deck);
        Preview preview;
        ASSERT_TRUE(previewSource(source, std::nullopt, false, 5, preview, error)) << error;
        EXPECT_EQ(preview.deckName, c.deck);
        EXPECT_EQ(preview.titles, (std::vector<std::string>{"Wort", "Übersetzung", "IPA"}));
        ASSERT_EQ(preview.rows.size(), 5u);
        // The preview shows the fields as the import stores them: no tags.
        EXPECT_EQ(preview.rows[0][0], listRows(c.list)[0].word);
        EXPECT_EQ(preview.rows[1][1], listRows(c.list)[1].translation);
        // The deck's name tells the studied language, the letters the other.
        const LanguageSuggestion suggested = suggestLanguages(preview, defaultColumns(preview));
        EXPECT_EQ(suggested.foreign, c.language);
        EXPECT_EQ(suggested.native, 0x0419u);

        const std::string name = std::string("deck-") + c.list;
        const Outcome made = importFile(settings, job(data(c.file), name, c.language));
        ASSERT_TRUE(made.done()) << made.summary;
        const auto rows = listRows(c.list);
        EXPECT_EQ(arriving(name, rows), rows.size());
        EXPECT_EQ(made.counts.back(), "ссылки на звук и картинки убраны: 60");

        // The fields are choosable: translation first, no transcription.
        ImportJob swapped = job(data(c.file), name + "-swapped", 0x0419, c.language);
        swapped.columns = Columns{1, 0, Columns::kNone};
        ASSERT_TRUE(importFile(settings, swapped).done());
        const auto back = exported(name + "-swapped");
        ASSERT_EQ(back.size(), rows.size());
        EXPECT_EQ(back[3], (std::vector<std::string>{unstressed(rows[3].translation), rows[3].word, ""}));
    }
}

TEST_F(DcFormats, KvtmlUtf16AndSemicolonFiles)
{
    SourceFile source;
    std::string error;
    Preview preview;
    ASSERT_TRUE(openSource(data("words.kvtml"), source, error)) << error;
    EXPECT_EQ(source.kind, FileKind::Kvtml);
    ASSERT_TRUE(previewSource(source, std::nullopt, false, 3, preview, error)) << error;
    EXPECT_EQ(preview.locales, (std::vector<std::string>{"fr", "ru"}));
    EXPECT_EQ(suggestLanguages(preview, defaultColumns(preview)).foreign, 0x040Cu);
    const Outcome kvtml = importFile(settings, job(data("words.kvtml"), "kvtml", 0x040C));
    ASSERT_TRUE(kvtml.done()) << kvtml.summary;
    const auto fr = listRows("fr");
    EXPECT_EQ(arriving("kvtml", fr), fr.size());

    // An older notes export without header lines, its fields in HTML.
    write(path("old-notes.txt"), "Haus<br>\tдом&nbsp;&amp;&nbsp;здание\n<b>Baum</b>\tдерево\n");
    const Outcome old = importFile(settings, job(path("old-notes.txt"), "old-notes", 0x0407));
    ASSERT_TRUE(old.done()) << old.summary;
    EXPECT_EQ(exported("old-notes"), (std::vector<std::vector<std::string>>{{"Haus", "дом & здание", ""},
                                                                           {"Baum", "дерево", ""}}));

    const auto pl = listRows("pl");
    ASSERT_TRUE(openSource(data("utf16.txt"), source, error)) << error;
    EXPECT_EQ(source.encoding, "UTF-16LE");
    const Outcome utf16 = importFile(settings, job(data("utf16.txt"), "utf16", 0x0415));
    ASSERT_TRUE(utf16.done()) << utf16.summary;
    EXPECT_EQ(arriving("utf16", pl), pl.size());

    // Semicolons, detected from the first lines; a translation with a
    // semicolon in quotes.
    const Outcome csv = importFile(settings, job(data("semicolon.csv"), "semicolon", 0x0415));
    ASSERT_TRUE(csv.done()) << csv.summary;
    const auto rows = exported("semicolon");
    ASSERT_EQ(rows.size(), pl.size());
    const std::string t = unstressed(pl[0].translation);
    EXPECT_EQ(rows[0], (std::vector<std::string>{pl[0].word, t + "; " + t, "[" + pl[0].ipa + "]"}));
    EXPECT_EQ(rows[1][2], "[" + pl[1].ipa + "]");
}

TEST_F(DcFormats, AnythingElseIsRefusedWithOneClearMessage)
{
    const auto refused = [&](const std::string& file) {
        const Outcome out = importFile(settings, job(file, "nothing", 0x0409));
        EXPECT_EQ(out.status, Outcome::Status::Failed) << file;
        EXPECT_TRUE(out.details.empty()) << file << ": " << out.details.size() << " lines";
        return out.summary;
    };
    EXPECT_NE(refused(data("not-a-deck.zip")).find("нет коллекции карточек"), std::string::npos);
    EXPECT_NE(refused(MOX_DC_EXECUTABLE).find("не текст"), std::string::npos);
    // A text in cp1251: one message, not one per line.
    std::string cp1251;
    for (int i = 0; i < 50; ++i)
        cp1251 += "word\t\xEA\xEE\xF2\n";
    write(path("cp1251.txt"), cp1251);
    EXPECT_NE(refused(path("cp1251.txt")).find("не в кодировке UTF-8"), std::string::npos);
    // A damaged package: the collection's bytes cut short.
    std::string deck = read(data("deck-anki2.apkg"));
    write(path("cut.apkg"), deck.substr(0, deck.size() / 2));
    EXPECT_NE(refused(path("cut.apkg")).find("cut.apkg"), std::string::npos);
    // A deck whose collection is no SQLite database.
    write(path("fake.txt"), "just text");
    ASSERT_EQ(std::system(("cd " + dir.str() + " && cp fake.txt collection.anki2 && zip -q fake.apkg collection.anki2")
                              .c_str()),
              0);
    EXPECT_NE(refused(path("fake.apkg")).find("не база SQLite"), std::string::npos);
    EXPECT_EQ(folderFiles(), std::vector<std::string>{});

    // A broken KVTML file: the entries before the fault do not make a dictionary.
    std::string kvtml = read(data("words.kvtml"));
    write(path("broken.kvtml"), kvtml.substr(0, kvtml.size() / 2) + "<entry><<");
    EXPECT_NE(refused(path("broken.kvtml")).find("повреждён"), std::string::npos);
}
