#pragma once

// The month calendar's value: always a whole day, counted as TDateTime counts days.

#include "conversions/Types.h"

#include <cstdint>
#include <optional>

struct TCalendarDay {
    std::int32_t Year = 0;
    std::int32_t Month = 0; // 1 to 12
    std::int32_t Day = 0;   // 1 to 31
    bool operator==(const TCalendarDay&) const = default;
};

// The first and last day the calendar offers: what both platforms' month calendars can show.
inline constexpr TCalendarDay FirstCalendarDay{1601, 1, 1};
inline constexpr TCalendarDay LastCalendarDay{9999, 12, 31};

// The day that a date-time value falls on (its date part, toward zero as the day number
// counts, also before day 0), held within the calendar's range; none for a NaN.
std::optional<TCalendarDay> CalendarDayOf(TDateTime value);

// 00:00 of `day` as a date-time value.
TDateTime DateTimeOf(const TCalendarDay& day);

// The number of days in `month` of `year` (proleptic Gregorian).
std::int32_t DaysInMonth(std::int32_t year, std::int32_t month);

// `day` moved to `month` of `year`, its day of the month held to that month's last day, and the
// result held within the calendar's range: what the month and year choosers do.
TCalendarDay WithMonth(const TCalendarDay& day, std::int32_t year, std::int32_t month);

// `day` moved by whole months, as WithMonth holds it: the previous and next month buttons.
TCalendarDay AddMonths(const TCalendarDay& day, std::int32_t months);
