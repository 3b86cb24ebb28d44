#include "app/Savings.h"

#include "conversions/FloatingPoint.h"
#include "conversions/NarrowText.h"
#include "conversions/NumberFormat.h"

const char SavingsDisplayFormat[15] = "%7.0f  %10.2f\x80";

namespace {

// The extended value nearest to 1/1440: one day has 1440 minutes.
constexpr Extended MinutesToDays = Extended{1} / Extended{1440};

} // namespace

std::int32_t MinuteCount(std::int64_t wholeMinutes) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(wholeMinutes));
}

float CigarettesNotSmokedAfter(std::int32_t perDay, std::int32_t minutes) {
    const Extended perMinute = CheckedMultiply(Extended(perDay), MinutesToDays);
    return NarrowToSingle(CheckedMultiply(perMinute, Extended(minutes)));
}

float MoneySavedOn(float price, std::int32_t perPack, float cigarettesNotSmoked) {
    const Extended perCigarette = CheckedDivide(Extended(price), Extended(perPack));
    return NarrowToSingle(CheckedMultiply(perCigarette, Extended(cigarettesNotSmoked)));
}

std::u16string SavingsText(float cigarettesNotSmoked, float moneySaved) {
    return FormatText(WidenNarrowText(SavingsDisplayFormat),
                      {Extended(cigarettesNotSmoked), Extended(moneySaved)});
}
