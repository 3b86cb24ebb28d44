#pragma once

// The local clock and the measurement of time between date-time values.

#include "conversions/Types.h"

#include <cstdint>

// A local wall-clock reading, as the platform gives it.
struct TLocalTime {
    int Year = 1899, Month = 12, Day = 30; // Month and Day are 1-based
    int Hour = 0, Minute = 0, Second = 0, Millisecond = 0;
};

// The one seam through which "now" is read. Tests replace it to put the clock anywhere.
using TLocalClock = TLocalTime (*)();
// Installs a clock; nullptr restores the platform clock. Returns the previous one.
TLocalClock SetLocalClock(TLocalClock clock);

// The platform's local wall-clock time with milliseconds.
TLocalTime ReadPlatformLocalTime();

// The date-time value of a local reading: the proleptic Gregorian day number plus the time of
// day, which before day 0 counts away from it (29 December 1899, 06:00 is -1.25).
TDateTime EncodeLocalTime(const TLocalTime& t);

// Now, read through the seam.
TDateTime CurrentDateTime();

// Milliseconds since 1 January of year 1 at 00:00; EInvalidOp for a moment before it.
std::int64_t MillisecondStamp(TDateTime t);

// |a - b| in whole minutes, truncated; EInvalidOp as MillisecondStamp.
std::int64_t WholeMinutesBetween(TDateTime a, TDateTime b);

// Whether a moment lies from 1 January 1601, 00:00, up to the end of 31 December 9999: the
// days that a date of four-digit years names and both platforms' calendars count. Outside
// them no date can be shown truly.
bool WithinClock(TDateTime t);

// A date-time value on a straight scale of days, where before day 0 the time of day counts
// forward as it does after it (-1.25, 29 December 1899, 06:00, is -0.75), and back: spans are
// added on this scale.
double StraightDays(TDateTime t);
TDateTime FromStraightDays(double days);
