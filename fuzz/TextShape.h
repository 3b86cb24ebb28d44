#pragma once

// What the float-to-text conversions may write: digits, the decimal separator, '-', 'E', and
// the texts "INF", "-INF" and "NAN"; checked field by field.

#include "FuzzSupport.h"

#include <cmath>
#include <cstddef>
#include <string>

namespace fuzz {

struct TNumberText {
    bool Special = false; // "INF", "-INF" or "NAN"
    bool Negative = false;
    std::u16string Integer;  // digits before the separator
    std::u16string Fraction; // digits after it (the separator written exactly when non-empty)
    bool Separator = false;
    bool ExponentForm = false;
    bool ExponentNegative = false;
    std::u16string Exponent; // digits after 'E'
};

inline bool AllDigits(const std::u16string& s) {
    for (char16_t c : s) {
        if (c < u'0' || c > u'9') {
            return false;
        }
    }
    return !s.empty();
}

// Splits a text into its fields; false when it is not of the shape at all.
inline bool SplitNumberText(const std::u16string& text, char16_t separator, TNumberText& out) {
    out = TNumberText{};
    if (text == u"INF" || text == u"-INF" || text == u"NAN") {
        out.Special = true;
        out.Negative = text[0] == u'-';
        return true;
    }
    std::size_t i = 0;
    if (i < text.size() && text[i] == u'-') {
        out.Negative = true;
        ++i;
    }
    std::size_t start = i;
    while (i < text.size() && text[i] >= u'0' && text[i] <= u'9') {
        ++i;
    }
    out.Integer = text.substr(start, i - start);
    if (i < text.size() && text[i] == separator) {
        out.Separator = true;
        start = ++i;
        while (i < text.size() && text[i] >= u'0' && text[i] <= u'9') {
            ++i;
        }
        out.Fraction = text.substr(start, i - start);
        if (out.Fraction.empty()) {
            return false;
        }
    }
    if (i < text.size() && text[i] == u'E') {
        out.ExponentForm = true;
        ++i;
        if (i < text.size() && text[i] == u'-') {
            out.ExponentNegative = true;
            ++i;
        }
        out.Exponent = text.substr(i);
        if (!AllDigits(out.Exponent)) {
            return false;
        }
        i = text.size();
    }
    return i == text.size() && AllDigits(out.Integer);
}

inline bool AnyNonZero(const std::u16string& s) {
    return s.find_first_not_of(u'0') != std::u16string::npos;
}

// The text in the C library's spelling, for strtold.
inline std::string ToCNumber(const TNumberText& t) {
    std::string s = t.Negative ? "-" : "";
    for (char16_t c : t.Integer) {
        s += static_cast<char>(c);
    }
    if (!t.Fraction.empty()) {
        s += '.';
        for (char16_t c : t.Fraction) {
            s += static_cast<char>(c);
        }
    }
    if (t.ExponentForm) {
        s += t.ExponentNegative ? "e-" : "e";
        for (char16_t c : t.Exponent) {
            s += static_cast<char>(c);
        }
    }
    return s;
}

// Checks that `text`, written for x, is a number text; for an infinity or a not-a-number that it
// is exactly the marker. True when nothing further can be checked: a marker, or an encoding
// that is no valid 80-bit value.
inline bool CheckedMarkerOrSplit(long double x, const std::u16string& text, char16_t separator,
                                 const std::string& where, TNumberText& t) {
    Check(SplitNumberText(text, separator, t), "not a number text: " + where);
    if (IsInvalidEncoding(x)) {
        return true;
    }
    if (std::isnan(x) || std::isinf(x)) {
        Check(text == (std::isnan(x)     ? u"NAN"
                       : std::signbit(x) ? u"-INF"
                                         : u"INF"),
              "marker: " + where);
        return true;
    }
    Check(!t.Special, "marker for a finite value: " + where);
    return false;
}

} // namespace fuzz
