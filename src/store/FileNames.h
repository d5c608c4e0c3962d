#pragma once
#include <string>
#include <string_view>

namespace mox {

// Dictionary and list names are plain file names inside the dictionary
// folder. A name that is empty, is "." or "..", or holds a "/", a "\" or a
// zero byte would open something else (the folder itself, its parent, a file
// elsewhere, or a path on a system that takes "\" as a separator) and is
// never used to build a path. Nor is a name that is not UTF-8 or holds the
// replacement character U+FFFD, which is what undecodable bytes of a settings
// file become: it names no file the user made, and writing by it would make
// files named by replacement marks.
bool isPlainFileName(std::string_view name);

// The full path of the file `name` in `folder`, or an empty text when that
// file may not be used. Every dictionary, list and backup path is built here.
// A path is refused when:
//   - the folder is empty or not absolute (it would resolve against the
//     working folder);
//   - the name is not a plain file name;
//   - the name is a symbolic link whose target is missing or does not lie
//     directly in the folder (the folder itself may be a link).
// A link to another file of the folder is followed as the file itself. Links
// that lead out of the folder are refused rather than followed: every write
// of the store (a new file beside the old one, a rename, a backup) happens
// beside the file it changes, and that must stay the dictionary folder.
// An empty result opens nothing: every way of opening it fails as a missing
// file does, and the store writes nothing for it.
std::string confinedPath(const std::string& folder, std::string_view name);

// Whether `path` names a regular file (through links) or nothing at all. A
// folder, a device or a pipe in place of a dictionary or a list is no
// dictionary and no list, and is never opened.
bool isFileOrNothing(const std::string& path);

} // namespace mox
