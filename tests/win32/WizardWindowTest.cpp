// The wizard's real window under Wine: its styles and layout, the page flow driven by posted
// clicks, characters and key releases, the filters fed by real WM_CHAR, the modal showing, the
// message box, dragging, and a failure in a handler reaching the application object.

#include "BoxAnswerer.h"
#include "TestClock.h"
#include "Unitsetting.h"
#include "Unitsetup.h"
#include "WindowTest.h"
#include "app/Calendar.h"
#include "conversions/StartupSettings.h"
#include "runtime/Text.h"

#include <commctrl.h>

#include <cstdlib>
#include <cstring>
#include <memory>

namespace {

class WizardWindow : public TWindowTest {
protected:
    void SetUp() override {
        TWindowTest::SetUp();
        FormatSettings.DecimalSeparator = u',';
        Setting = new TSetting;
    }
    void TearDown() override {
        Form.reset();
        FormatSettings = Saved;
    }

    // The windows are made as at the first showing: what the construction set on the view
    // before they existed is there.
    void Create() {
        Form = std::make_unique<TFormSetup>(nullptr);
        Form->EnsureBuilt();
    }
    HWND Control(std::u16string_view name) const { return Form->Component(name).Handle; }
    HWND Edit(TField field) const { return Form->EditOf(field).Handle; }
    // The page's own visibility, also while the window is hidden.
    bool Showing(TPanel panel) const {
        return (GetWindowLongW(Form->PanelOf(panel).Handle, GWL_STYLE) & WS_VISIBLE) != 0;
    }
    // Empties a field as selecting all and typing over it would.
    void Clear(TField field) {
        Post(Edit(field), WM_CHAR, 1, 1); // Ctrl+A
        Post(Edit(field), WM_CHAR, VK_BACK, 1);
        Pump();
    }

    TFormatSettings Saved = FormatSettings;
    std::unique_ptr<TFormSetup> Form;
};

TEST_F(WizardWindow, IsASeeThroughLayeredWindowOfTheDeclaredLayout) {
    Create();
    HWND window = Form->Handle();
    EXPECT_NE(GetWindowLongW(window, GWL_STYLE) & WS_POPUP, 0);
    EXPECT_EQ(GetWindowLongW(window, GWL_STYLE) & WS_CAPTION, 0);
    EXPECT_NE(GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_LAYERED, 0);
    COLORREF key = 0;
    BYTE alpha = 0;
    DWORD flags = 0;
    ASSERT_TRUE(GetLayeredWindowAttributes(window, &key, &alpha, &flags));
    EXPECT_EQ(alpha, 230);
    EXPECT_EQ(flags, static_cast<DWORD>(LWA_COLORKEY | LWA_ALPHA));
    EXPECT_FALSE(IsWindowVisible(window));
    EXPECT_EQ(TextOf(window), L"Setup");

    Form->ShowCentered();
    // 1920 x 1080: (1920 - 987) / 2 = 466.5 -> 466, (1080 - 795) / 2 = 142.5 -> 142.
    const RECT rect = ScreenRect(window);
    EXPECT_EQ(rect.left, 466);
    EXPECT_EQ(rect.top, 142);
    EXPECT_EQ(rect.right - rect.left, 987);
    EXPECT_EQ(rect.bottom - rect.top, 795);

    // Rectangles in the window's client pixels; on a panel, within its 1-pixel border.
    const struct {
        const char16_t* Name;
        RECT Expected;
    } controls[] = {
        {u"PanelBottom", {0, 713, 987, 795}},
        {u"ButtonNext", {811, 723, 977, 785}},
        {u"ButtonPrevious", {635, 723, 801, 785}},
        {u"ButtonCancel", {10, 723, 201, 785}},
        {u"PanelTop", {0, 0, 987, 257}},
        {u"ImageTop", {1, 12, 986, 246}},
        {u"PanelCenterCigarettePrice", {0, 264, 987, 706}},
        {u"EditCigaretteBoxQuantity", {50, 497, 937, 552}},
        {u"LabelStart", {50, 294, 937, 705}},
    };
    for (const auto& c : controls) {
        RECT actual = ScreenRect(Control(c.Name));
        MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&actual), 2);
        EXPECT_EQ(actual.left, c.Expected.left) << ToUtf8(c.Name);
        EXPECT_EQ(actual.top, c.Expected.top) << ToUtf8(c.Name);
        EXPECT_EQ(actual.right, c.Expected.right) << ToUtf8(c.Name);
        EXPECT_EQ(actual.bottom, c.Expected.bottom) << ToUtf8(c.Name);
    }

    // Each button's text keeps a margin of 8 pixels on both sides, whatever the font.
    for (const char16_t* name : {u"ButtonNext", u"ButtonPrevious", u"ButtonCancel"}) {
        TControl& button = Form->Component(name);
        HDC dc = GetDC(button.Handle);
        HGDIOBJ previous = SelectObject(dc, button.Font);
        const std::wstring text = TextOf(button.Handle);
        SIZE extent{};
        GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &extent);
        SelectObject(dc, previous);
        ReleaseDC(button.Handle, dc);
        RECT client{};
        GetClientRect(button.Handle, &client);
        EXPECT_LE(extent.cx, client.right - 16) << ToUtf8(name);
        EXPECT_GT(extent.cx, client.right / 3) << ToUtf8(name); // not shrunk for nothing
    }
}

