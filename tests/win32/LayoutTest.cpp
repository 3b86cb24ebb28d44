#include "framework/Layout.h"

#include "runtime/Exceptions.h"
#include "runtime/Text.h"

#include <gtest/gtest.h>

namespace {

TEST(Layout, ReadsRecordsWithQuotedPropertiesAndSkipsComments) {
    const auto records = ParseLayout("# a comment\n"
                                     "FormX form - 0 0 987 795 text=Setup opacity=0.9\r\n"
                                     "\n"
                                     "PanelA panel FormX 0 713 987 82\n"
                                     "ButtonB button PanelA 811 10 166 62 text=\"<< Zurück\" "
                                     "onclick=ButtonBClick quote=\"a \"\"b\"\"\"\n");
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[0].Name, u"FormX");
    EXPECT_EQ(records[0].Parent, u"");
    EXPECT_EQ(records[0].Width, 987);
    EXPECT_EQ(records[0].Text(u"opacity"), u"0.9");
    EXPECT_EQ(records[1].Parent, u"FormX");
    EXPECT_EQ(records[1].Y, 713);
    EXPECT_EQ(records[2].Kind, u"button");
    EXPECT_EQ(records[2].Text(u"text"), u"<< Zur\u00fcck");
    EXPECT_EQ(records[2].Text(u"onclick"), u"ButtonBClick");
    EXPECT_EQ(records[2].Text(u"quote"), u"a \"b\"");
    EXPECT_EQ(records[2].Text(u"missing", u"fallback"), u"fallback");
    EXPECT_EQ(records[2].Integer(u"missing", 7), 7);
}

TEST(Layout, RejectsMalformedData) {
    const struct {
        const char* Why;
        const char* Data;
    } cases[] = {
        {"empty", "# only a comment\n"},
        {"too few fields", "F form - 0 0 10\n"},
        {"not a number", "F form - 0 0 ten 10\n"},
        {"trailing junk in a number", "F form - 0 0 10x 10\n"},
        {"property without =", "F form - 0 0 10 10 text\n"},
        {"unterminated quote", "F form - 0 0 10 10 text=\"abc\n"},
        {"name twice", "F form - 0 0 10 10\nA panel F 0 0 1 1\nA label F 0 0 1 1\n"},
        {"parent not declared above", "F form - 0 0 10 10\nA label B 0 0 1 1\nB panel F 0 0 1 1\n"},
        {"first record not the window", "A panel F 0 0 1 1\n"},
        {"a second window", "F form - 0 0 10 10\nG form - 0 0 10 10\n"},
    };
    for (const auto& c : cases) {
        EXPECT_THROW(ParseLayout(c.Data), Exception) << c.Why;
    }
}

TEST(Layout, NamesTheLineOfAFault) {
    try {
        ParseLayout("F form - 0 0 10 10\n\nA panel F 0 0 x 1\n");
        FAIL() << "no exception";
    } catch (const Exception& e) {
        EXPECT_NE(ToUtf8(e.Message()).find("line 3"), std::string::npos) << ToUtf8(e.Message());
    }
}

} // namespace
