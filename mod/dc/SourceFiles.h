#pragma once
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "DeckPackage.h"
#include "DictionaryImport.h"
#include "KvtmlFile.h"

namespace mox::dc {

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
    // The header lines of a notes export; for a text without them, `html`
    // tells whether its fields look like HTML (an older export).
    NotesHeader notes;
};

// Opens a file: tells a deck package, a KVTML file, a notes export and a
// plain text apart, and refuses anything else (a program, a picture, a zip
// without a collection, a text in neither UTF-8 nor UTF-16) with one clear
// message (Russian). With `headBytes` only that much of a text is read.
bool openSource(const std::string& path, SourceFile& source, std::string& error, std::size_t headBytes = 0);

// The first rows of a file as the import would read them (HTML fields as
// plain text), for the window.
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

} // namespace mox::dc
