// Import and export over real files: the records' bytes, the round trip,
// every reason a row is refused, and that a dictionary is written whole or
// not at all.
#include <sys/stat.h>
#include <unistd.h>

#include "DcFixture.h"
#include "Jobs.h"
#include "QtCodePage.h"
#include "language/LanguageTable.h"

#include <map>

using namespace mox;
using namespace mox::dc;

namespace {

ImportJob job(const std::string& file, const std::string& name)
{
    ImportJob j;
    j.file = file;
    j.name = name;
    j.foreignLanguage = 0x0409;
    j.nativeLanguage = 0x0419;
    return j;
}

} // namespace

// An export in the languages given.
Outcome DcFixture::exportAs(const std::string& dictionary, const std::string& file, std::uint32_t foreign,
                            std::uint32_t native, bool replace)
{
    ExportJob j;
    j.dictionary = dictionary;
    j.file = file;
    j.foreignLanguage = foreign;
    j.nativeLanguage = native;
    j.replace = replace;
    return exportDictionary(settings, j);
}

namespace {

std::string repeat(const std::string& text, int times)
{
    std::string out;
    for (int i = 0; i < times; ++i)
        out += text;
    return out;
}

} // namespace

TEST_F(DcFixture, CsvWithCyrillicIpaAndQuotedCommasRoundTripsThroughTsv)
{
    write(path("words.csv"), "\"cat, tom\",\"кот, котик\",[kæt]\n"
                             "think,\"думать, \"\"мыслить\"\"\",/θɪŋk/\n"
                             "dog,собака,dɒg\n"
                             "apple pie,яблочный пирог,ˈæpl paɪ\n"
                             "hello,привет,\n");
    Outcome made = importFile(settings, job(path("words.csv"), "words"));
    ASSERT_TRUE(made.done()) << made.summary;
    EXPECT_TRUE(made.details.empty());
    EXPECT_TRUE(made.warnings.empty()) << made.warnings.front();
    const auto first = records(dict("words.dct"));
    ASSERT_EQ(first.size(), 5u);
    EXPECT_EQ(fieldText(first[0].word), "cat, tom");
    EXPECT_EQ(fieldText(first[0].translation), "\xEA\xEE\xF2, \xEA\xEE\xF2\xE8\xEA");   // cp1251
    EXPECT_EQ(fieldText(first[0].transcription), "[kAt]");
    EXPECT_EQ(fieldText(first[1].translation), "\xE4\xF3\xEC\xE0\xF2\xFC, \"\xEC\xFB\xF1\xEB\xE8\xF2\xFC\"");
    EXPECT_EQ(fieldText(first[1].transcription), "[TINk]");   // slashes become the font's [ ]
    EXPECT_EQ(fieldText(first[2].transcription), "[dQg]");
    EXPECT_EQ(fieldText(first[3].transcription), "['Apl paI]");
    EXPECT_EQ(fieldText(first[4].transcription), "");
    for (const DictRecord& r : first) {
        EXPECT_EQ(r.active, 1);
        EXPECT_EQ(r.inList, 0);
        EXPECT_EQ(r.deleted, 0);
    }

    Outcome exported = exportAs("words", path("words.tsv"), 0x0409, 0x0419, false);
    ASSERT_TRUE(exported.done()) << exported.summary;
    EXPECT_EQ(exported.records, 5u);
    EXPECT_EQ(read(path("words.tsv")), "cat, tom\tкот, котик\t[kæt]\n"
                                       "think\tдумать, \"мыслить\"\t[θɪŋk]\n"
                                       "dog\tсобака\t[dɒɡ]\n"
                                       "apple pie\tяблочный пирог\t[ˈæpl paɪ]\n"
                                       "hello\tпривет\t\n");
    // Back in: the same records, byte for byte.
    ASSERT_TRUE(importFile(settings, job(path("words.tsv"), "again")).done());
    EXPECT_EQ(read(dict("again.dct")), read(dict("words.dct")));
}

