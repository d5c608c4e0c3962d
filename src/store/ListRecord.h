#pragma once
#include <cstddef>
#include <cstdint>

namespace mox {

// One word of the working list (.lst) file: exactly 224 bytes, no header.
// Bytes 0 to 191 have the layout of a DictRecord's first 192 bytes.
struct ListRecord {
    std::uint8_t deleted = 0;
    char word[80] = {};
    char translation[80] = {};
    char transcription[30] = {};
    std::uint8_t padding191 = 0;
    std::uint16_t answers = 0;            // every answer, right or wrong
    std::uint16_t streak = 0;             // right answers in a row
    std::uint16_t choiceDirectRight = 0;
    std::uint16_t choiceDirectWrong = 0;
    std::uint16_t choiceReverseRight = 0;
    std::uint16_t choiceReverseWrong = 0;
    std::uint16_t typingReverseRight = 0;
    std::uint16_t typingReverseWrong = 0;
    std::int32_t reserved208 = 0;
    std::uint8_t reserved212 = 1;
    std::uint8_t reserved213 = 1;
    std::uint8_t padding214[2] = {};
    std::int32_t reserved216 = 0;
    std::int16_t reserved220 = 0;
    std::uint8_t reserved222 = 0;
    std::uint8_t reserved223 = 0;
};

inline constexpr std::size_t kListRecordSize = 224;

static_assert(sizeof(ListRecord) == kListRecordSize);
static_assert(offsetof(ListRecord, word) == 1);
static_assert(offsetof(ListRecord, translation) == 81);
static_assert(offsetof(ListRecord, transcription) == 161);
static_assert(offsetof(ListRecord, answers) == 192);
static_assert(offsetof(ListRecord, streak) == 194);
static_assert(offsetof(ListRecord, choiceDirectRight) == 196);
static_assert(offsetof(ListRecord, choiceDirectWrong) == 198);
static_assert(offsetof(ListRecord, choiceReverseRight) == 200);
static_assert(offsetof(ListRecord, choiceReverseWrong) == 202);
static_assert(offsetof(ListRecord, typingReverseRight) == 204);
static_assert(offsetof(ListRecord, typingReverseWrong) == 206);
static_assert(offsetof(ListRecord, reserved208) == 208);
static_assert(offsetof(ListRecord, reserved212) == 212);
static_assert(offsetof(ListRecord, reserved213) == 213);
static_assert(offsetof(ListRecord, reserved216) == 216);
static_assert(offsetof(ListRecord, reserved220) == 220);
static_assert(offsetof(ListRecord, reserved222) == 222);
static_assert(offsetof(ListRecord, reserved223) == 223);

} // namespace mox
