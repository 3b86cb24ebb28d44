#pragma once

// How long the user has been smoke-free and the next health milestone ahead, for the ticker's
// tooltip. The milestones follow the World Health Organization's published timeline of the
// benefits of quitting.

#include "conversions/Types.h"

#include <cstdint>
#include <string>
#include <vector>

// Two lines: the time since the stop day in days and hours (or, for a stop day ahead, how long
// until it), and the next milestone not yet reached with the day, and for those within a day
// the time, when it is reached. Times are local wall-clock times, as the totals count them.
std::u16string SmokeFreeText(TDateTime stop, TDateTime now);

// One milestone of the timeline and the moment it is reached from a stop moment: a NaN where
// that lies beyond the clock's range (WithinClock), and so has no date.
struct THealthMilestone {
    TDateTime Reached = 0;
    std::u16string Text;
};

// The whole timeline, in order, for a stop moment.
std::vector<THealthMilestone> HealthMilestones(TDateTime stop);

// "30 Tage, 4 Stunden"; below a day only the hours ("5 Stunden").
std::u16string DurationText(std::int64_t minutes);

// "10.11.2026", the day a moment falls on.
std::u16string DayText(TDateTime moment);
