// DecimalExpansion on arbitrary 80-bit patterns, significant digits and decimals: the markers
// match the value's class, the digits are well formed and stay within the precision asked for,
// and the expansion is the value rounded at that precision (against the exact digits).

#include "DecimalReference.h"
#include "FuzzSupport.h"

#include "conversions/NumberFormat.h"
#include "conversions/StartupSettings.h"

#include <cmath>

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    InitializeStartupSettings();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::TInput in(data, size);
    const long double x = in.Extended();
    const int precision = 2 + in.Byte() % 17;
    const std::uint8_t d = in.Byte();
    const int decimals = d >= 0xF0 ? UnlimitedDecimals : d % 19;

    const TDecimalExpansion e = DecimalExpansion(x, precision, decimals);
    const std::string where = fuzz::Show(x) + " P=" + std::to_string(precision) +
                              " D=" + std::to_string(decimals) + ": kind " +
                              std::to_string(static_cast<int>(e.Kind)) + " digits '" + e.Digits +
                              "' E=" + std::to_string(e.Exponent) + (e.Negative ? " negative" : "");

    // The shape holds for every input, also for encodings that no arithmetic produces.
    fuzz::Check(e.Digits.size() <= 18 && e.Digits.size() <= static_cast<unsigned>(precision),
                "too many digits for " + where);
    for (char c : e.Digits) {
        fuzz::Check(c >= '0' && c <= '9', "not a digit in " + where);
    }
    fuzz::Check(e.Digits.empty() || e.Digits.back() != '0', "trailing zero in " + where);
    fuzz::Check(e.Kind == TDecimalExpansion::TKind::Infinity || !e.Negative || !e.Digits.empty(),
                "negative zero or marker in " + where);
    fuzz::Check(e.Kind == TDecimalExpansion::TKind::Finite || e.Digits.empty(),
                "digits with a marker in " + where);
    if (fuzz::IsInvalidEncoding(x)) {
        return 0;
    }

    if (std::isnan(x)) {
        fuzz::Check(e.Kind == TDecimalExpansion::TKind::NotANumber && !e.Negative,
                    "not-a-number " + where);
        return 0;
    }
    if (std::isinf(x)) {
        fuzz::Check(e.Kind == TDecimalExpansion::TKind::Infinity && e.Negative == std::signbit(x),
                    "infinity " + where);
        return 0;
    }
    fuzz::Check(e.Kind == TDecimalExpansion::TKind::Finite, "finite value as marker: " + where);
    if (fuzz::BiasedExponent(x) == 0) {
        fuzz::Check(e.Digits.empty() && e.Exponent == 0 && !e.Negative,
                    "zero or denormal " + where);
        return 0;
    }
    fuzz::Check(e.Digits.empty() || e.Digits.front() != '0', "leading zero in " + where);
    fuzz::Check(e.Digits.empty() || e.Negative == std::signbit(x), "sign in " + where);

    // Rounded at the coarser of P significant digits and D decimals, from an 18-digit
    // expansion whose last digit may be off by the scaling's rounding.
    const fuzz::TExactDecimal exact = fuzz::ExactDecimal(x);
    const long double scaled = fuzz::LeadingScaled(exact); // in [1, 10)
    const long double got = fuzz::ScaledDigits(e.Digits, e.Exponent, exact.Exponent);
    long double half = 0.5L * std::pow(10.0L, 1 - precision);
    if (decimals != UnlimitedDecimals) {
        half = std::fmax(half, 0.5L * std::pow(10.0L, 1 - decimals - exact.Exponent));
    }
    const long double tolerance = half * (1 + 1e-12L) + 3e-17L;
    fuzz::Check(std::fabs(got - scaled) <= tolerance, "not rounded at the precision: " + where +
                                                          ", exactly 0." + exact.Digits + "E" +
                                                          std::to_string(exact.Exponent));
    if (decimals == UnlimitedDecimals) {
        fuzz::Check(!e.Digits.empty(), "no digits without a decimals limit: " + where);
    }
    return 0;
}
