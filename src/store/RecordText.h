#pragma once
#include <cstddef>
#include <cstring>
#include <string>
#include <string_view>

namespace mox {

// Texts in records are zero-terminated 8-bit texts in fixed-width fields.
// A field from a damaged or foreign file may lack its terminating zero: it is
// then read only up to the field's end, never beyond.
template <std::size_t N>
std::string fieldText(const char (&field)[N])
{
    const void* zero = std::memchr(field, 0, N);
    const std::size_t length = zero ? static_cast<const char*>(zero) - field : N;
    return std::string(field, length);
}

// The bytes of a field's text, up to its terminator or the field's end.
template <std::size_t N>
std::string_view fieldView(const char (&field)[N])
{
    const void* zero = std::memchr(field, 0, N);
    const std::size_t length = zero ? static_cast<const char*>(zero) - field : N;
    return std::string_view(field, length);
}

// Capacity of a field in text bytes (one byte is kept for the terminator).
template <std::size_t N>
constexpr std::size_t fieldCapacity(const char (&)[N]) { return N - 1; }

// Stores text in a field, zero-filling the rest. A text longer than the field
// holds (or containing a zero byte) is refused and the field is left unchanged:
// nothing is cut silently and nothing is written beyond the field.
template <std::size_t N>
bool setFieldText(char (&field)[N], std::string_view text)
{
    if (text.size() > N - 1 || text.find('\0') != std::string_view::npos)
        return false;
    std::memset(field, 0, N);
    std::memcpy(field, text.data(), text.size());
    return true;
}

} // namespace mox
