// The ticker's real window under Wine: its styles and place, the label after ticks with the
// clock set by hand, a failing tick, dragging by posted mouse messages, and "Beenden".

#include "BoxAnswerer.h"
#include "SeparatorScope.h"
#include "TestClock.h"
#include "Unitmain.h"
#include "Unitprogress.h"
#include "Unitsetting.h"
#include "Unitsetup.h"
#include "WindowTest.h"

#include <commctrl.h>

#include <cstdlib>
#include <memory>

namespace {

// 1 January 2015, 00:00.
constexpr TDateTime StopDay = 42005.0;

class TickerWindow : public TWindowTest {
protected:
    void SetUp() override {
        TWindowTest::SetUp();
        FormatSettings.DecimalSeparator = u',';
    }
    void TearDown() override {
        Form.reset();
        FormatSettings = Saved;
    }

    static void StoreFigures(std::int32_t perPack, bool complete) {
        TSetting store;
        store.SetCigConsQty(20);
        store.SetCigBoxPrice(6.5f);
        store.SetCigBoxQty(perPack);
        store.SetUserStopTime(StopDay);
        store.SetSetupCompl(complete);
    }

    // As the application object does: construct, creation notification, shown centred.
    void Start() {
        Form = std::make_unique<TFormMain>(Application);
        Form->AfterConstruction();
        Form->ShowCentered();
        Pump();
    }
    void Tick() {
        Post(Form->Handle(), WM_TIMER, Form->TimerMain->Id);
        Pump();
    }
    std::wstring Label() const { return TextOf(Form->LabelMoney->Handle); }

