// The languages file beside a dictionary: its name, what it holds, that it
// is written whole, and that anything damaged only means "unknown".
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <unistd.h>

#include "store/DictionaryLanguages.h"
#include "support/TempDir.h"

using namespace mox;

namespace {

std::string readFile(const std::filesystem::path& file)
{
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

} // namespace

TEST(DictionaryLanguages, OnlyATrailingDctNamesALanguagesFile)
{
    EXPECT_EQ(languagesFileFor("words.dct"), "words.lng");
    EXPECT_EQ(languagesFileFor("/home/u/voc/a.dct.dct"), "/home/u/voc/a.dct.lng");
    EXPECT_EQ(languagesFileFor("my.dct.backup.dct"), "my.dct.backup.lng");
    // Without ".dct" there is no languages file (it would be the dictionary itself).
    EXPECT_EQ(languagesFileFor("words"), "");
    EXPECT_EQ(languagesFileFor(".dct"), "");
    EXPECT_EQ(languagesFileFor("/voc/.dct"), "");
    EXPECT_EQ(languagesFileFor("words.DCT"), "");
}

TEST(DictionaryLanguages, WrittenWholeBesideTheDictionaryAndReadBack)
{
    TempDir dir;
    const std::string dictionary = (dir.path() / "greek.dct").string();
    DictionaryLanguages languages;
    languages.foreign = 0x0408;
    languages.native = 0x0419;
    ASSERT_TRUE(writeDictionaryLanguages(dictionary, languages));
    EXPECT_EQ(readFile(dir.path() / "greek.lng"), "uiForeignLayout=1032\nuiNativeLayout=1049\n");
    const DictionaryLanguages back = readDictionaryLanguages(dictionary);
    EXPECT_TRUE(back.known());
    EXPECT_EQ(back.foreign, 0x0408u);
    EXPECT_EQ(back.native, 0x0419u);
    // Replaced whole; no temporary file is left beside it.
    languages.foreign = 0x0415;
    ASSERT_TRUE(writeDictionaryLanguages(dictionary, languages));
    EXPECT_EQ(readDictionaryLanguages(dictionary).foreign, 0x0415u);
    std::size_t files = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir.path()))
        ++files;
    EXPECT_EQ(files, 1u);
    // A name without ".dct" writes nothing.
    EXPECT_FALSE(writeDictionaryLanguages((dir.path() / "plain").string(), languages));
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "plain"));
}

TEST(DictionaryLanguages, DamagedOrMissingFilesMeanUnknown)
{
    TempDir dir;
    const auto dictionary = [&](const char* name) { return (dir.path() / name).string(); };
    EXPECT_FALSE(readDictionaryLanguages(dictionary("missing.dct")).known());

    // Unknown keys, spaces, CR line ends and comments are taken in stride.
    std::ofstream(dir.path() / "a.lng") << "# made by hand\r\n uiNativeLayout = 1049\r\nfuture=x\nuiForeignLayout=1031";
    DictionaryLanguages a = readDictionaryLanguages(dictionary("a.dct"));
    EXPECT_EQ(a.foreign, 0x0407u);
    EXPECT_EQ(a.native, 0x0419u);

    // Values that are no numbers, out of range, or a file of random bytes.
    std::ofstream(dir.path() / "b.lng") << "uiForeignLayout=Greek\nuiNativeLayout=99999999999\n";
    EXPECT_EQ(readDictionaryLanguages(dictionary("b.dct")).foreign, std::nullopt);
    EXPECT_EQ(readDictionaryLanguages(dictionary("b.dct")).native, std::nullopt);
    std::ofstream(dir.path() / "c.lng", std::ios::binary) << std::string("\x7F" "ELF\0\0=\xFF\n=1049", 15);
    EXPECT_FALSE(readDictionaryLanguages(dictionary("c.dct")).known());
    // A huge file is no languages file; a folder in its place neither.
    std::ofstream(dir.path() / "d.lng") << std::string(100000, '\n') << "uiForeignLayout=1031\nuiNativeLayout=1049\n";
    EXPECT_FALSE(readDictionaryLanguages(dictionary("d.dct")).known());
    std::filesystem::create_directory(dir.path() / "e.lng");
    EXPECT_FALSE(readDictionaryLanguages(dictionary("e.dct")).known());
    EXPECT_FALSE(writeDictionaryLanguages(dictionary("e.dct"), a));

    // A file that cannot be read (as a user; root reads everything).
    if (::geteuid() != 0) {
        std::filesystem::permissions(dir.path() / "a.lng", std::filesystem::perms::none);
        EXPECT_FALSE(readDictionaryLanguages(dictionary("a.dct")).known());
    }
}
