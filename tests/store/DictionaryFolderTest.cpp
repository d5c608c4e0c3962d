// The dictionary folder: which names open which files, and what deleting a
// dictionary takes with it.
#include <gtest/gtest.h>

#include <filesystem>
#include <unistd.h>

#include "store/DictionaryFolder.h"
#include "store/DictionarySession.h"
#include "store/RecordText.h"
#include "store/Store.h"
#include "platform/fake/RecordingMessages.h"
#include "support/RecordFiles.h"
#include "support/TempDir.h"

namespace mox {
namespace {

namespace fs = std::filesystem;

class FolderTest : public ::testing::Test {
protected:
    FolderTest()
    {
        fs::create_directories(voc());
        DictRecord record = newDictRecord();
        setFieldText(record.word, "cat");
        for (const char* name : {"english.dct", "n.dct"})
            writeRecords(voc() / name, std::vector<DictRecord>(50, record));
    }
    fs::path voc() const { return dir.path() / "voc"; }
    DictionaryFolder folder() const { return DictionaryFolder(voc().string()); }

    TempDir dir;
};

TEST_F(FolderTest, AListThatWouldBeADictionaryOpensNothingAndDestroysNothing)
{
    const auto english = TempDir::readBytes(voc() / "english.dct");
    fs::create_symlink("english.dct", voc() / "linked.lst");
    ASSERT_EQ(::link((voc() / "english.dct").c_str(), (voc() / "second.lst").c_str()), 0);
    struct Case {
        const char* dictionary;
        const char* list;
    };
    for (const Case& c : {Case{"n.dct", "english.dct"}, Case{"n.dct", "n.dct"}, Case{"english.dct", "english.dct"},
                          Case{"n.dct", "linked.lst"}, Case{"n.dct", "second.lst"}, Case{"n.dct", "ENGLISH.DCT"}}) {
        NameRefusal why = NameRefusal::none;
        const DictionaryPaths paths = folder().resolve(c.dictionary, c.list, &why);
        EXPECT_FALSE(paths.usable()) << c.dictionary << " with " << c.list;
        EXPECT_EQ(why, NameRefusal::listIsDictionary) << c.list;

        // A session on such a pair has no list to write to.
        RecordingMessages messages;
        DictionarySession session(messages);
        session.open(paths);
        session.replaceList(std::vector<ListRecord>(3));
        EXPECT_FALSE(session.save());
        EXPECT_FALSE(session.topUp(20, [](std::uint32_t) { return 0u; }));
    }
    EXPECT_EQ(TempDir::readBytes(voc() / "english.dct"), english);

    NameRefusal why = NameRefusal::none;
    const DictionaryPaths paths = folder().resolve("n.dct", "n.lst", &why);
    EXPECT_TRUE(paths.usable());
    EXPECT_EQ(why, NameRefusal::none);
    EXPECT_EQ(paths.list, (voc() / "n.lst").string());

    folder().resolve("n.dct", "../n.lst", &why);
    EXPECT_EQ(why, NameRefusal::outsideFolder);
}

TEST_F(FolderTest, DeletingADictionaryTakesItsListBackupAndLanguagesAndNothingElse)
{
    for (const char* name : {"english.lst", "english.bak", "english.lng", "n.lst", "n.bak"})
        TempDir::writeBytes(voc() / name, {1});
    const DictionaryFolder::Removal removal = folder().remove("english.dct");
    EXPECT_TRUE(removal.removed);
    EXPECT_TRUE(removal.leftBehind.empty());
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(voc()))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"n.bak", "n.dct", "n.lst"}));

    // A name that leads out of the folder deletes nothing.
    EXPECT_FALSE(folder().remove("../voc/n.dct").removed);
    EXPECT_TRUE(fs::exists(voc() / "n.dct"));
}

TEST_F(FolderTest, ListsOnlyDictionaryFilesAndCreatesWithoutReplacing)
{
    fs::create_directory(voc() / "folder.dct");
    fs::create_symlink("/etc/passwd", voc() / "outside.dct");
    TempDir::writeBytes(voc() / "notes.txt", {1});
    auto names = folder().dictionaryNames();
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"english.dct", "n.dct"}));

    const auto before = TempDir::readBytes(voc() / "n.dct");
    EXPECT_EQ(folder().createEmpty("n.dct"), DictionaryFolder::Creation::existed);
    EXPECT_EQ(TempDir::readBytes(voc() / "n.dct"), before);
    EXPECT_EQ(folder().createEmpty("empty.dct"), DictionaryFolder::Creation::made);
    EXPECT_EQ(fs::file_size(voc() / "empty.dct"), 0u);
    EXPECT_TRUE(fs::exists(voc() / "empty.lst"));
    EXPECT_EQ(folder().createEmpty("../x.dct"), DictionaryFolder::Creation::failed);
    EXPECT_FALSE(fs::exists(dir.path() / "x.dct"));
}

} // namespace
} // namespace mox
