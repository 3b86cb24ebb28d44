#include "app/Calendar.h"

#include <algorithm>
#include <cmath>

namespace {

// Day 0 of TDateTime, 30 December 1899, counted from 1 January 1970.
constexpr std::int64_t DayZeroFromEpoch = -25569;

// Days since 1 January 1970 of a proleptic Gregorian date (years from March, so that the leap
// day ends the year).
std::int64_t DaysFromCivil(std::int64_t y, std::int64_t m, std::int64_t d) {
    y -= m <= 2 ? 1 : 0;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const std::int64_t yoe = y - era * 400;
    const std::int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

TCalendarDay CivilFromDays(std::int64_t z) {
    z += 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const std::int64_t doe = z - era * 146097;
    const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const std::int64_t mp = (5 * doy + 2) / 153;
    const std::int64_t d = doy - (153 * mp + 2) / 5 + 1;
    const std::int64_t m = mp < 10 ? mp + 3 : mp - 9;
    const std::int64_t y = yoe + era * 400 + (m <= 2 ? 1 : 0);
    return {static_cast<std::int32_t>(y), static_cast<std::int32_t>(m),
            static_cast<std::int32_t>(d)};
}

std::int64_t DayNumber(const TCalendarDay& day) {
    return DaysFromCivil(day.Year, day.Month, day.Day) - DayZeroFromEpoch;
}

TCalendarDay InRange(const TCalendarDay& day) {
    const std::int64_t number =
        std::clamp(DayNumber(day), DayNumber(FirstCalendarDay), DayNumber(LastCalendarDay));
    return CivilFromDays(number + DayZeroFromEpoch);
}

} // namespace

std::optional<TCalendarDay> CalendarDayOf(TDateTime value) {
    if (std::isnan(value)) {
        return std::nullopt;
    }
    // The date part as the day number counts it: toward zero, also before day 0.
    const double first = static_cast<double>(DayNumber(FirstCalendarDay));
    const double last = static_cast<double>(DayNumber(LastCalendarDay));
    const double day = std::clamp(std::trunc(value), first, last);
    return CivilFromDays(static_cast<std::int64_t>(day) + DayZeroFromEpoch);
}

TDateTime DateTimeOf(const TCalendarDay& day) {
    return static_cast<TDateTime>(DayNumber(day));
}

std::int32_t DaysInMonth(std::int32_t year, std::int32_t month) {
    const std::int32_t nextYear = month == 12 ? year + 1 : year;
    const std::int32_t nextMonth = month == 12 ? 1 : month + 1;
    return static_cast<std::int32_t>(DaysFromCivil(nextYear, nextMonth, 1) -
                                     DaysFromCivil(year, month, 1));
}

TCalendarDay WithMonth(const TCalendarDay& day, std::int32_t year, std::int32_t month) {
    return InRange({year, month, std::min(day.Day, DaysInMonth(year, month))});
}

TCalendarDay AddMonths(const TCalendarDay& day, std::int32_t months) {
    const std::int64_t index = std::int64_t{day.Year} * 12 + (day.Month - 1) + months;
    const auto year = static_cast<std::int32_t>(index >= 0 ? index / 12 : (index - 11) / 12);
    const auto month = static_cast<std::int32_t>(index - std::int64_t{year} * 12 + 1);
    return WithMonth(day, year, month);
}
