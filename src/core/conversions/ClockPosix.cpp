#include "conversions/ClockPosix.h"

#include <ctime>

TLocalTime LocalTimeOf(const timespec& instant) {
    std::tm local{};
    const time_t seconds = instant.tv_sec;
    if (localtime_r(&seconds, &local) == nullptr) {
        return TLocalTime{}; // a clock beyond the calendar: day 0 rather than garbage
    }
    TLocalTime t;
    t.Year = local.tm_year + 1900;
    t.Month = local.tm_mon + 1;
    t.Day = local.tm_mday;
    t.Hour = local.tm_hour;
    t.Minute = local.tm_min;
    t.Second = local.tm_sec;
    t.Millisecond = static_cast<int>(instant.tv_nsec / 1000000);
    return t;
}

TLocalTime ReadPlatformLocalTime() {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    return LocalTimeOf(now);
}
