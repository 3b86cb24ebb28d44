#include "conversions/NumberFormat.h"

#include "conversions/PowerOfTen.h"
#include "conversions/StartupSettings.h"
#include "runtime/Exceptions.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>

namespace {

constexpr int ExpansionDigits = 18;
constexpr Extended Lower18 = 1e17L; // the smallest 18-digit integer
constexpr Extended Upper18 = 1e18L;

// A field wider than this is no display format but a mistake; it would only exhaust memory.
constexpr int MaxWidth = 1 << 20;

// S = |x| x 10^(18 - E), rounded to an integer with ties to even (the mode's rounding).
Extended ScaledSignificand(Extended magnitude, int exponent) {
    return std::nearbyint(ScaleByPowerOfTen(magnitude, ExpansionDigits - exponent));
}

void AppendDecimal(std::u16string& out, std::uint64_t value, std::size_t minDigits = 1) {
    char16_t buffer[20];
    std::size_t n = 0;
    do {
        buffer[n++] = static_cast<char16_t>(u'0' + value % 10);
        value /= 10;
    } while (value != 0);
    for (std::size_t i = n; i < minDigits; ++i) {
        out += u'0';
    }
    while (n > 0) {
        out += buffer[--n];
    }
}

// 'E', a '-' for a negative exponent (never a '+'), then its digits.
void AppendExponent(std::u16string& out, int exponent, std::size_t minDigits) {
    out += u'E';
    if (exponent < 0) {
        out += u'-';
    }
    AppendDecimal(
        out,
        static_cast<std::uint64_t>(exponent < 0 ? -static_cast<std::int64_t>(exponent) : exponent),
        minDigits);
}

// Infinity and not-a-number as the text conversions write them, whole (true); for a finite
// expansion only its sign (false).
bool AppendSpecialOrSign(std::u16string& out, const TDecimalExpansion& d) {
    switch (d.Kind) {
    case TDecimalExpansion::TKind::Infinity:
        out += d.Negative ? u"-INF" : u"INF";
        return true;
    case TDecimalExpansion::TKind::NotANumber:
        out += u"NAN";
        return true;
    case TDecimalExpansion::TKind::Finite:
        break;
    }
    if (d.Negative) {
        out += u'-';
    }
    return false;
}

// The first digit, then the separator and the other digits if any: the mantissa of the
// exponent forms.
void AppendMantissa(std::u16string& out, const std::string& digits) {
    out += static_cast<char16_t>(digits[0]);
    if (digits.size() > 1) {
        out += FormatSettings.DecimalSeparator;
        for (std::size_t i = 1; i < digits.size(); ++i) {
            out += static_cast<char16_t>(digits[i]);
        }
    }
}

// The integer part of a fixed form: '0' when there is none, else the first `exponent` digits,
// filled up with '0' when there are fewer.
void AppendIntegerPart(std::u16string& out, const std::string& digits, int exponent) {
    if (exponent <= 0) {
        out += u'0';
        return;
    }
    const auto count = static_cast<int>(digits.size());
    for (int i = 0; i < exponent; ++i) {
        out += i < count ? static_cast<char16_t>(digits[static_cast<std::size_t>(i)]) : u'0';
    }
}

std::u16string FormatName(const std::u16string& format) {
    return format.substr(0, 31);
}

[[noreturn]] void RaiseInvalidFormat(const std::u16string& format) {
    throw EConvertError(u"Format '" + FormatName(format) +
                        u"' ung\u00FCltig oder nicht kompatibel mit Argument");
}

[[noreturn]] void RaiseMissingArgument(const std::u16string& format) {
    throw EConvertError(u"Kein Argument f\u00FCr Format '" + FormatName(format) + u"'");
}

// Zero and the denormals, by the biased exponent where the format is the x87 one: the
// pseudo-denormals (integer bit set) count too, although the C library calls them normal.
bool HasZeroExponent(Extended x, int cls) {
    if constexpr (std::numeric_limits<Extended>::digits == 64 && sizeof(Extended) >= 10) {
        unsigned char bytes[sizeof(Extended)];
        std::memcpy(bytes, &x, sizeof x);
        return (bytes[8] | (bytes[9] & 0x7F)) == 0;
    } else {
        return cls == FP_ZERO || cls == FP_SUBNORMAL;
    }
}

bool IsDigit(char16_t c) {
    return c >= u'0' && c <= u'9';
}

// Reads decimal digits at pos; false when the number does not fit an int.
bool ReadCount(const std::u16string& text, std::size_t& pos, int& value) {
    value = 0;
    bool fits = true;
    while (pos < text.size() && IsDigit(text[pos])) {
        const int digit = text[pos] - u'0';
        if (value > (INT_MAX - digit) / 10) {
            fits = false;
        } else {
            value = value * 10 + digit;
        }
        ++pos;
    }
    return fits;
}

} // namespace

