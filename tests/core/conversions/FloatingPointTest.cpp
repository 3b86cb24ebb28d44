#include "conversions/FloatingPoint.h"
#include "runtime/Exceptions.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>

namespace {

constexpr Extended Infinity = std::numeric_limits<Extended>::infinity();
constexpr Extended NotANumber = std::numeric_limits<Extended>::quiet_NaN();
constexpr Extended ExtendedMax = std::numeric_limits<Extended>::max();

const char16_t* const InvalidOpMessage = u"Ung\u00FCltige Gleitkommaoperation";
const char16_t* const ZeroDivideMessage = u"Gleitkommadivision durch Null";
const char16_t* const OverflowMessage = u"Gleitkomma\u00FCberlauf";

enum class TOutcome { Value, InvalidOp, ZeroDivide, Overflow };

template <typename F> void ExpectOutcome(F operation, TOutcome outcome, const char* what) {
    try {
        operation();
        EXPECT_EQ(outcome, TOutcome::Value) << what << ": no exception";
    } catch (const EInvalidOp& e) {
        EXPECT_EQ(outcome, TOutcome::InvalidOp) << what;
        EXPECT_EQ(e.Message(), InvalidOpMessage);
    } catch (const EZeroDivide& e) {
        EXPECT_EQ(outcome, TOutcome::ZeroDivide) << what;
        EXPECT_EQ(e.Message(), ZeroDivideMessage);
    } catch (const EOverflow& e) {
        EXPECT_EQ(outcome, TOutcome::Overflow) << what;
        EXPECT_EQ(e.Message(), OverflowMessage);
    }
}

struct TArithmeticCase {
    const char* What;
    Extended A;
    Extended B;
    TOutcome Outcome;
    Extended Expected;
};

const TArithmeticCase DivideCases[] = {
    {"price / pack of 0", 5.2f, 0, TOutcome::ZeroDivide, 0},
    {"negative / 0", -3, 0, TOutcome::ZeroDivide, 0},
    {"0 / 0", 0, 0, TOutcome::InvalidOp, 0},
    {"0 / -0", 0, -0.0L, TOutcome::InvalidOp, 0},
    {"nan / 1", NotANumber, 1, TOutcome::InvalidOp, 0},
    {"1 / nan", 1, NotANumber, TOutcome::InvalidOp, 0},
    {"inf / inf", Infinity, Infinity, TOutcome::InvalidOp, 0},
    {"max / 0.5", ExtendedMax, 0.5L, TOutcome::Overflow, 0},
    {"1 / 4", 1, 4, TOutcome::Value, 0.25L},
    {"tiny / 1e10", std::numeric_limits<Extended>::min(), 1e10L, TOutcome::Value,
     std::numeric_limits<Extended>::min() / 1e10L}, // underflow: a denormal, no exception
};

TEST(CheckedDivide, RaisesWhatTheFloatingPointModeRaises) {
    for (const auto& c : DivideCases) {
        Extended result = -1;
        ExpectOutcome([&] { result = CheckedDivide(c.A, c.B); }, c.Outcome, c.What);
        if (c.Outcome == TOutcome::Value) {
            EXPECT_EQ(result, c.Expected) << c.What;
        } else {
            EXPECT_EQ(result, -1) << c.What << ": the faulting result must not be stored";
        }
    }
}

const TArithmeticCase MultiplyCases[] = {
    {"0 x inf", 0, Infinity, TOutcome::InvalidOp, 0},
    {"nan x 2", NotANumber, 2, TOutcome::InvalidOp, 0},
    {"max x 2", ExtendedMax, 2, TOutcome::Overflow, 0},
    {"-max x 2", -ExtendedMax, 2, TOutcome::Overflow, 0},
    {"3 x 4", 3, 4, TOutcome::Value, 12},
};

TEST(CheckedMultiply, RaisesWhatTheFloatingPointModeRaises) {
    for (const auto& c : MultiplyCases) {
        Extended result = -1;
        ExpectOutcome([&] { result = CheckedMultiply(c.A, c.B); }, c.Outcome, c.What);
        if (c.Outcome == TOutcome::Value) {
            EXPECT_EQ(result, c.Expected) << c.What;
        }
    }
}

// Half a unit in the last place above the largest single rounds to infinity (ties to even).
const Extended SingleHalfway = std::ldexp(1.0L, 128) - std::ldexp(1.0L, 103);

struct TNarrowCase {
    const char* What;
    Extended Value;
    TOutcome Outcome;
    float Expected;
};

const TNarrowCase SingleCases[] = {
    {"1e39", 1e39L, TOutcome::Overflow, 0},
    {"-1e39", -1e39L, TOutcome::Overflow, 0},
    {"halfway above max", SingleHalfway, TOutcome::Overflow, 0},
    {"just below halfway", std::nextafter(SingleHalfway, 0.0L), TOutcome::Value,
     std::numeric_limits<float>::max()},
    {"-just below halfway", -std::nextafter(SingleHalfway, 0.0L), TOutcome::Value,
     -std::numeric_limits<float>::max()},
    {"infinity", Infinity, TOutcome::Overflow, 0},
    {"nan", NotANumber, TOutcome::InvalidOp, 0},
    {"1e-46", 1e-46L, TOutcome::Value, 0},
    {"1e-40", 1e-40L, TOutcome::Value, 1e-40f},
    {"5.2", 5.2L, TOutcome::Value, 5.2f},
};

TEST(NarrowToSingle, RoundsToNearestAndRaisesOverflowBeyondTheRange) {
    for (const auto& c : SingleCases) {
        float result = -1;
        ExpectOutcome([&] { result = NarrowToSingle(c.Value); }, c.Outcome, c.What);
        if (c.Outcome == TOutcome::Value) {
            EXPECT_EQ(result, c.Expected) << c.What;
        }
    }
}

TEST(NarrowToDouble, RoundsToNearestAndRaisesOverflowBeyondTheRange) {
    ExpectOutcome([] { NarrowToDouble(1e309L); }, TOutcome::Overflow, "1e309");
    ExpectOutcome([] { NarrowToDouble(NotANumber); }, TOutcome::InvalidOp, "nan");
    EXPECT_EQ(NarrowToDouble(std::numeric_limits<double>::max()),
              std::numeric_limits<double>::max());
    EXPECT_EQ(NarrowToDouble(1e-330L), 0.0);
    EXPECT_EQ(NarrowToDouble(0.1L), 0.1);
}

TEST(TruncateToInteger, TakesTheLow32BitsOfTheTruncated64BitValue) {
    const std::pair<Extended, std::int32_t> cases[] = {
        {20.7L, 20},
        {-3.9L, -3},
        {0.99L, 0},
        {-0.99L, 0},
        {2147483647.9L, 2147483647},
        {2147483648.0L, std::numeric_limits<std::int32_t>::min()},
        {4294967297.0L, 1},
        {-2147483649.0L, 2147483647},
        {9223372036854775807.0L, -1},
        {-9223372036854775807.0L, 1},
        {-9223372036854775808.0L, 0},
        {9223372036854775808.0L, 0}, // out of range: the pattern 0x8000000000000000
        {1e30L, 0},
        {Infinity, 0},
        {-Infinity, 0},
        {NotANumber, 0},
    };
    for (const auto& [value, expected] : cases) {
        EXPECT_EQ(TruncateToInteger(value), expected) << static_cast<double>(value);
    }
}

} // namespace

namespace {

// The tests' main established the mode as the program does: extended intermediates keep all
// 64 bits (some Windows C runtimes start with 53), and a division by zero yields an infinity
// instead of a trap, so that only the checked operations raise.
TEST(SetFloatingPointMode, GivesExtendedPrecisionWithMaskedExceptions) {
    volatile Extended one = 1;
    volatile Extended lastBit = std::ldexp(1.0L, -63);
    volatile Extended zero = 0;
    if (std::numeric_limits<Extended>::digits == 64) {
        EXPECT_NE(one + lastBit, one);
    }
    EXPECT_TRUE(std::isinf(one / zero));
    SetFloatingPointMode();
    EXPECT_TRUE(std::isnan(zero / zero));
}

} // namespace
