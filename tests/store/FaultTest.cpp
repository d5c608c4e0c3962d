// The store against faults from outside: names that lead out of the
// dictionary folder, files the user may not write (checked as an unprivileged
// user), saves cut off by a kill, leftovers of such saves.
#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <pwd.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

#include "settings/CurrentDictionary.h"
#include "store/DictionaryFile.h"
#include "store/DictionaryFolder.h"
#include "store/DictionarySession.h"
#include "store/FileIo.h"
#include "store/FileNames.h"
#include "store/ListFile.h"
#include "store/StoreFixture.h"

namespace mox {
namespace {

namespace fs = std::filesystem;
using testing::Bytes;

// Every file below `root` with its bytes (links as their target text).
std::map<std::string, Bytes> snapshot(const fs::path& root)
{
    std::map<std::string, Bytes> files;
    for (const auto& e : fs::recursive_directory_iterator(root)) {
        const std::string key = e.path().lexically_relative(root).string();
        if (e.is_symlink()) {
            const std::string target = fs::read_symlink(e.path()).string();
            files[key] = Bytes(target.begin(), target.end());
        } else if (e.is_regular_file()) {
            files[key] = TempDir::readBytes(e.path());
        } else {
            files[key] = {};
        }
    }
    return files;
}

class Faults : public testing::StoreFixture {};

TEST(FileNames, OnlyPlainNamesInsideTheFolderArePaths)
{
    for (const char* bad : {"", ".", "..", "../x.dct", "../../other/x.dct", "a/b.dct", "/etc/passwd", "..\\x.dct",
                            "voc\\x.dct"})
        EXPECT_EQ(confinedPath("/v/voc/", bad), "") << bad;
    EXPECT_FALSE(isPlainFileName(std::string_view("a\0b", 3)));
    EXPECT_EQ(confinedPath("/v/voc/", "..x.dct"), "/v/voc/..x.dct");
    EXPECT_EQ(confinedPath("/v/voc", "words.dct"), "/v/voc/words.dct");
    // A folder that is not absolute would resolve against the working folder.
    EXPECT_EQ(confinedPath("", "words.dct"), "");
    EXPECT_EQ(confinedPath("voc/", "words.dct"), "");
    EXPECT_EQ(listNameFor("a.dct.dct"), "a.lst.lst");
}

TEST_F(Faults, LinksAreFollowedOnlyToFilesOfTheFolder)
{
    const std::string folder = voc().string() + "/";
    fs::create_directories(dir.path() / "other");
    TempDir::writeBytes(dir.path() / "other" / "x.dct", {1});
    TempDir::writeBytes(voc() / "real.dct", {2});
    fs::create_symlink("real.dct", voc() / "inside.dct");
    fs::create_symlink(dir.path() / "other" / "x.dct", voc() / "outside.dct");
    fs::create_symlink(dir.path() / "other" / "missing.dct", voc() / "dangling.dct");
    fs::create_symlink("../voc/real.dct", voc() / "roundabout.dct");
    fs::create_directories(voc() / "sub");
    TempDir::writeBytes(voc() / "sub" / "deep.dct", {3});
    fs::create_symlink("sub/deep.dct", voc() / "deeper.dct");

    EXPECT_EQ(confinedPath(folder, "inside.dct"), folder + "inside.dct");
    EXPECT_EQ(confinedPath(folder, "roundabout.dct"), folder + "roundabout.dct");
    EXPECT_EQ(confinedPath(folder, "outside.dct"), "");
    EXPECT_EQ(confinedPath(folder, "dangling.dct"), "");  // creating it would create a file outside
    EXPECT_EQ(confinedPath(folder, "deeper.dct"), "");    // temporary files would go to sub/

    // The folder itself may be a link (the user moved the whole folder).
    fs::create_symlink(voc(), dir.path() / "linked");
    EXPECT_EQ(confinedPath((dir.path() / "linked").string() + "/", "inside.dct"),
              (dir.path() / "linked").string() + "/inside.dct");
}

TEST_F(Faults, ANameLeadingOutOfTheFolderOpensChangesAndCreatesNothing)
{
    // A dictionary and a list outside the folder that the names point at.
    fs::create_directories(dir.path() / "other");
    writeRecords(dir.path() / "other" / "x.dct", Dictionary{word("out", "t", 1, 0), word("gone", "t", 0, 0)});
    writeRecords(dir.path() / "other" / "x.lst", WordList{entry("out")});
    fs::create_symlink(dir.path() / "other" / "x.lst", voc() / "link.lst");
    writeRecords(voc() / "words.dct", Dictionary{word("in")});
    const auto before = snapshot(dir.path());

    for (const auto& [dictName, listName] :
         std::vector<std::pair<std::string, std::string>>{{"../other/x.dct", "../other/x.lst"},
                                                          {"words.dct", "../other/x.lst"},
                                                          {"words.dct", "link.lst"}}) {
        settings.setSCurDict(dictName);
        settings.setSCurList(listName);
        EXPECT_EQ(settings.dictionaryPath(), "");
        EXPECT_EQ(settings.listPath(), "");
        EXPECT_FALSE(currentDictionaryPaths(settings).usable());
        EXPECT_EQ(DictItemCount(settings.dictionaryPath(), messages), 0u);
        EXPECT_EQ(ActiveItemCount(settings.dictionaryPath(), messages), 0u);
        WordList list;
        EXPECT_TRUE(loadList(settings.listPath(), messages, list));
        EXPECT_TRUE(list.empty());
        EXPECT_FALSE(updateList(settings.listPath(), messages, WordList{entry("new")}));
        EXPECT_FALSE(updateDictionary(settings.dictionaryPath(), messages, Dictionary{word("new")}));
        EXPECT_FALSE(DictionaryFile(settings.dictionaryPath()).openForUpdate());
        EXPECT_FALSE(DictionaryFile(settings.dictionaryPath()).openForAppend());
        EXPECT_FALSE(queryFile(settings.dictionaryPath()).exists);
        DictionarySession session(messages);
        session.open(currentDictionaryPaths(settings));
        EXPECT_FALSE(session.createFiles());
        EXPECT_FALSE(session.addWord(word("new")));
        session.replaceList(WordList{entry("new")});
        EXPECT_FALSE(session.save());
        EXPECT_EQ(snapshot(dir.path()), before) << dictName << " / " << listName;

        // Nothing was told by the refused operations; the names are told
        // once, naming the value.
        EXPECT_TRUE(messages.shown.empty());
        messages.clear();
        EXPECT_TRUE(reportRefusedNames(settings, messages));
        ASSERT_EQ(messages.shown.size(), 1u);
        const std::string& text = messages.shown[0].text;
        const std::string& named = dictName != "words.dct" ? dictName : listName;
        EXPECT_NE(text.find("\"" + named + "\""), std::string::npos) << text;
        EXPECT_EQ(messages.shown[0].icon, MessageIcon::Warning);
        messages.clear();
    }

    // Good names and empty names (nothing chosen yet) are not told.
    settings.setSCurDict("words.dct");
    settings.setSCurList("words.lst");
    EXPECT_FALSE(reportRefusedNames(settings, messages));
    settings.setSCurDict("");
    EXPECT_FALSE(reportRefusedNames(settings, messages));
    EXPECT_TRUE(messages.shown.empty());
}

// The user's id and group for the unprivileged runs below, or nothing when
// this process cannot switch to them.
bool canRunAsNobody()
{
    return ::geteuid() == 0 && ::getpwnam("nobody") != nullptr && ::access("/usr/bin/setpriv", X_OK) == 0;
}

// Runs the test `filter` of this program as the user nobody, with
// MOX_TEST_FOLDER set to `folder`; its exit status.
int runAsNobody(const std::string& filter, const fs::path& folder)
{
    const std::string self = fs::read_symlink("/proc/self/exe").string();
    const std::string command = "MOX_TEST_FOLDER='" + folder.string() +
                                "' /usr/bin/setpriv --reuid=nobody --regid=nogroup --clear-groups '" + self +
                                "' --gtest_filter=" + filter + " >/dev/null 2>&1";
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Run as the owner of MOX_TEST_FOLDER (see the test below): the list there
// is read-only, the folder writable.
TEST(AsUser, UpdateOfAReadOnlyListFails)
{
    const char* folder = std::getenv("MOX_TEST_FOLDER");
    if (folder == nullptr)
        GTEST_SKIP() << "run by Faults.AFileTheUserCannotWriteIsNeverReplaced";
    RecordingMessages messages;
    Settings settings(messages);
    settings.setAppPath(folder);
    settings.setSCurDict("words.dct");
    settings.setSCurList("words.lst");
    EXPECT_FALSE(updateList(settings.listPath(), messages, WordList{}));
    EXPECT_FALSE(updateDictionary(settings.dictionaryPath(), messages, Dictionary{}));
    EXPECT_EQ(messages.texts(), (std::vector<std::string>{DictionarySession::kListUpdateFailed,
                                                          "Ошибка: не удалось обновить словарь."}));
    // The folder itself is writable: only the file's own bits refuse.
    EXPECT_EQ(::access((std::string(folder) + "/voc").c_str(), W_OK), 0);
}

TEST_F(Faults, AFileTheUserCannotWriteIsNeverReplaced)
{
    writeRecords(listFile(), WordList{entry("a"), entry("b")});
    writeRecords(dictFile(), Dictionary{word("a"), word("b")});
    fs::permissions(listFile(), fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    fs::permissions(dictFile(), fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    const auto before = snapshot(dir.path());

    // A file without any write bit is read-only for everyone, root included:
    // the store itself refuses to replace it.
    EXPECT_FALSE(updateList(settings.listPath(), messages, WordList{}));
    EXPECT_FALSE(updateDictionary(settings.dictionaryPath(), messages, Dictionary{}));
    EXPECT_EQ(messages.shown.size(), 2u);
    EXPECT_EQ(snapshot(dir.path()), before);
    if (::geteuid() == 0) {
        // For root the system itself refuses nothing: the system's own
        // refusal is checked as nobody, in a folder that nobody owns.
        if (!canRunAsNobody())
            GTEST_SKIP() << "cannot switch to the user nobody";
        const passwd* nobody = ::getpwnam("nobody");
        for (const fs::path& p : {dir.path(), voc(), listFile(), dictFile()})
            ASSERT_EQ(::chown(p.c_str(), nobody->pw_uid, nobody->pw_gid), 0);
        EXPECT_EQ(runAsNobody("AsUser.UpdateOfAReadOnlyListFails", dir.path()), 0);
    }
    EXPECT_EQ(snapshot(dir.path()), before);
}

TEST_F(Faults, ASaveKilledHalfWayLeavesAWholeFileAndItsLeftoverIsRemovedLater)
{
    const WordList small(3, entry("old"));
    const WordList large(900, entry("new"));
    writeRecords(listFile(), small);
    const Bytes smallBytes = TempDir::readBytes(listFile());

    // A child that saves the list again and again, killed in the middle.
    // It is stopped first, so that what it has open when the kill lands can
    // be seen: a file in the folder open means a save was under way (its
    // fresh file may have no name yet, or a temporary one).
    const ListFile file(settings.listPath());
    ASSERT_TRUE(file.named());
    bool sawSave = false;
    for (int round = 0; round < 20 && !sawSave; ++round) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            for (;;)
                (void)file.replaceAll((round + ::getpid()) % 2 ? large : small);
        }
        ::usleep(20000 + 5000 * round);
        ::kill(child, SIGSTOP);
        ::waitpid(child, nullptr, WUNTRACED);
        const fs::path fds = fs::path("/proc") / std::to_string(child) / "fd";
        std::error_code ec;
        for (const auto& fd : fs::directory_iterator(fds, ec)) {
            const std::string target = fs::read_symlink(fd.path(), ec).string();
            sawSave = sawSave || target.rfind(voc().string() + "/", 0) == 0;
        }
        ::kill(child, SIGKILL);
        ::waitpid(child, nullptr, 0);

        // The list is one of the two versions, whole.
        const Bytes bytes = TempDir::readBytes(listFile());
        EXPECT_TRUE(bytes == smallBytes || bytes.size() == large.size() * sizeof(ListRecord)) << bytes.size();

        // The next start removes what the killed save left, and only that.
        TempDir::writeBytes(voc() / ".mox-notes.tmp", {1});
        TempDir::writeBytes(voc() / temporaryFileName(::getpid(), 1), {1});   // a live process: this one
        removeStaleTemporaryFiles(voc().string());
        EXPECT_EQ(vocEntries(), (std::vector<std::string>{".mox-" + std::to_string(::getpid()) + "-1.tmp",
                                                          ".mox-notes.tmp", "words.lst"}));
        fs::remove(voc() / ".mox-notes.tmp");
        fs::remove(voc() / temporaryFileName(::getpid(), 1));
    }
    EXPECT_TRUE(sawSave) << "no kill landed during a save";
}

TEST_F(Faults, StaleTemporaryFilesOfEndedProcessesGo)
{
    const pid_t ended = ::fork();
    ASSERT_GE(ended, 0);
    if (ended == 0)
        ::_exit(0);
    ::waitpid(ended, nullptr, 0);
    TempDir::writeBytes(voc() / temporaryFileName(ended, 7), {1});
    TempDir::writeBytes(voc() / "words.lst", {});
    fs::create_directory(voc() / temporaryFileName(ended, 8));  // not a file: kept
    TempDir::writeBytes(voc() / ".mox-12a-1.tmp", {1});        // not the program's naming
    EXPECT_EQ(removeStaleTemporaryFiles(voc().string()), 1u);
    std::vector<std::string> kept{".mox-12a-1.tmp", temporaryFileName(ended, 8), "words.lst"};
    std::sort(kept.begin(), kept.end());  // the entries come sorted; a process number may sort either way
    EXPECT_EQ(vocEntries(), kept);
    EXPECT_EQ(removeStaleTemporaryFiles(""), 0u);
}

} // namespace
} // namespace mox
