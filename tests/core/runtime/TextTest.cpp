#include "runtime/Text.h"
#include "runtime/Exceptions.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace {

struct Utf8Case {
    std::u16string utf16;
    std::string utf8;
};

TEST(TextConversion, RoundTripsEveryPlane) {
    const Utf8Case cases[] = {
        {u"", ""},
        {u"abc", "abc"},
        {u"Gleitkommaüberlauf", "Gleitkomma\xC3\xBC"
                                "berlauf"},
        {u"195,00\u20AC", "195,00\xE2\x82\xAC"},
        {u"\U0001F6AD", "\xF0\x9F\x9A\xAD"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ToUtf8(c.utf16), c.utf8);
        EXPECT_EQ(FromUtf8(c.utf8), c.utf16);
    }
}

TEST(TextConversion, MalformedInputBecomesReplacementCharacters) {
    EXPECT_EQ(ToUtf8(std::u16string(1, u'\xD800')), "\xEF\xBF\xBD");
    EXPECT_EQ(FromUtf8("a\xC3"), u"a\uFFFD");                   // cut sequence
    EXPECT_EQ(FromUtf8("\xC0\xAF"), u"\uFFFD\uFFFD");           // overlong form
    EXPECT_EQ(FromUtf8("\xED\xA0\x80"), u"\uFFFD\uFFFD\uFFFD"); // encoded surrogate
}

TEST(ExceptionTree, CarriesMessageAndInnerException) {
    auto inner = std::make_shared<EZeroDivide>(u"Gleitkommadivision durch Null");
    const EConvertError outer(u"au\u00DFen", inner);
    EXPECT_EQ(outer.Message(), u"au\u00DFen");
    EXPECT_STREQ(outer.what(), "au\xC3\x9F"
                               "en");
    ASSERT_NE(outer.InnerException(), nullptr);
    EXPECT_NE(dynamic_cast<const EMathError*>(outer.InnerException()), nullptr);
    EXPECT_EQ(outer.InnerException()->Message(), u"Gleitkommadivision durch Null");
}

} // namespace
