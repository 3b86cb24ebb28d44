#include "SeparatorScope.h"

#include "conversions/FloatingPoint.h"
#include "conversions/NumberFormat.h"
#include "conversions/NumberParse.h"
#include "runtime/Exceptions.h"

#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <string>

namespace {

std::u16string Widen(const std::string& text) {
    return std::u16string(text.begin(), text.end());
}

struct TIntegerCase {
    const char16_t* Text;
    std::int32_t Expected;
};

const TIntegerCase IntegerCases[] = {
    {u"42", 42},
    {u"  42", 42},
    {u"+5", 5},
    {u"-0", 0},
    {u"007", 7},
    {u"0000000000002147483647", 2147483647},
    {u"2147483647", 2147483647},
    {u"-2147483648", std::numeric_limits<std::int32_t>::min()},
    {u"$1F", 31},
    {u"0x1f", 31},
    {u"x1F", 31},
    {u"X1f", 31},
    {u"0X1F", 31},
    {u"+$1F", 31},
    {u"-$10", -16},
    {u"$FFFFFFFF", -1},
    {u"-$FFFFFFFF", 1},
    {u"$7FFFFFFF", 2147483647},
    {u"$80000000", std::numeric_limits<std::int32_t>::min()},
    {u"-$80000000", std::numeric_limits<std::int32_t>::min()},
    {u"$00000000000FF", 255}, // leading zeros do not count against the eight digits
};

TEST(TextToInteger, ReadsDecimalAndHexadecimalForms) {
    for (const auto& c : IntegerCases) {
        EXPECT_EQ(TextToInteger(c.Text), c.Expected)
            << testing::PrintToString(std::u16string(c.Text));
    }
}

const char16_t* const RejectedIntegers[] = {
    u"",       u" ",          u"+",           u"-",
    u"+-5",    u"--5",        u"- 5",         u"42 ",
    u"\t42",   u"4 2",        u"12a",         u"1,5",
    u"1.5",    u"2147483648", u"-2147483649", u"99999999999999999999999",
    u"$",      u"0x",         u"x",           u"$G",
    u"$-1",    u"$123456789", u"0x1 ",        u"1e3",
    u"\uFF11", // a full-width digit one
};

TEST(TextToInteger, RejectsEverythingElseQuotingTheWholeText) {
    for (const char16_t* text : RejectedIntegers) {
        try {
            TextToInteger(text);
            ADD_FAILURE() << "accepted " << testing::PrintToString(std::u16string(text));
        } catch (const EConvertError& e) {
            EXPECT_EQ(e.Message(),
                      u"''" + std::u16string(text) + u"'' ist kein g\u00FCltiger Integer-Wert");
        }
    }
}

TEST(TextToInteger, MessagesKeepTheDoubledApostrophes) {
    const std::pair<const char16_t*, const char16_t*> cases[] = {
        {u"12a", u"''12a'' ist kein g\u00FCltiger Integer-Wert"},
        {u"42 ", u"''42 '' ist kein g\u00FCltiger Integer-Wert"},
        {u"", u"'''' ist kein g\u00FCltiger Integer-Wert"},
    };
    for (const auto& [text, message] : cases) {
        try {
            TextToInteger(text);
            ADD_FAILURE() << "accepted " << testing::PrintToString(std::u16string(text));
        } catch (const EConvertError& e) {
            EXPECT_EQ(e.Message(), message);
        }
    }
}

// A plain reference: at most 12 digits, so 64 bits hold every magnitude.
bool ReferenceInteger(const std::string& text, std::int32_t& value) {
    std::size_t i = 0;
    while (i < text.size() && text[i] == ' ') {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i++] == '-';
    }
    if (i == text.size()) {
        return false;
    }
    std::int64_t magnitude = 0;
    for (; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9') {
            return false;
        }
        magnitude = magnitude * 10 + (text[i] - '0');
    }
    const std::int64_t signedValue = negative ? -magnitude : magnitude;
    if (signedValue < std::numeric_limits<std::int32_t>::min() ||
        signedValue > std::numeric_limits<std::int32_t>::max()) {
        return false;
    }
    value = static_cast<std::int32_t>(signedValue);
    return true;
}

TEST(TextToInteger, AgreesWithAPlainReferenceOnRandomDigitStrings) {
    std::mt19937 random(4711);
    const std::string junk = " +-.,e";
    for (int i = 0; i < 50000; ++i) {
        std::string text(random() % 3, ' ');
        const unsigned sign = random() % 4;
        if (sign == 1) {
            text += '-';
        } else if (sign == 2) {
            text += '+';
        }
        const unsigned length = random() % 13;
        const bool large = random() % 2 == 0; // near the limits
        for (unsigned d = 0; d < length; ++d) {
            text += static_cast<char>('0' + (large && d == 0 ? 1 + random() % 3 : random() % 10));
        }
        if (random() % 10 == 0) {
            text.insert(random() % (text.size() + 1), 1, junk[random() % junk.size()]);
        }
        std::int32_t expected = 0;
        const bool valid = ReferenceInteger(text, expected);
        if (valid) {
            ASSERT_EQ(TextToInteger(Widen(text)), expected) << '"' << text << '"';
        } else {
            ASSERT_THROW(TextToInteger(Widen(text)), EConvertError) << '"' << text << '"';
        }
    }
}

