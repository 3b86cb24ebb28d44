#include "conversions/NumberParse.h"

#include "conversions/PowerOfTen.h"
#include "conversions/StartupSettings.h"
#include "runtime/Exceptions.h"

#include <cmath>
#include <cstdint>

namespace {

// The exponent reading stops here; a digit left over then rejects the text.
constexpr int ExponentStop = 500;

bool IsDigit(char16_t c) {
    return c >= u'0' && c <= u'9';
}

int HexDigitValue(char16_t c) {
    if (IsDigit(c)) {
        return c - u'0';
    }
    if (c >= u'a' && c <= u'f') {
        return c - u'a' + 10;
    }
    if (c >= u'A' && c <= u'F') {
        return c - u'A' + 10;
    }
    return -1;
}

std::size_t SkipSpaces(const std::u16string& text, std::size_t pos) {
    while (pos < text.size() && text[pos] == u' ') {
        ++pos;
    }
    return pos;
}

// Reads one optional sign; true for '-'.
bool ReadSign(const std::u16string& text, std::size_t& pos) {
    if (pos < text.size() && (text[pos] == u'+' || text[pos] == u'-')) {
        return text[pos++] == u'-';
    }
    return false;
}

// The digits after the hexadecimal prefix, as a 32-bit pattern; false if any other character
// follows or a digit would push a set bit out of the top.
bool ReadHex(const std::u16string& text, std::size_t pos, std::uint32_t& value) {
    if (pos >= text.size()) {
        return false;
    }
    value = 0;
    for (; pos < text.size(); ++pos) {
        const int digit = HexDigitValue(text[pos]);
        if (digit < 0 || (value >> 28) != 0) {
            return false;
        }
        value = (value << 4) | static_cast<std::uint32_t>(digit);
    }
    return true;
}

// The digits from pos to the end as a magnitude of at most limit.
bool ReadDecimal(const std::u16string& text, std::size_t pos, std::uint32_t limit,
                 std::uint32_t& value) {
    if (pos >= text.size()) {
        return false;
    }
    std::uint64_t magnitude = 0;
    for (; pos < text.size(); ++pos) {
        if (!IsDigit(text[pos])) {
            return false;
        }
        magnitude = magnitude * 10 + static_cast<std::uint64_t>(text[pos] - u'0');
        if (magnitude > limit) {
            return false;
        }
    }
    value = static_cast<std::uint32_t>(magnitude);
    return true;
}

bool ParseInteger(const std::u16string& text, std::int32_t& result) {
    std::size_t pos = SkipSpaces(text, 0);
    const bool negative = ReadSign(text, pos);
    std::uint32_t magnitude = 0;
    const char16_t first = pos < text.size() ? text[pos] : u'\0';
    const char16_t second = pos + 1 < text.size() ? text[pos + 1] : u'\0';
    if (first == u'$' || first == u'x' || first == u'X') {
        if (!ReadHex(text, pos + 1, magnitude)) {
            return false;
        }
    } else if (first == u'0' && (second == u'x' || second == u'X')) {
        if (!ReadHex(text, pos + 2, magnitude)) {
            return false;
        }
    } else if (!ReadDecimal(text, pos, negative ? 0x80000000u : 0x7FFFFFFFu, magnitude)) {
        return false;
    }
    // Hexadecimal digits give a bit pattern, read as signed before the sign applies; the
    // negation is done unsigned so that 0x80000000 stays -2147483648.
    const std::uint32_t bits = negative ? 0u - magnitude : magnitude;
    result = static_cast<std::int32_t>(bits);
    return true;
}

bool ParseExtended(const std::u16string& text, Extended& result) {
    std::size_t pos = SkipSpaces(text, 0);
    const bool negative = ReadSign(text, pos);
    const std::size_t mantissaStart = pos;
    Extended accumulator = 0;
    std::int64_t exponent = 0;
    for (; pos < text.size() && IsDigit(text[pos]); ++pos) {
        accumulator = accumulator * 10 + (text[pos] - u'0');
    }
    if (pos < text.size() && text[pos] == FormatSettings.DecimalSeparator) {
        for (++pos; pos < text.size() && IsDigit(text[pos]); ++pos) {
            accumulator = accumulator * 10 + (text[pos] - u'0');
            --exponent;
        }
    }
    if (pos == mantissaStart) {
        return false;
    }
    if (pos < text.size() && (text[pos] == u'E' || text[pos] == u'e')) {
        ++pos;
        const bool negativeExponent = ReadSign(text, pos);
        int written = 0;
        while (pos < text.size() && IsDigit(text[pos]) && written < ExponentStop) {
            written = written * 10 + (text[pos++] - u'0');
        }
        exponent += negativeExponent ? -written : written;
    }
    pos = SkipSpaces(text, pos);
    if (pos != text.size()) {
        return false;
    }
    Extended value = ScaleByPowerOfTen(accumulator, exponent);
    if (negative) {
        value = -value;
    }
    // What the masked parse would flag as overflow or invalid operation; an underflow to zero
    // or a denormal is accepted.
    if (std::isinf(value) || std::isnan(value)) {
        return false;
    }
    result = value;
    return true;
}

} // namespace

std::int32_t TextToInteger(const std::u16string& text) {
    std::int32_t result = 0;
    if (!ParseInteger(text, result)) {
        throw EConvertError(u"''" + text + u"'' ist kein g\u00FCltiger Integer-Wert");
    }
    return result;
}

Extended TextToExtended(const std::u16string& text) {
    Extended result = 0;
    if (!ParseExtended(text, result)) {
        throw EConvertError(u"'" + text + u"' ist kein g\u00FCltiger Gleitkommawert");
    }
    return result;
}
