#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "DeckPackage.h"
#include "DictionaryImport.h"
#include "KvtmlFile.h"
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

// Reads a whole file (or its first `most` bytes); false with a message
// (Russian) on failure.
bool readWholeFile(const std::string& path, std::string& text, std::string& error,
                   std::size_t most = static_cast<std::size_t>(-1));
// Reads the complete records of a dictionary file; `fragment` is the number
// of bytes after the last complete record (left unread).
bool readDictionaryFile(const std::string& path, Dictionary& records, std::size_t& fragment, std::string& error);

// What kind of file words come in.
enum class FileKind { Text, Notes, Deck, Kvtml };

// A file opened for an import: its kind and, for the texts, the text as
// UTF-8 (a UTF-16 file with its byte-order mark converted).
struct SourceFile {
    std::string path;
    FileKind kind = FileKind::Text;
    std::string text;         // Text and Notes: the UTF-8 text (only its head for a preview)
    bool partial = false;     // only the head was read
    std::string encoding = "UTF-8";
    NotesHeader notes;
};

// Opens a file: tells a deck package, a KVTML file, a notes export and a
// plain text apart, and refuses anything else (a program, a picture, a zip
// without a collection, a text in neither UTF-8 nor UTF-16) with one clear
// message (Russian). With `headBytes` only that much of a text is read.
bool openSource(const std::string& path, SourceFile& source, std::string& error, std::size_t headBytes = 0);

// The first rows of a file as the import would read them, for the window.
struct Preview {
    std::vector<std::vector<std::string>> rows;   // fields, each at most a few hundred bytes
    std::vector<std::size_t> lines;               // the line (the note or entry) of each row
    std::vector<std::string> titles;              // names of the fields where the file has them
    std::size_t widest = 0;
    Separator separator = Separator::Tab;          // used for a text
    bool html = false;
    std::string deckName;                          // of a package or a notes export
    std::vector<std::string> locales;              // of a KVTML file
};
bool previewSource(const SourceFile& source, std::optional<Separator> separator, bool skipHeader, std::size_t rows,
                   Preview& preview, std::string& error);

// The languages the file suggests for its word and translation columns: by
// the deck's name or the locales of a KVTML file first, then by the letters.
struct LanguageSuggestion {
    std::optional<std::uint32_t> foreign;
    std::optional<std::uint32_t> native;
};
LanguageSuggestion suggestLanguages(const Preview& preview, const Columns& columns);

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
