// The small rules both windows share: the message box's text, centring and keeping a window on
// the screen, the typed-character filter and the calendar's whole days.

#include "app/Calendar.h"
#include "app/Geometry.h"
#include "app/InputFilter.h"
#include "app/MessageText.h"
#include "app/Texts.h"
#include "app/WindowDrag.h"
#include "conversions/NarrowText.h"
#include "runtime/Text.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <optional>
#include <string>

namespace {

std::shared_ptr<const Exception> Inner(std::u16string message,
                                       std::shared_ptr<const Exception> inner = nullptr) {
    return std::make_shared<Exception>(std::move(message), std::move(inner));
}

TEST(ExceptionMessageText, InnermostNonEmptyMessageAndTheFullStopRule) {
    const struct {
        Exception e;
        std::u16string shown;
    } cases[] = {
        {Exception(u"Gleitkommadivision durch Null"), u"Gleitkommadivision durch Null."},
        {Exception(u"Fehler beim Holen der Daten f\u00FCr 'CigBoxQty'"),
         u"Fehler beim Holen der Daten f\u00FCr 'CigBoxQty'"},
        {Exception(u""), u""},
        {Exception(u"Schon mit Punkt."), u"Schon mit Punkt."},
        {Exception(u"Ende mit Ziffer 5"), u"Ende mit Ziffer 5."},
        {Exception(u"Ausruf!"), u"Ausruf!"},         // '!' sorts before '.'
        {Exception(u"Klammer (x)"), u"Klammer (x)"}, // so does ')'
        {Exception(u"Schr\u00E4gstrich/"), u"Schr\u00E4gstrich/."},
        {Exception(u"au\u00DFen", Inner(u"innen")), u"innen."},
        {Exception(u"au\u00DFen", Inner(u"")), u"au\u00DFen."},
        {Exception(u"au\u00DFen", Inner(u"mitte", Inner(u""))), u"mitte."},
        {Exception(u"", Inner(u"a", Inner(u"tief"))), u"tief."},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ExceptionMessageText(c.e), c.shown);
    }
}

TEST(CenteredPosition, HalvesGoToEven) {
    const struct {
        TRect screen;
        std::int32_t width, height;
        TPoint expected;
    } cases[] = {
        {{0, 0, 1920, 1080}, 286, 29, {817, 526}}, // 525.5 -> 526
        {{0, 0, 1921, 1081}, 286, 29, {818, 526}}, // 817.5 -> 818, 526
        {{0, 0, 1919, 1079}, 286, 29, {816, 525}}, // 816.5 -> 816, 525
        {{0, 0, 800, 600}, 286, 29, {257, 286}},   // 285.5 -> 286
        {{0, 0, 1920, 1080}, 987, 795, {466, 142}},
        {{1920, 100, 1280, 1024}, 987, 795, {2066, 214}},
        {{0, 0, 200, 20}, 286, 29, {-43, -4}}, // larger than the screen: -4.5 -> -4
        {{0, 0, 200, 22}, 286, 29, {-43, -4}}, // -3.5 -> -4
    };
    for (const auto& c : cases) {
        EXPECT_EQ(CenteredPosition(c.screen, c.width, c.height), c.expected)
            << c.screen.Width << "x" << c.screen.Height;
    }
}

