#include <gtest/gtest.h>

#include <filesystem>

#include "settings/CurrentDictionary.h"
#include "store/DictionaryFolder.h"
#include "store/Restore.h"
#include "store/StoreFixture.h"

namespace mox {
namespace {

namespace fs = std::filesystem;
using testing::Bytes;

const char* const kNoErrors = "Ошибки не найдены.";

std::string report(unsigned dict, unsigned dictFixed, unsigned list, unsigned listFixed)
{
    return "В процессе восстановления были найдены ошибки:\n\n     словарь: " + std::to_string(dict) +
           " (исправлено: " + std::to_string(dictFixed) + ")\n       список: " + std::to_string(list) +
           " (исправлено: " + std::to_string(listFixed) + ").";
}

// Records what the restore asks of the Dictionaries page.
struct PageSpy final : RestoreRefresh {
    void clearExcludedWords() override { ++cleared; }
    void showCounts(std::uint32_t t, std::uint32_t a) override
    {
        ++shown;
        total = t;
        active = a;
    }
    int cleared = 0;
    int shown = 0;
    std::uint32_t total = 0, active = 0;
};

class Restore : public testing::StoreFixture {
protected:
    fs::path backupFile() const { return voc() / "words.bak"; }
    Dictionary dictOnDisk() const { return readRecords<DictRecord>(dictFile()); }
    WordList listOnDisk() const { return readRecords<ListRecord>(listFile()); }

