#pragma once
#include <bit>
#include <cstddef>
#include <cstdint>

namespace mox {

static_assert(std::endian::native == std::endian::little,
              "record files are little-endian and are mapped directly");

// One word of a dictionary (.dct) file: exactly 208 bytes, no header.
// The layout below is the file format; the compile-time checks pin it.
struct DictRecord {
    std::uint8_t deleted = 0;      // 0 live; anything else a tombstone
    char word[80] = {};            // studied-language word, zero-terminated
    char translation[80] = {};
    char transcription[30] = {};   // codes of the transcription font
    std::uint8_t padding191 = 0;
    std::int32_t reserved192 = 0;  // carried along unchanged
    std::uint8_t active = 1;       // takes part in learning
    std::uint8_t inList = 0;       // the working list holds it
    std::uint8_t padding198[2] = {};
    std::int32_t reserved200 = 0;
    std::int16_t reserved204 = 0;
    std::uint8_t reserved206 = 0;
    std::uint8_t reserved207 = 0;

    bool isLive() const { return deleted == 0; }
    bool isCandidate() const { return deleted == 0 && active != 0 && inList == 0; }
    bool isExcluded() const { return deleted == 0 && active == 0 && inList == 0; }
};

inline constexpr std::size_t kDictRecordSize = 208;

static_assert(sizeof(DictRecord) == kDictRecordSize);
static_assert(offsetof(DictRecord, deleted) == 0);
static_assert(offsetof(DictRecord, word) == 1);
static_assert(offsetof(DictRecord, translation) == 81);
static_assert(offsetof(DictRecord, transcription) == 161);
static_assert(offsetof(DictRecord, padding191) == 191);
static_assert(offsetof(DictRecord, reserved192) == 192);
static_assert(offsetof(DictRecord, active) == 196);
static_assert(offsetof(DictRecord, inList) == 197);
static_assert(offsetof(DictRecord, reserved200) == 200);
static_assert(offsetof(DictRecord, reserved204) == 204);
static_assert(offsetof(DictRecord, reserved206) == 206);
static_assert(offsetof(DictRecord, reserved207) == 207);

// A tombstone: deleted = 1, every other byte 0.
DictRecord makeTombstone();

} // namespace mox
