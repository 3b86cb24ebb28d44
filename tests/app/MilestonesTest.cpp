// The tooltip's text at its edges: under an hour, whole days, a daylight-saving change, a stop
// day ahead, each milestone's boundary and beyond the last one.

#include "AppFixture.h"
#include "FakeViews.h"

#include "app/Calendar.h"
#include "app/Milestones.h"
#include "app/Ticker.h"

#include <gtest/gtest.h>

#include <string>

namespace {

constexpr double Minute = 1.0 / 1440;

TDateTime Day(std::int32_t year, std::int32_t month, std::int32_t day) {
    return DateTimeOf({year, month, day});
}

std::string Text(TDateTime stop, TDateTime now) {
    return ToUtf8(SmokeFreeText(stop, now));
}

const std::string Pulse = "Dein Puls und dein Blutdruck sinken.";
const std::string Carbon = "Das Kohlenmonoxid in deinem Blut ist wieder auf normalem Niveau.";
const std::string Circulation = "Dein Kreislauf und deine Lungenfunktion werden besser.";
const std::string Cough = "Husten und Kurzatmigkeit gehen zur\xC3\xBC"
                          "ck.";
const std::string HeartHalf = "Dein Risiko einer koronaren Herzkrankheit ist nur noch halb so "
                              "hoch wie das eines Rauchers.";
const std::string Stroke = "Dein Schlaganfallrisiko sinkt auf das eines Nichtrauchers.";
const std::string Lung =
    "Dein Lungenkrebsrisiko ist nur noch etwa halb so hoch wie das eines Rauchers.";
const std::string Heart =
    "Dein Risiko einer koronaren Herzkrankheit ist so niedrig wie das eines Nichtrauchers.";

TEST(SmokeFreeText, TheTimeAndTheNextMilestone) {
    const TDateTime stop = Day(2026, 3, 1);
    const struct {
        const char* Name;
        TDateTime Stop, Now;
        std::string Text;
    } cases[] = {
        {"at the stop moment", stop, stop,
         "Seit weniger als einer Stunde rauchfrei.\nAm 01.03.2026 um 00:20 Uhr: " + Pulse},
        {"59 minutes", stop, stop + 59 * Minute,
         "Seit weniger als einer Stunde rauchfrei.\nAm 01.03.2026 um 12:00 Uhr: " + Carbon},
        {"one hour", stop, stop + 60 * Minute,
         "1 Stunde rauchfrei.\nAm 01.03.2026 um 12:00 Uhr: " + Carbon},
        {"exactly one day", stop, stop + 1,
         "1 Tag, 0 Stunden rauchfrei.\nAm 15.03.2026: " + Circulation},
        {"30 days, 4 hours and a bit", stop, stop + 30 + 4.5 / 24,
         "30 Tage, 4 Stunden rauchfrei.\nAm 01.04.2026: " + Cough}, // March has 31 days
        // Wall-clock days, as the totals count: the night the clocks go forward is a day too.
        {"over a daylight-saving change", Day(2026, 3, 28), Day(2026, 3, 30),
         "2 Tage, 0 Stunden rauchfrei.\nAm 11.04.2026: " + Circulation},
        {"a stop day ahead", Day(2026, 3, 10), stop + 0.5,
         "Noch 8 Tage, 12 Stunden bis zu deinem Rauchstopp.\nAm 10.03.2026 um 00:20 Uhr: " + Pulse},
        {"a stop day less than an hour ahead", Day(2026, 3, 2), Day(2026, 3, 2) - 30 * Minute,
         "Dein Rauchstopp beginnt in weniger als einer Stunde.\nAm 02.03.2026 um 00:20 Uhr: " +
             Pulse},
        {"a month from the 31st ends on the month's last day", Day(2026, 1, 31), Day(2026, 2, 27),
         "27 Tage, 0 Stunden rauchfrei.\nAm 28.02.2026: " + Cough},
        {"beyond the last milestone", Day(2000, 1, 1), stop,
         "9556 Tage, 0 Stunden rauchfrei.\nAlle Meilensteine sind erreicht: " + Heart},
        // Before day 0 the time of day counts away from it: -1.25 is 29.12.1899, 06:00.
        {"a stop before 30.12.1899", -1.25, -1.25,
         "Seit weniger als einer Stunde rauchfrei.\nAm 29.12.1899 um 06:20 Uhr: " + Pulse},
        {"two weeks from before 30.12.1899", -1.25, 0.25,
         "1 Tag, 0 Stunden rauchfrei.\nAm 12.01.1900: " + Circulation},
        {"a milestone after 31.12.9999 has no day", Day(9999, 1, 1), Day(9999, 12, 31),
         "364 Tage, 0 Stunden rauchfrei.\nDanach: " + HeartHalf},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Text(c.Stop, c.Now), c.Text) << c.Name;
    }
}

TEST(SmokeFreeText, EachMilestoneIsNextUntilItsMoment) {
    const TDateTime stop = Day(2024, 2, 29) + 0.25; // a leap day, 06:00
    const struct {
        TDateTime Reached;
        std::string When;
        const std::string& Text;
    } milestones[] = {
        {stop + 20 * Minute, "29.02.2024 um 06:20 Uhr", Pulse},
        {stop + 0.5, "29.02.2024 um 18:00 Uhr", Carbon},
        {stop + 14, "14.03.2024", Circulation},
        {Day(2024, 3, 29) + 0.25, "29.03.2024", Cough},
        {Day(2025, 2, 28) + 0.25, "28.02.2025", HeartHalf},
        {Day(2029, 2, 28) + 0.25, "28.02.2029", Stroke},
        {Day(2034, 2, 28) + 0.25, "28.02.2034", Lung},
        {Day(2039, 2, 28) + 0.25, "28.02.2039", Heart},
    };
    for (const auto& m : milestones) {
        SCOPED_TRACE(m.When);
        const std::string before = Text(stop, m.Reached - Minute);
        EXPECT_NE(before.find("\nAm " + m.When + ": " + m.Text), std::string::npos) << before;
        // Reached: the next one shows, after the last the line that says so.
        const std::string at = Text(stop, m.Reached);
        EXPECT_EQ(at.find("\nAm " + m.When), std::string::npos) << at;
        if (&m.Text == &Heart) {
            EXPECT_NE(at.find("\nAlle Meilensteine sind erreicht: "), std::string::npos) << at;
        }
    }
}

class TooltipTest : public TAppTest {};

TEST_F(TooltipTest, OnlyWithSetupCompleteAndNeverABox) {
    TRecordingTickerView view;
    TTicker ticker(view);
    EXPECT_EQ(ticker.TooltipText(), u""); // nothing stored: setup not complete

    Store({.UserStopTime = Today - 30, .SetupCompl = true});
    EXPECT_EQ(ToUtf8(ticker.TooltipText()),
              "30 Tage, 12 Stunden rauchfrei.\nAm 31.01.2025: " + HeartHalf +
                  "\nDoppelklick zeigt deinen Fortschritt.");

    Setting->WriteStringValue(UserStopTimeName, u"gestern"); // unreadable: no tooltip
    EXPECT_EQ(ticker.TooltipText(), u"");
    Setting->SetUserStopTime(-1e12); // beyond what the clock can count
    EXPECT_EQ(ticker.TooltipText(), u"");
    EXPECT_TRUE(view.Calls.empty());
}

} // namespace
