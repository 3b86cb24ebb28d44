#pragma once

// The floating-point control state that a conversion must hand back as it found it.

#include <cstdint>

namespace fuzz {

struct TFpControl {
    std::uint16_t X87 = 0;
    std::uint32_t Mxcsr = 0;
    bool operator==(const TFpControl&) const = default;
};

inline TFpControl ReadFpControl() {
    TFpControl c;
#if defined(__i386__) || defined(__x86_64__)
    __asm__ __volatile__("fnstcw %0" : "=m"(c.X87));
    __asm__ __volatile__("stmxcsr %0" : "=m"(c.Mxcsr));
    c.Mxcsr &= ~0x3Fu; // the sticky flags are not control
#endif
    return c;
}

} // namespace fuzz
