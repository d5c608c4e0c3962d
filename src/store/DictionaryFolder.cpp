#include "store/DictionaryFolder.h"

#include <cerrno>
#include <cstdlib>
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "store/DictionaryLanguages.h"
#include "store/FileIo.h"
#include "store/FileNames.h"

namespace mox {

namespace {

bool endsWith(std::string_view text, std::string_view end)
{
    return text.size() >= end.size() && text.substr(text.size() - end.size()) == end;
}

bool endsWithIgnoringCase(std::string_view text, std::string_view end)
{
    if (text.size() < end.size())
        return false;
    const std::string_view tail = text.substr(text.size() - end.size());
    for (std::size_t i = 0; i < end.size(); ++i) {
        const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
        if (lower(tail[i]) != lower(end[i]))
            return false;
    }
    return true;
}

// Whether a dictionary file of `folder` is the file `st` (a second name of
// it, made by a hard link).
bool isDictionaryOfFolder(const std::string& folder, const struct stat& st)
{
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr)
        return false;
    bool found = false;
    while (const dirent* entry = ::readdir(dir)) {
        struct stat other {};
        if (endsWithIgnoringCase(entry->d_name, DictionaryFolder::kDictionaryExtension) &&
            ::fstatat(::dirfd(dir), entry->d_name, &other, 0) == 0 && other.st_dev == st.st_dev &&
            other.st_ino == st.st_ino) {
            found = true;
            break;
        }
    }
    ::closedir(dir);
    return found;
}

// Whether the list path would in truth be a dictionary file.
bool listIsDictionary(const std::string& dictionary, const std::string& list)
{
    if (list == dictionary || endsWithIgnoringCase(list, DictionaryFolder::kDictionaryExtension))
        return true;
    const std::string target = realPathOf(list);
    if (!target.empty() && (endsWithIgnoringCase(target, DictionaryFolder::kDictionaryExtension) ||
                            target == realPathOf(dictionary)))
        return true;
    // Two names of one file (a hard link) are one file too; only a file with
    // more than one name needs the folder looked through.
    struct stat a {}, b {};
    if (::stat(list.c_str(), &a) != 0 || a.st_nlink < 2)
        return false;
    if (::stat(dictionary.c_str(), &b) == 0 && a.st_dev == b.st_dev && a.st_ino == b.st_ino)
        return true;
    return isDictionaryOfFolder(folderOf(list), a);
}

// Removes the file at `path`; true when it is gone (or was never there).
bool removeFile(const std::string& path, int& error)
{
    if (path.empty() || ::unlink(path.c_str()) == 0 || errno == ENOENT)
        return true;
    error = errno;
    return false;
}

} // namespace

std::string companionName(std::string_view dictionaryName, std::string_view extension)
{
    std::string name(dictionaryName);
    constexpr std::string_view from = DictionaryFolder::kDictionaryExtension;
    for (std::size_t at = name.find(from); at != std::string::npos; at = name.find(from, at + extension.size()))
        name.replace(at, from.size(), extension);
    return name;
}

std::string backupPathFor(const std::string& dictionaryPath)
{
    const std::size_t keep = dictionaryPath.find_last_not_of("dct");
    return dictionaryPath.substr(0, keep == std::string::npos ? 0 : keep + 1) + "bak";
}

std::string DictionaryFolder::pathOf(std::string_view name) const
{
    return confinedPath(folder_, name);
}

DictionaryPaths DictionaryFolder::resolve(std::string_view dictionaryName, std::string_view listName,
                                          NameRefusal* why) const
{
    NameRefusal refusal = NameRefusal::none;
    DictionaryPaths paths;
    if (!dictionaryName.empty() && !listName.empty()) {
        std::string dictionary = pathOf(dictionaryName);
        std::string list = pathOf(listName);
        if (dictionary.empty() || list.empty())
            refusal = NameRefusal::outsideFolder;
        else if (!isFileOrNothing(dictionary) || !isFileOrNothing(list))
            refusal = NameRefusal::notAFile;
        else if (listIsDictionary(dictionary, list))
            refusal = NameRefusal::listIsDictionary;
        else
            paths = {std::move(dictionary), std::move(list)};
    } else if ((!dictionaryName.empty() && pathOf(dictionaryName).empty()) ||
               (!listName.empty() && pathOf(listName).empty())) {
        refusal = NameRefusal::outsideFolder;
    }
    if (why != nullptr)
        *why = refusal;
    return paths;
}

std::vector<std::string> DictionaryFolder::dictionaryNames() const
{
    std::vector<std::string> names;
    DIR* dir = folder_.empty() ? nullptr : ::opendir(folder_.c_str());
    if (dir == nullptr)
        return names;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string_view name(entry->d_name);
        if (!endsWith(name, kDictionaryExtension))
            continue;
        // Only regular files (or links to files of this folder): a folder
        // named like a dictionary is not one, and a link that leads out of
        // the folder is never offered.
        const std::string path = pathOf(name);
        if (!path.empty() && queryFile(path).regular)
            names.emplace_back(name);
    }
    ::closedir(dir);
    return names;
}

DictionaryFolder::Creation DictionaryFolder::createEmpty(std::string_view name) const
{
    const std::string dictionary = pathOf(name);
    if (dictionary.empty())
        return Creation::failed;
    if (queryFile(dictionary).regular)
        return Creation::existed;
    if (!createIfMissing(dictionary))
        return Creation::failed;
    // An existing list is kept as it is.
    const std::string list = pathOf(companionName(name, kListExtension));
    if (!list.empty() && list != dictionary && !listIsDictionary(dictionary, list))
        (void)createIfMissing(list);
    return Creation::made;
}

DictionaryFolder::Removal DictionaryFolder::remove(std::string_view name) const
{
    Removal removal;
    const std::string dictionary = pathOf(name);
    if (dictionary.empty()) {
        removal.error = EACCES;
        return removal;
    }
    if (!removeFile(dictionary, removal.error))
        return removal;
    removal.removed = true;
    // The companions lie beside the dictionary under the same base name.
    const std::vector<std::string> companions = {
        companionName(name, kListExtension),
        backupPathFor(std::string(name)),
        languagesFileFor(name),
    };
    for (const std::string& companion : companions) {
        if (companion.empty() || companion == name || !isPlainFileName(companion))
            continue;
        const std::string path = pathOf(companion);
        int error = 0;
        if (path.empty() || !removeFile(path, error))
            removal.leftBehind.push_back(companion);
    }
    return removal;
}

std::size_t DictionaryFolder::removeStaleTemporaryFiles() const
{
    return mox::removeStaleTemporaryFiles(folder_);
}

bool DictionaryFolder::copyIn(const std::string& source, std::string_view name) const
{
    const std::string target = pathOf(name);
    if (target.empty())
        return false;
    FileHandle in = openForRead(source);
    if (!in.valid())
        return false;
    std::vector<unsigned char> bytes(static_cast<std::size_t>(queryFile(source).size));
    const ssize_t got = readFully(in.get(), bytes.data(), bytes.size());
    if (got < 0)
        return false;
    bytes.resize(static_cast<std::size_t>(got));
    return replaceFileContent(target, bytes.data(), bytes.size(), false);
}

} // namespace mox
