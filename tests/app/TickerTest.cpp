// The ticker's behaviour without a window: what start-up decides and shows, what a tick shows
// and when a failure opens a box, the menu, and dragging; each case as the calls the window
// sees, in order, on a real store.

#include "AppFixture.h"
#include "FakeViews.h"

#include "app/Calendar.h"
#include "app/Ticker.h"

#include <gmock/gmock.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <string>
#include <vector>

namespace {

using testing::ElementsAreArray;

const std::string Totals30Days = "Label(    600      195,00\xE2\x82\xAC)";

// Setup complete: 20 a day at 6,50 a pack of 20, stopped 30 days before noon.
TStored Complete(std::int32_t perDay = 20, float price = 6.5F, std::int32_t perPack = 20,
                 double daysBefore = 30) {
    return {.CigConsQty = perDay,
            .CigBoxPrice = price,
            .CigBoxQty = perPack,
            .UserStopTime = 45352.5 - daysBefore,
            .SetupCompl = true};
}

class TickerTest : public TAppTest {
protected:
    TRecordingTickerView View;
    TTicker Ticker{View};
};

TEST_F(TickerTest, StartUpDecidesTheWizardAndTheFirstTotals) {
    struct TCase {
        const char* Name;
        TStored Before;
        int WizardResult;
        std::function<void()> InWizard; // what the user stores in the wizard
        std::vector<std::string> Calls;
        std::optional<bool> SetupComplAfter;
    };
    TStored figuresOnly = Complete();
    figuresOnly.SetupCompl = false;
    const TCase cases[] = {
        {"setup complete: no wizard, the totals", Complete(), 2, {}, {Totals30Days}, true},
        {"first start, wizard cancelled: the label keeps its text",
         {},
         2,
         {},
         {"ShowSetupModal"},
         std::nullopt},
        {"first start, wizard finished: the totals of what it stored",
         {},
         1,
         [] {
             Setting->SetCigConsQty(20);
             Setting->SetCigBoxPrice(6.5F);
             Setting->SetCigBoxQty(20);
             Setting->SetUserStopTime(45352.5 - 30);
             Setting->SetSetupCompl(true);
         },
         {"ShowSetupModal", Totals30Days},
         true},
        {"wizard finished without storing the flag: start-up stores it",
         figuresOnly,
         1,
         {},
         {"ShowSetupModal", Totals30Days},
         true},
        {"pack size 0: shown, start-up goes on",
         Complete(20, 6.5F, 0),
         2,
         {},
         {"Box(Gleitkommadivision durch Null.)"},
         true},
        {"pack size and price 0",
         Complete(20, 0, 0),
         2,
         {},
         {"Box(Ung\xC3\xBCltige Gleitkommaoperation.)"},
         true},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        UseFreshHive();
        Store(c.Before);
        TRecordingTickerView view;
        view.WizardResult = c.WizardResult;
        view.Wizard = c.InWizard;
        TTicker ticker(view);
        ticker.FormCreate();
        EXPECT_THAT(view.Calls, ElementsAreArray(c.Calls));
        EXPECT_EQ(Stored().SetupCompl, c.SetupComplAfter);
    }
}

TEST_F(TickerTest, AnUnreadableValueIsShownOnceAndStartUpGoesOn) {
    // A SetupCompl that cannot be read counts as not complete, so the wizard opens; its second
    // read fails the same way and is not shown again.
    Store(Complete());
    Setting->WriteStringValue(SetupComplName, u"zwanzig");
    Ticker.FormCreate();
    EXPECT_THAT(View.Calls,
                ElementsAreArray({"Box(Fehler beim Holen der Daten f\xC3\xBCr 'SetupCompl')",
                                  "ShowSetupModal"}));
}

TEST_F(TickerTest, UpdateDisplayComputesBothTotalsAndTheText) {
    const struct {
        TStored Stored;
        std::string Label;
        float Cigarettes;
        float Money;
    } cases[] = {
        {Complete(), Totals30Days, 600, 195},
        {Complete(1, 4, 20, 1.5), "Label(      2        0,30\xE2\x82\xAC)", 1.5F, 0.3F},
        {Complete(20, 6.5F, 20, 0), "Label(      0        0,00\xE2\x82\xAC)", 0, 0},
        {Complete(20, 6.5F, 20, 59.0 / 86400), "Label(      0        0,00\xE2\x82\xAC)", 0, 0},
        {Complete(20, 6.5F, 20, -30), Totals30Days, 600, 195}, // a stop day ahead counts alike
        {Complete(0), "Label(      0        0,00\xE2\x82\xAC)", 0, 0},
        {Complete(20000, 6.5F, 20, 36525),
         "Label(730499968  237412496,00\xE2\x82\xAC)", // longer than the columns: not cut
         730499968.0F, 237412496.0F},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Label);
        Store(c.Stored);
        View.Calls.clear();
        Ticker.UpdateDisplay();
        EXPECT_THAT(View.Calls, ElementsAreArray({c.Label}));
        EXPECT_EQ(Ticker.CigarettesNotSmoked, c.Cigarettes);
        EXPECT_EQ(Ticker.MoneySaved, c.Money);
    }
}

