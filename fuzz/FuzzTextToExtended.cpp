// TextToExtended on arbitrary text, with ',' and with '.' as the decimal separator, against an
// independent reading of its syntax and the C library's correctly rounded strtold: the same
// texts are accepted (apart from magnitudes beyond the extended range, which must be rejected),
// accepted values are close to the exact decimal value and never infinite or not-a-number,
// every rejection carries the exact message, and the floating-point control state is handed
// back unchanged.

#include "FpControl.h"
#include "FuzzSupport.h"

#include "conversions/NumberParse.h"
#include "conversions/StartupSettings.h"

#include <cfloat>
#include <cmath>
#include <optional>

namespace {

struct TParsed {
    std::string Ascii;             // the same number for strtold, in the C locale's spelling
    long SignificantDigits = 0;    // digits after leading zeros, integer and fraction together
    long long DecimalExponent = 0; // exponent minus the number of fraction digits
};

bool IsDigit(char16_t c) {
    return c >= u'0' && c <= u'9';
}

std::optional<TParsed> Reference(const std::u16string& s, char16_t separator) {
    TParsed p;
    std::size_t i = 0;
    while (i < s.size() && s[i] == u' ') {
        ++i;
    }
    if (i < s.size() && (s[i] == u'+' || s[i] == u'-')) {
        if (s[i] == u'-') {
            p.Ascii += '-';
        }
        ++i;
    }
    std::size_t consumed = 0;
    bool leading = true;
    auto digit = [&](char16_t c) {
        p.Ascii += static_cast<char>(c);
        if (c != u'0') {
            leading = false;
        }
        if (!leading) {
            ++p.SignificantDigits;
        }
    };
    for (; i < s.size() && IsDigit(s[i]); ++i, ++consumed) {
        digit(s[i]);
    }
    p.Ascii += '.';
    if (i < s.size() && s[i] == separator) {
        ++i;
        ++consumed;
        for (; i < s.size() && IsDigit(s[i]); ++i, ++consumed) {
            digit(s[i]);
            --p.DecimalExponent;
        }
    }
    if (consumed == 0) {
        return std::nullopt;
    }
    long exponent = 0;
    if (i < s.size() && (s[i] == u'E' || s[i] == u'e')) {
        ++i;
        bool negative = false;
        if (i < s.size() && (s[i] == u'+' || s[i] == u'-')) {
            negative = s[i] == u'-';
            ++i;
        }
        while (i < s.size() && IsDigit(s[i]) && exponent < 500) {
            exponent = exponent * 10 + (s[i] - u'0');
            ++i;
        }
        if (negative) {
            exponent = -exponent;
        }
    }
    while (i < s.size() && s[i] == u' ') {
        ++i;
    }
    if (i != s.size()) {
        return std::nullopt;
    }
    p.DecimalExponent += exponent;
    p.Ascii = (p.Ascii == "." || p.Ascii == "-.") ? p.Ascii + "0" : p.Ascii;
    if (p.Ascii.back() == '.') {
        p.Ascii += '0';
    }
    p.Ascii += "e" + std::to_string(exponent);
    return p;
}

void CheckOne(const std::u16string& text, char16_t separator) {
    FormatSettings.DecimalSeparator = separator;
    const std::optional<TParsed> expected = Reference(text, separator);
    const std::string where =
        fuzz::Show(text) + " with separator '" + static_cast<char>(separator) + "'";
    const fuzz::TFpControl before = fuzz::ReadFpControl();
    std::optional<long double> value;
    try {
        value = TextToExtended(text);
    } catch (const EConvertError& e) {
        fuzz::Check(e.Message() == u"'" + text + u"' ist kein g\u00FCltiger Gleitkommawert",
                    "message " + fuzz::Show(e.Message()) + " for " + where);
    }
    fuzz::Check(fuzz::ReadFpControl() == before, "control word not restored after " + where);

    if (!expected) {
        fuzz::Check(!value, "accepted " + where);
        return;
    }
    const long double exact = std::strtold(expected->Ascii.c_str(), nullptr);
    // A magnitude of about 10^4932 or more, in the digits alone or in the whole value, does not
    // fit the extended format; near that edge rounding decides, so both answers are allowed.
    const long double magnitude = expected->SignificantDigits + expected->DecimalExponent;
    const bool beyondRange = expected->SignificantDigits >= 4931 || magnitude >= 4931;
    if (!value) {
        fuzz::Check(beyondRange || std::isinf(exact), "rejected " + where);
        return;
    }
    fuzz::Check(!std::isnan(*value) && !std::isinf(*value),
                "not a finite value: " + fuzz::Show(*value) + " for " + where);
    fuzz::Check(!std::isinf(exact) || std::fabs(*value) >= LDBL_MAX / 2,
                "accepted a magnitude beyond the extended range: " + where);
    if (std::isinf(exact)) {
        return;
    }
    // Below the normal range the digits of precision dwindle; only the size is checked there.
    if (std::fabs(exact) < 1e-4900L) {
        fuzz::Check(std::fabs(*value) < 1e-4890L,
                    "tiny value " + fuzz::Show(exact) + " read as " + fuzz::Show(*value));
        return;
    }
    fuzz::Check(std::signbit(*value) == std::signbit(exact) || *value == 0,
                "sign of " + fuzz::Show(*value) + " for " + where);
    fuzz::Check(std::fabs(*value - exact) <= 1e-15L * std::fabs(exact),
                "value " + fuzz::Show(*value) + " for " + where + ", exactly " + fuzz::Show(exact));
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    InitializeStartupSettings();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::u16string text = fuzz::TextFromBytes(data, size);
    CheckOne(text, u',');
    CheckOne(text, u'.');
    return 0;
}
