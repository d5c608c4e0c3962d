// The record-file layer on real files: appends that keep a file a whole
// number of records, the mode bits as the user's intent (for root too), and
// whole-file writes that leave nothing behind even when the writer is killed.
#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <sys/wait.h>
#include <unistd.h>

#include "store/DictionaryFile.h"
#include "store/FileIo.h"
#include "store/ListFile.h"
#include "store/RecordText.h"
#include "store/Store.h"
#include "support/RecordFiles.h"
#include "support/TempDir.h"

namespace mox {
namespace {

namespace fs = std::filesystem;

DictRecord word(std::string_view text)
{
    DictRecord r = newDictRecord();
    setFieldText(r.word, text);
    return r;
}

std::vector<std::string> folderEntries(const fs::path& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

void makeReadOnly(const fs::path& file)
{
    fs::permissions(file, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
}

TEST(RecordFile, AppendsStartAtARecordBoundaryAndTheLastOneCanBeTakenBack)
{
    TempDir dir;
    const fs::path path = dir.path() / "words.dct";
    writeRecords(path, std::vector<DictRecord>{word("a"), word("b")});
    auto bytes = TempDir::readBytes(path);
    bytes.resize(bytes.size() + 57, 0x33);  // a torn tail of an earlier write
    TempDir::writeBytes(path, bytes);

    DictionaryFile file(path.string());
    auto appender = file.openForAppend();
    ASSERT_TRUE(appender);
    EXPECT_EQ(appender.count(), 2u);
    ASSERT_TRUE(appender.append(word("c")));
    ASSERT_TRUE(appender.append(word("d")));
    ASSERT_TRUE(appender.takeBackLast());
    appender.close();

    const auto records = readRecords<DictRecord>(path);
    EXPECT_EQ(fs::file_size(path), 3 * sizeof(DictRecord)) << "the fragment went, the taken-back record too";
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(fieldText(records[2].word), "c");

    // Appending creates a missing file.
    const fs::path fresh = dir.path() / "new.lst";
    auto list = ListFile(fresh.string()).openForAppend();
    ASSERT_TRUE(list);
    EXPECT_TRUE(list.append(ListRecord{}));
    EXPECT_EQ(fs::file_size(fresh), sizeof(ListRecord));
}

TEST(RecordFile, AFileWithoutWriteBitsIsNeverWrittenNotEvenByRoot)
{
    TempDir dir;
    const fs::path dictionary = dir.path() / "words.dct";
    const fs::path list = dir.path() / "words.lst";
    writeRecords(dictionary, std::vector<DictRecord>{word("a")});
    writeRecords(list, std::vector<ListRecord>(2));
    makeReadOnly(dictionary);
    makeReadOnly(list);
    const auto dictionaryBefore = TempDir::readBytes(dictionary);
    const auto listBefore = TempDir::readBytes(list);

    EXPECT_FALSE(ListFile(list.string()).replaceAll(std::vector<ListRecord>(5)));
    EXPECT_FALSE(DictionaryFile(dictionary.string()).openForUpdate());
    EXPECT_FALSE(DictionaryFile(dictionary.string()).openForAppend());
    EXPECT_EQ(DictionaryFile(dictionary.string()).activate({"a"}).activated, 0u);
    EXPECT_EQ(TempDir::readBytes(dictionary), dictionaryBefore);
    EXPECT_EQ(TempDir::readBytes(list), listBefore);
    EXPECT_EQ(folderEntries(dir.path()), (std::vector<std::string>{"words.dct", "words.lst"}));
    // Reading stays possible.
    std::vector<DictRecord> read;
    EXPECT_TRUE(DictionaryFile(dictionary.string()).readAll(read));
    EXPECT_EQ(read.size(), 1u);
}

TEST(RecordFile, AWholeFileWriteKilledAtAnyMomentLeavesTheOldOrTheNewFileAndNothingElse)
{
    TempDir dir;
    const fs::path path = dir.path() / "words.lst";
    const std::vector<ListRecord> small(3);
    const std::vector<ListRecord> large(40000);  // about 9 MB: kills land during the write
    writeRecords(path, small);
    std::size_t leftOver = 0;
    for (int round = 0; round < 12; ++round) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            for (int i = 0;; ++i)
                (void)ListFile(path.string()).replaceAll(i % 2 ? small : large);
        }
        ::usleep(static_cast<useconds_t>(15000 + 7000 * round));
        ::kill(child, SIGKILL);
        ::waitpid(child, nullptr, 0);
        const auto size = fs::file_size(path);
        EXPECT_TRUE(size == small.size() * sizeof(ListRecord) || size == large.size() * sizeof(ListRecord)) << size;
        // The fresh file has no name while it is written. Only in the instant
        // between naming it and renaming it over the old file can a kill
        // leave it under its temporary name, which the cleanup of the next
        // start takes away; nothing else is ever left.
        leftOver += removeStaleTemporaryFiles(dir.path().string());
        EXPECT_EQ(folderEntries(dir.path()), std::vector<std::string>{"words.lst"}) << "round " << round;
    }
    // A file named for the whole write would be left by nearly every kill.
    EXPECT_LE(leftOver, 2u);
}

TEST(RecordFile, WritingWithoutReplacingNeverTouchesAnExistingFile)
{
    TempDir dir;
    const fs::path path = dir.path() / "words.dct";
    const std::vector<DictRecord> records{word("a")};
    EXPECT_TRUE(DictionaryFile(path.string()).replaceAll(records, false));
    EXPECT_FALSE(DictionaryFile(path.string()).replaceAll(std::vector<DictRecord>{}, false));
    EXPECT_EQ(errno, EEXIST);
    EXPECT_EQ(fs::file_size(path), sizeof(DictRecord));
    EXPECT_EQ(folderEntries(dir.path()), std::vector<std::string>{"words.dct"});
}

} // namespace
} // namespace mox
