#include "conversions/Clock.h"

#include "runtime/Exceptions.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>

namespace {

TLocalClock currentClock = &ReadPlatformLocalTime;

constexpr std::int64_t MillisecondsPerDay = 86400000;
// Days from 1 January of year 1 (day 1) to 30 December 1899 (day 0 of a date-time value).
constexpr std::int64_t DateDelta = 693594;

bool IsLeapYear(std::int64_t year) {
    return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
}

// Floor division: the month normalisation below must also work for months before January.
std::int64_t FloorDiv(std::int64_t a, std::int64_t b) {
    return a / b - (a % b != 0 && (a < 0) != (b < 0) ? 1 : 0);
}

[[noreturn]] void RaiseInvalidOp() {
    throw EInvalidOp(u"Ung\u00FCltige Gleitkommaoperation");
}

} // namespace

TLocalClock SetLocalClock(TLocalClock clock) {
    const TLocalClock previous = currentClock;
    currentClock = clock != nullptr ? clock : &ReadPlatformLocalTime;
    return previous;
}

TDateTime EncodeLocalTime(const TLocalTime& t) {
    static constexpr int daysBefore[2][12] = {
        {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334},
        {0, 31, 60, 91, 121, 152, 182, 213, 244, 274, 305, 335},
    };
    // A month outside 1..12 carries into the year instead of indexing past the table.
    const std::int64_t monthIndex = static_cast<std::int64_t>(t.Month) - 1;
    const std::int64_t y = t.Year + FloorDiv(monthIndex, 12);
    const std::int64_t month = monthIndex - FloorDiv(monthIndex, 12) * 12;
    const std::int64_t dayOfYear = daysBefore[IsLeapYear(y) ? 1 : 0][month] + t.Day;
    const std::int64_t p = y - 1;
    const std::int64_t day =
        p * 365 + FloorDiv(p, 4) - FloorDiv(p, 100) + FloorDiv(p, 400) + dayOfYear - DateDelta;
    const std::int64_t ms = static_cast<std::int64_t>(t.Hour) * 3600000 +
                            static_cast<std::int64_t>(t.Minute) * 60000 +
                            static_cast<std::int64_t>(t.Second) * 1000 + t.Millisecond;
    const auto time = static_cast<double>(static_cast<Extended>(ms) / MillisecondsPerDay);
    // Before day 0 the time of day counts away from it, as MillisecondStamp reads such values:
    // 29 December 1899, 06:00 is -1.25.
    return static_cast<double>(static_cast<Extended>(day) + (day < 0 ? -time : time));
}

TDateTime CurrentDateTime() {
    return EncodeLocalTime(currentClock());
}

std::int64_t MillisecondStamp(TDateTime t) {
    const Extended product = static_cast<Extended>(t) * MillisecondsPerDay;
    // Outside the 64-bit range (and for a not-a-number) the conversion itself is the invalid
    // operation; such values are no moment of the calendar.
    if (!(std::fabs(product) < 9223372036854775808.0L)) {
        RaiseInvalidOp();
    }
    const auto n = static_cast<std::int64_t>(std::nearbyint(product));
    const std::int64_t magnitude = n < 0 ? -n : n;
    const std::int64_t days = n < 0 ? -(magnitude / MillisecondsPerDay) : n / MillisecondsPerDay;
    const std::int64_t ms = magnitude % MillisecondsPerDay;
    const std::int64_t date = days + DateDelta;
    if (date <= 0) {
        RaiseInvalidOp();
    }
    if (date > (INT64_MAX - ms) / MillisecondsPerDay) {
        RaiseInvalidOp();
    }
    return date * MillisecondsPerDay + ms;
}

std::int64_t WholeMinutesBetween(TDateTime a, TDateTime b) {
    const std::int64_t sa = MillisecondStamp(a);
    const std::int64_t sb = MillisecondStamp(b);
    // Both stamps are positive, so the difference cannot overflow.
    return (sa > sb ? sa - sb : sb - sa) / 60000;
}

bool WithinClock(TDateTime t) {
    // 1 January 1601 and 1 January 10000 as day numbers.
    constexpr TDateTime first = -109205;
    constexpr TDateTime end = 2958466;
    const double days = StraightDays(t);
    return days >= first && days < end;
}

double StraightDays(TDateTime t) {
    const double day = std::trunc(t);
    return day + std::fabs(t - day);
}

TDateTime FromStraightDays(double days) {
    const double day = std::floor(days);
    const double time = days - day;
    return day < 0 ? day - time : day + time;
}
