#include "conversions/NarrowText.h"
#include "conversions/StartupSettings.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(WidenNarrowText, WidensTheProgramsConstantsAsCodePage1252Does) {
    if (NarrowCodePage != 1252) {
        GTEST_SKIP() << "the ANSI code page is " << NarrowCodePage << ", not 1252";
    }
    const std::pair<const char*, const char16_t*> cases[] = {
        {"", u""},
        {"Weiter >>", u"Weiter >>"},
        {"%7.0f  %10.2f\x80", u"%7.0f  %10.2f\u20AC"},
        {"Datum, an dem Sie aufgeh\xF6rt haben", u"Datum, an dem Sie aufgeh\u00F6rt haben"},
        {"\x82\x8A\x9F", u"\u201A\u0160\u0178"},
        {"\x81\x8D\x8F\x90\x9D", u"\u0081\u008D\u008F\u0090\u009D"}, // unassigned: C1 controls
        {"\x7F\xA0\xFF", u"\u007F\u00A0\u00FF"},
        {"ab\0cd", u"ab"}, // up to the first NUL
    };
    for (const auto& [narrow, wide] : cases) {
        EXPECT_EQ(WidenNarrowText(narrow), wide) << narrow;
    }
}

} // namespace