TDecimalExpansion DecimalExpansion(Extended x, int precision, int decimals) {
    TDecimalExpansion d;
    precision = std::clamp(precision, 2, ExpansionDigits);

    const int cls = std::fpclassify(x);
    if (HasZeroExponent(x, cls)) {
        return d; // a negative zero is positive
    }
    if (cls == FP_INFINITE) {
        d.Kind = TDecimalExpansion::TKind::Infinity;
        d.Negative = std::signbit(x);
        return d;
    }
    if (cls == FP_NAN) {
        d.Kind = TDecimalExpansion::TKind::NotANumber;
        return d;
    }

    d.Negative = std::signbit(x);
    const Extended magnitude = std::fabs(x);
    const int e = std::ilogb(magnitude);
    // 19728 / 65536 approximates log10 2; the shift is a floor also for a negative e.
    int exponent = ((e * 19728) >> 16) + 1;
    Extended s = ScaledSignificand(magnitude, exponent);
    if (s >= Upper18) {
        s = std::nearbyint(s / 10);
        ++exponent;
    }
    // Beyond about 10^205 either way the estimate can miss by one; scale again from the value
    // rather than write 19 digits or a leading zero.
    for (int retry = 0; retry < 2 && (s >= Upper18 || s < Lower18); ++retry) {
        exponent += s >= Upper18 ? 1 : -1;
        s = ScaledSignificand(magnitude, exponent);
        if (s >= Upper18) {
            s = std::nearbyint(s / 10);
            ++exponent;
        }
    }

    char all[ExpansionDigits];
    auto value = static_cast<std::uint64_t>(s);
    for (int i = ExpansionDigits - 1; i >= 0; --i) {
        all[i] = static_cast<char>('0' + value % 10);
        value /= 10;
    }

    int k = decimals == UnlimitedDecimals ? precision : exponent + std::max(decimals, 0);
    if (k < 0) {
        return TDecimalExpansion{};
    }
    k = std::min(k, precision);

    int length = std::min(k, ExpansionDigits);
    if (k < ExpansionDigits && all[k] >= '5') {
        // Half away from zero on the 18-digit expansion: a 9 that passes over is dropped.
        while (length > 0 && all[length - 1] == '9') {
            --length;
        }
        if (length == 0) {
            all[0] = '1';
            length = 1;
            ++exponent;
        } else {
            ++all[length - 1];
        }
    }
    while (length > 0 && all[length - 1] == '0') {
        --length;
    }
    if (length == 0) {
        return TDecimalExpansion{}; // rounds to zero: no minus sign
    }
    d.Digits.assign(all, all + length);
    d.Exponent = exponent;
    return d;
}

