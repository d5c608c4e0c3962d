#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "DictionaryImport.h"

namespace mox::dc {

struct ModuleSettings;

// What a job did, for the window's report and the command line.
struct Outcome {
    enum class Status { Done, Exists, Failed };
    Status status = Status::Failed;
    std::string target;                 // the file written (or that would have been)
    std::string summary;                // one or two sentences (Russian)
    std::vector<std::string> details;   // refused rows, notes
    std::vector<std::string> warnings;  // things the user may want to change
    std::size_t records = 0;
    bool done() const { return status == Status::Done; }
};

// The file name of a dictionary the user names: ".dct" added unless the
// name has it; empty for a name that is no plain file name (a "/", "..").
std::string dictionaryFileName(std::string_view name);

// Reads a whole file; false with a message (Russian) on failure.
bool readWholeFile(const std::string& path, std::string& text, std::string& error);
// Reads the complete records of a dictionary file; `fragment` is the number
// of bytes after the last complete record (left unread).
bool readDictionaryFile(const std::string& path, Dictionary& records, std::size_t& fragment, std::string& error);

// Creates an empty dictionary `name` in the dictionary folder.
Outcome createEmpty(const ModuleSettings& settings, std::string_view name, bool replace);

struct ImportJob {
    std::string file;                     // the UTF-8 text file
    std::string name;                     // the new dictionary's name
    std::optional<Separator> separator;   // by the file's first row when not given
    std::optional<Columns> columns;       // word, translation and (with three columns) transcription
    bool skipHeader = false;
    std::uint32_t foreignLanguage = 0x0409;
    std::uint32_t nativeLanguage = 0x0419;
    bool replace = false;                 // an existing dictionary may be replaced
    std::function<void(std::size_t, std::size_t)> progress;
};

// The columns used when none are given: word, translation, and the
// transcription when the file has a third column.
Columns defaultColumns(std::string_view text, Separator separator);

// Imports a text file into a new dictionary, written whole or not at all.
Outcome importFile(const ModuleSettings& settings, const ImportJob& job);
// The same over text already read (the window has it for its preview).
Outcome importText(const ModuleSettings& settings, const ImportJob& job, std::string_view text);

// Writes the dictionary `dictionary` (a name in the dictionary folder, with
// or without ".dct", or a path) to `file` as UTF-8 tab-separated rows, its
// texts read in the code pages of the given character sets.
Outcome exportDictionary(const ModuleSettings& settings, std::string_view dictionary, const std::string& file,
                         std::uint8_t wordCharSet, std::uint8_t translationCharSet, bool replace);

} // namespace mox::dc
