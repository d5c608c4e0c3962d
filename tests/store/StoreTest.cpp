#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>

#include "settings/CurrentDictionary.h"
#include "store/DictionaryFile.h"
#include "store/DictionaryFolder.h"
#include "store/DictionarySession.h"
#include "store/FileIo.h"
#include "store/StoreFixture.h"

namespace mox {
namespace {

namespace fs = std::filesystem;
using testing::Bytes;

class Store : public testing::StoreFixture {
protected:
    // Checks that exactly one message was shown, with this text and icon and
    // a single OK button, and forgets it.
    void expectOneMessage(const std::string& text, MessageIcon icon = MessageIcon::Error)
    {
        ASSERT_EQ(messages.shown.size(), 1u) << "messages shown: " << messages.shown.size();
        EXPECT_EQ(messages.shown[0].text, text);
        EXPECT_EQ(messages.shown[0].icon, icon);
        EXPECT_EQ(messages.shown[0].buttons, MessageButtons::Ok);
        messages.clear();
    }
    void appendBytes(const fs::path& file, std::size_t count, unsigned char value = 0x55)
    {
        std::ofstream(file, std::ios::binary | std::ios::app) << std::string(count, static_cast<char>(value));
    }
};

TEST_F(Store, CountsTellLiveAndActiveRecordsApart)
{
    DictRecord tomb = makeTombstone();
    tomb.active = 1;  // a tombstone never counts, whatever its other bytes
    writeRecords(dictFile(), Dictionary{word("a"), tomb, word("b", "t", 0)});
    EXPECT_EQ(DictItemCount(settings.dictionaryPath(), messages), 2u);
    EXPECT_EQ(ActiveItemCount(settings.dictionaryPath(), messages), 1u);

    // A live record with an empty word still counts.
    writeRecords(dictFile(), Dictionary{newDictRecord()});
    EXPECT_EQ(DictItemCount(settings.dictionaryPath(), messages), 1u);
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(Store, CountsOfMissingEmptyAndOddSizedFiles)
{
    // Missing file, then missing folder: 0 without a message.
    EXPECT_EQ(DictItemCount(settings.dictionaryPath(), messages), 0u);
    EXPECT_EQ(ActiveItemCount(settings.dictionaryPath(), messages), 0u);
    settings.setAppPath((dir.path() / "nowhere").string());
    EXPECT_EQ(DictItemCount(settings.dictionaryPath(), messages), 0u);
    EXPECT_EQ(ActiveItemCount(settings.dictionaryPath(), messages), 0u);
    settings.setAppPath(dir.str());

    TempDir::writeBytes(dictFile(), {});
    EXPECT_EQ(DictItemCount(settings.dictionaryPath(), messages), 0u);
    EXPECT_EQ(ActiveItemCount(settings.dictionaryPath(), messages), 0u);

    writeRecords(dictFile(), Dictionary{word("a"), word("b")});
    EXPECT_EQ(DictItemCount(settings.dictionaryPath(), messages), 2u);  // 416 bytes
    appendBytes(dictFile(), 1);                                          // 417 bytes
    // A fragment is no record, but it hides none of the records before it.
    EXPECT_EQ(DictItemCount(settings.dictionaryPath(), messages), 2u);
    EXPECT_EQ(ActiveItemCount(settings.dictionaryPath(), messages), 2u);

    TempDir::writeBytes(dictFile(), Bytes(207, 0));
    EXPECT_EQ(DictItemCount(settings.dictionaryPath(), messages), 0u);
    EXPECT_EQ(ActiveItemCount(settings.dictionaryPath(), messages), 0u);  // no complete record
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(Store, DeletingTheOnlyWordLeavesAFileThatCountsNothing)
{
    writeRecords(dictFile(), Dictionary{word("cat")});
    {
        const DictionaryFile file(settings.dictionaryPath());
        const auto update = file.openForUpdate();
        ASSERT_TRUE(update);
        const auto at = file.findFirst("cat");
        ASSERT_TRUE(at.has_value());
        EXPECT_TRUE(update.write(*at, makeTombstone()));
    }
    EXPECT_EQ(fs::file_size(dictFile()), 208u);
    EXPECT_EQ(DictItemCount(settings.dictionaryPath(), messages), 0u);
    EXPECT_EQ(ActiveItemCount(settings.dictionaryPath(), messages), 0u);
}

TEST_F(Store, CountsAcrossManyChunksAndAFinalFragment)
{
    // Enough records to need several reads; every third record a tombstone,
    // every fifth excluded.
    Dictionary records;
    std::uint32_t live = 0, active = 0;
    for (int i = 0; i < 7001; ++i) {
        DictRecord r = word("w" + std::to_string(i), "t", i % 5 == 0 ? 0 : 1);
        if (i % 3 == 0)
            r.deleted = 1;
        live += r.deleted == 0;
        active += r.deleted == 0 && r.active != 0;
        records.push_back(r);
    }
    writeRecords(dictFile(), records);
    EXPECT_EQ(DictItemCount(settings.dictionaryPath(), messages), live);
    EXPECT_EQ(ActiveItemCount(settings.dictionaryPath(), messages), active);
    appendBytes(dictFile(), 100, 0);  // a fragment that looks live and active
    EXPECT_EQ(ActiveItemCount(settings.dictionaryPath(), messages), active);
    Dictionary loaded;
    ASSERT_TRUE(loadDictionary(settings.dictionaryPath(), messages, loaded));
    ASSERT_EQ(loaded.size(), records.size());
    EXPECT_EQ(std::memcmp(loaded.data(), records.data(), records.size() * sizeof(DictRecord)), 0);
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(Store, AFolderInPlaceOfTheDictionaryIsNoDictionary)
{
    const fs::path dictionary = dictFile();
    fs::create_directory(dictionary);
    fs::create_directory(dictionary / "x");
    // As a missing file: no words, and nothing to tell.
    EXPECT_EQ(settings.dictionaryPath(), "");
    EXPECT_EQ(settings.listPath(), "");
    EXPECT_EQ(DictItemCount(settings.dictionaryPath(), messages), 0u);
    EXPECT_EQ(ActiveItemCount(settings.dictionaryPath(), messages), 0u);
    EXPECT_TRUE(messages.shown.empty());

    Dictionary records{word("kept")};
    EXPECT_FALSE(loadDictionary(settings.dictionaryPath(), messages, records));
    expectOneMessage("Ошибка: Не удалось загрузить словарь.\n");
    ASSERT_EQ(records.size(), 1u);  // left as it was

    EXPECT_FALSE(updateDictionary(settings.dictionaryPath(), messages, records));
    EXPECT_TRUE(fs::is_directory(dictionary / "x"));

    EXPECT_FALSE(DictionaryFile(settings.dictionaryPath()).openForUpdate());
    EXPECT_FALSE(DictionaryFile(dictionary.string()).openForUpdate());
    DictionarySession session(messages);
    session.open(currentDictionaryPaths(settings));
    EXPECT_FALSE(session.createFiles());
    EXPECT_EQ(DictionaryFolder(voc().string()).createEmpty("words.dct"), DictionaryFolder::Creation::failed);
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_EQ(vocEntries(), std::vector<std::string>{"words.dct"});  // nothing more is done
}

TEST_F(Store, LoadDictionaryAppendsEveryCompleteRecordTombstonesIncluded)
{
    writeRecords(dictFile(), Dictionary{word("a"), makeTombstone(), word("c")});
    appendBytes(dictFile(), 207);
    Dictionary records{word("before")};
    ASSERT_TRUE(loadDictionary(settings.dictionaryPath(), messages, records));
    ASSERT_EQ(records.size(), 4u);
    EXPECT_EQ(fieldText(records[0].word), "before");
    EXPECT_EQ(fieldText(records[1].word), "a");
    EXPECT_EQ(records[2].deleted, 1);
    EXPECT_EQ(fieldText(records[3].word), "c");

    TempDir::writeBytes(dictFile(), {});
    Dictionary none;
    EXPECT_TRUE(loadDictionary(settings.dictionaryPath(), messages, none));
    EXPECT_TRUE(none.empty());
    EXPECT_TRUE(messages.shown.empty());

    fs::remove(dictFile());
    EXPECT_FALSE(loadDictionary(settings.dictionaryPath(), messages, none));
    expectOneMessage("Ошибка: Не удалось загрузить словарь.\n");
}

TEST_F(Store, LoadListOfMissingEmptyWholeAndFragmentedFiles)
{
    WordList list;
    EXPECT_TRUE(loadList(settings.listPath(), messages, list));
    EXPECT_TRUE(list.empty());
    TempDir::writeBytes(listFile(), {});
    EXPECT_TRUE(loadList(settings.listPath(), messages, list));
    EXPECT_TRUE(list.empty());
    EXPECT_TRUE(messages.shown.empty());

    writeRecords(listFile(), WordList{entry("one"), entry("two")});
    ASSERT_EQ(fs::file_size(listFile()), 448u);
    appendBytes(listFile(), 2);
    ASSERT_TRUE(loadList(settings.listPath(), messages, list));
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(fieldText(list[1].word), "two");
    const Bytes raw = TempDir::readBytes(listFile());
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(raw.data()) + 225, 3), "two");
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(Store, AFolderInPlaceOfTheListIsNoDictionaryAndAMissingFolderIsReported)
{
    const fs::path folder = listFile();
    fs::create_directory(folder);
    WordList list{entry("kept")};
    EXPECT_TRUE(loadList(settings.listPath(), messages, list));
    EXPECT_EQ(list.size(), 1u);
    EXPECT_FALSE(updateList(settings.listPath(), messages, list));
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_TRUE(fs::is_directory(folder));
    fs::remove(folder);

    settings.setAppPath((dir.path() / "nowhere").string());
    EXPECT_FALSE(updateList(settings.listPath(), messages, list));
    expectOneMessage("Ошибка: не удалось обновить список.");
    EXPECT_FALSE(fs::exists(dir.path() / "nowhere"));
}

TEST_F(Store, UpdatesReplaceTheWholeFileAndLeaveNothingBeside)
{
    writeRecords(listFile(), WordList{entry("a"), entry("b"), entry("c")});
    fs::permissions(listFile(), fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    WordList list{entry("x")};
    list[0].answers = 513;
    ASSERT_TRUE(updateList(settings.listPath(), messages, list));
    EXPECT_EQ(readRecords<ListRecord>(listFile()).size(), 1u);
    EXPECT_EQ(TempDir::readBytes(listFile())[192], 1);  // 513 little-endian
    EXPECT_EQ(TempDir::readBytes(listFile())[193], 2);
    EXPECT_EQ(fs::status(listFile()).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);

    ASSERT_TRUE(updateList(settings.listPath(), messages, {}));
    EXPECT_EQ(fs::file_size(listFile()), 0u);
    WordList reread;
    EXPECT_TRUE(loadList(settings.listPath(), messages, reread));
    EXPECT_TRUE(reread.empty());

    const Dictionary dict{word("cat", "\xEA\xEE\xF2"), makeTombstone()};
    ASSERT_TRUE(updateDictionary(settings.dictionaryPath(), messages, dict));
    const Bytes bytes = TempDir::readBytes(dictFile());
    ASSERT_EQ(bytes.size(), 416u);
    EXPECT_EQ(std::memcmp(bytes.data(), dict.data(), bytes.size()), 0);
    ASSERT_TRUE(updateDictionary(settings.dictionaryPath(), messages, {}));
    EXPECT_EQ(fs::file_size(dictFile()), 0u);

    EXPECT_TRUE(messages.shown.empty());
    EXPECT_EQ(vocEntries(), (std::vector<std::string>{"words.dct", "words.lst"}));
}

TEST_F(Store, UpdateThroughASymbolicLinkInTheFolderKeepsTheLink)
{
    const fs::path real = voc() / "real.lst";
    writeRecords(real, WordList{entry("a"), entry("b")});
    fs::create_symlink("real.lst", listFile());
    ASSERT_TRUE(updateList(settings.listPath(), messages, WordList{entry("z")}));
    EXPECT_TRUE(fs::is_symlink(listFile()));
    ASSERT_EQ(readRecords<ListRecord>(real).size(), 1u);
    EXPECT_EQ(fieldText(readRecords<ListRecord>(real)[0].word), "z");
}

TEST_F(Store, WritingANewFileNeverReplacesOne)
{
    const std::string fresh = (voc() / "new.dct").string();
    ASSERT_TRUE(replaceFileContent(fresh, "abc", 3, false));
    EXPECT_EQ(TempDir::readBytes(fresh), (Bytes{'a', 'b', 'c'}));
    errno = 0;
    EXPECT_FALSE(replaceFileContent(fresh, "xyz", 3, false));
    EXPECT_EQ(errno, EEXIST);
    EXPECT_EQ(TempDir::readBytes(fresh), (Bytes{'a', 'b', 'c'}));

    // A link to nowhere is a file there too; nothing is made at its target.
    fs::create_symlink(dir.path() / "nowhere", voc() / "link.dct");
    errno = 0;
    EXPECT_FALSE(replaceFileContent((voc() / "link.dct").string(), "x", 1, false));
    EXPECT_EQ(errno, EEXIST);
    EXPECT_FALSE(fs::exists(dir.path() / "nowhere"));

    // A write that fails half-way leaves no file and no temporary file.
    {
        mox::testing::FileSizeLimit limit(2);
        EXPECT_FALSE(replaceFileContent((voc() / "big.dct").string(), "abcdef", 6, false));
    }
    EXPECT_EQ(vocEntries(), (std::vector<std::string>{"link.dct", "new.dct"}));
}

TEST_F(Store, FailedWriteKeepsTheOldFileAndIsReported)
{
    // A write that the system refuses (as on a full disk) part-way through.
    const WordList oldList{entry("a"), entry("b")};
    const Dictionary oldDict{word("a"), word("b")};
    writeRecords(listFile(), oldList);
    writeRecords(dictFile(), oldDict);
    const Bytes listBefore = TempDir::readBytes(listFile());
    const Bytes dictBefore = TempDir::readBytes(dictFile());

    WordList bigList(20, entry("new"));
    Dictionary bigDict(20, word("new"));
    {
        testing::FileSizeLimit limit(1000);
        ASSERT_TRUE(limit.active());
        EXPECT_FALSE(updateList(settings.listPath(), messages, bigList));
        EXPECT_FALSE(updateDictionary(settings.dictionaryPath(), messages, bigDict));
    }
    ASSERT_EQ(messages.shown.size(), 2u);
    EXPECT_EQ(messages.shown[0].text, "Ошибка: не удалось обновить список.");
    EXPECT_EQ(messages.shown[1].text, "Ошибка: не удалось обновить словарь.");
    EXPECT_EQ(messages.shown[1].icon, MessageIcon::Error);
    EXPECT_EQ(TempDir::readBytes(listFile()), listBefore);
    EXPECT_EQ(TempDir::readBytes(dictFile()), dictBefore);
    EXPECT_EQ(vocEntries(), (std::vector<std::string>{"words.dct", "words.lst"}));
}

TEST_F(Store, FindFirstTakesTheFirstExactMatch)
{
    Dictionary records;
    for (int i = 0; i < 300; ++i)  // past the first read of the search
        records.push_back(word("filler" + std::to_string(i)));
    records.push_back(word("gone"));
    records.push_back(word("cat", "first"));
    records.push_back(word("cat", "second"));
    writeRecords(dictFile(), records);

    const DictionaryFile file(settings.dictionaryPath());
    const auto update = file.openForUpdate();
    ASSERT_TRUE(update);
    ASSERT_EQ(file.findFirst("gone"), std::optional<std::uint64_t>(300));
    ASSERT_TRUE(update.write(300, makeTombstone()));  // deleting takes its word
    EXPECT_EQ(file.findFirst("cat"), std::optional<std::uint64_t>(301));
    DictRecord found;
    ASSERT_TRUE(update.read(301, found));
    EXPECT_EQ(fieldText(found.translation), "first");
    EXPECT_EQ(file.findFirst("filler0"), std::optional<std::uint64_t>(0));
    EXPECT_FALSE(file.findFirst("Cat").has_value());   // case-sensitive
    EXPECT_FALSE(file.findFirst("cat ").has_value());  // no trimming
    EXPECT_FALSE(file.findFirst("ca").has_value());
    EXPECT_FALSE(file.findFirst("gone").has_value());
    EXPECT_FALSE(file.findFirst(std::string(100, 'c')).has_value());
}

TEST_F(Store, FindFirstIgnoresFragmentsAndReadsUnterminatedWordsToTheFieldEnd)
{
    DictRecord full = newDictRecord();
    std::memset(full.word, 'q', sizeof full.word);
    full.translation[0] = 'Z';  // must not be taken as part of the word
    writeRecords(dictFile(), Dictionary{full});
    // A fragment holding a word at the right place, but not a whole record.
    DictRecord partial = word("tail");
    std::ofstream(dictFile(), std::ios::binary | std::ios::app).write(reinterpret_cast<const char*>(&partial), 100);

    const DictionaryFile file(dictFile().string());
    EXPECT_EQ(file.findFirst(std::string(80, 'q')), std::optional<std::uint64_t>(0));
    EXPECT_FALSE(file.findFirst(std::string(80, 'q') + "Z").has_value());
    EXPECT_FALSE(file.findFirst(std::string(79, 'q')).has_value());
    EXPECT_FALSE(file.findFirst("tail").has_value());
}

TEST_F(Store, RewriteAfterAFailedSearchWritesInPlace)
{
    writeRecords(dictFile(), Dictionary{word("a"), word("b"), word("c")});
    {
        const DictionaryFile file(settings.dictionaryPath());
        const auto update = file.openForUpdate();
        ASSERT_TRUE(update);
        EXPECT_FALSE(file.findFirst("zzz").has_value());  // reads the whole file
        DictRecord changed = word("b", "changed", 0, 0);
        EXPECT_TRUE(update.write(1, changed));
        DictRecord beyond;
        EXPECT_FALSE(update.read(3, beyond));  // no record past the end
    }

    const Dictionary after = readRecords<DictRecord>(dictFile());
    ASSERT_EQ(after.size(), 3u);
    EXPECT_EQ(fieldText(after[1].translation), "changed");
    EXPECT_EQ(after[1].active, 0);
    EXPECT_EQ(fieldText(after[0].word), "a");
    EXPECT_EQ(fieldText(after[2].word), "c");
}

TEST_F(Store, ReadErrorDuringASearchIsNotAMatchAndIsToldApart)
{
    // A folder in place of the file cannot be read: no match, and the
    // caller learns that it could not look.
    bool failed = false;
    EXPECT_FALSE(DictionaryFile(voc().string()).findFirst("", &failed).has_value());
    EXPECT_TRUE(failed);
    writeRecords(dictFile(), Dictionary{word("a")});
    EXPECT_FALSE(DictionaryFile(dictFile().string()).findFirst("b", &failed).has_value());
    EXPECT_FALSE(failed);  // simply not there
}

TEST_F(Store, UpdateOpeningNeverCreatesAFile)
{
    EXPECT_FALSE(DictionaryFile(settings.dictionaryPath()).openForUpdate());
    EXPECT_FALSE(fs::exists(dictFile()));
    EXPECT_FALSE(queryFile(dictFile().string()).exists);
    EXPECT_FALSE(fs::exists(dictFile()));
}

TEST_F(Store, CreatingTheFilesMakesBothAndKeepsAnExistingList)
{
    DictionarySession session(messages);
    session.open(currentDictionaryPaths(settings));
    ASSERT_TRUE(session.createFiles());
    EXPECT_TRUE(session.dictionaryExists());
    EXPECT_TRUE(queryFile(dictFile().string()).exists);
    EXPECT_EQ(fs::file_size(dictFile()), 0u);
    EXPECT_EQ(fs::file_size(listFile()), 0u);
    auto append = DictionaryFile(settings.dictionaryPath()).openForAppend();
    ASSERT_TRUE(append);
    EXPECT_TRUE(append.append(word("first")));
    EXPECT_EQ(fs::file_size(dictFile()), 208u);  // in the file at once
    append.close();

    fs::remove(dictFile());
    writeRecords(listFile(), WordList{entry("kept")});
    ASSERT_TRUE(session.createFiles());
    EXPECT_EQ(fs::file_size(listFile()), 224u);
    EXPECT_TRUE(messages.shown.empty());

    // An existing dictionary is appended to, never truncated.
    writeRecords(dictFile(), Dictionary{word("a")});
    auto again = DictionaryFile(settings.dictionaryPath()).openForAppend();
    ASSERT_TRUE(again);
    EXPECT_TRUE(again.append(word("b")));
    again.close();
    const Dictionary after = readRecords<DictRecord>(dictFile());
    ASSERT_EQ(after.size(), 2u);
    EXPECT_EQ(fieldText(after[1].word), "b");
}

TEST_F(Store, CreatingTheFilesStillSucceedsWhenTheListCannotBeMade)
{
    // A name the file system cannot take.
    settings.setSCurList(std::string(300, 'l') + ".lst");
    DictionarySession session(messages);
    session.open(currentDictionaryPaths(settings));
    // A list that cannot even be looked at is not taken for a missing one.
    expectOneMessage(DictionarySession::kListLoadFailed);
    EXPECT_TRUE(session.createFiles());
    EXPECT_TRUE(fs::exists(dictFile()));
    EXPECT_EQ(vocEntries(), std::vector<std::string>{"words.dct"});

    settings.setAppPath((dir.path() / "nowhere").string());
    session.open(currentDictionaryPaths(settings));
    EXPECT_FALSE(session.createFiles());
    EXPECT_FALSE(fs::exists(dir.path() / "nowhere"));
    // The callers tell the failure in their own words (see the add dialog
    // and the Dictionaries page).
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(Store, RandomBytesNeverCrashTheReaders)
{
    std::mt19937 random(12345);
    for (std::size_t size : {1u, 207u, 208u, 209u, 1000u, 4160u, 9999u}) {
        Bytes bytes(size);
        for (auto& b : bytes)
            b = static_cast<unsigned char>(random());
        TempDir::writeBytes(dictFile(), bytes);
        TempDir::writeBytes(listFile(), bytes);
        const std::uint32_t live = DictItemCount(settings.dictionaryPath(), messages);
        const std::uint32_t active = ActiveItemCount(settings.dictionaryPath(), messages);
        EXPECT_LE(active, size / 208);
        // Every whole record counts, whatever follows it.
        std::uint32_t liveRecords = 0;
        for (std::size_t at = 0; at + 208 <= size; at += 208)
            liveRecords += bytes[at] == 0;
        EXPECT_EQ(live, liveRecords);
        EXPECT_LE(live, size / 208);
        Dictionary dict;
        WordList list;
        EXPECT_TRUE(loadDictionary(settings.dictionaryPath(), messages, dict));
        EXPECT_TRUE(loadList(settings.listPath(), messages, list));
        EXPECT_EQ(dict.size(), size / 208);
        EXPECT_EQ(list.size(), size / 224);
        for (const auto& r : dict)
            EXPECT_LE(fieldView(r.word).size(), 80u);
        (void)DictionaryFile(dictFile().string()).findFirst("x");
    }
    EXPECT_TRUE(messages.shown.empty());
}

} // namespace
} // namespace mox
