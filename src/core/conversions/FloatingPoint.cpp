#include "conversions/FloatingPoint.h"

#include "runtime/Exceptions.h"

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <limits>

namespace {

[[noreturn]] void RaiseInvalidOp() {
    throw EInvalidOp(u"Ung\u00FCltige Gleitkommaoperation");
}
[[noreturn]] void RaiseZeroDivide() {
    throw EZeroDivide(u"Gleitkommadivision durch Null");
}
[[noreturn]] void RaiseOverflow() {
    throw EOverflow(u"Gleitkomma\u00FCberlauf");
}

// The smallest magnitude that rounds to infinity when narrowed: the largest finite value plus
// half a unit in its last place (a tie rounds to the even significand, which is infinity).
template <typename T> Extended OverflowThreshold() {
    constexpr int digits = std::numeric_limits<T>::digits;
    constexpr int maxExponent = std::numeric_limits<T>::max_exponent;
    return std::ldexp(Extended{1}, maxExponent) - std::ldexp(Extended{1}, maxExponent - digits - 1);
}

template <typename T> T Narrow(Extended x) {
    if (std::isnan(x)) {
        RaiseInvalidOp();
    }
    if constexpr (std::numeric_limits<Extended>::max_exponent >
                  std::numeric_limits<T>::max_exponent) {
        static const Extended threshold = OverflowThreshold<T>();
        if (std::fabs(x) >= threshold) {
            RaiseOverflow();
        }
        if (std::fabs(x) > std::numeric_limits<T>::max()) {
            return std::signbit(x) ? -std::numeric_limits<T>::max() : std::numeric_limits<T>::max();
        }
    } else if (std::isinf(x)) {
        RaiseOverflow();
    }
    return static_cast<T>(x);
}

} // namespace

void SetFloatingPointMode() {
#if defined(__i386__) || defined(__x86_64__)
    // x87: all exceptions masked (they are raised by explicit tests instead), 64-bit
    // significand, round to nearest. Some Windows C runtimes start at 53 bits.
    const std::uint16_t x87 = 0x137F;
    __asm__ __volatile__("fninit\n\tfldcw %0" : : "m"(x87));
    // SSE: all exceptions masked, round to nearest, no flush to zero.
    const std::uint32_t mxcsr = 0x1F80;
    __asm__ __volatile__("ldmxcsr %0" : : "m"(mxcsr));
#endif
}

Extended CheckedDivide(Extended a, Extended b) {
    if (std::isnan(a) || std::isnan(b)) {
        RaiseInvalidOp();
    }
    if (b == 0) {
        if (a == 0) {
            RaiseInvalidOp();
        }
        RaiseZeroDivide();
    }
    const Extended q = a / b;
    if (std::isnan(q)) {
        RaiseInvalidOp();
    }
    if (std::isinf(q)) {
        RaiseOverflow();
    }
    return q;
}

Extended CheckedMultiply(Extended a, Extended b) {
    if (std::isnan(a) || std::isnan(b)) {
        RaiseInvalidOp();
    }
    const Extended p = a * b;
    if (std::isnan(p)) {
        RaiseInvalidOp();
    }
    if (std::isinf(p)) {
        RaiseOverflow();
    }
    return p;
}

float NarrowToSingle(Extended x) {
    return Narrow<float>(x);
}

double NarrowToDouble(Extended x) {
    return Narrow<double>(x);
}

std::int32_t TruncateToInteger(Extended x) {
    // The 64-bit range, exclusive at both ends after truncation toward zero.
    constexpr Extended lower = -9223372036854775809.0L;
    constexpr Extended upper = 9223372036854775808.0L;
    if (!(x > lower && x < upper)) {
        return 0; // the pattern 0x8000000000000000, whose low 32 bits are 0
    }
    const auto wide = static_cast<std::int64_t>(x);
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(wide));
}
