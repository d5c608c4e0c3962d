#pragma once
#include <string>
#include <string_view>
#include <vector>

namespace mox {

// The files of one dictionary: its records and its working list. Both paths
// are set or both are empty (no dictionary: nothing to open, nothing to
// write), so a list is never written without its dictionary.
struct DictionaryPaths {
    std::string dictionary;
    std::string list;

    bool usable() const { return !dictionary.empty() && !list.empty(); }
    bool operator==(const DictionaryPaths&) const = default;
};

// Why a pair of names opens nothing.
enum class NameRefusal {
    none,            // usable, or simply not chosen (an empty name)
    outsideFolder,   // a name would lead out of the folder (see confinedPath)
    notAFile,        // a folder, device or pipe stands at a path
    listIsDictionary // the list would be a dictionary file, or the dictionary itself
};

// The folder that holds the dictionaries and their lists (the program
// folder's voc/). Every dictionary and list path is built here, confined to
// the folder, and every file of a dictionary is created and deleted here.
class DictionaryFolder {
public:
    static constexpr std::string_view kDictionaryExtension = ".dct";
    static constexpr std::string_view kListExtension = ".lst";

    explicit DictionaryFolder(std::string folder) : folder_(std::move(folder)) {}
    const std::string& path() const { return folder_; }

    // The path of the file `name` in the folder, or empty when it may not be
    // used (see confinedPath).
    std::string pathOf(std::string_view name) const;

    // The paths of dictionary `dictionaryName` with list `listName`: both, or
    // none when either name is empty or refused. A list is refused when it
    // would be a dictionary: its name ends in ".dct", it is the dictionary
    // file itself (by name, through a link or as a second name of the same
    // file), or it leads through a link to a ".dct" file. Nothing is ever
    // written to such a list, and the dictionary it would destroy stays whole.
    DictionaryPaths resolve(std::string_view dictionaryName, std::string_view listName,
                            NameRefusal* why = nullptr) const;

    // The dictionary files of the folder: regular files (or links to files of
    // this folder) whose names end in ".dct", in the order the folder gives.
    std::vector<std::string> dictionaryNames() const;

    enum class Creation { made, existed, failed };
    // Creates the empty dictionary `name` and, when missing, its empty list.
    // `existed` (nothing changed) when a regular file has that name already.
    Creation createEmpty(std::string_view name) const;

    // Deletes a dictionary with every file that belongs to it: its list, its
    // backup and its languages file. The dictionary goes first; when it
    // cannot be deleted nothing is. `error` tells why (errno); `leftBehind`
    // names the companion files that could not be deleted.
    struct Removal {
        bool removed = false;
        int error = 0;
        std::vector<std::string> leftBehind;
    };
    Removal remove(std::string_view name) const;

    // Removes what saves cut off by a kill or a crash left in the folder.
    std::size_t removeStaleTemporaryFiles() const;

    // Copies the dictionary file `source` into the folder as `name`, when
    // nothing of that name is there; false when it could not be copied.
    bool copyIn(const std::string& source, std::string_view name) const;

private:
    std::string folder_;
};

// The name of a dictionary's companion file: every ".dct" of the name
// replaced by `extension` ("words.dct" -> "words.lst").
std::string companionName(std::string_view dictionaryName, std::string_view extension);

// The list name of a dictionary name ("words.dct" -> "words.lst"; a name
// without ".dct" stays as it is).
inline std::string listNameFor(std::string_view dictionaryName)
{
    return companionName(dictionaryName, DictionaryFolder::kListExtension);
}

// The backup name of a dictionary: every trailing lower-case d, c or t is
// dropped and "bak" appended (words.dct -> words.bak, WORDS.DCT -> WORDS.DCTbak).
std::string backupPathFor(const std::string& dictionaryPath);

} // namespace mox