// Where the window would not fit the work area (here 720 pixels high, as the 1080 of a screen
// at 150 % are for its 795 logical pixels), everything is drawn smaller by one factor and the
// window lies within the work area; shown again with room, it is as designed.
TEST_F(WizardWindow, ShrinksAsAWholeToLieWithinTheWorkArea) {
    RECT saved{};
    ASSERT_TRUE(SystemParametersInfoW(SPI_GETWORKAREA, 0, &saved, 0));
    RECT work{0, 40, 1920, 760};
    ASSERT_TRUE(SystemParametersInfoW(SPI_SETWORKAREA, 0, &work, 0));
    Create();
    Form->ShowCentered();
    const RECT window = ScreenRect(Form->Handle());
    ASSERT_TRUE(SystemParametersInfoW(SPI_SETWORKAREA, 0, &saved, 0));
    // 987 x 795 times 720 / 795, centred across the screen, within the work area downwards.
    EXPECT_EQ(window.left, 513);
    EXPECT_EQ(window.top, 40);
    EXPECT_EQ(window.right - window.left, 894);
    EXPECT_EQ(window.bottom - window.top, 720);
    const double factor = 720.0 / 795;
    RECT button = ScreenRect(Control(u"ButtonNext"));
    MapWindowPoints(nullptr, Form->Handle(), reinterpret_cast<POINT*>(&button), 2);
    EXPECT_NEAR(button.left, 811 * factor, 1);
    EXPECT_NEAR(button.bottom, 785 * factor, 2);
    EXPECT_NEAR(button.right - button.left, 166 * factor, 1);
    LOGFONTW font{};
    GetObjectW(Form->Component(u"LabelStart").Font, sizeof(font), &font);
    EXPECT_NEAR(-font.lfHeight, 30 * factor, 1);

    Form->ShowCentered();
    const RECT again = ScreenRect(Form->Handle());
    EXPECT_EQ(again.right - again.left, 987);
    EXPECT_EQ(again.bottom - again.top, 795);
}