    TFormatSettings Saved = FormatSettings;
    std::unique_ptr<TFormMain> Form;
};

TEST_F(TickerWindow, IsATopMostLayeredToolWindowCentredOnThePrimaryScreen) {
    StoreFigures(20, true);
    TTestClock clock({2015, 1, 31});
    Start();
    HWND window = Form->Handle();
    const LONG style = GetWindowLongW(window, GWL_STYLE);
    const LONG exStyle = GetWindowLongW(window, GWL_EXSTYLE);
    EXPECT_NE(style & WS_POPUP, 0);
    EXPECT_EQ(style & (WS_CAPTION | WS_THICKFRAME | WS_SYSMENU), 0);
    EXPECT_EQ(exStyle & (WS_EX_LAYERED | WS_EX_TOPMOST | WS_EX_TOOLWINDOW),
              WS_EX_LAYERED | WS_EX_TOPMOST | WS_EX_TOOLWINDOW);
    EXPECT_TRUE(IsWindowVisible(window));

    // The test's screen is 1920 x 1080: (1920 - 286) / 2 = 817, (1080 - 29) / 2 = 525.5 -> 526.
    ASSERT_EQ(GetSystemMetrics(SM_CXSCREEN), 1920);
    const RECT rect = ScreenRect(window);
    EXPECT_EQ(rect.left, 817);
    EXPECT_EQ(rect.top, 526);
    EXPECT_EQ(rect.right - rect.left, 286);
    EXPECT_EQ(rect.bottom - rect.top, 29);

    // The wizard exists, without its windows until it is shown (most starts never show it);
    // made, they are hidden, and not owned by the ticker, which would then lie below it.
    ASSERT_NE(FormSetup, nullptr);
    EXPECT_EQ(FormSetup->Handle(), nullptr);
    FormSetup->EnsureBuilt();
    ASSERT_NE(FormSetup->Handle(), nullptr);
    EXPECT_FALSE(IsWindowVisible(FormSetup->Handle()));
    HWND owner = GetWindow(FormSetup->Handle(), GW_OWNER);
    ASSERT_NE(owner, nullptr); // so that the window manager gives it the keyboard
    EXPECT_NE(owner, window);
    EXPECT_FALSE(IsWindowVisible(owner));
}

// Whether `upper` lies above `lower` in the z-order of top-level windows.
bool Above(HWND upper, HWND lower) {
    for (HWND window = GetWindow(lower, GW_HWNDPREV); window != nullptr;
         window = GetWindow(window, GW_HWNDPREV)) {
        if (window == upper) {
            return true;
        }
    }
    return false;
}

struct TSeenWhileShown {
    bool TickerAbove = false;
    bool TickerEnabled = true;
    HWND Focus = nullptr;
};
TSeenWhileShown Seen;

// Runs inside the wizard's modal loop: notes what it sees, then cancels the showing.
void CALLBACK LookAndCancel(HWND, UINT, UINT_PTR timer, DWORD) {
    KillTimer(nullptr, timer);
    Seen.TickerAbove = Above(FormMain->Handle(), FormSetup->Handle());
    Seen.TickerEnabled = IsWindowEnabled(FormMain->Handle()) != FALSE;
    Seen.Focus = GetFocus();
    // As a click would leave it: the button pressed last holds the focus.
    SetFocus(FormSetup->Component(u"ButtonCancel").Handle);
    FormSetup->ButtonCancelClick();
}

TEST_F(TickerWindow, StaysAboveTheWizardItShowsAndTakesNoInputMeanwhile) {
    StoreFigures(20, true);
    TTestClock clock({2015, 1, 31});
    Start();
    FormMain = Form.get();
    for (int showing = 0; showing < 2; ++showing) {
        Seen = {};
        SetTimer(nullptr, 0, 50, LookAndCancel);
        Post(Form->Handle(), WM_COMMAND, MAKEWPARAM(Form->MenuItemSettings->Id, 0));
        Pump();
        EXPECT_TRUE(Seen.TickerAbove) << "showing " << showing;
        EXPECT_FALSE(Seen.TickerEnabled) << "showing " << showing;
        // No control focused as a showing opens, not even the button pressed last.
        EXPECT_EQ(Seen.Focus, FormSetup->Handle()) << "showing " << showing;
        EXPECT_TRUE(IsWindowEnabled(Form->Handle()));
    }
    FormMain = nullptr;
}

TEST_F(TickerWindow, TheTooltipAsksTheAppLayerForItsTextEachTimeItOpens) {
    // The tip's text as the control hands it out; asking for it sends the same notification
    // as the tip opening does.
    const auto tip = [this] {
        wchar_t text[512] = {};
        TTTOOLINFOW tool{};
        tool.cbSize = sizeof(tool);
        tool.hwnd = Form->Handle();
        tool.uId = reinterpret_cast<UINT_PTR>(Form->ImageMain->Handle);
        tool.lpszText = text;
        SendMessageW(Form->Tooltip, TTM_GETTEXTW, 512, reinterpret_cast<LPARAM>(&tool));
        return std::wstring(text);
    };
    StoreFigures(20, true);
    TTestClock clock({2015, 1, 31});
    // Made when the pointer first comes over the ticker, not at start.
    SetCursorPos(0, 0);
    Start();
    EXPECT_EQ(Form->Tooltip, nullptr);
    Post(Form->ImageMain->Handle, WM_MOUSEMOVE, 0, MAKELPARAM(200, 20));
    Pump();
    ASSERT_NE(Form->Tooltip, nullptr);
    EXPECT_EQ(tip(), L"30 Tage, 0 Stunden rauchfrei.\nAm 01.02.2015: Husten und Kurzatmigkeit "
                     L"gehen zur\u00fcck.\nDoppelklick zeigt deinen Fortschritt.");
    TTestClock::Now = {2015, 1, 31, 5};
    EXPECT_EQ(tip().substr(0, 29), L"30 Tage, 5 Stunden rauchfrei.");

    // No tip while setup is not complete.
    TSetting().SetSetupCompl(false);
    EXPECT_EQ(tip(), L"");
}

TEST_F(TickerWindow, ADoubleClickOpensDeinFortschrittAnOrdinaryWindow) {
    StoreFigures(20, true);
    TTestClock clock({2015, 1, 31});
    Start();
    const auto doubleClick = [this] {
        for (int click = 0; click < 2; ++click) {
            Post(Form->ImageMain->Handle, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(40, 10));
            Post(Form->ImageMain->Handle, WM_LBUTTONUP, 0, MAKELPARAM(40, 10));
        }
        Pump();
    };
    EXPECT_EQ(Form->FormProgress, nullptr); // built at its first showing only
    doubleClick();
    TFormProgress* progress = Form->FormProgress;
    ASSERT_NE(progress, nullptr);
    HWND window = progress->Handle();
    EXPECT_TRUE(IsWindowVisible(window));
    EXPECT_EQ(TextOf(window), L"Dein Fortschritt");
    EXPECT_EQ(GetWindowLongW(window, GWL_STYLE) & (WS_CAPTION | WS_SYSMENU | WS_POPUP),
              WS_CAPTION | WS_SYSMENU);
    EXPECT_EQ(GetWindowLongW(window, GWL_EXSTYLE) & (WS_EX_TOPMOST | WS_EX_TOOLWINDOW), 0);
    EXPECT_EQ(GetWindow(window, GW_OWNER), nullptr); // a task bar entry of its own
    EXPECT_EQ(TextOf(progress->LabelSmokeFree->Handle),
              L"Rauchfrei seit 01.01.2015, 30 Tage, 0 Stunden");
    EXPECT_EQ(TextOf(progress->LabelLifeWon->Handle),
              L"Gewonnene Lebenszeit: etwa 8 Tage, 8 Stunden");
    // The next milestone, a month, is the only bar, and nearly full.
    EXPECT_EQ(TextOf(progress->LabelMilestoneDays[3]->Handle), L"am 01.02.2015");
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(IsWindowVisible(progress->BarMilestones[i]->Handle) != FALSE, i == 3) << i;
    }
    EXPECT_EQ(SendMessageW(progress->BarMilestones[3]->Handle, PBM_GETPOS, 0, 0), 9677);
    // Clear of the ticker, which lies in the centre above every window.
    const RECT rect = ScreenRect(window);
    const RECT ticker = ScreenRect(Form->Handle());
    RECT common{};
    EXPECT_FALSE(IntersectRect(&common, &rect, &ticker));