TEST_F(DcFixture, TsvWithHeaderChosenColumnsAndOtherLanguages)
{
    write(path("de.txt"), "\xEF\xBB\xBF" "Übersetzung\tWort\tNotiz\r\n"
                          "Mädchen\tdziewczyna\tx\r\n"
                          "Straße\tulica\ty\r\n");
    ImportJob j = job(path("de.txt"), "niemiecki.dct");   // ".dct" not doubled
    j.skipHeader = true;
    j.columns = Columns{0, 1, Columns::kNone};
    j.foreignLanguage = 0x0407;   // German: cp1252
    j.nativeLanguage = 0x0415;    // Polish: cp1250
    Outcome made = importFile(settings, j);
    ASSERT_TRUE(made.done()) << made.summary;
    const auto r = records(dict("niemiecki.dct"));
    ASSERT_EQ(r.size(), 2u);
    EXPECT_EQ(fieldText(r[0].word), "M\xE4" "dchen");
    EXPECT_EQ(fieldText(r[1].word), "Stra\xDF" "e");
    EXPECT_EQ(fieldText(r[0].translation), "dziewczyna");
    EXPECT_EQ(fieldText(r[0].transcription), "");
    // The program's fonts show cp1252 and cp1251: the user is told.
    ASSERT_EQ(made.warnings.size(), 1u);
    EXPECT_NE(made.warnings[0].find("переводы — в центральноевропейской кодировке (Польский)"), std::string::npos)
        << made.warnings[0];
    EXPECT_EQ(made.warnings[0].find("windows-"), std::string::npos) << made.warnings[0];
    EXPECT_NE(made.warnings[0].find("«Языки/Шрифты»"), std::string::npos);
    // A transcription column the file does not have is named.
    j.columns = Columns{0, 1, 5};
    j.replace = true;
    made = importFile(settings, j);
    ASSERT_TRUE(made.done());
    ASSERT_EQ(made.warnings.size(), 2u);
    EXPECT_EQ(made.warnings[0], "В файле нет столбца 6: слова записаны без транскрипции.");
    // Exported in those code pages, the letters come back.
    ASSERT_TRUE(exportAs("niemiecki.dct", path("out.tsv"), 0x0407, 0x0415, false).done());
    EXPECT_EQ(read(path("out.tsv")), "Mädchen\tdziewczyna\t\nStraße\tulica\t\n");
}