// The wizard (987 x 795 at 100 %) at the usual scales: where the scaled window would not fit
// the screen less its task bar, it is drawn smaller, keeping its proportions, and lies wholly
// within that area. "Dein Fortschritt" and its question likewise, and clear of the ticker.
TEST(FitFactor, TheWizardLiesWithinTheAvailableAreaAtEveryScale) {
    const TRect fullHd{0, 0, 1920, 1080};
    const TRect uhd{0, 0, 3840, 2160};
    const TRect narrow{0, 0, 1366, 1024};
    const struct {
        const char* Name;
        double Scale;
        TRect Screen, Available;
        std::int32_t Width, Height;
        TPoint At;
        TRect Ticker{};
        double DesignWidth = 987, DesignHeight = 795;
        TRect Room{}; // what the window is fitted into to lie clear of the ticker; else Available
    } cases[] = {
        {"100 %", 1.0, fullHd, fullHd, 987, 795, {466, 142}},
        {"125 %", 1.25, fullHd, fullHd, 1234, 994, {343, 43}},
        {"150 %", 1.5, fullHd, fullHd, 1341, 1080, {290, 0}},
        {"200 %", 2.0, fullHd, fullHd, 1341, 1080, {290, 0}},
        {"200 % on 3840 x 2160", 2.0, uhd, uhd, 1974, 1590, {933, 285}},
        {"150 %, task bar below", 1.5, fullHd, {0, 0, 1920, 1040}, 1291, 1040, {314, 0}},
        {"125 %, panel above: moved down", 1.25, fullHd, {0, 60, 1920, 1020}, 1234, 994, {343, 60}},
        {"125 %, panel left", 1.25, narrow, {120, 0, 1246, 1024}, 1234, 994, {120, 15}},
        {"second screen", 1.5, {1920, 0, 1920, 1080}, {1920, 0, 1920, 1080}, 1341, 1080, {2210, 0}},
        // The ticker (286 x 29) where it starts, in the centre: beside it, left on a tie.
        {"progress, ticker centred",
         1.0,
         fullHd,
         fullHd,
         560,
         640,
         {257, 220},
         {817, 526, 286, 29},
         560,
         640},
        {"progress, ticker moved aside",
         1.0,
         fullHd,
         fullHd,
         560,
         640,
         {680, 220},
         {100, 1000, 286, 29},
         560,
         640},
        {"progress, ticker high: below it",
         1.0,
         fullHd,
         fullHd,
         560,
         640,
         {680, 329},
         {817, 300, 286, 29},
         560,
         640},
        // Drawn at 0.9 in the strip left of the ticker; as it is, the ticker would lie over
        // its right edge (60 x 29), not across its middle.
        {"progress, no room beside: fitted left of it",
         1.0,
         {0, 0, 1366, 768},
         {0, 0, 1366, 768},
         600,
         527,
         {0, 120},
         {540, 369, 286, 29},
         600,
         527,
         {0, 0, 540, 768}},
        {"progress, a small screen: the window wins, covered least",
         1.0,
         {0, 0, 1024, 600},
         {0, 0, 1024, 600},
         600,
         527,
         {0, 36},
         {369, 285, 286, 29},
         600,
         527},
        // At 200 % drawn smaller still, at 1.2 of its size at 100 %, left of the ticker.
        {"progress at 200 %, no room beside: fitted left of it",
         2.0,
         fullHd,
         fullHd,
         945,
         1080,
         {975, 0},
         {674, 511, 572, 58},
         560,
         640,
         {0, 0, 674, 1080}},
        {"question, ticker centred: above it",
         1.0,
         fullHd,
         fullHd,
         420,
         130,
         {750, 396},
         {817, 526, 286, 29},
         420,
         130},
        {"question, ticker a little higher: below it",
         1.0,
         fullHd,
         fullHd,
         420,
         130,
         {750, 489},
         {817, 460, 286, 29},
         420,
         130},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        const double w = c.DesignWidth * c.Scale;
        const double h = c.DesignHeight * c.Scale;
        const double factor = FitFactor(c.Available, w, h);
        const auto width = static_cast<std::int32_t>(std::lround(w * factor));
        const auto height = static_cast<std::int32_t>(std::lround(h * factor));
        EXPECT_EQ(width, c.Width);
        EXPECT_EQ(height, c.Height);
        const TPoint at = PlacedClearOf(c.Screen, c.Available, width, height, c.Ticker);
        EXPECT_EQ(at, c.At);
        EXPECT_EQ(RoomClearOf(c.Screen, c.Available, width, height, c.Ticker, c.Scale * factor),
                  c.Room.Width > 0 ? c.Room : c.Available);
        if (c.Ticker.Width == 0) {
            EXPECT_EQ(at, PlacedWithin(c.Screen, c.Available, width, height));
        }
    }
    // Nothing to fit into: drawn as designed.
    EXPECT_EQ(FitFactor({0, 0, 0, 0}, 987, 795), 1.0);
}

