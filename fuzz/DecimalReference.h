#pragma once

// The exact decimal digits of an extended value, from the C library (glibc prints long doubles
// correctly rounded), as the yardstick for the float-to-text conversions.

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace fuzz {

struct TExactDecimal {
    std::string Digits; // 25 significant digits
    int Exponent = 0;   // |x| = 0.Digits x 10^Exponent
};

// For a finite, non-zero x.
inline TExactDecimal ExactDecimal(long double x) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.24Le", std::fabs(x));
    TExactDecimal d;
    const char* p = buf;
    for (; *p != 'e'; ++p) {
        if (*p >= '0' && *p <= '9') {
            d.Digits += *p;
        }
    }
    d.Exponent = std::atoi(p + 1) + 1;
    return d;
}

// |x| / 10^(Exponent - 1): the exact value scaled into [1, 10), to 19 digits.
inline long double LeadingScaled(const TExactDecimal& d) {
    return std::strtold((d.Digits.substr(0, 1) + "." + d.Digits.substr(1)).c_str(), nullptr);
}

// 0.digits x 10^exponent scaled by 10^-(reference - 1), for digit strings of up to 18 digits.
inline long double ScaledDigits(const std::string& digits, long exponent, int reference) {
    if (digits.empty()) {
        return 0;
    }
    const std::string text = "0." + digits + "e" + std::to_string(exponent - (reference - 1));
    return std::strtold(text.c_str(), nullptr);
}

} // namespace fuzz