TEST_F(DcFixture, EveryRefusedRowIsNamedWithItsReasonAndTheRestIsWritten)
{
    const std::string longWord(80, 'a');
    const std::string longIpa(28, 'a');   // 28 keys + [ ] = 30 bytes: one too many
    const std::string fitIpa(27, 'a');
    write(path("bad.tsv"), "good\tхорошо\tɡʊd\n"          // 1
                           "\tпусто\n"                    // 2 no word
                           "empty\t\n"                    // 3 no translation
                           "good\tещё раз\n"              // 4 duplicate of 1
                           + longWord + "\tдлинное\n"     // 5 word too long
                           "long\t" + repeat("ж", 40) + "\n"      // 6: 40 bytes in cp1251, fits
                           "longer\t" + repeat("ж", 80) + "\n"    // 7 translation too long
                           "ipa\tмфа\t" + longIpa + "\n"  // 8 transcription too long
                           "ipa2\tмфа\t" + fitIpa + "\n"  // 9 fits exactly
                           "naïve\tнаивный\n"             // 10 fits cp1252
                           "日本\tЯпония\n"               // 11 not in cp1252
                           "snow\tснег☃\n"                // 12 not in cp1251
                           "star\tзвезда\tst☆r\n"         // 13 no key
                           "bytes\t\xFF\xFE\n"            // 14 not UTF-8
                           "й\tи кратк\n"                 // 15 (й is not in cp1252)
                           "Good\tхорошо\n");             // 16 case differs: kept
    Outcome made = importFile(settings, job(path("bad.tsv"), "bad"));
    ASSERT_TRUE(made.done()) << made.summary;
    // Counts per reason first, refusals before what was left out of kept rows.
    EXPECT_EQ(made.counts, (std::vector<std::string>{
                               "отклонено: байты не в UTF-8: 1", "отклонено: нет слова: 1",
                               "отклонено: нет перевода: 1", "отклонено: в слове символ не из кодировки языка: 2",
                               "отклонено: в переводе символ не из кодировки языка: 1",
                               "отклонено: слово длиннее поля: 1", "отклонено: перевод длиннее поля: 1",
                               "отклонено: слово повторяется: 1", "транскрипция не записана: 2"}));
    const std::vector<std::string> expected = {
        "строка 2: нет слова",
        "строка 3: нет перевода",
        "строка 4: слово уже есть в строке 1",
        "строка 5: слово длиннее поля: 80 байт, поле вмещает 79",
        "строка 7: перевод длиннее поля: 80 байт, поле вмещает 79",
        "строка 8: транскрипция не записана: в [ ] она длиннее поля: 30 байт, поле вмещает 29",
        "строка 11: в слове символ «日» U+65E5 CJK UNIFIED IDEOGRAPH-65E5, которого нет в западноевропейской кодировке",
        "строка 12: в переводе символ «☃» U+2603 SNOWMAN, которого нет в кириллической кодировке",
        "строка 13: транскрипция не записана: знак «☆» U+2606 WHITE STAR, для которого нет клавиши",
        "строка 14: байты не в кодировке UTF-8",
        "строка 15: в слове символ «й» U+0439 CYRILLIC SMALL LETTER SHORT I, которого нет в западноевропейской кодировке",
    };
    EXPECT_EQ(made.details, expected);
    const auto r = records(dict("bad.dct"));
    std::vector<std::string> words;
    for (const auto& rec : r)
        words.push_back(fieldText(rec.word));
    // Rows whose transcription cannot be stored keep their word and translation.
    EXPECT_EQ(words, (std::vector<std::string>{"good", "long", "ipa", "ipa2", "na\xEFve", "star", "Good"}));
    EXPECT_EQ(fieldText(r[2].transcription), "");
    EXPECT_EQ(fieldText(r[3].transcription).size(), 29u);
    EXPECT_EQ(fieldText(r[5].translation), "\xE7\xE2\xE5\xE7\xE4\xE0");
    EXPECT_EQ(fieldText(r[5].transcription), "");
    EXPECT_NE(made.summary.find("Отклонено строк: 9"), std::string::npos) << made.summary;

    // On request such rows are refused instead.
    ImportJob strict = job(path("bad.tsv"), "strict");
    strict.refuseUntranscribed = true;
    made = importFile(settings, strict);
    ASSERT_TRUE(made.done()) << made.summary;
    EXPECT_EQ(made.details[5], "строка 8: транскрипция в [ ] длиннее поля: 30 байт, поле вмещает 29");
    EXPECT_EQ(made.details[8], "строка 13: в транскрипции знак «☆» U+2606 WHITE STAR, для которого нет клавиши");
    EXPECT_EQ(records(dict("strict.dct")).size(), 5u);
    ASSERT_EQ(made.fixes.size(), 1u);
    EXPECT_EQ(made.fixes[0].kind, Fix::Kind::KeepUntranscribed);

    // A letter written as base letter + combining mark is composed first; a
    // stress mark on a Cyrillic letter, which cp1251 cannot hold, is left out
    // and counted; a mark that composes with nothing else is refused as itself.
    write(path("nfd.tsv"), "cafe\u0301\tкафе\na\u0308\tи\u0306\nx\tе\u0301\nq\tq\u0301\n");
    Outcome nfd = importFile(settings, job(path("nfd.tsv"), "nfd"));
    ASSERT_TRUE(nfd.done()) << nfd.summary;
    const auto composed = records(dict("nfd.dct"));
    ASSERT_EQ(composed.size(), 3u);
    EXPECT_EQ(fieldText(composed[0].word), "caf\xE9");
    EXPECT_EQ(fieldText(composed[1].word), "\xE4");
    EXPECT_EQ(fieldText(composed[1].translation), "\xE9");
    EXPECT_EQ(fieldText(composed[2].translation), "\xE5");
    EXPECT_EQ(nfd.details,
              (std::vector<std::string>{
                  "строка 3: знаки ударения «◌́» U+0301 COMBINING ACUTE ACCENT убраны: 1",
                  "строка 4: в переводе символ «◌́» U+0301 COMBINING ACUTE ACCENT, которого нет в кириллической "
                  "кодировке"}));
    ImportJob stressed = job(path("nfd.tsv"), "stressed");
    stressed.refuseStressed = true;
    nfd = importFile(settings, stressed);
    EXPECT_EQ(records(dict("stressed.dct")).size(), 2u);
    EXPECT_EQ(nfd.counts[0], "отклонено: в переводе символ не из кодировки языка: 1");
    EXPECT_EQ(nfd.counts[1], "отклонено: знак ударения, которого нет в кодировке: 1");
}

