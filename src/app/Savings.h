#pragma once

// The ticker's arithmetic: the two running totals since the stop date and their display text.
// Each step is its own function so that the caller can interleave the store's reads with them
// in their order, and a failure leaves what earlier steps stored.

#include "conversions/Types.h"

#include <cstdint>
#include <string>

// The 8-bit display format: "%7.0f  %10.2f" and the byte 0x80 (the euro sign in code page
// 1252), widened through the ANSI code page at each use.
extern const char SavingsDisplayFormat[15];

// The minute count as the totals use it: its low 32 bits, read as signed.
std::int32_t MinuteCount(std::int64_t wholeMinutes);

// (perDay x 1/1440) x minutes in extended precision, stored as single.
float CigarettesNotSmokedAfter(std::int32_t perDay, std::int32_t minutes);

// (price / perPack) x cigarettes in extended precision, stored as single. EZeroDivide for a
// pack size of 0, EInvalidOp when the price is 0 as well, EOverflow beyond single range.
float MoneySavedOn(float price, std::int32_t perPack, float cigarettesNotSmoked);

// "    600      195,00€" for 600 and 195 under a German locale.
std::u16string SavingsText(float cigarettesNotSmoked, float moneySaved);
