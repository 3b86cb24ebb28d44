#pragma once

// The extended type in which arithmetic is carried out: the x87 80-bit format with GCC and
// Clang on x86; only a double where the compiler has no wider type (MSVC).
using Extended = long double;

// Days since 30 December 1899, 00:00; the fraction is the time of day. Local wall-clock time.
using TDateTime = double;
