#pragma once

// Shared pieces of the fuzz targets: turning bytes into texts and extended values, reporting a
// broken invariant so that libFuzzer keeps the input, and checking the exceptions that may
// leave an operation.

#include "runtime/Exceptions.h"
#include "runtime/Text.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

namespace fuzz {

// A broken invariant: abort, so that libFuzzer saves the input as a crash.
[[noreturn]] inline void Fail(const std::string& what) {
    std::fprintf(stderr, "\n*** invariant broken: %s\n", what.c_str());
    std::fflush(stderr);
    std::abort();
}

inline void Check(bool condition, const std::string& what) {
    if (!condition) {
        Fail(what);
    }
}

inline std::string Show(std::u16string_view text) {
    std::string out = "\"" + ToUtf8(text) + "\" [";
    char unit[8];
    for (char16_t c : text) {
        std::snprintf(unit, sizeof unit, " %04X", static_cast<unsigned>(c));
        out += unit;
    }
    return out + " ]";
}

inline std::string Show(long double x) {
    unsigned char bytes[sizeof x] = {};
    std::memcpy(bytes, &x, 10);
    char buf[96];
    std::snprintf(buf, sizeof buf, "%.21Lg (bytes", x);
    std::string out = buf;
    for (int i = 9; i >= 0; --i) {
        std::snprintf(buf, sizeof buf, " %02x", bytes[i]);
        out += buf;
    }
    return out + ")";
}

// A text from fuzz input: UTF-8 as it stands, so that the seeds stay readable; input that
// begins with FF FE is raw UTF-16LE instead, to reach lone surrogates and NUL code units.
inline std::u16string TextFromBytes(const std::uint8_t* data, std::size_t size) {
    if (size >= 2 && data[0] == 0xFF && data[1] == 0xFE) {
        std::u16string text;
        for (std::size_t i = 2; i + 1 < size; i += 2) {
            text.push_back(static_cast<char16_t>(data[i] | (data[i + 1] << 8)));
        }
        return text;
    }
    return FromUtf8(std::string_view(reinterpret_cast<const char*>(data), size));
}

// The x87 80-bit format: 8 bytes of significand (with the explicit integer bit), then 15 bits
// of exponent and the sign.
inline long double ExtendedFromBytes(const std::uint8_t* bytes) {
    long double x = 0;
    std::memcpy(&x, bytes, 10);
    return x;
}

inline unsigned BiasedExponent(long double x) {
    unsigned char bytes[sizeof x] = {};
    std::memcpy(bytes, &x, 10);
    return (bytes[8] | (bytes[9] << 8)) & 0x7FFFu;
}

// Encodings that no arithmetic produces and whose digits are open: an exponent other than 0
// with the integer bit clear (unnormals, pseudo-infinities, pseudo-NaNs, which the hardware
// takes as invalid operands). Only the shape of the text is checked for them. Pseudo-denormals
// (exponent 0, integer bit set) are not among them: a zero biased exponent reads as zero.
inline bool IsInvalidEncoding(long double x) {
    unsigned char bytes[sizeof x] = {};
    std::memcpy(bytes, &x, 10);
    return BiasedExponent(x) != 0 && (bytes[7] & 0x80) == 0;
}

// Reads fields from the front of the input.
class TInput {
public:
    TInput(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    std::size_t Left() const { return size_; }
    std::uint8_t Byte() {
        if (size_ == 0) {
            return 0;
        }
        --size_;
        return *data_++;
    }
    std::uint32_t Number(unsigned bytes) {
        std::uint32_t value = 0;
        for (unsigned i = 0; i < bytes; ++i) {
            value = value << 8 | Byte();
        }
        return value;
    }
    long double Extended() {
        std::uint8_t bytes[10] = {};
        for (auto& b : bytes) {
            b = Byte();
        }
        return ExtendedFromBytes(bytes);
    }
    std::string Bytes(std::size_t count) {
        count = count < size_ ? count : size_;
        std::string out(reinterpret_cast<const char*>(data_), count);
        data_ += count;
        size_ -= count;
        return out;
    }

private:
    const std::uint8_t* data_;
    std::size_t size_;
};

} // namespace fuzz
