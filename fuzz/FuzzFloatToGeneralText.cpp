// FloatToGeneralText on arbitrary 80-bit patterns, with ',' and '.' as the separator: only the
// documented characters and texts come out, in the documented form (exponent form exactly
// outside 0.0001 .. 10^15, no trailing zeros, no more than 15 significant digits), and
// TextToExtended reads the text back to within 15 significant digits of the value.

#include "DecimalReference.h"
#include "FuzzSupport.h"
#include "TextShape.h"

#include "conversions/NumberFormat.h"
#include "conversions/NumberParse.h"
#include "conversions/StartupSettings.h"

#include <cmath>

namespace {

void CheckOne(long double x, char16_t separator) {
    FormatSettings.DecimalSeparator = separator;
    const std::u16string text = FloatToGeneralText(x);
    const std::string where = fuzz::Show(x) + " gave " + fuzz::Show(text);
    fuzz::TNumberText t;
    if (fuzz::CheckedMarkerOrSplit(x, text, separator, where, t)) {
        return;
    }
    if (fuzz::BiasedExponent(x) == 0) {
        fuzz::Check(text == u"0", "zero or denormal: " + where);
        return;
    }
    fuzz::Check(t.Fraction.empty() || t.Fraction.back() != u'0', "trailing zero: " + where);
    const std::size_t firstFigure = t.Fraction.find_first_not_of(u'0');
    const std::size_t significant = t.Integer != u"0" ? t.Integer.size() + t.Fraction.size()
                                    : firstFigure == std::u16string::npos
                                        ? 0
                                        : t.Fraction.size() - firstFigure;
    fuzz::Check(significant <= 15, "more than 15 significant digits: " + where);
    fuzz::Check(t.Negative == std::signbit(x), "sign: " + where);
    if (t.ExponentForm) {
        fuzz::Check(t.Integer.size() == 1 && t.Integer != u"0", "mantissa: " + where);
        fuzz::Check(t.Exponent.size() == 1 || t.Exponent[0] != u'0', "exponent zeros: " + where);
        long n = 0;
        for (char16_t c : t.Exponent) {
            n = n < 100000 ? n * 10 + (c - u'0') : n;
        }
        fuzz::Check(t.ExponentNegative ? n >= 5 : n >= 15, "needless exponent form: " + where);
    } else {
        fuzz::Check(t.Integer.size() == 1 || t.Integer[0] != u'0', "leading zero: " + where);
        fuzz::Check(t.Integer.size() <= 15, "fixed form beyond 10^15: " + where);
        fuzz::Check(t.Integer != u"0" || t.Fraction.find_first_not_of(u'0') <= 3,
                    "fixed form below 0.0001: " + where);
    }

    long double back = 0;
    try {
        back = TextToExtended(text);
    } catch (const EConvertError&) {
        fuzz::Fail("TextToExtended rejected " + where);
    }
    // Near the bottom of the range the read-back itself loses digits to denormals.
    if (std::fabs(x) < 1e-4920L) {
        return;
    }
    const fuzz::TExactDecimal exact = fuzz::ExactDecimal(x);
    const long double unit = std::pow(10.0L, exact.Exponent - 1);
    const long double error = std::fabs(back / unit - x / unit);
    fuzz::Check(error <= 0.5e-14L * (1 + 1e-9L) + 1e-17L,
                "read back as " + fuzz::Show(back) + ", not within 15 digits: " + where);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    InitializeStartupSettings();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::TInput in(data, size);
    const long double x = in.Extended();
    CheckOne(x, u',');
    CheckOne(x, u'.');
    return 0;
}