TEST_F(TickerTest, AFailingUpdateKeepsTheLabelAndTheMoney) {
    Store(Complete());
    Ticker.UpdateDisplay();
    Store(Complete(40, 6.5F, 0));
    View.Calls.clear();
    EXPECT_THROW(Ticker.UpdateDisplay(), EZeroDivide);
    EXPECT_TRUE(View.Calls.empty());
    EXPECT_EQ(Ticker.CigarettesNotSmoked, 1200.0F); // stored before the division
    EXPECT_EQ(Ticker.MoneySaved, 195.0F);
}

TEST_F(TickerTest, TicksShowAFailureOnceUntilItChangesOrATickSucceeds) {
    const struct {
        TStored Stored;
        std::vector<std::string> Calls;
    } steps[] = {
        {Complete(20, 6.5F, 0), {"Box(Gleitkommadivision durch Null.)"}},
        {Complete(20, 6.5F, 0), {}},
        {Complete(20, 0, 0), {"Box(Ung\xC3\xBCltige Gleitkommaoperation.)"}},
        {Complete(40), {"Label(   1200      390,00\xE2\x82\xAC)"}},
        {Complete(20, 6.5F, 0), {"Box(Gleitkommadivision durch Null.)"}},
        {{.SetupCompl = false}, {}}, // nothing to refresh, and that counts as a success
        {Complete(20, 6.5F, 0), {"Box(Gleitkommadivision durch Null.)"}},
    };
    int step = 0;
    for (const auto& s : steps) {
        SCOPED_TRACE(testing::Message() << "step " << ++step);
        Store(s.Stored);
        View.Calls.clear();
        Ticker.TimerMainTimer();
        EXPECT_THAT(View.Calls, ElementsAreArray(s.Calls));
    }
}

TEST_F(TickerTest, ATickWhileABoxIsOpenOpensNoSecondBox) {
    Store(Complete(20, 6.5F, 0));
    View.BoxOpen = true;
    Ticker.TimerMainTimer();
    EXPECT_TRUE(View.Calls.empty());
    // The one not shown then is shown at the next tick.
    View.BoxOpen = false;
    Ticker.TimerMainTimer();
    EXPECT_THAT(View.Calls, ElementsAreArray({"Box(Gleitkommadivision durch Null.)"}));
}

TEST_F(TickerTest, TheMenu) {
    struct TCase {
        const char* Name;
        std::function<void(TTicker&)> Choose;
        int WizardResult;
        std::vector<std::string> Calls;
        std::optional<bool> SetupComplAfter;
    };
    const TCase cases[] = {
        {"Beenden closes at once",
         [](TTicker& t) { t.MenuItemCloseClick(); },
         2,
         {"Close"},
         std::nullopt},
        // Finishing stores the flag; the totals wait for the next tick.
        {"Einstellungen finished",
         [](TTicker& t) { t.MenuItemSettingsClick(); },
         1,
         {"ShowSetupModal"},
         true},
        {"Einstellungen cancelled",
         [](TTicker& t) { t.MenuItemSettingsClick(); },
         2,
         {"ShowSetupModal"},
         std::nullopt},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        UseFreshHive();
        TRecordingTickerView view;
        view.WizardResult = c.WizardResult;
        TTicker ticker(view);
        c.Choose(ticker);
        EXPECT_THAT(view.Calls, ElementsAreArray(c.Calls));
        EXPECT_EQ(Stored().SetupCompl, c.SetupComplAfter);
    }
}

