#pragma once
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace mox::dc {

// What a deck package (.apkg, .colpkg) says of itself.
struct DeckInfo {
    std::string collection;                // the collection file read ("collection.anki21b")
    std::string deckName;                  // the deck that holds most cards ("::" between levels)
    std::vector<std::string> fieldNames;   // the fields of the commonest note type
    std::size_t notes = 0;                 // notes in the collection
};

// Told each note's fields (their HTML as stored), numbered from 1; returns
// false to stop reading.
using NoteSink = std::function<bool(std::size_t number, const std::vector<std::string_view>& fields)>;

// Whether a file begins like a zip archive.
bool looksLikeZip(std::string_view head);

// Reads the notes of a deck package: a zip archive (read with libzip) holding
// the collection as SQLite, either as it is ("collection.anki2",
// "collection.anki21") or compressed with zstd ("collection.anki21b", the
// newest, taken first). The collection is unpacked into memory once (never to
// a file) and read through SQLite; a note's fields are separated by 0x1F.
// False with a message (Russian) for anything that is no such package.
bool readDeckPackage(const std::string& path, DeckInfo& info, const NoteSink& sink, std::string& error);

} // namespace mox::dc