TEST_F(DcFixture, NothingIsWrittenUnlessTheWholeDictionaryIs)
{
    write(path("in.tsv"), "one\tодин\ntwo\tдва\n");
    // An existing dictionary stays as it is, unless replacing was asked for.
    write(dict("taken.dct"), "old bytes");
    Outcome kept = importFile(settings, job(path("in.tsv"), "taken"));
    EXPECT_EQ(kept.status, Outcome::Status::Exists);
    EXPECT_EQ(read(dict("taken.dct")), "old bytes");
    EXPECT_EQ(createEmpty(settings, "taken", false, 0x0409, 0x0419).status, Outcome::Status::Exists);
    EXPECT_EQ(read(dict("taken.dct")), "old bytes");
    ImportJob replacing = job(path("in.tsv"), "taken");
    replacing.replace = true;
    ASSERT_TRUE(importFile(settings, replacing).done());
    EXPECT_EQ(records(dict("taken.dct")).size(), 2u);

    // A file where no row gives a word makes no dictionary.
    write(path("empty.tsv"), "\n\t\n#only\n");
    EXPECT_EQ(importFile(settings, job(path("empty.tsv"), "none")).status, Outcome::Status::Failed);
    write(path("allbad.tsv"), "x\t\n\ty\n");
    Outcome allBad = importFile(settings, job(path("allbad.tsv"), "none"));
    EXPECT_EQ(allBad.status, Outcome::Status::Failed);
    EXPECT_EQ(allBad.details.size(), 2u);

    // Names that would leave the folder are refused.
    for (const char* name : {"../escape", "a/b", "", ".."})
        EXPECT_EQ(importFile(settings, job(path("in.tsv"), name)).status, Outcome::Status::Failed) << name;
    // A missing input file.
    Outcome missing = importFile(settings, job(path("nope.tsv"), "nope"));
    EXPECT_EQ(missing.status, Outcome::Status::Failed);
    EXPECT_NE(missing.summary.find("nope.tsv"), std::string::npos);

    // A folder that cannot be written: a failure, and no file or temporary
    // file appears (root ignores permissions, so this part needs a user).
    EXPECT_EQ(folderFiles(), (std::vector<std::string>{"taken.dct", "taken.lng"}));
    if (::geteuid() != 0) {
        ::chmod(settings.dictFolder.c_str(), 0555);
        Outcome denied = importFile(settings, job(path("in.tsv"), "denied"));
        ::chmod(settings.dictFolder.c_str(), 0755);
        EXPECT_EQ(denied.status, Outcome::Status::Failed);
        EXPECT_NE(denied.summary.find("Ничего не записано"), std::string::npos) << denied.summary;
    }
    // A target that is a folder is never replaced, even when asked.
    std::filesystem::create_directory(dict("folder.dct"));
    Outcome onFolder = createEmpty(settings, "folder", true, 0x0409, 0x0419);
    EXPECT_EQ(onFolder.status, Outcome::Status::Failed);
    EXPECT_EQ(folderFiles(), (std::vector<std::string>{"folder.dct", "taken.dct", "taken.lng"}));

    // Export never replaces a file without being asked either.
    write(path("out.tsv"), "mine");
    EXPECT_EQ(exportAs("taken", path("out.tsv"), 0x0409, 0x0419, false).status, Outcome::Status::Exists);
    EXPECT_EQ(read(path("out.tsv")), "mine");
    EXPECT_TRUE(exportAs("taken", path("out.tsv"), 0x0409, 0x0419, true).done());
    EXPECT_EQ(exportAs("folder.dct", path("folder.tsv"), 0x0409, 0x0419, false).status,
              Outcome::Status::Failed);
    EXPECT_FALSE(std::filesystem::exists(path("folder.tsv")));
    EXPECT_EQ(read(path("out.tsv")), "one\tодин\t\ntwo\tдва\t\n");
}

