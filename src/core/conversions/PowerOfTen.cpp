#include "conversions/PowerOfTen.h"

#include <array>
#include <cmath>
#include <cstdint>

namespace {

// Powers of ten correctly rounded to a 64-bit significand (hexadecimal literals, so that no
// compiler rounds them again). Any exponent below 5120 is at most one entry of each table.
constexpr std::array<Extended, 32> Fine = {
    0x8.000000000000000p-3L,  0xA.000000000000000p+0L,  0xC.800000000000000p+3L,
    0xF.A00000000000000p+6L,  0x9.C40000000000000p+10L, 0xC.350000000000000p+13L,
    0xF.424000000000000p+16L, 0x9.896800000000000p+20L, 0xB.EBC200000000000p+23L,
    0xE.E6B280000000000p+26L, 0x9.502F90000000000p+30L, 0xB.A43B74000000000p+33L,
    0xE.8D4A51000000000p+36L, 0x9.184E72A00000000p+40L, 0xB.5E620F480000000p+43L,
    0xE.35FA931A0000000p+46L, 0x8.E1BC9BF04000000p+50L, 0xB.1A2BC2EC5000000p+53L,
    0xD.E0B6B3A76400000p+56L, 0x8.AC7230489E80000p+60L, 0xA.D78EBC5AC620000p+63L,
    0xD.8D726B7177A8000p+66L, 0x8.78678326EAC9000p+70L, 0xA.968163F0A57B400p+73L,
    0xD.3C21BCECCEDA100p+76L, 0x8.4595161401484A0p+80L, 0xA.56FA5B99019A5C8p+83L,
    0xC.ECB8F27F4200F3Ap+86L, 0x8.13F3978F8940984p+90L, 0xA.18F07D736B90BE5p+93L,
    0xC.9F2C9CD04674EDFp+96L, 0xF.C6F7C4045812296p+99L};

constexpr std::array<Extended, 16> Coarse = {
    0x8.000000000000000p-3L,    0x9.DC5ADA82B70B59Ep+103L,  0xC.2781F49FFCFA6D5p+209L,
    0xE.FB3AB16C59B14A3p+315L,  0x9.3BA47C980E98CE0p+422L,  0xB.616A12B7FE617AAp+528L,
    0xE.070F78D3927556Bp+634L,  0x8.A5296FFE33CC930p+741L,  0xA.A7EEBFB9DF9DE8Ep+847L,
    0xD.226FC195C6A2F8Cp+953L,  0x8.1842F29F2CCE376p+1060L, 0x9.FA42700DB900AD2p+1166L,
    0xC.4C5E310AEF8AA17p+1272L, 0xF.28A9C07E9B09C59p+1378L, 0x9.57A4AE1EBF7F3D4p+1485L,
    0xB.83ED8DC0795A262p+1591L};

constexpr std::array<Extended, 10> Big = {0x8.000000000000000p-3L,     0xE.319A0AEA60E91C7p+1697L,
                                          0xC.976758681750C17p+3398L,  0xB.2B8353B3993A7E4p+5099L,
                                          0x9.E8B3B5DC53D5DE5p+6800L,  0x8.CA554C020A1F0A6p+8501L,
                                          0xF.9895D25D88B5A8Bp+10201L, 0xD.D5DC8A2BF27F3F8p+11902L,
                                          0xC.46052028A20979Bp+13603L, 0xA.E3511626ED559F0p+15304L};

constexpr std::int64_t Reach = 5119;

Extended Step(Extended x, Extended power, bool up) {
    return up ? x * power : x / power;
}

} // namespace

Extended ScaleByPowerOfTen(Extended x, std::int64_t n) {
    const bool up = n >= 0;
    std::uint64_t m = up ? static_cast<std::uint64_t>(n) : 0 - static_cast<std::uint64_t>(n);
    // Only texts with thousands of digits get beyond the tables; whole steps of the largest
    // entry keep their result meaningful (an overflow stays an infinity, an underflow zero).
    while (m > static_cast<std::uint64_t>(Reach) && x != 0 && std::isfinite(x)) {
        x = Step(x, Big.back(), up);
        m -= 512 * (Big.size() - 1);
    }
    if (m > static_cast<std::uint64_t>(Reach)) {
        return x;
    }
    if (m % 32 != 0) {
        x = Step(x, Fine[m % 32], up);
    }
    if ((m / 32) % 16 != 0) {
        x = Step(x, Coarse[(m / 32) % 16], up);
    }
    if (m / 512 != 0) {
        x = Step(x, Big[m / 512], up);
    }
    return x;
}
