#pragma once

// Registry data is little-endian whatever the host is: integers and floating-point values to
// and from their bytes.

#include <bit>
#include <cstddef>
#include <cstdint>
#include <type_traits>

namespace LittleEndian {

// The unsigned integer of a value's size (2, 4 or 8 bytes), which holds its bits.
template <typename T>
using TBits = std::conditional_t<sizeof(T) == 8, std::uint64_t,
                                 std::conditional_t<sizeof(T) == 4, std::uint32_t, std::uint16_t>>;

template <typename T> T Read(const std::uint8_t* bytes) {
    TBits<T> bits = 0;
    for (std::size_t i = sizeof(T); i-- > 0;) {
        bits = static_cast<TBits<T>>((bits << 8) | bytes[i]);
    }
    return std::bit_cast<T>(bits);
}

template <typename T> void Write(T value, std::uint8_t* bytes) {
    const auto bits = std::bit_cast<TBits<T>>(value);
    for (std::size_t i = 0; i < sizeof(T); ++i) {
        bytes[i] = static_cast<std::uint8_t>(bits >> (8 * i));
    }
}

} // namespace LittleEndian