struct TExtendedCase {
    const char16_t* Text;
    Extended Expected;
};

const TExtendedCase GermanExtendedCases[] = {
    {u"5,2", 5.2L},
    {u" 5,2 ", 5.2L},
    {u"  -5,2", -5.2L},
    {u"+3", 3},
    {u",", 0},
    {u"5,", 5},
    {u",5", 0.5L},
    {u"1E", 1},
    {u"1e-2", 0.01L},
    {u"1,5E2", 150},
    {u"1E+3", 1000},
    {u"1E-", 1},
    {u"2,5e1  ", 25},
    {u",E5", 0},
    {u"0E4933", 0},
    {u"1E-4999", 0},
    {u"0,1", 0.1L},
    {u"195,00", 195},
    {u"12345678901234567890", 12345678901234567890.0L},
    {u"1E27", 1e27L},
    {u"1E0000000001", 10}, // leading zeros never reach the stop
};

TEST_F(TGermanSeparator, TextToExtendedReadsTheWizardsSyntax) {
    for (const auto& c : GermanExtendedCases) {
        EXPECT_EQ(TextToExtended(c.Text), c.Expected)
            << testing::PrintToString(std::u16string(c.Text));
    }
    EXPECT_TRUE(std::signbit(TextToExtended(u"-0")));
    // Below the extended range: a denormal without complaint.
    const Extended tiny = TextToExtended(u"1E-4940");
    EXPECT_GT(tiny, 0);
    EXPECT_LT(tiny, std::numeric_limits<Extended>::min());
}

TEST_F(TGermanSeparator, TextToExtendedTakesVeryLongTexts) {
    EXPECT_EQ(TextToExtended(u"0," + std::u16string(6000, u'0') + u"1"), 0);
    EXPECT_EQ(TextToExtended(std::u16string(6000, u'0') + u"7,5"), 7.5L);
    EXPECT_THROW(TextToExtended(u"1" + std::u16string(6000, u'0')), EConvertError); // overflow
}

const char16_t* const GermanRejectedFloats[] = {
    u"",      u" ",    u"-",   u"+",    u"E5",        u"e",        u"5.2",    u"1.000,50",
    u"1,2,3", u"1e5x", u"1 2", u"\t1",  u"+-1",       u"1E4933",   u"1E5000", u"1E 5",
    u"1E--5", u"INF",  u"NAN", u"0x10", u"5,2\u00A0", u"1E4932,5", u"0E5000", u"1E-5000",
};

TEST_F(TGermanSeparator, TextToExtendedRejectsQuotingTheWholeText) {
    for (const char16_t* text : GermanRejectedFloats) {
        try {
            TextToExtended(text);
            ADD_FAILURE() << "accepted " << testing::PrintToString(std::u16string(text));
        } catch (const EConvertError& e) {
            EXPECT_EQ(e.Message(),
                      u"'" + std::u16string(text) + u"' ist kein g\u00FCltiger Gleitkommawert");
        }
    }
    try {
        TextToExtended(u"5.2");
        ADD_FAILURE() << "accepted 5.2";
    } catch (const EConvertError& e) {
        EXPECT_EQ(e.Message(), u"'5.2' ist kein g\u00FCltiger Gleitkommawert");
    }
}

TEST_F(TEnglishSeparator, TextToExtendedTakesThePointOnly) {
    EXPECT_EQ(TextToExtended(u"5.2"), 5.2L);
    EXPECT_THROW(TextToExtended(u"5,2"), EConvertError);
}

// Every price the user can type with up to two decimals survives the wizard's round trip:
// typed text -> single -> pre-filled text -> single.
TEST_F(TGermanSeparator, EveryTypedPriceRoundTripsThroughItsFieldText) {
    for (int cents = 1; cents <= 99999; ++cents) {
        std::u16string typed = Widen(std::to_string(cents / 100)) + u',';
        typed += static_cast<char16_t>(u'0' + cents % 100 / 10);
        typed += static_cast<char16_t>(u'0' + cents % 10);
        const float stored = NarrowToSingle(TextToExtended(typed));
        const std::u16string shown = FloatToGeneralText(stored);
        ASSERT_EQ(NarrowToSingle(TextToExtended(shown)), stored)
            << testing::PrintToString(typed) << " shown as " << testing::PrintToString(shown);
    }
}

} // namespace
