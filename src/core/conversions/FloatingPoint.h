#pragma once

// The floating-point mode of the run and the checked operations through which every Part
// divides and narrows. Failures are raised by explicit tests, never by hardware traps, and no
// infinity or not-a-number is ever returned from them.

#include "conversions/Types.h"

#include <cstdint>

// Extended intermediates with a 64-bit significand, round to nearest, all exceptions masked.
void SetFloatingPointMode();

// a / b. Raises EZeroDivide ("Gleitkommadivision durch Null") for a finite non-zero a and b = 0,
// EInvalidOp ("Ungültige Gleitkommaoperation") for 0 / 0 or a not-a-number operand, EOverflow
// ("Gleitkommaüberlauf") when the quotient is too large for the extended format.
Extended CheckedDivide(Extended a, Extended b);

// a * b, with EInvalidOp for 0 x infinity or a not-a-number and EOverflow for an infinite result.
Extended CheckedMultiply(Extended a, Extended b);

// Narrowing to single and double precision, rounded to nearest. EOverflow when the value is
// beyond the destination's range, EInvalidOp for a not-a-number; a tiny value gives a
// denormal or zero without an exception.
float NarrowToSingle(Extended x);
double NarrowToDouble(Extended x);

// Truncation toward zero to a 64-bit integer, then the low 32 bits read as signed. Out of range,
// infinity and not-a-number give 0 (the 64-bit pattern 0x8000000000000000). Raises nothing.
std::int32_t TruncateToInteger(Extended x);