std::u16string FloatToFixedText(Extended x, int decimals) {
    decimals = std::clamp(decimals, 0, ExpansionDigits);
    const TDecimalExpansion d = DecimalExpansion(x, ExpansionDigits, decimals);
    std::u16string out;
    if (AppendSpecialOrSign(out, d)) {
        return out;
    }
    const int e = d.Exponent;
    const auto count = static_cast<int>(d.Digits.size());
    if (e > ExpansionDigits) {
        AppendMantissa(out, d.Digits);
        AppendExponent(out, e - 1, decimals <= 4 ? static_cast<std::size_t>(decimals) : 1);
        return out;
    }
    AppendIntegerPart(out, d.Digits, e);
    if (decimals > 0) {
        out += FormatSettings.DecimalSeparator;
        int next = std::max(e, 0); // index of the first fraction digit in the expansion
        int written = 0;
        for (; written < std::min(-e, decimals); ++written) {
            out += u'0';
        }
        for (; written < decimals; ++written, ++next) {
            out += next < count ? static_cast<char16_t>(d.Digits[static_cast<std::size_t>(next)])
                                : u'0';
        }
    }
    return out;
}

std::u16string FormatText(const std::u16string& format, std::span<const Extended> values) {
    std::u16string out;
    std::size_t nextValue = 0;
    std::size_t pos = 0;
    while (pos < format.size()) {
        const char16_t c = format[pos++];
        if (c != u'%') {
            out += c;
            continue;
        }
        if (pos < format.size() && format[pos] == u'%') {
            out += u'%';
            ++pos;
            continue;
        }
        const bool leftAlign = pos < format.size() && format[pos] == u'-';
        if (leftAlign) {
            ++pos;
        }
        int width = 0;
        bool valid = ReadCount(format, pos, width) && width <= MaxWidth;
        int precision = -1;
        if (pos < format.size() && format[pos] == u'.') {
            ++pos;
            if (!ReadCount(format, pos, precision)) {
                precision = INT_MAX; // too many digits: "greater than 18"
            }
        }
        if (nextValue >= values.size()) {
            RaiseMissingArgument(format);
        }
        valid = valid && pos < format.size() && (format[pos] == u'f' || format[pos] == u'F');
        if (!valid) {
            RaiseInvalidFormat(format);
        }
        ++pos;
        if (precision < 0 || precision > ExpansionDigits) {
            precision = 2;
        }
        const std::u16string text = FloatToFixedText(values[nextValue++], precision);
        const std::size_t fill =
            text.size() < static_cast<std::size_t>(width) ? width - text.size() : 0;
        if (!leftAlign) {
            out.append(fill, u' ');
        }
        out += text;
        if (leftAlign) {
            out.append(fill, u' ');
        }
    }
    return out;
}

std::u16string FormatText(const std::u16string& format, std::initializer_list<Extended> values) {
    return FormatText(format, std::span<const Extended>(values.begin(), values.size()));
}

std::u16string IntegerToText(std::int32_t value) {
    std::u16string out;
    if (value < 0) {
        out += u'-';
    }
    // The magnitude in unsigned arithmetic, so that -2147483648 needs no special case.
    const std::uint32_t magnitude =
        value < 0 ? 0u - static_cast<std::uint32_t>(value) : static_cast<std::uint32_t>(value);
    AppendDecimal(out, magnitude);
    return out;
}

std::u16string FloatToGeneralText(Extended x) {
    constexpr int generalDigits = 15;
    const TDecimalExpansion d = DecimalExpansion(x, generalDigits, UnlimitedDecimals);
    std::u16string out;
    if (AppendSpecialOrSign(out, d)) {
        return out;
    }
    const int e = d.Exponent;
    const auto count = static_cast<int>(d.Digits.size());
    if (count > 0 && (e > generalDigits || e < -3)) {
        AppendMantissa(out, d.Digits);
        AppendExponent(out, e - 1, 1);
    } else if (e <= 0) {
        out += u'0';
        if (count > 0) {
            out += FormatSettings.DecimalSeparator;
            out.append(static_cast<std::size_t>(-e), u'0');
            for (const char digit : d.Digits) {
                out += static_cast<char16_t>(digit);
            }
        }
    } else {
        AppendIntegerPart(out, d.Digits, e);
        if (count > e) {
            out += FormatSettings.DecimalSeparator;
            for (int i = e; i < count; ++i) {
                out += static_cast<char16_t>(d.Digits[static_cast<std::size_t>(i)]);
            }
        }
    }
    return out;
}
