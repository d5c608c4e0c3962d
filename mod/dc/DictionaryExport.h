#pragma once
#include <cstddef>
#include <string>
#include <vector>

#include "store/Store.h"

namespace mox::dc {

class CodePage;

struct ExportResult {
    std::string text;                 // the UTF-8 tab-separated rows
    std::size_t written = 0;          // rows written
    std::size_t skipped = 0;          // deleted records and records without a word
    std::vector<std::string> notes;   // what could not be written exactly as it stands (Russian)
};

// The live words of a dictionary as UTF-8 rows "word<TAB>translation<TAB>
// transcription", the transcription's key characters turned back into IPA
// (the [ ] around it kept), so that an import of the file gives the same
// records again. The texts are read in the code pages given; nothing is left
// out: a byte the code page lacks or a key character without a symbol is
// written as well as it can be and named in the notes.
//
// With `quoted` (the notes format) a text holding a tab, a line break or a
// double quote is written in double quotes as RFC 4180 has it instead of
// having them turned into spaces.
ExportResult exportRecords(const Dictionary& records, const CodePage& wordPage, const CodePage& translationPage,
                           bool quoted = false);

// The header lines of a notes export of the deck `deck`: tab-separated plain
// text with the three columns named, so flash-card programs read it as it is.
std::string notesHeader(std::string_view deck);

} // namespace mox::dc
