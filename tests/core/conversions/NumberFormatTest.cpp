#include "SeparatorScope.h"

#include "conversions/NarrowText.h"
#include "conversions/NumberFormat.h"
#include "conversions/PowerOfTen.h"
#include "runtime/Exceptions.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <string>

namespace {

constexpr Extended Infinity = std::numeric_limits<Extended>::infinity();
constexpr Extended NotANumber = std::numeric_limits<Extended>::quiet_NaN();

struct TFormatCase {
    const char16_t* Format;
    Extended Value;
    const char16_t* Expected;
};

// Doubles and singles are widened exactly, as the callers pass them.
const TFormatCase GermanFormatCases[] = {
    {u"%7.0f", 0.5, u"      1"},
    {u"%7.0f", 2.5, u"      3"},
    {u"%7.0f", -2.5, u"     -3"},
    {u"%7.0f", -0.4, u"      0"},
    {u"%7.0f", -0.5, u"     -1"},
    {u"%7.0f", 1234, u"   1234"},
    {u"%7.0f", 9.5, u"     10"},
    {u"%7.0f", 99.5, u"    100"},
    {u"%7.0f", 12345678, u"12345678"},
    {u"%10.2f", 617, u"    617,00"},
    {u"%10.2f", 0.125, u"      0,13"},
    {u"%10.2f", 2.675, u"      2,67"},
    {u"%10.2f", 0.995, u"      0,99"},
    {u"%10.2f", 1234.565, u"   1234,57"},
    {u"%10.2f", 1234.565f, u"   1234,56"},
    {u"%10.2f", -0.004, u"      0,00"},
    {u"%10.2f", -0.005, u"     -0,01"},
    {u"%10.2f", 12345678.9, u"12345678,90"},
    {u"%10.2f", 1e18L, u"      1E18"},
    {u"%10.2f", -1.5e19L, u"   -1,5E19"},
    {u"%10.2f", Infinity, u"       INF"},
    {u"%10.2f", -Infinity, u"      -INF"},
    {u"%10.2f", NotANumber, u"       NAN"},
    {u"%10.2f", 0, u"      0,00"},
    {u"%10.2f", -0.0, u"      0,00"},
    {u"%.4f", 1e20L, u"1E0020"},
    {u"%.5f", 1e20L, u"1E20"},
    {u"%.0f", 1e18L, u"1E18"},
    {u"%.3f", 0.0001, u"0,000"},
    {u"%.3f", 0.0005, u"0,001"},
    {u"%.3f", 0.00051, u"0,001"},
    {u"%.5f", 0.000123, u"0,00012"},
    {u"%.18f", 0.1, u"0,100000000000000006"},
    {u"%.18f", 1.5, u"1,500000000000000000"},
    {u"%f", 1.005, u"1,00"},  // no precision: 2
    {u"%.19f", 1.5, u"1,50"}, // beyond 18: 2
    {u"%.f", 2.5, u"3"},      // a '.' without digits: no decimals
    {u"%F", 2.5, u"2,50"},
    {u"%-8.1f|", 3.25, u"3,3     |"},
    {u"%-2.1f|", 1234.5, u"1234,5|"},
    {u"a%%b %3.0f%%", 7, u"a%b   7%"},
    {u"%0.0f", 42, u"42"},
};

TEST_F(TGermanSeparator, FormatTextWritesTheFixedFormsOfItsSpecifiers) {
    for (const auto& c : GermanFormatCases) {
        EXPECT_EQ(FormatText(c.Format, {c.Value}), c.Expected)
            << "format " << testing::PrintToString(std::u16string(c.Format)) << " value "
            << static_cast<double>(c.Value);
    }
}

TEST_F(TGermanSeparator, TheTickerFormatShowsCountAndMoneyWithTheEuroSign) {
    const std::u16string format = WidenNarrowText("%7.0f  %10.2f\x80");
    EXPECT_EQ(FormatText(format, {600.0f, 195.0f}), u"    600      195,00\u20AC");
    EXPECT_EQ(FormatText(format, {12345678.0f, 1234567.5f}),
              u"12345678  1234567,50\u20AC"); // too wide: pushed right, never cut
}

TEST_F(TEnglishSeparator, FloatToTextWritesThePoint) {
    EXPECT_EQ(FormatText(u"%10.2f", {1234.565}), u"   1234.57");
    EXPECT_EQ(FormatText(u"%10.2f", {-1.5e19L}), u"   -1.5E19");
    EXPECT_EQ(FloatToGeneralText(4.5), u"4.5");
    EXPECT_EQ(FloatToFixedText(0.5, 3), u"0.500");
}

struct TFormatErrorCase {
    const char16_t* Format;
    int Values;
    const char16_t* Message;
};

const TFormatErrorCase FormatErrorCases[] = {
    {u"%f %f", 1, u"Kein Argument f\u00FCr Format '%f %f'"},
    {u"%10.2f", 0, u"Kein Argument f\u00FCr Format '%10.2f'"},
    {u"%d", 1, u"Format '%d' ung\u00FCltig oder nicht kompatibel mit Argument"},
    {u"%s", 1, u"Format '%s' ung\u00FCltig oder nicht kompatibel mit Argument"},
    {u"%*f", 1, u"Format '%*f' ung\u00FCltig oder nicht kompatibel mit Argument"},
    {u"100%", 1, u"Format '100%' ung\u00FCltig oder nicht kompatibel mit Argument"},
    {u"%99999999999f", 1,
     u"Format '%99999999999f' ung\u00FCltig oder nicht kompatibel mit Argument"},
    // The format text in the message is cut to 31 code units.
    {u"0123456789012345678901234567890123456789%f", 0,
     u"Kein Argument f\u00FCr Format '0123456789012345678901234567890'"},
};

TEST(FormatText, RejectsMalformedFormatsWithTheirMessages) {
    const Extended values[] = {1.0L};
    for (const auto& c : FormatErrorCases) {
        try {
            FormatText(c.Format,
                       std::span<const Extended>(values, static_cast<std::size_t>(c.Values)));
            ADD_FAILURE() << "accepted " << testing::PrintToString(std::u16string(c.Format));
        } catch (const EConvertError& e) {
            EXPECT_EQ(e.Message(), c.Message);
        }
    }
}

// x = k / 8 has an exact 18-digit expansion, so the expected text follows from integer
// arithmetic alone: half away from zero, padded to the width, never cut.
TEST_F(TGermanSeparator, FormatTextRoundsHalvesAwayFromZeroPadsAndNeverCuts) {
    std::mt19937_64 random(20150112);
    std::uniform_int_distribution<std::int64_t> numerators(-(std::int64_t{1} << 40),
                                                           std::int64_t{1} << 40);
    std::uniform_int_distribution<int> decimalsOf(0, 3);
    std::uniform_int_distribution<int> widths(0, 20);
    for (int i = 0; i < 20000; ++i) {
        const std::int64_t k = i < 2000 ? i - 1000 : numerators(random);
        const int decimals = decimalsOf(random);
        const int width = widths(random);
        const bool left = (i % 3) == 0;

        std::int64_t scale = 1;
        for (int d = 0; d < decimals; ++d) {
            scale *= 10;
        }
        const std::int64_t scaled = (k < 0 ? -k : k) * scale;
        const std::int64_t rounded = scaled / 8 + (scaled % 8 >= 4 ? 1 : 0);
        std::u16string text = k < 0 && rounded != 0 ? u"-" : u"";
        for (const char c : std::to_string(rounded / scale)) {
            text += static_cast<char16_t>(c);
        }
        if (decimals > 0) {
            std::string fraction = std::to_string(rounded % scale);
            fraction.insert(0, static_cast<std::size_t>(decimals) - fraction.size(), '0');
            text += u',';
            for (const char c : fraction) {
                text += static_cast<char16_t>(c);
            }
        }
        const std::u16string fill(text.size() < static_cast<std::size_t>(width)
                                      ? static_cast<std::size_t>(width) - text.size()
                                      : 0,
                                  u' ');
        const std::u16string expected = left ? text + fill : fill + text;

        std::u16string format = left ? u"%-" : u"%";
        for (const char c : std::to_string(width) + "." + std::to_string(decimals) + "f") {
            format += static_cast<char16_t>(c);
        }
        const Extended x = static_cast<Extended>(k) / 8;
        ASSERT_EQ(FormatText(format, {x}), expected)
            << "k = " << k << ", format width " << width << ", decimals " << decimals;
    }
}

struct TExpansionCase {
    Extended Value;
    int Precision;
    int Decimals;
    bool Negative;
    const char* Digits;
    int Exponent;
};

const TExpansionCase ExpansionCases[] = {
    {1234.5, 18, UnlimitedDecimals, false, "12345", 4},
    {0.0001, 15, UnlimitedDecimals, false, "1", -3},
    {0.0001, 18, UnlimitedDecimals, false, "100000000000000005", -3}, // the double, exactly
    {1, 15, UnlimitedDecimals, false, "1", 1},
    {8, 15, UnlimitedDecimals, false, "8", 1},
    {9.99, 2, UnlimitedDecimals, false, "1", 2}, // carry out of the first digit
    {-9.99, 3, UnlimitedDecimals, true, "999", 1},
    {-0.0, 15, UnlimitedDecimals, false, "", 0},
    {-0.004, 18, 2, false, "", 0}, // rounds to zero: no sign
    {0.5, 18, 0, false, "1", 1},   // k = 0 still rounds up
    {0.4, 18, 0, false, "", 0},
    {0.004, 18, 1, false, "", 0}, // k < 0
    {5.2f, 15, UnlimitedDecimals, false, "519999980926514", 1},
    {0.1, 18, UnlimitedDecimals, false, "100000000000000006", 0},
    {std::numeric_limits<Extended>::max(), 15, UnlimitedDecimals, false, "118973149535723", 4933},
    {std::numeric_limits<Extended>::min(), 15, UnlimitedDecimals, false, "336210314311209", -4931},
    {std::numeric_limits<Extended>::denorm_min(), 18, UnlimitedDecimals, false, "", 0},
    {std::numeric_limits<double>::max(), 15, UnlimitedDecimals, false, "179769313486232", 309},
};

TEST(DecimalExpansion, GivesDigitsAndExponentRoundedOnTheEighteenDigitExpansion) {
    for (const auto& c : ExpansionCases) {
        const TDecimalExpansion d = DecimalExpansion(c.Value, c.Precision, c.Decimals);
        EXPECT_EQ(d.Kind, TDecimalExpansion::TKind::Finite);
        EXPECT_EQ(d.Negative, c.Negative) << static_cast<double>(c.Value);
        EXPECT_EQ(d.Digits, c.Digits) << static_cast<double>(c.Value);
        EXPECT_EQ(d.Exponent, c.Exponent) << static_cast<double>(c.Value);
    }
    EXPECT_EQ(DecimalExpansion(-Infinity, 15, 0).Kind, TDecimalExpansion::TKind::Infinity);
    EXPECT_TRUE(DecimalExpansion(-Infinity, 15, 0).Negative);
    EXPECT_EQ(DecimalExpansion(-NotANumber, 15, 0).Kind, TDecimalExpansion::TKind::NotANumber);
    EXPECT_FALSE(DecimalExpansion(-NotANumber, 15, 0).Negative);
}

Extended FromBits(std::uint16_t signAndExponent, std::uint64_t significand) {
    unsigned char bytes[sizeof(Extended)] = {};
    std::memcpy(bytes, &significand, 8);
    std::memcpy(bytes + 8, &signAndExponent, 2);
    Extended x;
    std::memcpy(&x, bytes, sizeof x);
    return x;
}

// Encodings that no arithmetic produces may still come from a stored pattern.
TEST(DecimalExpansion, TreatsOddX87EncodingsAsZeroOrNotANumber) {
    if (std::numeric_limits<Extended>::digits != 64) {
        GTEST_SKIP() << "no x87 extended format";
    }
    const TDecimalExpansion pseudoDenormal =
        DecimalExpansion(FromBits(0x8000, 0x8000000000000001u), 18, UnlimitedDecimals);
    EXPECT_EQ(pseudoDenormal.Kind, TDecimalExpansion::TKind::Finite);
    EXPECT_EQ(pseudoDenormal.Digits, "");
    EXPECT_FALSE(pseudoDenormal.Negative);
    for (const Extended odd :
         {FromBits(0x4000, 0x4000000000000000u), FromBits(0x7FFF, 0), FromBits(0xC123, 1)}) {
        EXPECT_EQ(DecimalExpansion(odd, 18, 2).Kind, TDecimalExpansion::TKind::NotANumber);
    }
}

// Far from 1 the estimate of the decimal exponent can be one off; the expansion must still
// start with a non-zero digit and give the value back.
TEST(DecimalExpansion, IsNormalisedOverTheWholeExponentRange) {
    for (int e = -16382; e <= 16383; e += 7) {
        const Extended x = std::ldexp(1.6180339887498948482L, e);
        const TDecimalExpansion d = DecimalExpansion(x, 18, UnlimitedDecimals);
        ASSERT_FALSE(d.Digits.empty()) << e;
        ASSERT_NE(d.Digits.front(), '0') << e;
        ASSERT_LE(d.Digits.size(), 18u) << e;
        const Extended back = ScaleByPowerOfTen(
            std::stold(d.Digits), d.Exponent - static_cast<std::int64_t>(d.Digits.size()));
        ASSERT_NEAR(static_cast<double>(back / x), 1.0, 1e-16) << e;
    }
}

struct TGeneralCase {
    Extended Value;
    const char16_t* Expected;
};

const TGeneralCase GermanGeneralCases[] = {
    {0, u"0"},
    {-0.0, u"0"},
    {4.5, u"4,5"},
    {-2.5, u"-2,5"},
    {5.2f, u"5,19999980926514"},
    {4.7f, u"4,69999980926514"},
    {5.25, u"5,25"},
    {100, u"100"},
    {0.1, u"0,1"},
    {123456789012345, u"123456789012345"},
    {1e15L, u"1E15"},
    {999999999999999.9L, u"1E15"}, // the rounding carries into the exponent form
    {0.0001, u"0,0001"},
    {0.000123, u"0,000123"},
    {0.00001, u"1E-5"},
    {-0.000012345, u"-1,2345E-5"},
    {1.2345678901234568e17, u"1,23456789012346E17"},
    {1e-300, u"1E-300"},
    {Infinity, u"INF"},
    {-Infinity, u"-INF"},
    {NotANumber, u"NAN"},
};

TEST_F(TGermanSeparator, FloatToGeneralTextWritesTheShortestFormOfFifteenDigits) {
    for (const auto& c : GermanGeneralCases) {
        EXPECT_EQ(FloatToGeneralText(c.Value), c.Expected) << static_cast<double>(c.Value);
    }
}

TEST(IntegerToText, WritesSignAndDigitsOnly) {
    const std::pair<std::int32_t, const char16_t*> cases[] = {
        {std::numeric_limits<std::int32_t>::min(), u"-2147483648"},
        {std::numeric_limits<std::int32_t>::max(), u"2147483647"},
        {0, u"0"},
        {-1, u"-1"},
        {1000000, u"1000000"},
    };
    for (const auto& [value, expected] : cases) {
        EXPECT_EQ(IntegerToText(value), expected);
    }
}

// Each table entry must be the power of ten rounded to nearest, as the C library reads it.
TEST(ScaleByPowerOfTen, UsesCorrectlyRoundedPowers) {
    for (int n = 0; n < 5120; ++n) {
        if (n >= 32 && n % 32 != 0) {
            continue; // only single table entries; sums of entries round more than once
        }
        if (n >= 512 && n % 512 != 0) {
            continue;
        }
        const Extended expected = std::stold("1e" + std::to_string(n));
        ASSERT_EQ(ScaleByPowerOfTen(1, n), expected) << n;
        ASSERT_EQ(ScaleByPowerOfTen(expected, -n), 1) << n;
    }
    EXPECT_EQ(ScaleByPowerOfTen(0, 100000), 0);
    EXPECT_TRUE(std::isinf(ScaleByPowerOfTen(1, 100000)));
    EXPECT_EQ(ScaleByPowerOfTen(1e4000L, -100000), 0);
    EXPECT_GT(ScaleByPowerOfTen(1e4932L, -9000), 0); // several steps beyond the tables
}

} // namespace
