#pragma once
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace mox::dc {

// What a vocabulary file of the KDE trainers (KVTML 2.0) says of itself.
struct KvtmlInfo {
    std::string title;
    std::vector<std::string> names;     // of each identifier (language), in id order
    std::vector<std::string> locales;   // "de", "ru"...
};

// Told each entry: the texts of its translations by identifier, then their
// pronunciations in the same order; the line of the entry; false stops.
using EntrySink = std::function<bool(std::size_t line, const std::vector<std::string_view>& fields)>;

// Whether a file begins like a KVTML document.
bool looksLikeKvtml(std::string_view head);

// Reads the entries of a KVTML 2.0 file with QXmlStreamReader, one at a time.
// False with a message (Russian) for a file that is no such document or
// whose XML is broken (the entries before the fault have been told).
bool readKvtml(const std::string& path, KvtmlInfo& info, const EntrySink& sink, std::string& error);

} // namespace mox::dc
