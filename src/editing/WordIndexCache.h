#pragma once
#include <cstdint>
#include <memory>
#include <string>

#include <QString>

#include "editing/WordIndex.h"

namespace mox {

// The add-words dialog's sorted index, kept from one opening to the next
// while the dictionary's words stay as they were: sorting by collation
// costs many times a plain read of the file. One index is kept, the last
// one given back.
class WordIndexCache {
public:
    // What an index was built from: the dictionary file, the code page and
    // collation of its words, and the session's version of its words.
    struct Key {
        std::string dictionary;
        std::uint8_t charSet = 0;
        QString locale;
        std::uint64_t wordsVersion = 0;
        bool operator==(const Key&) const = default;
    };

    static WordIndexCache& shared();

    // The kept index when it was built from `key`, taken out of the cache;
    // none otherwise (the kept one is dropped then: its words are gone).
    std::unique_ptr<WordIndex> take(const Key& key);
    // Keeps `index`, built from `key`, for the next opening.
    void keep(const Key& key, std::unique_ptr<WordIndex> index);
    void clear();

private:
    Key key_;
    std::unique_ptr<WordIndex> index_;
};

} // namespace mox