    // The run ended with exactly this report: OK button, no icon.
    void expectReport(const std::string& text)
    {
        ASSERT_FALSE(messages.shown.empty());
        const auto& last = messages.shown.back();
        EXPECT_EQ(last.text, text);
        EXPECT_EQ(last.icon, MessageIcon::None);
        EXPECT_EQ(last.buttons, MessageButtons::Ok);
    }
    PageSpy page;
};

TEST_F(Restore, RemovesATombstoneKeepsTheOldFileAsBackup)
{
    const Dictionary before{word("one", "t", 1, 1), makeTombstone(), word("two", "t", 1, 1)};
    writeRecords(dictFile(), before);
    fs::permissions(dictFile(), fs::perms::owner_read | fs::perms::owner_write);
    writeRecords(listFile(), WordList{entry("one"), entry("two")});
    const Bytes listBefore = TempDir::readBytes(listFile());

    const RestoreResult r = restoreDictionary(currentDictionaryPaths(settings), messages, &page);
    ASSERT_EQ(messages.shown.size(), 1u);
    expectReport(report(1, 1, 0, 0));
    EXPECT_TRUE(r.completed && r.dictWritten && !r.listWritten && !r.reactivated);

    EXPECT_EQ(fs::file_size(dictFile()), 416u);
    const Dictionary after = dictOnDisk();
    EXPECT_EQ(fieldText(after[0].word), "one");
    EXPECT_EQ(fieldText(after[1].word), "two");
    EXPECT_EQ(readRecords<DictRecord>(backupFile()).size(), 3u);
    EXPECT_EQ(fs::status(dictFile()).permissions() & fs::perms::all, fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(TempDir::readBytes(listFile()), listBefore);  // list untouched
    EXPECT_EQ(vocEntries(), (std::vector<std::string>{"words.bak", "words.dct", "words.lst"}));
    // Without re-activation the page only hears the new counts.
    EXPECT_EQ(page.cleared, 0);
    EXPECT_EQ(page.shown, 1);
    EXPECT_EQ(page.total, 2u);
    EXPECT_EQ(page.active, 2u);
}

TEST_F(Restore, MatchesListAndDictionaryIgnoringCaseInCp1251)
{
    // "Cat" pairs with "cat"; "КОТ" (cp1251 upper case) with "кот".
    writeRecords(dictFile(), Dictionary{word("cat"), word("\xEA\xEE\xF2", "t", 1, 1), word("dog", "t", 1, 1)});
    writeRecords(listFile(), WordList{entry("Cat"), entry("\xCA\xCE\xD2")});

    restoreDictionary(currentDictionaryPaths(settings), messages);
    expectReport(report(2, 2, 0, 0));  // cat gets inList, dog loses it
    const Dictionary after = dictOnDisk();
    EXPECT_EQ(after[0].inList, 1);
    EXPECT_EQ(after[1].inList, 1);
    EXPECT_EQ(after[2].inList, 0);
    EXPECT_EQ(after[2].active, 1);  // active is not looked at with a list
    EXPECT_EQ(listOnDisk().size(), 2u);
}

TEST_F(Restore, OnlyAnInListOfExactlyOneIsCleared)
{
    writeRecords(dictFile(), Dictionary{word("kept"), word("odd", "t", 1, 2), word("zero", "t", 0, 1)});
    writeRecords(listFile(), WordList{entry("kept")});
    restoreDictionary(currentDictionaryPaths(settings), messages);
    expectReport(report(2, 2, 0, 0));  // kept gets inList; zero loses it
    const Dictionary after = dictOnDisk();
    EXPECT_EQ(after[1].inList, 2);
    EXPECT_EQ(after[2].inList, 0);
    EXPECT_EQ(after[2].active, 0);
}

TEST_F(Restore, DropsOrphanListEntriesThenTreatsTheListAsEmpty)
{
    writeRecords(dictFile(), Dictionary{word("a", "t", 0, 0), word("b", "t", 1, 0)});
    writeRecords(listFile(), WordList{entry("ghost")});

    const RestoreResult r = restoreDictionary(currentDictionaryPaths(settings), messages, &page);
    expectReport(report(1, 1, 1, 1));
    EXPECT_TRUE(r.listWritten && r.reactivated);
    EXPECT_EQ(fs::file_size(listFile()), 0u);
    EXPECT_EQ(dictOnDisk()[0].active, 1);
}

TEST_F(Restore, ListEntryMatchingOnlyARecordThatCompactionRemovesIsDropped)
{
    // A deleted record that still carries its word, and one with no word at
    // all: neither survives, so list entries for them would be orphans.
    DictRecord deletedCat = word("cat", "t", 1, 1);
    deletedCat.deleted = 1;
    writeRecords(dictFile(), Dictionary{deletedCat, newDictRecord(), word("dog", "t", 1, 1)});
    writeRecords(listFile(), WordList{entry("cat"), entry(""), entry("dog")});

    restoreDictionary(currentDictionaryPaths(settings), messages);
    expectReport(report(2, 2, 2, 2));
    const WordList list = listOnDisk();
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(fieldText(list[0].word), "dog");
    ASSERT_EQ(dictOnDisk().size(), 1u);
}

TEST_F(Restore, EmptyListReturnsEveryExcludedWordAndRefreshesThePage)
{
    Dictionary dict;
    for (int i = 0; i < 10; ++i)
        dict.push_back(word("w" + std::to_string(i), "t", i < 4 ? 0 : 1, i == 4 ? 1 : 0));
    dict[0].inList = 1;  // excluded and in no list: two faults in one record
    writeRecords(dictFile(), dict);

    const RestoreResult r = restoreDictionary(currentDictionaryPaths(settings), messages, &page);
    expectReport(report(6, 6, 0, 0));
    EXPECT_TRUE(r.reactivated);
    for (const DictRecord& rec : dictOnDisk()) {
        EXPECT_EQ(rec.active, 1);
        EXPECT_EQ(rec.inList, 0);
    }
    EXPECT_EQ(page.cleared, 1);
    EXPECT_EQ(page.total, 10u);
    EXPECT_EQ(page.active, 10u);
    // The counts the Dictionaries page records in the settings.
    EXPECT_EQ(r.total, 10u);
    EXPECT_EQ(r.active, 10u);
    EXPECT_FALSE(fs::exists(listFile()));  // the list is never created or backed up
}

TEST_F(Restore, ASecondRunFindsNothingAndTouchesNothing)
{
    writeRecords(dictFile(), Dictionary{word("a", "t", 1, 1), makeTombstone(), word("b", "t", 0, 0)});
    writeRecords(listFile(), WordList{entry("a")});
    restoreDictionary(currentDictionaryPaths(settings), messages);
    const Bytes dict = TempDir::readBytes(dictFile());
    const Bytes backup = TempDir::readBytes(backupFile());
    const auto stamp = fs::last_write_time(dictFile());
    messages.clear();

    const RestoreResult r = restoreDictionary(currentDictionaryPaths(settings), messages, &page);
    ASSERT_EQ(messages.shown.size(), 1u);
    expectReport(kNoErrors);
    EXPECT_FALSE(r.dictWritten || r.listWritten);
    EXPECT_EQ(TempDir::readBytes(dictFile()), dict);
    EXPECT_EQ(TempDir::readBytes(backupFile()), backup);
    EXPECT_EQ(fs::last_write_time(dictFile()), stamp);
    EXPECT_EQ(page.shown, 0);
}

TEST_F(Restore, AnEarlierBackupIsReplaced)
{
    TempDir::writeBytes(backupFile(), Bytes(5, 0xAB));
    writeRecords(dictFile(), Dictionary{makeTombstone(), word("a")});
    restoreDictionary(currentDictionaryPaths(settings), messages);
    EXPECT_EQ(fs::file_size(backupFile()), 416u);
    EXPECT_EQ(fs::file_size(dictFile()), 208u);
}

TEST_F(Restore, BackupNameTrimsOnlyLowerCaseDCT)
{
    EXPECT_EQ(backupPathFor("/v/words.dct"), "/v/words.bak");
    EXPECT_EQ(backupPathFor("/v/WORDS.DCT"), "/v/WORDS.DCTbak");
    EXPECT_EQ(backupPathFor("/v/words.dctdt"), "/v/words.bak");
    EXPECT_EQ(backupPathFor("/v/tact"), "/v/tabak");
    EXPECT_EQ(backupPathFor("/v/x.txt"), "/v/x.txbak");
    EXPECT_EQ(backupPathFor("dct"), "bak");

    settings.setSCurDict("WORDS.DCT");
    writeRecords(dictFile(), Dictionary{makeTombstone()});
    restoreDictionary(currentDictionaryPaths(settings), messages);
    EXPECT_TRUE(fs::exists(voc() / "WORDS.DCTbak"));
    EXPECT_EQ(fs::file_size(dictFile()), 0u);
}

TEST_F(Restore, EmptyDictionaryWithAListChangesNothing)
{
    TempDir::writeBytes(dictFile(), {});
    writeRecords(listFile(), WordList{entry("a"), entry("b")});
    const RestoreResult r = restoreDictionary(currentDictionaryPaths(settings), messages);
    ASSERT_EQ(messages.shown.size(), 1u);
    expectReport(kNoErrors);
    EXPECT_TRUE(r.completed);
    EXPECT_EQ(listOnDisk().size(), 2u);
    EXPECT_EQ(vocEntries(), (std::vector<std::string>{"words.dct", "words.lst"}));
}

TEST_F(Restore, FilesThatCannotBeReadStopTheRunBeforeAnyChange)
{
    // Missing dictionary: the load's message and nothing else.
    restoreDictionary(currentDictionaryPaths(settings), messages);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, "Ошибка: Не удалось загрузить словарь.\n");
    EXPECT_TRUE(vocEntries().empty());
    messages.clear();

    // A folder in place of the list is not an empty list: the excluded word
    // must stay excluded. The pair counts as no dictionary: there is nothing
    // to restore, and nothing to tell (the names were told at the start).
    const fs::path dictionary = dictFile();
    writeRecords(dictionary, Dictionary{word("learned", "t", 0, 0), makeTombstone()});
    const Bytes dict = TempDir::readBytes(dictionary);
    fs::create_directory(listFile());
    EXPECT_FALSE(currentDictionaryPaths(settings).usable());
    const RestoreResult r = restoreDictionary(currentDictionaryPaths(settings), messages, &page);
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_FALSE(r.completed);
    EXPECT_EQ(TempDir::readBytes(dictionary), dict);
    EXPECT_EQ(vocEntries(), (std::vector<std::string>{"words.dct", "words.lst"}));
    EXPECT_EQ(page.cleared + page.shown, 0);

    // The same pair handed over directly (a folder appeared after the names
    // were checked): the list cannot be read, and the word stays excluded.
    const RestoreResult direct = restoreDictionary(DictionaryPaths{dictionary.string(), listFile().string()}, messages, &page);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, "Ошибка: Не удалось загрузить список.\n");
    EXPECT_FALSE(direct.completed || direct.dictWritten || direct.reactivated);
    EXPECT_EQ(TempDir::readBytes(dictionary), dict);
    EXPECT_EQ(vocEntries(), (std::vector<std::string>{"words.dct", "words.lst"}));
}

TEST_F(Restore, AFolderAtTheBackupNameStopsTheRunAndKeepsTheDictionary)
{
    writeRecords(dictFile(), Dictionary{word("a", "t", 0, 0)});
    const Bytes dict = TempDir::readBytes(dictFile());
    fs::create_directories(backupFile() / "inside");

    const RestoreResult r = restoreDictionary(currentDictionaryPaths(settings), messages, &page);
    ASSERT_EQ(messages.shown.size(), 1u);  // no report after it
    EXPECT_EQ(messages.shown[0].icon, MessageIcon::Error);
    EXPECT_NE(messages.shown[0].text.find("резервную копию"), std::string::npos);
    EXPECT_NE(messages.shown[0].text.find("Словарь не восстановлен и остался без изменений."), std::string::npos);
    EXPECT_FALSE(r.completed || r.dictWritten);
    EXPECT_EQ(TempDir::readBytes(dictFile()), dict);
    EXPECT_TRUE(fs::is_directory(backupFile() / "inside"));
    EXPECT_EQ(page.cleared + page.shown, 0);
    EXPECT_EQ(r.total, 0u);  // no new counts for the page to record
}

TEST_F(Restore, RenameFailureIsToldAndTheDictionaryStays)
{
    // The backup name is one byte too long for the file system, so the
    // dictionary cannot be moved there.
    const std::string name = std::string(252, 'w') + "DCT";
    settings.setSCurDict(name);
    writeRecords(dictFile(), Dictionary{makeTombstone(), word("a")});
    const Bytes dict = TempDir::readBytes(dictFile());

    const RestoreResult r = restoreDictionary(currentDictionaryPaths(settings), messages);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, "Ошибка: Не удалось переименовать словарь в резервную копию\n" +
                                          backupPathFor(dictFile().string()) +
                                          "\nСловарь не восстановлен и остался без изменений.");
    EXPECT_FALSE(r.completed);
    EXPECT_EQ(TempDir::readBytes(dictFile()), dict);
}

