#pragma once

// Scaling by a power of ten, shared by the float-to-text and text-to-float conversions so that
// both round alike: at most three multiplications (or divisions for a negative exponent) by
// tabulated powers, each rounded to the extended format.

#include "conversions/Types.h"

#include <cstdint>

Extended ScaleByPowerOfTen(Extended x, std::int64_t n);