TEST(WindowManagerMovesOnlyItself, TheDragIsHandedOverWhereTheWindowCannotMoveItself) {
    const struct {
        const char* Name; // what the window manager calls itself
        bool HandedOver;
    } cases[] = {
        {"Weston WM", true}, {"wlroots wm", true}, // sway's, labwc's, wayfire's XWayland
        {"Openbox", false},  {"i3", false},        {"GNOME Shell", false},
        {"KWin", false},     {"", false}, // no EWMH window manager: the window moves itself
    };
    for (const auto& c : cases) {
        EXPECT_EQ(WindowManagerMovesOnlyItself(c.Name), c.HandedOver) << c.Name;
    }
}

TEST(FilterAdmits, OnlyWhatTheFilterHolds) {
    const std::u16string digits = WidenNarrowText(Texts::FilterDigits);
    const std::u16string price = WidenNarrowText(Texts::FilterPrice);
    const struct {
        const std::u16string& filter;
        std::u16string typed;
        bool admitted;
    } cases[] = {
        {digits, u"7", true},
        {digits, u"a", false},
        {digits, u",", false},
        {digits, u"\u0661", false}, // an Arabic-Indic one is no digit of the filter
        {price, u",", true},
        {price, u".", false},
        {price, u"5", true},
        {digits, u"12", true},
        {digits, u"1a", false},              // composed text, all or none
        {std::u16string(), u"\u00E4", true}, // no filter: anything
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FilterAdmits(c.filter, c.typed), c.admitted) << ToUtf8(c.typed);
    }
}

TEST(Calendar, WholeDaysAsTheDayNumberCountsThem) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const struct {
        TDateTime value;
        std::optional<TCalendarDay> day;
    } cases[] = {
        {0.0, TCalendarDay{1899, 12, 30}},
        {42005.0, TCalendarDay{2015, 1, 1}},
        {42015.99, TCalendarDay{2015, 1, 11}}, // the time of day is dropped
        {45351.0, TCalendarDay{2024, 2, 29}},
        {-1.5, TCalendarDay{1899, 12, 29}}, // toward zero, also before day 0
        {-700000.0, FirstCalendarDay},      // held within the range
        {1e9, LastCalendarDay},
        {nan, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.value);
        EXPECT_EQ(CalendarDayOf(c.value), c.day);
        if (c.day && c.value >= 0 && c.value < 1e6) {
            EXPECT_EQ(DateTimeOf(*c.day), std::trunc(c.value));
        }
    }
}

TEST(Calendar, MonthsMoveAndHoldTheDay) {
    const struct {
        TCalendarDay from;
        std::int32_t months;
        TCalendarDay to;
    } cases[] = {
        {{2024, 1, 31}, 1, {2024, 2, 29}},     {{2023, 1, 31}, 1, {2023, 2, 28}},
        {{2024, 3, 31}, -1, {2024, 2, 29}},    {{2024, 12, 15}, 1, {2025, 1, 15}},
        {{2024, 1, 15}, -1, {2023, 12, 15}},   {{2024, 5, 31}, -15, {2023, 2, 28}},
        {LastCalendarDay, 1, LastCalendarDay}, {FirstCalendarDay, -1, FirstCalendarDay},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(AddMonths(c.from, c.months), c.to) << c.from.Year << "-" << c.from.Month;
    }
    EXPECT_EQ(WithMonth({2024, 3, 31}, 2023, 2), (TCalendarDay{2023, 2, 28}));
    EXPECT_EQ(DaysInMonth(2000, 2), 29);
    EXPECT_EQ(DaysInMonth(1900, 2), 28);
}

} // namespace
