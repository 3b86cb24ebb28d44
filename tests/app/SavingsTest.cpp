#include "app/Savings.h"

#include "conversions/StartupSettings.h"
#include "runtime/Exceptions.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>

namespace {

class Savings : public testing::Test {
protected:
    void SetUp() override {
        saved = FormatSettings;
        FormatSettings.DecimalSeparator = u',';
    }
    void TearDown() override { FormatSettings = saved; }

    TFormatSettings saved;
};

struct TTotalsCase {
    std::int32_t perDay;
    std::int32_t minutes;
    float price;
    std::int32_t perPack;
    float cigarettes;
    float money;
    std::u16string text;
};

TEST_F(Savings, TotalsAndTheirText) {
    const TTotalsCase cases[] = {
        {20, 43200, 6.5F, 20, 600.0F, 195.0F, u"    600      195,00\u20AC"},
        // 1.5 cigarettes show as 2 (half away from zero); the amount is single 0.3.
        {1, 2160, 4.0F, 20, 1.5F, 0.3F, u"      2        0,30\u20AC"},
        {20, 0, 6.5F, 20, 0.0F, 0.0F, u"      0        0,00\u20AC"},
        {0, 43200, 6.5F, 20, 0.0F, 0.0F, u"      0        0,00\u20AC"},
        // A minute count that wrapped to negative gives negative totals.
        {20, -1440, 6.5F, 20, -20.0F, -6.5F, u"    -20       -6,50\u20AC"},
        // Longer numbers lengthen the text instead of being cut; 1e13 is not a single.
        {100000, 144000000, 1000.0F, 1, 1.0e10F, 1.0e13F, u"10000000000  9999999827968,00\u20AC"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.perDay << " a day, " << c.minutes << " minutes");
        const float cigarettes = CigarettesNotSmokedAfter(c.perDay, c.minutes);
        EXPECT_EQ(cigarettes, c.cigarettes);
        const float money = MoneySavedOn(c.price, c.perPack, cigarettes);
        EXPECT_EQ(money, c.money);
        EXPECT_EQ(SavingsText(cigarettes, money), c.text);
    }
}

TEST_F(Savings, CountIsRoundedOnceFromExtendedProducts) {
    // 7 x (1/1440) x 1 is 0.00486111..., whose single is 0.0048611112; a count computed in
    // single precision throughout would differ in the last bit for some inputs, so compare
    // with the extended computation narrowed once.
    for (const std::int32_t minutes : {1, 7, 999, 43201, 525599}) {
        const long double expected = (7.0L * (1.0L / 1440.0L)) * minutes;
        EXPECT_EQ(CigarettesNotSmokedAfter(7, minutes), static_cast<float>(expected)) << minutes;
    }
}

TEST_F(Savings, MoneyUsesTheStoredSingleCount) {
    // The count 1/3 is stored as single (0.3333333433...); the money is computed from that,
    // not from the exact third.
    const float cigarettes = CigarettesNotSmokedAfter(1, 480);
    ASSERT_EQ(cigarettes, 1.0F / 3.0F);
    const long double expected = (3.0L / 1.0L) * static_cast<long double>(cigarettes);
    EXPECT_EQ(MoneySavedOn(3.0F, 1, cigarettes), static_cast<float>(expected));
}

TEST_F(Savings, FailuresOfTheMoneyStep) {
    struct TFailureCase {
        float price;
        std::int32_t perPack;
        float cigarettes;
        std::u16string message;
    };
    const TFailureCase cases[] = {
        {6.5F, 0, 600.0F, u"Gleitkommadivision durch Null"},
        {0.0F, 0, 600.0F, u"Ung\u00FCltige Gleitkommaoperation"},
        {std::numeric_limits<float>::max(), 1, 1.0e10F, u"Gleitkomma\u00FCberlauf"},
    };
    for (const auto& c : cases) {
        try {
            MoneySavedOn(c.price, c.perPack, c.cigarettes);
            ADD_FAILURE() << "no failure for a pack of " << c.perPack;
        } catch (const EMathError& e) {
            EXPECT_EQ(e.Message(), c.message);
        }
    }
    EXPECT_THROW(MoneySavedOn(6.5F, 0, 0.0F), EZeroDivide);
    EXPECT_THROW(MoneySavedOn(0.0F, 0, 0.0F), EInvalidOp);
}

TEST(MinuteCountTest, KeepsTheLow32BitsAsSigned) {
    const struct {
        std::int64_t whole;
        std::int32_t count;
    } cases[] = {
        {0, 0},
        {43200, 43200},
        {2147483647, 2147483647},
        {2147483648LL, -2147483647 - 1},
        {4294967296LL + 5, 5},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(MinuteCount(c.whole), c.count) << c.whole;
    }
}

TEST(DisplayFormatTest, IsFourteenBytesEndingInTheEuroByte) {
    const std::string format(SavingsDisplayFormat);
    EXPECT_EQ(format.size(), 14U);
    EXPECT_EQ(format.substr(0, 13), "%7.0f  %10.2f");
    EXPECT_EQ(static_cast<unsigned char>(format.back()), 0x80);
}

} // namespace
