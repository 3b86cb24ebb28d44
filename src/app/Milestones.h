#pragma once

// How long the user has been smoke-free and the next health milestone ahead, for the ticker's
// tooltip. The milestones follow the World Health Organization's published timeline of the
// benefits of quitting.

#include "conversions/Types.h"

#include <cstdint>
#include <optional>
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

// The notice of a milestone reached: how long smoke-free now and its text, "12 Stunden
// rauchfrei: Das Kohlenmonoxid in deinem Blut ist wieder auf normalem Niveau."; below an hour
// in minutes ("20 Minuten rauchfrei: ...").
std::u16string MilestoneNoticeText(TDateTime stop, TDateTime now, const THealthMilestone& m);

// The notice due at a minute's tick, if any, for a completed setup: the latest milestone reached
// and not yet told, the older untold ones passed over. The first tick of an attempt (a first
// start, a new stop moment after a relapse or in the settings) passes over every milestone
// reached so far. What was told is kept in the store before the notice is given, so that one
// that cannot be kept is not given again every minute; a failure to read or keep it raises.
std::optional<std::u16string> DueMilestoneNotice(TDateTime stop, TDateTime now);

// "30 Tage, 4 Stunden"; below a day only the hours ("5 Stunden").
std::u16string DurationText(std::int64_t minutes);

// "10.11.2026", the day a moment falls on.
std::u16string DayText(TDateTime moment);
