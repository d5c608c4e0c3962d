#include "store/FileNames.h"

#include <sys/stat.h>

#include "language/Utf8.h"
#include "store/FileIo.h"

namespace mox {

bool isPlainFileName(std::string_view name)
{
    if (name.empty() || name == "." || name == "..")
        return false;
    if (name.find_first_of(std::string_view("/\\\0", 3)) != std::string_view::npos)
        return false;
    for (std::size_t at = 0; at < name.size();) {
        if (utf8::next(name, at) == utf8::kInvalid)
            return false;
    }
    return true;
}

std::string confinedPath(const std::string& folder, std::string_view name)
{
    if (folder.empty() || folder.front() != '/' || !isPlainFileName(name))
        return {};
    std::string path = folder;
    if (path.back() != '/')
        path += '/';
    path += name;

    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
        return path;  // a file, a folder or nothing: opening it stays in the folder

    const std::string target = realPathOf(path);
    const std::string realFolder = realPathOf(folder);
    if (target.empty() || realFolder.empty() || folderOf(target) != realFolder)
        return {};
    return path;
}

bool isFileOrNothing(const std::string& path)
{
    // A path that cannot even be looked at is left to the opening, which
    // reports it.
    struct stat st {};
    return ::stat(path.c_str(), &st) != 0 || S_ISREG(st.st_mode);
}

} // namespace mox
