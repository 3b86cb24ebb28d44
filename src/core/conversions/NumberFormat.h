#pragma once

// Number to text, with FormatSettings.DecimalSeparator and no grouping.

#include "conversions/Types.h"

#include <cstdint>
#include <initializer_list>
#include <span>
#include <string>

struct TDecimalExpansion {
    enum class TKind { Finite, Infinity, NotANumber };
    TKind Kind = TKind::Finite;
    bool Negative = false;
    std::string Digits; // at most 18 digits '0'..'9', no trailing zeros; empty for zero
    int Exponent = 0;   // magnitude = 0.d1d2d3... x 10^Exponent
};

// Decimals value meaning "unlimited".
inline constexpr int UnlimitedDecimals = -1;

// The decimal expansion of x with P significant digits (2..18) and D decimals (0..18 or
// UnlimitedDecimals), rounded half away from zero on the 18-digit expansion.
TDecimalExpansion DecimalExpansion(Extended x, int precision, int decimals);

// Fixed notation with exactly D decimals (0..18); exponent form from 10^18 on.
std::u16string FloatToFixedText(Extended x, int decimals);

// Printf-like formatting with the '%[-][width][.precision]f' specifiers and "%%".
// EConvertError for a specifier without a value or an unsupported specifier.
std::u16string FormatText(const std::u16string& format, std::span<const Extended> values);
std::u16string FormatText(const std::u16string& format, std::initializer_list<Extended> values);

std::u16string IntegerToText(std::int32_t value);

// The shortest general form with at most 15 significant digits.
std::u16string FloatToGeneralText(Extended x);
