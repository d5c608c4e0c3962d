// The autostart entry on real folders: its text, the whole-or-nothing write,
// and the failures, including a folder the user may not change (run as an
// unprivileged user when the tests run as root).
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <unistd.h>

#include "platform/fake/RecordingMessages.h"
#include "settings/AutostartEntry.h"
#include "support/TempDir.h"

using namespace mox;

namespace {

namespace fs = std::filesystem;

const char* kReadOnlyFolder = "MOX_AUTOSTART_READONLY_FOLDER";
std::string selfPath;

std::string fileText(const fs::path& path)
{
    std::ifstream in(path);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

AutostartEntry entry(const std::string& target, const std::string& folder)
{
    return AutostartEntry{target, folder, "Mox!", "mox"};
}

TEST(AutostartEntryText, QuotesTheProgramAsTheDesktopEntryFormatWants)
{
    EXPECT_EQ(entry("/home/u/.local/share/mox/Mox", "/home/u/.local/share/mox").text(),
              "[Desktop Entry]\n"
              "Type=Application\n"
              "Name=Mox!\n"
              "Comment=Mox!\n"
              "Exec=/home/u/.local/share/mox/Mox\n"
              "Path=/home/u/.local/share/mox\n"
              "Icon=mox\n"
              "Terminal=false\n"
              "X-GNOME-Autostart-enabled=true\n");
    // A blank needs quotes; inside them " ` $ \ are escaped, and the value's
    // own backslashes are doubled once more; "%" is doubled.
    EXPECT_EQ(quoteExecArgument("/opt/my apps/Mox"), "\"/opt/my apps/Mox\"");
    EXPECT_EQ(quoteExecArgument("/a$b\"c`d\\e"), "\"/a\\$b\\\"c\\`d\\\\e\"");
    EXPECT_EQ(quoteExecArgument("/100%/Mox"), "/100%%/Mox");
    EXPECT_EQ(escapeStringValue("a\\b\nc"), "a\\\\b\\nc");
    const std::string text = entry("/u/a b\\c/Mox", "/u/a b\\c").text();
    EXPECT_NE(text.find("Exec=\"/u/a b\\\\\\\\c/Mox\"\n"), std::string::npos) << text;
    EXPECT_NE(text.find("Path=/u/a b\\\\c\n"), std::string::npos) << text;
}

TEST(AutostartEntryFile, IsWrittenWholeIntoAFolderMadeForItAndReplacedInPlace)
{
    TempDir dir;
    RecordingMessages messages;
    const fs::path file = dir.path() / "autostart" / "Mox!.desktop";
    ASSERT_TRUE(writeAutostartEntry(entry("/old/Mox", "/old"), file.string(), messages));
    ASSERT_TRUE(writeAutostartEntry(entry("/new/Mox", "/new"), file.string(), messages));
    EXPECT_EQ(fileText(file), entry("/new/Mox", "/new").text());
    // Readable by the session, changeable by no one else.
    const fs::perms perms = fs::status(file).permissions();
    EXPECT_NE(perms & fs::perms::owner_read, fs::perms::none);
    EXPECT_EQ(perms & fs::perms::others_write, fs::perms::none);
    // No temporary file is left beside it.
    EXPECT_EQ(std::distance(fs::directory_iterator(file.parent_path()), fs::directory_iterator()), 1);
    EXPECT_TRUE(messages.texts().empty());

    ASSERT_TRUE(removeAutostartEntry(file.string(), messages));
    EXPECT_FALSE(fs::exists(file));
    // A missing entry is no failure and no message.
    EXPECT_TRUE(removeAutostartEntry(file.string(), messages));
    EXPECT_TRUE(messages.texts().empty());
}

TEST(AutostartEntryFile, AWriteThatCannotBeMadeIsReported)
{
    TempDir dir;
    RecordingMessages messages;
    // The folder's place is taken by a file: no folder, no entry.
    std::ofstream(dir.path() / "autostart") << "not a folder";
    EXPECT_FALSE(writeAutostartEntry(entry("/p/Mox", "/p"), (dir.path() / "autostart" / "Mox!.desktop").string(),
                                     messages));
    EXPECT_EQ(messages.texts(), std::vector<std::string>{"Error: Autostart entry cannot be written"});
    // An unknown folder (no autostart folder could be found) writes nothing anywhere.
    messages.clear();
    EXPECT_FALSE(writeAutostartEntry(entry("/p/Mox", "/p"), "", messages));
    EXPECT_EQ(messages.texts(), std::vector<std::string>{"Error: Autostart entry cannot be written"});
}

// What a user sees in a folder they may not change: the old entry stays
// whole, and both the write and the removal are reported.
void checkReadOnlyFolder(const fs::path& folder)
{
    RecordingMessages messages;
    const fs::path file = folder / "Mox!.desktop";
    const std::string before = fileText(file);
    ASSERT_FALSE(before.empty());
    EXPECT_FALSE(writeAutostartEntry(entry("/other/Mox", "/other"), file.string(), messages));
    EXPECT_EQ(fileText(file), before);
    EXPECT_FALSE(removeAutostartEntry(file.string(), messages));
    EXPECT_TRUE(fs::exists(file));
    EXPECT_EQ(messages.texts(), (std::vector<std::string>{"Error: Autostart entry cannot be written",
                                                          "Error: File cannot be removed"}));
}

// Run by the test below in a process of an unprivileged user.
TEST(AutostartReadOnly, Child)
{
    const char* folder = std::getenv(kReadOnlyFolder);
    if (!folder)
        GTEST_SKIP() << "runs only inside ReportsFailuresInAFolderTheUserMayNotChange";
    checkReadOnlyFolder(folder);
}

TEST(AutostartReadOnly, ReportsFailuresInAFolderTheUserMayNotChange)
{
    if (std::getenv(kReadOnlyFolder))
        GTEST_SKIP() << "the child's own run";
    TempDir dir;
    RecordingMessages messages;
    const fs::path folder = dir.path() / "autostart";
    ASSERT_TRUE(writeAutostartEntry(entry("/p/Mox", "/p"), (folder / "Mox!.desktop").string(), messages));

    if (::geteuid() != 0) {
        fs::permissions(folder, fs::perms::owner_read | fs::perms::owner_exec);
        checkReadOnlyFolder(folder);
        fs::permissions(folder, fs::perms::owner_all);
        return;
    }
    // Permission bits do not stop root: the check runs as "nobody", for whom
    // the folder (root's, 0755) is read-only.
    if (::access("/usr/bin/setpriv", X_OK) != 0)
        GTEST_SKIP() << "running as root without setpriv: cannot check a read-only folder";
    fs::permissions(dir.path(), fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                    fs::perms::others_read | fs::perms::others_exec);
    const fs::path output = fs::temp_directory_path() / ("mox-autostart-child-" + std::to_string(::getpid()));
    const std::string command = std::string(kReadOnlyFolder) + "='" + folder.string() +
                                "' /usr/bin/setpriv --reuid=nobody --regid=nogroup --clear-groups '" + selfPath +
                                "' --gtest_filter=AutostartReadOnly.Child > '" + output.string() + "' 2>&1";
    const int status = std::system(command.c_str());
    const std::string log = fileText(output);
    fs::remove(output);
    if (log.find("[ RUN      ] AutostartReadOnly.Child") == std::string::npos)
        GTEST_SKIP() << "could not run the check as an unprivileged user: " << log;
    EXPECT_EQ(status, 0) << log;
    EXPECT_NE(log.find("[  PASSED  ] 1 test"), std::string::npos) << log;
    EXPECT_EQ(log.find("SKIPPED"), std::string::npos) << log;
}

} // namespace

int main(int argc, char** argv)
{
    selfPath = fs::canonical("/proc/self/exe").string();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
