#pragma once

// Registry data as the tests spell it out: bytes, and texts as UTF-16LE code units.

#include <cstdint>
#include <string_view>
#include <vector>

using TBytes = std::vector<std::uint8_t>;

// The code units of `text`, low byte first; a closing NUL only where `text` holds one.
inline TBytes Utf16Bytes(std::u16string_view text) {
    TBytes bytes;
    for (char16_t unit : text) {
        bytes.push_back(static_cast<std::uint8_t>(unit & 0xFF));
        bytes.push_back(static_cast<std::uint8_t>(unit >> 8));
    }
    return bytes;
}
