// TextToInteger on arbitrary text, against an independent reading of its syntax: the same texts
// are accepted with the same values, every rejection carries the exact message, and every
// accepted value survives IntegerToText and back.

#include "FuzzSupport.h"

#include "conversions/NumberFormat.h"
#include "conversions/NumberParse.h"
#include "conversions/StartupSettings.h"

#include <optional>

namespace {

int HexDigit(char16_t c) {
    if (c >= u'0' && c <= u'9') {
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

std::optional<std::int32_t> Reference(const std::u16string& s) {
    std::size_t i = 0;
    while (i < s.size() && s[i] == u' ') {
        ++i;
    }
    bool negative = false;
    if (i < s.size() && (s[i] == u'+' || s[i] == u'-')) {
        negative = s[i] == u'-';
        ++i;
    }
    bool hex = false;
    if (i < s.size() && (s[i] == u'$' || s[i] == u'x' || s[i] == u'X')) {
        hex = true;
        ++i;
    } else if (i + 1 < s.size() && s[i] == u'0' && (s[i + 1] == u'x' || s[i + 1] == u'X')) {
        hex = true;
        i += 2;
    }
    if (i == s.size()) {
        return std::nullopt;
    }
    std::uint32_t magnitude = 0;
    if (hex) {
        for (; i < s.size(); ++i) {
            const int digit = HexDigit(s[i]);
            if (digit < 0 || (magnitude >> 28) != 0) {
                return std::nullopt;
            }
            magnitude = magnitude << 4 | static_cast<std::uint32_t>(digit);
        }
    } else {
        std::uint64_t wide = 0;
        for (; i < s.size(); ++i) {
            if (s[i] < u'0' || s[i] > u'9') {
                return std::nullopt;
            }
            wide = wide * 10 + static_cast<std::uint64_t>(s[i] - u'0');
            if (wide > 2147483648u) {
                return std::nullopt;
            }
        }
        if (!negative && wide > 2147483647u) {
            return std::nullopt;
        }
        magnitude = static_cast<std::uint32_t>(wide);
    }
    // The 32-bit pattern as signed, negated in 32 bits: "-$80000000" stays -2147483648.
    return static_cast<std::int32_t>(negative ? 0u - magnitude : magnitude);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    InitializeStartupSettings();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::u16string text = fuzz::TextFromBytes(data, size);
    const std::optional<std::int32_t> expected = Reference(text);
    try {
        const std::int32_t value = TextToInteger(text);
        fuzz::Check(expected.has_value(), "accepted " + fuzz::Show(text));
        fuzz::Check(value == *expected, "wrong value " + std::to_string(value) + " for " +
                                            fuzz::Show(text) + ", expected " +
                                            std::to_string(*expected));
        fuzz::Check(IntegerToText(value) == FromUtf8(std::to_string(value)),
                    "IntegerToText of " + std::to_string(value));
    } catch (const EConvertError& e) {
        fuzz::Check(!expected.has_value(), "rejected " + fuzz::Show(text));
        fuzz::Check(e.Message() == u"''" + text + u"'' ist kein g\u00FCltiger Integer-Wert",
                    "message " + fuzz::Show(e.Message()));
    }
    // Any other exception escapes and libFuzzer reports it as a crash.
    return 0;
}
