// FormatText with arbitrary formats and values (input: the format as UTF-8 up to the first NUL,
// then up to eight 80-bit patterns), with ',' and '.' as the separator. Each result is checked
// against an independent reading of the format built on FloatToFixedText, every field is
// checked for the documented characters and exactly its decimals (never cut to the width, the
// value recoverable to the last written digit), and every failure must be one of the two
// documented messages with the format cut to 31 code units.

#include "FuzzSupport.h"
#include "TextShape.h"

#include "conversions/NumberFormat.h"
#include "conversions/StartupSettings.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <vector>

namespace {

constexpr std::size_t MaxNumberDigits = 5; // wider fields only cost memory

enum class TOutcome { Text, NoArgument, Invalid, Either };

struct TModel {
    TOutcome Outcome = TOutcome::Text;
    bool Exact = true; // false where the format leaves the reading open ("%.f")
    std::u16string Text;
};

// FloatToFixedText's field: digits, separator, exactly D decimals; exponent form from 10^18 on.
void CheckFixedText(long double x, int decimals, const std::u16string& text, char16_t separator) {
    const std::string where =
        fuzz::Show(x) + " D=" + std::to_string(decimals) + " gave " + fuzz::Show(text);
    fuzz::TNumberText t;
    if (fuzz::CheckedMarkerOrSplit(x, text, separator, where, t)) {
        return;
    }
    const bool nonZero = fuzz::AnyNonZero(t.Integer) || fuzz::AnyNonZero(t.Fraction);
    fuzz::Check(t.Negative == (nonZero && std::signbit(x)), "sign: " + where);
    if (t.ExponentForm) {
        fuzz::Check(std::fabs(x) >= 9.9999999999999999e17L, "exponent form below 10^18: " + where);
        fuzz::Check(t.Integer.size() == 1 && t.Integer != u"0" && !t.ExponentNegative,
                    "mantissa or exponent: " + where);
        fuzz::Check(t.Fraction.empty() || t.Fraction.back() != u'0', "trailing zero: " + where);
        // Leading zeros fill the exponent to D digits when D is 4 or less, and only then.
        const std::size_t natural = std::max<std::size_t>(
            1, t.Exponent.size() - std::min(t.Exponent.find_first_not_of(u'0'), t.Exponent.size()));
        const std::size_t wanted = decimals <= 4 ? static_cast<std::size_t>(decimals) : 0;
        fuzz::Check(t.Exponent.size() == std::max(natural, wanted), "exponent digits: " + where);
        return;
    }
    fuzz::Check(t.Integer.size() <= 18 && (t.Integer.size() == 1 || t.Integer[0] != u'0'),
                "integer part: " + where);
    fuzz::Check(t.Fraction.size() == static_cast<std::size_t>(decimals) &&
                    t.Separator == (decimals > 0),
                "not exactly the decimals asked for: " + where);
    // Rounded at the last decimal, from 18 significant digits.
    const long double back = std::strtold(fuzz::ToCNumber(t).c_str(), nullptr);
    const long double tolerance = 0.5L * std::pow(10.0L, -decimals) * (1 + 1e-12L) +
                                  std::fabs(x) * 1e-17L + std::pow(10.0L, -18.0L);
    fuzz::Check(std::fabs(back - x) <= tolerance, "value: " + where);
}

std::u16string Field(const std::u16string& text, bool left, std::size_t width) {
    if (text.size() >= width) {
        return text;
    }
    const std::u16string fill(width - text.size(), u' ');
    return left ? text + fill : fill + text;
}

TModel Model(const std::u16string& f, const std::vector<long double>& values, char16_t separator) {
    TModel m;
    std::size_t next = 0;
    auto fail = [&](TOutcome outcome) {
        m.Outcome = outcome;
        return m;
    };
    for (std::size_t i = 0; i < f.size(); ++i) {
        if (f[i] != u'%') {
            m.Text += f[i];
            continue;
        }
        if (i + 1 < f.size() && f[i + 1] == u'%') {
            m.Text += u'%';
            ++i;
            continue;
        }
        std::size_t j = i + 1;
        const bool left = j < f.size() && f[j] == u'-';
        j += left ? 1 : 0;
        std::size_t width = 0;
        for (; j < f.size() && f[j] >= u'0' && f[j] <= u'9'; ++j) {
            width = width * 10 + (f[j] - u'0');
        }
        std::optional<std::size_t> precision;
        if (j < f.size() && f[j] == u'.') {
            ++j;
            const std::size_t start = j;
            std::size_t p = 0;
            for (; j < f.size() && f[j] >= u'0' && f[j] <= u'9'; ++j) {
                p = p * 10 + (f[j] - u'0');
            }
            if (j == start) {
                m.Exact = false;
            } else {
                precision = p;
            }
        }
        const bool letter = j < f.size() && (f[j] == u'f' || f[j] == u'F');
        if (!letter) {
            // With no value left either, which complaint comes first is open.
            return fail(next < values.size() ? TOutcome::Invalid : TOutcome::Either);
        }
        if (next == values.size()) {
            return fail(TOutcome::NoArgument);
        }
        const int decimals = precision && *precision <= 18 ? static_cast<int>(*precision) : 2;
        const long double x = values[next++];
        const std::u16string text = FloatToFixedText(x, decimals);
        CheckFixedText(x, decimals, text, separator);
        m.Text += Field(text, left, width);
        i = j;
    }
    return m;
}

bool FieldsTooWide(const std::u16string& f) {
    std::size_t run = 0;
    for (std::size_t i = 0; i < f.size(); ++i) {
        run = (f[i] >= u'0' && f[i] <= u'9') ? run + 1 : 0;
        if (run > MaxNumberDigits && f.find(u'%') < i) {
            return true;
        }
    }
    return false;
}

void CheckOne(const std::u16string& format, const std::vector<long double>& values,
              char16_t separator) {
    FormatSettings.DecimalSeparator = separator;
    const std::string where = "format " + fuzz::Show(format) + " with " +
                              std::to_string(values.size()) + " values, separator '" +
                              static_cast<char>(separator) + "'";
    const TModel expected = Model(format, values, separator);
    const std::u16string cut = format.substr(0, 31);
    try {
        const std::u16string text = FormatText(format, std::span<const long double>(values));
        fuzz::Check(expected.Outcome == TOutcome::Text, "no failure for " + where);
        fuzz::Check(!expected.Exact || text == expected.Text,
                    "gave " + fuzz::Show(text) + " instead of " + fuzz::Show(expected.Text) +
                        " for " + where);
    } catch (const EConvertError& e) {
        const bool noArgument = e.Message() == u"Kein Argument f\u00FCr Format '" + cut + u"'";
        const bool invalid =
            e.Message() ==
            u"Format '" + cut + u"' ung\u00FCltig oder nicht kompatibel mit Argument";
        fuzz::Check(noArgument || invalid, "message " + fuzz::Show(e.Message()) + " for " + where);
        fuzz::Check(!expected.Exact || expected.Outcome != TOutcome::Text,
                    "failed with " + fuzz::Show(e.Message()) + " for " + where);
        fuzz::Check(expected.Outcome != TOutcome::NoArgument || noArgument,
                    "wrong complaint " + fuzz::Show(e.Message()) + " for " + where);
        fuzz::Check(expected.Outcome != TOutcome::Invalid || invalid,
                    "wrong complaint " + fuzz::Show(e.Message()) + " for " + where);
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    InitializeStartupSettings();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto* end = static_cast<const std::uint8_t*>(std::memchr(data, 0, size));
    const std::size_t formatSize = end ? static_cast<std::size_t>(end - data) : size;
    const std::u16string format = fuzz::TextFromBytes(data, formatSize);
    if (FieldsTooWide(format)) {
        return 0;
    }
    fuzz::TInput in(data + formatSize, size - formatSize);
    in.Byte(); // the NUL
    std::vector<long double> values;
    while (in.Left() >= 10 && values.size() < 8) {
        values.push_back(in.Extended());
    }
    CheckOne(format, values, u',');
    CheckOne(format, values, u'.');
    return 0;
}