TEST_F(WizardWindow, FieldsHoldAnyLengthWithTheirTextInTheMiddleAndTheCalendarShowsOneMonth) {
    Create();
    Form->ShowCentered();
    for (TField field : {TField::Username, TField::CigaretteBoxQuantity}) {
        HWND edit = Edit(field);
        SetWindowTextW(edit, L"");
        // Far beyond a new edit's 30,000 characters.
        const std::wstring text(40000, L'7');
        SendMessageW(edit, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(text.c_str()));
        EXPECT_EQ(GetWindowTextLengthW(edit), 40000);
        // The text's line as far from the top of the field as from its bottom.
        RECT outer = ScreenRect(edit);
        RECT line{};
        GetClientRect(edit, &line);
        MapWindowPoints(edit, nullptr, reinterpret_cast<POINT*>(&line), 2);
        EXPECT_LE(std::abs((line.top - outer.top) - (outer.bottom - line.bottom)), 1);
        EXPECT_GT(line.top - outer.top, 5);
    }

    HWND calendar = Control(u"CalendarStopped");
    SYSTEMTIME range[2]{};
    EXPECT_EQ(
        SendMessageW(calendar, MCM_GETMONTHRANGE, GMR_VISIBLE, reinterpret_cast<LPARAM>(range)), 1);
    // Near the wizard's 30 pixels, from its place in the layout and within its page.
    LOGFONTW font{};
    ASSERT_TRUE(GetObjectW(reinterpret_cast<HFONT>(SendMessageW(calendar, WM_GETFONT, 0, 0)),
                           sizeof(font), &font));
    EXPECT_GE(-font.lfHeight, 24);
    EXPECT_LE(-font.lfHeight, 30);
    RECT place = ScreenRect(calendar);
    MapWindowPoints(nullptr, Control(u"PanelCenterFinish"), reinterpret_cast<POINT*>(&place), 2);
    EXPECT_EQ(place.left, 50);
    EXPECT_EQ(place.top, 85);
    EXPECT_LE(place.right, 937);
    EXPECT_LE(place.bottom, 441);
}

TEST_F(WizardWindow, AFirstStartOpensOnTheStartPageWithTheStoreDefaults) {
    TTestClock clock({2026, 3, 5, 10, 30});
    Create();
    EXPECT_TRUE(Showing(TPanel::Start));
    for (TPanel page : {TPanel::Name, TPanel::DOB, TPanel::CigaretteQuantity,
                        TPanel::CigarettePrice, TPanel::Finish}) {
        EXPECT_FALSE(Showing(page));
    }
    EXPECT_FALSE(IsWindowEnabled(Control(u"ButtonPrevious")));
    EXPECT_EQ(TextOf(Control(u"ButtonNext")), L"Weiter >>");
    EXPECT_EQ(TextOf(Edit(TField::Username)), L"");
    EXPECT_EQ(TextOf(Edit(TField::CigaretteQuantity)), L"0");
    EXPECT_EQ(TextOf(Edit(TField::CigaretteBoxPrice)), L"0");
    EXPECT_EQ(TextOf(Control(u"LabelStoppingDate")),
              L"An welchem Tag hast du mit dem Rauchen aufgeh\u00f6rt?");
    EXPECT_EQ(Form->CalendarDate(), DateTimeOf({2026, 3, 5}));

    // The calendar keeps whole days only.
    Form->SetCalendarDate(42016.573);
    EXPECT_EQ(Form->CalendarDate(), 42016.0);
}

