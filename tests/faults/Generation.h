#pragma once

// The seven values as the writer of the kill test writes them in generation g: every value
// differs from one generation to the next (the boolean alternates), so a value read back names
// the generation it came from.

#include "Unitsetting.h"

#include <cstdint>
#include <string>

namespace faults {

inline constexpr int ValueCount = 7;

struct TValues {
    std::int32_t CigConsQty = 0;
    std::int32_t CigBoxQty = 0;
    float CigBoxPrice = 0;
    std::u16string UserName;
    std::u16string UserDOB;
    TDateTime UserStopTime = 0;
    bool SetupCompl = false;
};

// Generation 0 is the first start: every value at its default.
inline TValues ValuesOf(std::int64_t g) {
    if (g == 0) {
        return {};
    }
    TValues v;
    v.CigConsQty = static_cast<std::int32_t>(g);
    v.CigBoxQty = static_cast<std::int32_t>(-g);
    v.CigBoxPrice = static_cast<float>(g % 4000000) * 0.25f; // exact in single precision
    // Texts of changing length, so that rows grow and shrink across pages.
    const std::string digits = std::to_string(g);
    v.UserName = u"Name " + std::u16string(static_cast<std::size_t>(g % 97) * 13, u'\u00E4') +
                 std::u16string(digits.begin(), digits.end());
    v.UserDOB = std::u16string(digits.begin(), digits.end());
    v.UserStopTime = 42005.0 + static_cast<double>(g) / 1024.0;
    v.SetupCompl = g % 2 == 1;
    return v;
}

// Writes value k (0..6, in the order above) of generation g.
inline void WriteValue(TSetting& s, int k, std::int64_t g) {
    const TValues v = ValuesOf(g);
    switch (k) {
    case 0:
        return s.SetCigConsQty(v.CigConsQty);
    case 1:
        return s.SetCigBoxQty(v.CigBoxQty);
    case 2:
        return s.SetCigBoxPrice(v.CigBoxPrice);
    case 3:
        return s.SetUserName(v.UserName);
    case 4:
        return s.SetUserDOB(v.UserDOB);
    case 5:
        return s.SetUserStopTime(v.UserStopTime);
    default:
        return s.SetSetupCompl(v.SetupCompl);
    }
}

// Whether value k of what was read equals value k of generation g.
inline bool SameValue(const TValues& read, int k, std::int64_t g) {
    const TValues v = ValuesOf(g);
    switch (k) {
    case 0:
        return read.CigConsQty == v.CigConsQty;
    case 1:
        return read.CigBoxQty == v.CigBoxQty;
    case 2:
        return read.CigBoxPrice == v.CigBoxPrice;
    case 3:
        return read.UserName == v.UserName;
    case 4:
        return read.UserDOB == v.UserDOB;
    case 5:
        return read.UserStopTime == v.UserStopTime;
    default:
        return read.SetupCompl == v.SetupCompl;
    }
}

// Progress of a writer, in a shared file that outlives the writer's death: the sequence number
// s = 7 g + k plus one of the write begun last and of the write finished last.
struct TProgress {
    std::uint64_t Started;
    std::uint64_t Finished;
};

} // namespace faults
