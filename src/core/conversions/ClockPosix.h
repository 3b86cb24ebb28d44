#pragma once

// The conversion behind the POSIX clock, apart so that tests can feed it chosen instants.

#include "conversions/Clock.h"

#include <ctime>

TLocalTime LocalTimeOf(const timespec& instant);