TEST_F(WizardWindow, PagesFollowClicksAndEnterAndStoreWhatWasTyped) {
    TTestClock clock({2026, 3, 5, 10, 30});
    Create();
    Form->ShowCentered();

    Click(Control(u"ButtonNext"));
    EXPECT_TRUE(Showing(TPanel::Name));
    EXPECT_EQ(GetFocus(), Edit(TField::Username));
    // Enter in an empty field does nothing.
    Key(Edit(TField::Username), VK_RETURN);
    EXPECT_TRUE(Showing(TPanel::Name));
    Type(Edit(TField::Username), u"Zo\u00eb B");
    Key(Edit(TField::Username), VK_RETURN);
    EXPECT_TRUE(Showing(TPanel::DOB));
    EXPECT_EQ(GetFocus(), Edit(TField::DOB));
    EXPECT_EQ(Stored(L"UserName"), Sz(u"Zo\u00eb B"));

    Type(Edit(TField::DOB), u"1980");
    Key(Edit(TField::DOB), VK_RETURN);
    EXPECT_TRUE(Showing(TPanel::CigaretteQuantity));
    EXPECT_EQ(Stored(L"UserDOB"), Sz(u"1980"));

    Clear(TField::CigaretteQuantity);
    Type(Edit(TField::CigaretteQuantity), u"20");
    Key(Edit(TField::CigaretteQuantity), VK_RETURN);
    EXPECT_TRUE(Showing(TPanel::CigarettePrice));
    EXPECT_EQ(GetFocus(), Edit(TField::CigaretteBoxPrice));
    EXPECT_EQ(Stored(L"CigConsQty"), Dword(20));

    // Enter in the price moves to the pack count and keeps the page.
    Clear(TField::CigaretteBoxPrice);
    Type(Edit(TField::CigaretteBoxPrice), u"4,5");
    Key(Edit(TField::CigaretteBoxPrice), VK_RETURN);
    EXPECT_TRUE(Showing(TPanel::CigarettePrice));
    EXPECT_EQ(GetFocus(), Edit(TField::CigaretteBoxQuantity));
    Clear(TField::CigaretteBoxQuantity);
    Type(Edit(TField::CigaretteBoxQuantity), u"20");
    Key(Edit(TField::CigaretteBoxQuantity), VK_RETURN);
    EXPECT_TRUE(Showing(TPanel::Finish));
    EXPECT_EQ(TextOf(Control(u"ButtonNext")), L"Fertig");
    EXPECT_EQ(Stored(L"CigBoxPrice"), Binary({0, 0, 0, 0, 0, 0, 0x12, 0x40}));
    EXPECT_EQ(Stored(L"CigBoxQty"), Dword(20));

    Click(Control(u"ButtonPrevious"));
    EXPECT_TRUE(Showing(TPanel::CigarettePrice));
    EXPECT_EQ(TextOf(Control(u"ButtonNext")), L"Weiter >>");
    Click(Control(u"ButtonNext"));
    EXPECT_TRUE(Showing(TPanel::Finish));

    EXPECT_EQ(Stored(L"SetupCompl"), TStored{});
    Click(Control(u"ButtonNext"));
    EXPECT_EQ(Form->ModalResult, 1);
    EXPECT_FALSE(IsWindowVisible(Form->Handle()));
    // 5 March 2026 at 00:00 is day 46086.
    EXPECT_EQ(Stored(L"UserStopTime"), Binary({0, 0, 0, 0, 0xC0, 0x80, 0xE6, 0x40}));
    EXPECT_EQ(Stored(L"SetupCompl"), Dword(1));
}

TEST_F(WizardWindow, FiltersActOnTypedCharactersOnly) {
    Create();
    Form->ShowCentered();
    const struct {
        TField Field;
        std::u16string_view Typed;
        const wchar_t* Shown;
    } cases[] = {
        {TField::Username, u"Zo\u00eb 1!,.x", L"Zo\u00eb 1!,.x"},
        {TField::DOB, u"19x8-0,", L"1980"},
        {TField::CigaretteQuantity, u"2a0.5", L"205"},
        {TField::CigaretteBoxQuantity, u" 2,0", L"20"},
        {TField::CigaretteBoxPrice, u"4a,5.-e", L"4,5"},
        // Backspace is editing, not typing.
        {TField::CigaretteBoxPrice, u"12\b3", L"13"},
    };
    for (const auto& c : cases) {
        Clear(c.Field);
        Type(Edit(c.Field), c.Typed);
        EXPECT_EQ(TextOf(Edit(c.Field)), c.Shown) << ToUtf8(c.Typed);
    }

    // Pasted text is not typed: Ctrl+V inserts it unfiltered.
    ASSERT_TRUE(OpenClipboard(Form->Handle()));
    EmptyClipboard();
    const wchar_t pasted[] = L"12a";
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, sizeof(pasted));
    std::memcpy(GlobalLock(memory), pasted, sizeof(pasted));
    GlobalUnlock(memory);
    SetClipboardData(CF_UNICODETEXT, memory);
    CloseClipboard();
    Clear(TField::DOB);
    Type(Edit(TField::DOB), u"\x16");
    EXPECT_EQ(TextOf(Edit(TField::DOB)), L"12a");
}

TEST_F(WizardWindow, EscapeDoesNothingAndACloseRequestCancels) {
    Create();
    Form->ShowCentered();
    Click(Control(u"ButtonNext"));
    Key(Edit(TField::Username), VK_ESCAPE);
    Key(Control(u"ButtonNext"), VK_ESCAPE);
    EXPECT_EQ(Form->ModalResult, 0);
    EXPECT_TRUE(IsWindowVisible(Form->Handle()));
    EXPECT_TRUE(Showing(TPanel::Name));

    Post(Form->Handle(), WM_CLOSE);
    Pump();
    EXPECT_EQ(Form->ModalResult, 2);
    EXPECT_FALSE(IsWindowVisible(Form->Handle()));
}