    TTestClock::Now = {2015, 2, 1};
    Tick(); // the minute's tick refreshes it
    EXPECT_EQ(TextOf(progress->LabelCigarettes->Handle), L"620 Zigaretten nicht geraucht");
    doubleClick(); // brought to the front: the same window
    EXPECT_EQ(Form->FormProgress, progress);
    Post(window, WM_CLOSE);
    Pump();
    EXPECT_FALSE(IsWindowVisible(window));
    EXPECT_TRUE(IsWindowVisible(Form->Handle()));
}

TEST_F(TickerWindow, ShowsTheTotalsAtOnceAndAfterEachTick) {
    StoreFigures(20, true);
    TTestClock clock({2015, 1, 31});
    Start();
    EXPECT_EQ(Label(), L"    600      195,00\u20ac");

    TTestClock::Now = {2015, 2, 1};
    Tick();
    EXPECT_EQ(Label(), L"    620      201,50\u20ac");
}

TEST_F(TickerWindow, KeepsItsDesignTextWhileTheSetupIsIncomplete) {
    StoreFigures(20, false);
    TTestClock clock({2015, 1, 31});
    // The first start's wizard runs in a nested loop; this click, posted to its button made
    // ahead of the showing, cancels it.
    Form = std::make_unique<TFormMain>(Application);
    FormSetup->EnsureBuilt();
    Post(FormSetup->Component(u"ButtonCancel").Handle, WM_LBUTTONDOWN, MK_LBUTTON,
         MAKELPARAM(5, 5));
    Post(FormSetup->Component(u"ButtonCancel").Handle, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    Form->AfterConstruction();
    Form->ShowCentered();
    EXPECT_EQ(Label(), L"123");
    Tick();
    EXPECT_EQ(Label(), L"123");
    EXPECT_EQ(Stored(L"SetupCompl"), Dword(0));
}

TEST_F(TickerWindow, AFailingTickIsShownOnceUntilATickSucceeds) {
    StoreFigures(0, true);
    TTestClock clock({2015, 1, 31});
    TBoxAnswerer answerer;
    Start();
    // The first computation fails: shown, and start-up goes on with the design text.
    EXPECT_EQ(Label(), L"123");
    Tick();
    Tick();
    ASSERT_EQ(answerer.Answered().size(), 1u);
    EXPECT_EQ(answerer.Answered()[0].Text, L"Gleitkommadivision durch Null.");
    EXPECT_EQ(answerer.Answered()[0].Title, L"");

    TSetting().SetCigBoxQty(20);
    Tick();
    EXPECT_EQ(Label(), L"    600      195,00\u20ac");
    TSetting().SetCigBoxQty(0);
    Tick();
    EXPECT_EQ(answerer.Answered().size(), 2u);
    EXPECT_EQ(Label(), L"    600      195,00\u20ac");
}

TEST_F(TickerWindow, TheLeftButtonDragsOtherButtonsDoNot) {
    StoreFigures(20, true);
    TTestClock clock({2015, 1, 31});
    Start();
    HWND image = Form->ImageMain->Handle;
    const RECT start = ScreenRect(Form->Handle());

    Post(image, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(40, 14));
    Pump();
    EXPECT_EQ(Form->Cursor(), TCursor::SizeAll);
    EXPECT_EQ(Form->Ticker.MouseDownX, 40.0f);
    EXPECT_EQ(GetCapture(), Form->Handle()); // until the release, wherever the pointer goes
    Post(image, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(60, 4));
    Pump();
    RECT moved = ScreenRect(Form->Handle());
    EXPECT_EQ(moved.left, start.left + 20);
    EXPECT_EQ(moved.top, start.top - 10);
    // The pressed point is under the pointer again: a move to it changes nothing.
    Post(image, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(40, 14));
    Pump();
    EXPECT_EQ(ScreenRect(Form->Handle()).left, start.left + 20);
    Post(image, WM_LBUTTONUP, 0, MAKELPARAM(40, 14));
    Pump();
    EXPECT_EQ(Form->Cursor(), TCursor::Default);
    EXPECT_EQ(GetCapture(), nullptr);

    // Moves without the left button held.
    Post(image, WM_MBUTTONDOWN, MK_MBUTTON, MAKELPARAM(40, 14));
    Post(image, WM_MOUSEMOVE, MK_MBUTTON, MAKELPARAM(90, 20));
    Post(image, WM_MOUSEMOVE, MK_RBUTTON, MAKELPARAM(90, 20));
    Post(image, WM_MOUSEMOVE, 0, MAKELPARAM(90, 20));
    Post(image, WM_MBUTTONUP, 0, MAKELPARAM(90, 20));
    Pump();
    moved = ScreenRect(Form->Handle());
    EXPECT_EQ(moved.left, start.left + 20);
    EXPECT_EQ(moved.top, start.top - 10);
}

TEST_F(TickerWindow, BeendenClosesTheWindowAndEndsTheLoop) {
    StoreFigures(20, true);
    TTestClock clock({2015, 1, 31});
    Start();
    Application->MainForm = Form.get();
    Post(Form->Handle(), WM_COMMAND, MAKEWPARAM(Form->MenuItemClose->Id, 0));
    Pump();
    Application->MainForm = nullptr;
    EXPECT_TRUE(Application->Terminated);
    EXPECT_EQ(Form->Handle(), nullptr);
}

} // namespace