TEST_F(Restore, FailedWritesAreNotCountedAsFixed)
{
    writeRecords(dictFile(), Dictionary{makeTombstone(), word("a", "t", 1, 1), word("b")});
    writeRecords(listFile(), WordList{entry("a"), entry("ghost")});
    const Bytes dict = TempDir::readBytes(dictFile());
    const Bytes list = TempDir::readBytes(listFile());
    RestoreResult r;
    {
        testing::FileSizeLimit limit(100);  // neither new file fits
        ASSERT_TRUE(limit.active());
        r = restoreDictionary(currentDictionaryPaths(settings), messages, &page);
    }
    ASSERT_EQ(messages.shown.size(), 3u);
    EXPECT_EQ(messages.shown[0].text, "Ошибка: не удалось обновить список.");
    EXPECT_EQ(messages.shown[1].text, "Ошибка: не удалось обновить словарь.");
    expectReport(report(1, 0, 1, 0));
    EXPECT_FALSE(r.dictWritten || r.listWritten);
    // The old dictionary is back under its own name; both files as they were.
    EXPECT_EQ(TempDir::readBytes(dictFile()), dict);
    EXPECT_EQ(TempDir::readBytes(listFile()), list);
    EXPECT_EQ(page.shown, 0);
}

TEST_F(Restore, ATrailingFragmentIsCutAndTheReportSaysSo)
{
    // Two whole records and 100 bytes of a third; the list has half a record
    // after its one entry.
    writeRecords(dictFile(), Dictionary{word("a", "t", 1, 1), word("b")});
    TempDir::writeBytes(dictFile(), [&] {
        Bytes bytes = TempDir::readBytes(dictFile());
        bytes.insert(bytes.end(), 100, 0);
        return bytes;
    }());
    writeRecords(listFile(), WordList{entry("a")});
    TempDir::writeBytes(listFile(), [&] {
        Bytes bytes = TempDir::readBytes(listFile());
        bytes.insert(bytes.end(), 112, 0);
        return bytes;
    }());

    const RestoreResult r = restoreDictionary(currentDictionaryPaths(settings), messages, &page);
    ASSERT_EQ(messages.shown.size(), 1u);
    expectReport(report(1, 1, 1, 1) +
                 "\n\nВ конце файла словаря был неполный обрывок записи (100 байт); он отрезан, прежний файл "
                 "сохранён в резервной копии.");
    EXPECT_TRUE(r.completed && r.dictWritten && r.listWritten);
    EXPECT_EQ(r.fragmentBytes, 100u);
    EXPECT_EQ(fs::file_size(dictFile()), 416u);
    EXPECT_EQ(fs::file_size(backupFile()), 516u);  // the old file, fragment and all
    EXPECT_EQ(fs::file_size(listFile()), 224u);
    EXPECT_EQ(fieldText(listOnDisk()[0].word), "a");
    EXPECT_EQ(page.total, 2u);

    // Whole again: a second run finds nothing.
    messages.clear();
    restoreDictionary(currentDictionaryPaths(settings), messages);
    expectReport(kNoErrors);
}

} // namespace
} // namespace mox