TEST_F(WizardWindow, AModalShowingReturnsOneWhenFinishedAndTwoWhenCancelled) {
    Create();
    // Clicks waiting in the queue are taken by the showing's own loop.
    Post(Control(u"ButtonCancel"), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    Post(Control(u"ButtonCancel"), WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    EXPECT_EQ(Form->ShowModal(), 2);
    EXPECT_FALSE(IsWindowVisible(Form->Handle()));

    Form->Wizard.CurrentPanel = TPanel::Finish;
    Form->Wizard.ShowPanel(TPanel::Finish);
    Post(Control(u"ButtonNext"), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    Post(Control(u"ButtonNext"), WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    EXPECT_EQ(Form->ShowModal(), 1);
    EXPECT_EQ(Stored(L"SetupCompl"), Dword(1));
    // The next showing opens where the last one ended.
    EXPECT_TRUE(Showing(TPanel::Finish));
}

TEST_F(WizardWindow, AFailedPriceIsShownInTheMessageBoxAndTheFinishPageOpens) {
    Create();
    Form->ShowCentered();
    Form->Wizard.CurrentPanel = TPanel::CigarettePrice;
    Form->Wizard.ShowPanel(TPanel::CigarettePrice);
    Clear(TField::CigaretteBoxPrice);
    TBoxAnswerer answerer;
    Click(Control(u"ButtonNext"));
    ASSERT_EQ(answerer.Answered().size(), 1u);
    EXPECT_EQ(answerer.Answered()[0].Text, L"'' ist kein g\u00fcltiger Gleitkommawert");
    EXPECT_EQ(answerer.Answered()[0].Title, L"");
    EXPECT_TRUE(Showing(TPanel::Finish));
    EXPECT_EQ(Stored(L"CigBoxPrice"), TStored{});
}

TEST_F(WizardWindow, APressAnywhereDragsTheWindowAndSetsBothCursors) {
    Create();
    Form->ShowCentered();
    Click(Control(u"ButtonNext"));
    EXPECT_EQ(Form->Cursor(), TCursor::Cross);
    EXPECT_EQ(Form->Component(u"PanelTop").Cursor, TCursor::SizeAll);

    const RECT start = ScreenRect(Form->Handle());
    HWND edit = Edit(TField::Username);
    Post(edit, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 10));
    Post(edit, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(35, 3));
    Post(edit, WM_LBUTTONUP, 0, MAKELPARAM(10, 3));
    Pump();
    RECT moved = ScreenRect(Form->Handle());
    EXPECT_EQ(moved.left, start.left + 25);
    EXPECT_EQ(moved.top, start.top - 7);
    Post(edit, WM_MBUTTONDOWN, MK_MBUTTON, MAKELPARAM(10, 10));
    Post(edit, WM_MOUSEMOVE, MK_MBUTTON | MK_RBUTTON, MAKELPARAM(60, 60));
    Post(edit, WM_MBUTTONUP, 0, MAKELPARAM(60, 60));
    Pump();
    moved = ScreenRect(Form->Handle());
    EXPECT_EQ(moved.left, start.left + 25);
    EXPECT_EQ(moved.top, start.top - 7);
    // The next showing is centred again.
    Form->ShowCentered();
    EXPECT_EQ(ScreenRect(Form->Handle()).left, start.left);
}

TEST_F(WizardWindow, AStoreFailureInAHandlerIsShownAndTheWindowGoesOn) {
    Create();
    Form->ShowCentered();
    ASSERT_TRUE(MakeKeyReadOnly());
    TBoxAnswerer answerer;
    Click(Control(u"ButtonNext"));
    Type(Edit(TField::Username), u"Alex");
    // Through the edit's key release and through the button's click.
    Key(Edit(TField::Username), VK_RETURN);
    Click(Control(u"ButtonNext"));
    const auto boxes = answerer.Answered();
    ASSERT_EQ(boxes.size(), 2u);
    for (const TAnsweredBox& box : boxes) {
        EXPECT_FALSE(box.Text.empty());
        EXPECT_EQ(box.Title, L"");
    }
    EXPECT_TRUE(IsWindow(Form->Handle()));
    EXPECT_TRUE(IsWindowVisible(Form->Handle()));
}

} // namespace
