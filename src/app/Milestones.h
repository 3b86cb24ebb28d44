#pragma once

// How long the user has been smoke-free and the next health milestone ahead, for the ticker's
// tooltip. The milestones follow the World Health Organization's published timeline of the
// benefits of quitting.

#include "conversions/Types.h"

#include <string>

// Two lines: the time since the stop day in days and hours (or, for a stop day ahead, how long
// until it), and the next milestone not yet reached with the day, and for those within a day
// the time, when it is reached. Times are local wall-clock times, as the totals count them.
std::u16string SmokeFreeText(TDateTime stop, TDateTime now);
