#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "DictionaryImport.h"
#include "SourceFiles.h"
#include "store/DictionaryLanguages.h"

namespace mox::dc {

struct ModuleSettings;

// A fix the window can offer after an import.
struct Fix {
    enum class Kind { KeepUntranscribed, OtherSeparator, OtherLanguages };
    Kind kind = Kind::KeepUntranscribed;
    std::string text;                 // the button's caption (Russian)
    Separator separator = Separator::Tab;
    std::uint32_t foreignLanguage = 0;
    std::uint32_t nativeLanguage = 0;
};

// What a job did, for the window's report and the command line.
struct Outcome {
    enum class Status { Done, Exists, Failed };
    Status status = Status::Failed;
    std::string target;                 // the file written (or that would have been)
    std::string summary;                // one or two sentences (Russian)
    std::vector<std::string> counts;    // rows per reason ("транскрипция не записана: 1 234")
    std::vector<std::string> details;   // refused and changed rows, notes
    std::vector<std::string> warnings;  // things the user may want to change
    std::vector<Fix> fixes;             // what the window offers to do about them
    std::size_t records = 0;
    bool done() const { return status == Status::Done; }
};

// The file name of a dictionary the user names: ".dct" added unless the
// name has it; empty for a name that is no plain file name (a "/", "..").
std::string dictionaryFileName(std::string_view name);

// Creates an empty dictionary `name` in the dictionary folder, its languages
// recorded beside it.
Outcome createEmpty(const ModuleSettings& settings, std::string_view name, bool replace,
                    std::uint32_t foreignLanguage, std::uint32_t nativeLanguage);

struct ImportJob {
    std::string file;                     // the file with the words
    std::string name;                     // the new dictionary's name
    std::optional<Separator> separator;   // by the file (its header, its first rows) when not given
    std::optional<Columns> columns;       // word, translation and (with three columns) transcription
    bool skipHeader = false;
    std::uint32_t foreignLanguage = 0x0409;
    std::uint32_t nativeLanguage = 0x0419;
    bool refuseUntranscribed = false;     // refuse rows whose transcription cannot be stored
    bool refuseStressed = false;          // refuse rows with stress marks the code page lacks
    bool replace = false;                 // an existing dictionary may be replaced
    std::function<void(std::size_t, std::size_t)> progress;
};

// Another separator that splits the first row of a text that `used` leaves
// whole, as a fix to offer.
std::optional<Fix> separatorFix(const SourceFile& source, Separator used);

// The columns used when none are given: word, translation, and the
// transcription when the file has a third column.
Columns defaultColumns(const Preview& preview);

// Imports a file into a new dictionary, written whole or not at all, with
// its languages beside it.
Outcome importFile(const ModuleSettings& settings, const ImportJob& job);

// The formats of an export.
enum class ExportFormat {
    Tsv,     // word<TAB>translation<TAB>transcription, one row a line
    Notes,   // the same with the header lines of a notes export, fields quoted where needed
};

struct ExportJob {
    std::string dictionary;   // a name in the dictionary folder (with or without ".dct") or a path
    std::string file;
    // The languages whose code pages the texts are read in; by default the
    // dictionary's own (its languages file), else the settings' fonts'.
    std::optional<std::uint32_t> foreignLanguage;
    std::optional<std::uint32_t> nativeLanguage;
    ExportFormat format = ExportFormat::Tsv;
    bool replace = false;
};

// The path of a dictionary given by name (in the dictionary folder, with or
// without ".dct") or by path; empty for a name that may not be used.
std::string dictionaryPath(const ModuleSettings& settings, std::string_view dictionary);
// The languages recorded beside a dictionary (unknown when none are).
DictionaryLanguages dictionaryLanguagesOf(const ModuleSettings& settings, std::string_view dictionary);

// Writes a dictionary to a UTF-8 file.
Outcome exportDictionary(const ModuleSettings& settings, const ExportJob& job);

} // namespace mox::dc