TEST_F(DcFixture, TheStarterWordListImportsToTheStarterDictionaryByteForByte)
{
    // The build makes english.dct from this list with the font's key table;
    // the module, through the generated table, must make the same file.
    ImportJob j = job(MOX_STARTER_WORDS_FILE, "english");
    j.columns = Columns{0, 2, 1};
    Outcome made = importFile(settings, j);
    ASSERT_TRUE(made.done()) << made.summary;
    EXPECT_TRUE(made.details.empty()) << made.details.front();
    EXPECT_EQ(read(dict("english.dct")), read(MOX_STARTER_DICT_FILE));
}

TEST(CodePages, EachLanguageWritesItsOwnLettersInItsCodePage)
{
    const std::map<std::uint16_t, std::string> letters = {
        {0x0409, "the quick fox"}, {0x0402, "щъьюя"}, {0x040E, "őűáé"}, {0x0413, "éëï"},
        {0x0408, "αβγδεωάέ"}, {0x0406, "æøå"}, {0x040F, "þðæö"}, {0x040A, "ñ¿¡á"},
        {0x0410, "àèìòù"}, {0x0426, "āēīūģķļņšž"}, {0x0427, "ąčęėįšųūž"}, {0x0407, "äöüß"},
        {0x0414, "æøå"}, {0x0814, "æøå"}, {0x0415, "ąćęłńóśźż"}, {0x0816, "ãõçâ"},
        {0x0418, "ăâîşţ"}, {0x0419, "ёжщыэ"}, {0x0C1A, "ђћџљњ"}, {0x041B, "ľĺŕôä"},
        {0x041F, "ğışİçö"}, {0x0422, "їєґі"}, {0x040B, "äöå"}, {0x040C, "éèçœà"},
        {0x041A, "čćđšž"}, {0x0405, "řůěčš"}, {0x041D, "åäö"}, {0x0425, "õäöüšž"},
    };
    ASSERT_EQ(letters.size(), LanguageTable.size());
    for (const auto& row : LanguageTable) {
        const CodePage& page = codePageForCharSet(charSetForLanguage(row.id));
        const std::string& text = letters.at(row.id);
        std::string encoded, decoded;
        char32_t refused = 0;
        EXPECT_TRUE(page.encode(text, encoded, refused))
            << row.listText << ": U+" << std::hex << static_cast<unsigned>(refused) << " in " << page.name();
        EXPECT_EQ(page.decode(encoded, decoded), 0u);
        EXPECT_EQ(decoded, text) << row.listText;
    }
    // No look-alikes: a character the page lacks is refused, not replaced.
    std::string out;
    char32_t refused = 0;
    EXPECT_FALSE(codePageForCharSet(204).encode("ä", out, refused));
    EXPECT_EQ(refused, U'ä');
    EXPECT_FALSE(codePageForCharSet(0).encode(std::string_view("a\0b", 3), out, refused));
    EXPECT_EQ(refused, 0u);
}
