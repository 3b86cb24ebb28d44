// The application object's message box, answered as a user would.

#include "BoxAnswerer.h"
#include "WindowTest.h"

namespace {

class ApplicationObject : public TWindowTest {};

TEST_F(ApplicationObject, ShowsTheInnermostMessageWithTheFullStopRuleAndAnEmptyTitle) {
    const struct {
        std::u16string Message;
        std::u16string Inner;
        const wchar_t* Shown;
    } cases[] = {
        {u"Gleitkommadivision durch Null", u"", L"Gleitkommadivision durch Null."},
        {u"Fehler beim Holen der Daten f\u00fcr 'UserName'", u"",
         L"Fehler beim Holen der Daten f\u00fcr 'UserName'"},
        {u"Ende.", u"", L"Ende."},
        {u"", u"", L""},
        {u"au\u00dfen", u"innen", L"innen."},
    };
    for (const auto& c : cases) {
        TBoxAnswerer answerer;
        const auto inner = c.Inner.empty() ? nullptr : std::make_shared<const Exception>(c.Inner);
        Application->ShowException(Exception(c.Message, inner));
        const auto boxes = answerer.Answered();
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].Text, c.Shown);
        EXPECT_EQ(boxes[0].Title, L"");
        EXPECT_EQ(boxes[0].Button, L"OK");
    }
}

TEST_F(ApplicationObject, ABoxWithALongMessageLiesWithinTheWorkArea) {
    std::u16string text;
    for (int i = 0; i < 300; ++i) {
        text += u"Fehler beim Holen der Daten f\u00fcr 'x' ";
    }
    TBoxAnswerer answerer;
    Application->ShowMessage(text);
    const auto boxes = answerer.Answered();
    ASSERT_EQ(boxes.size(), 1u);
    RECT work{};
    ASSERT_TRUE(SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0));
    const RECT& box = boxes[0].Window;
    EXPECT_GE(box.left, work.left);
    EXPECT_GE(box.top, work.top);
    EXPECT_LE(box.right, work.right);
    EXPECT_LE(box.bottom, work.bottom);
}

TEST_F(ApplicationObject, DropsAnAbortAndTracksAnOpenBox) {
    TBoxAnswerer answerer;
    Application->HandleException(EAbort(u"still"));
    EXPECT_TRUE(answerer.Answered().empty());
    EXPECT_FALSE(Application->MessageBoxShowing());
    Application->HandleException(Exception(u"laut"));
    ASSERT_EQ(answerer.Answered().size(), 1u);
    EXPECT_EQ(answerer.Answered()[0].Text, L"laut.");
    EXPECT_FALSE(Application->MessageBoxShowing());
}

} // namespace
