#include "conversions/NarrowText.h"

namespace {

// Code page 1252 differs from Latin-1 only in 0x80..0x9F; its five unassigned bytes there map
// to the C1 controls of the same number, as Windows maps them.
constexpr char16_t High1252[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

} // namespace

std::u16string WidenNarrowText(const char* text) {
    std::u16string out;
    if (text == nullptr) {
        return out;
    }
    for (; *text != '\0'; ++text) {
        const auto byte = static_cast<unsigned char>(*text);
        out += byte >= 0x80 && byte <= 0x9F ? High1252[byte - 0x80] : static_cast<char16_t>(byte);
    }
    return out;
}