TEST_F(TickerTest, DraggingFollowsThePointerWhileTheLeftButtonIsHeld) {
    struct TMove {
        bool Left;
        float X, Y;
    };
    const struct {
        const char* Name;
        float DownX, DownY;
        std::vector<TMove> Moves;
        std::vector<std::string> Calls;
        bool MovesIgnored = false, SystemMoveTaken = true, MovesKnownIgnored = false;
    } cases[] = {
        {"left button: horizontal first, then vertical",
         10,
         5,
         {{true, 30, 25}},
         {"Cursor(crSizeAll)", "MoveTo(837, 526)", "MoveTo(837, 546)", "Cursor(crDefault)"}},
        {"other buttons only: no move",
         10,
         5,
         {{false, 30, 25}},
         {"Cursor(crSizeAll)", "Cursor(crDefault)"}},
        {"fractions truncate toward zero",
         10,
         5,
         {{true, 9.5F, -4.25F}},
         {"Cursor(crSizeAll)", "MoveTo(816, 526)", "MoveTo(816, 516)", "Cursor(crDefault)"}},
        {"moves of 0, 1, 3 and threshold-1 px, each way: a click, nothing moves",
         10,
         5,
         {{true, 10, 5}, {true, 11, 4}, {true, 7, 8}, {true, 14, 2}, {true, 6, 8}},
         {"Cursor(crSizeAll)", "Cursor(crDefault)"}},
        {"threshold+1 px across: a drag that lands exactly",
         10,
         5,
         {{true, 12, 5}, {true, 16, 5}},
         {"Cursor(crSizeAll)", "MoveTo(823, 526)", "MoveTo(823, 526)", "Cursor(crDefault)"}},
        {"threshold+1 px down: a drag that lands exactly",
         10,
         5,
         {{true, 10, 10}},
         {"Cursor(crSizeAll)", "MoveTo(817, 526)", "MoveTo(817, 531)", "Cursor(crDefault)"}},
        {"a tremble, then +150,-90: lands exactly",
         10,
         5,
         {{true, 11, 6}, {true, 160, -85}},
         {"Cursor(crSizeAll)", "MoveTo(967, 526)", "MoveTo(967, 436)", "Cursor(crDefault)"}},
        {"no bounds: off the screen",
         0,
         0,
         {{true, -2000, 3000}},
         {"Cursor(crSizeAll)", "MoveTo(-1183, 526)", "MoveTo(-1183, 3526)", "Cursor(crDefault)"}},
        {"moves ignored twice: the window manager is asked to take the drag over",
         10,
         5,
         {{true, 20, 5}, {true, 30, 5}, {true, 40, 5}, {true, 50, 5}},
         {"Cursor(crSizeAll)", "MoveTo(827, 526)", "MoveTo(827, 526)", "MoveTo(837, 526)",
          "MoveTo(837, 526)", "SystemMove", "Cursor(crDefault)"},
         true},
        {"nobody takes the drag over: the window goes on asking, the manager is asked once",
         10,
         5,
         {{true, 20, 5}, {true, 30, 5}, {true, 40, 5}, {true, 50, 5}},
         {"Cursor(crSizeAll)", "MoveTo(827, 526)", "MoveTo(827, 526)", "MoveTo(837, 526)",
          "MoveTo(837, 526)", "SystemMove", "MoveTo(847, 526)", "MoveTo(847, 526)",
          "MoveTo(857, 526)", "MoveTo(857, 526)", "Cursor(crDefault)"},
         true,
         false},
        {"moves known to be ignored (weston, sway): the window manager takes the drag as it "
         "begins",
         10,
         5,
         {{true, 12, 7}, {true, 20, 5}, {true, 30, 5}},
         {"Cursor(crSizeAll)", "SystemMove", "Cursor(crDefault)"},
         true,
         true,
         true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        TRecordingTickerView view;
        view.MovesIgnored = c.MovesIgnored;
        view.SystemMoveTaken = c.SystemMoveTaken;
        view.MovesKnownIgnored = c.MovesKnownIgnored;
        TTicker ticker(view);
        ticker.FormMouseDown(c.DownX, c.DownY, true);
        EXPECT_EQ(ticker.MouseDownX, c.DownX);
        EXPECT_EQ(ticker.MouseDownY, c.DownY);
        for (const TMove& m : c.Moves) {
            ticker.FormMouseMove(m.Left, m.X, m.Y);
        }
        ticker.FormMouseUp(true);
        EXPECT_THAT(view.Calls, ElementsAreArray(c.Calls));
    }
}

// Each event: 'L' a left press, 'l' one 3 px to the right of it (outside the double-click
// rectangle), 'R' a right press, 'T' a tremble of the held left button within the drag threshold
// (1 px, then 3), 'D' a drag by it, 'U' and 'u' the left and right release; each press at the
// time that follows it.
TEST_F(TickerTest, ALeftDoubleClickWithoutADragShowsTheProgress) {
    struct TEvent {
        char Kind;
        std::uint32_t Time = 0;
    };
    const struct {
        const char* Name;
        bool SetupComplete;
        std::vector<TEvent> Events;
        int Showings;
    } cases[] = {
        {"two clicks within the time", true, {{'L', 1000}, {'U'}, {'L', 1500}, {'U'}}, 1},
        {"the second press too late", true, {{'L', 1000}, {'U'}, {'L', 1501}, {'U'}}, 0},
        {"a tremble in either click", true, {{'L', 0}, {'T'}, {'U'}, {'L', 100}, {'T'}, {'U'}}, 1},
        {"the second press outside the rectangle", true, {{'L', 0}, {'U'}, {'l', 100}, {'U'}}, 0},
        {"a drag in the first click", true, {{'L', 0}, {'D'}, {'U'}, {'L', 100}, {'U'}}, 0},
        {"a drag in the second click", true, {{'L', 0}, {'U'}, {'L', 100}, {'D'}, {'U'}}, 0},
        {"a right click between", true, {{'L', 0}, {'U'}, {'R', 50}, {'u'}, {'L', 100}, {'U'}}, 0},
        {"right double-click", true, {{'R', 0}, {'u'}, {'R', 100}, {'u'}}, 0},
        {"three clicks are one double-click",
         true,
         {{'L', 0}, {'U'}, {'L', 100}, {'U'}, {'L', 200}, {'U'}},
         1},
        {"the clock's count wraps between",
         true,
         {{'L', 0xFFFFFF80u}, {'U'}, {'L', 0x100}, {'U'}},
         1},
        {"setup not complete", false, {{'L', 0}, {'U'}, {'L', 100}, {'U'}}, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        UseFreshHive();
        TStored stored = Complete();
        stored.SetupCompl = c.SetupComplete;
        Store(stored);
        TRecordingTickerView view;
        TTicker ticker(view);
        for (const TEvent& e : c.Events) {
            view.EventTime = e.Time;
            switch (e.Kind) {
            case 'L':
            case 'R':
                ticker.FormMouseDown(10, 5, e.Kind == 'L');
                break;
            case 'l':
                ticker.FormMouseDown(13, 5, true);
                break;
            case 'T':
                ticker.FormMouseMove(true, 11, 5);
                ticker.FormMouseMove(true, 13, 4);
                break;
            case 'D':
                ticker.FormMouseMove(true, 16, 5);
                break;
            default:
                ticker.FormMouseUp(e.Kind == 'U');
            }
        }
        const auto showings = std::count(view.Calls.begin(), view.Calls.end(), "ShowProgress");
        EXPECT_EQ(showings, c.Showings);
        if (c.Showings > 0) { // the totals first, so that the window shows what the label shows
            EXPECT_EQ(*(std::find(view.Calls.begin(), view.Calls.end(), "ShowProgress") - 1),
                      Totals30Days);
        }
    }
}

// Each step sets the clock to a number of minutes after the stop moment and ticks; its notices
// are what the window is asked to show at that tick.
TEST_F(TickerTest, AMilestoneNoticeAtTheTickForTheLatestReachedAndNotYetTold) {
    constexpr TDateTime stop = 45352.5; // 1 March 2024, 12:00
    constexpr double hours = 60, days = 1440;
    const std::string pulse = "Dein Puls und dein Blutdruck sinken.";
    const std::string carbon = "Das Kohlenmonoxid in deinem Blut ist wieder auf normalem Niveau.";
    struct TStep {
        double Minutes;
        std::vector<std::string> Notices;
    };
    const struct {
        const char* Name;
        bool SetupComplete;
        std::optional<TMilestonesTold> Kept;
        std::vector<TStep> Steps;
        std::optional<TMilestonesTold> KeptAfter;
    } cases[] = {
        {"reached while running, told once",
         true,
         std::nullopt,
         {{10, {}},
          {20.5, {"Notice(20 Minuten rauchfrei: " + pulse + ")"}},
          {21.5, {}},
          {12 * hours + 0.5, {"Notice(12 Stunden rauchfrei: " + carbon + ")"}}},
         TMilestonesTold{stop, 2}},
        {"reached overnight: told at the first tick after",
         true,
         TMilestonesTold{stop, 1},
         {{15 * hours + 10, {"Notice(15 Stunden rauchfrei: " + carbon + ")"}},
          {15 * hours + 11, {}}},
         TMilestonesTold{stop, 2}},
        {"two in one tick: only the latest",
         true,
         TMilestonesTold{stop, 0},
         {{12 * hours + 0.5, {"Notice(12 Stunden rauchfrei: " + carbon + ")"}}},
         TMilestonesTold{stop, 2}},
        {"quit three years ago, first start: none until the next one",
         true,
         std::nullopt,
         {{3 * 365 * days, {}},
          {3 * 365 * days + 1, {}},
          {1827 * days + 1,
           {"Notice(1827 Tage, 0 Stunden rauchfrei: Dein Schlaganfallrisiko sinkt auf das eines "
            "Nichtrauchers.)"}}},
         TMilestonesTold{stop, 6}},
        {"after a relapse the new attempt's milestones are told again",
         true,
         TMilestonesTold{stop - 40, 4},
         {{1, {}}, {20.5, {"Notice(20 Minuten rauchfrei: " + pulse + ")"}}},
         TMilestonesTold{stop, 1}},
        {"setup incomplete: none, nothing kept",
         false,
         std::nullopt,
         {{20.5, {}}, {12 * hours + 1, {}}},
         std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        UseFreshHive();
        TStored stored = Complete(20, 6.5F, 20, 0); // stopped at noon
        stored.SetupCompl = c.SetupComplete;
        Store(stored);
        if (c.Kept) {
            Setting->SetMilestonesTold(*c.Kept);
        }
        TRecordingTickerView view;
        TTicker ticker(view);
        for (const TStep& step : c.Steps) {
            SCOPED_TRACE(step.Minutes);
            const double at = StraightDays(stop) + step.Minutes / days;
            const TCalendarDay day = *CalendarDayOf(std::floor(at));
            const auto second = static_cast<int>(std::lround((at - std::floor(at)) * 86400));
            TTestClock::Now = {day.Year,         day.Month,   day.Day, second / 3600,
                               second / 60 % 60, second % 60, 0};
            view.Calls.clear();
            ticker.TimerMainTimer();
            std::vector<std::string> notices;
            std::copy_if(view.Calls.begin(), view.Calls.end(), std::back_inserter(notices),
                         [](const std::string& call) { return call.starts_with("Notice("); });
            EXPECT_THAT(notices, ElementsAreArray(step.Notices));
        }
        EXPECT_EQ(Setting->GetMilestonesTold(), c.KeptAfter);
        // A click on the notice opens the progress as a double-click does.
        view.Calls.clear();
        ticker.NoticeClick();
        EXPECT_EQ(std::count(view.Calls.begin(), view.Calls.end(), "ShowProgress"),
                  c.SetupComplete ? 1 : 0);
    }
}

} // namespace
