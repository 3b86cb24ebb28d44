// "Dein Fortschritt" without a window: its texts at the edges, the relapse on a real store, and
// a history with damaged records and more attempts than it keeps.

#include "AppFixture.h"
#include "Bytes.h"
#include "FakeViews.h"

#include "app/Autostart.h"
#include "app/Calendar.h"
#include "app/Progress.h"
#include "app/Ticker.h"
#include "registry/RegistryApi.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <limits>
#include <optional>
#include <string>
#include <vector>

namespace {

constexpr double Minute = 1.0 / 1440;

TDateTime Day(std::int32_t year, std::int32_t month, std::int32_t day) {
    return DateTimeOf({year, month, day});
}

// One letter per milestone: P passed, N next, L later.
std::string States(const TProgressTexts& t) {
    std::string states;
    for (const TMilestoneLine& m : t.Milestones) {
        states += m.State == TMilestoneState::Passed ? 'P'
                  : m.State == TMilestoneState::Next ? 'N'
                                                     : 'L';
    }
    return states;
}

TEST(ProgressTexts, AtTheEdges) {
    const TDateTime stop = Day(2026, 11, 10);
    const struct {
        const char* Name;
        TDateTime Stop, Now;
        float Cigarettes, Money;
        std::string SmokeFree, Totals, LifeWon, States;
        double Fraction;
        std::optional<std::u16string> Failure{};
    } cases[] = {
        {"the first minute", stop, stop + 0.5 * Minute, 0, 0,
         "Rauchfrei seit 10.11.2026, weniger als eine Stunde", "0 Zigaretten | 0,00€ gespart",
         "weniger als eine Stunde", "NLLLLLLL", 0.5 / 20},
        {"30 days and 4 hours", stop, stop + 30 + 4.5 / 24, 600, 195,
         "Rauchfrei seit 10.11.2026, 30 Tage, 4 Stunden", "600 Zigaretten | 195,00€ gespart",
         "etwa 8 Tage, 8 Stunden", "PPPPNLLL", (30 + 4.5 / 24) / 365},
        {"a minute before the first milestone", stop, stop + 19 * Minute, 0.26F, 0.08F,
         "Rauchfrei seit 10.11.2026, weniger als eine Stunde", "0 Zigaretten | 0,08€ gespart",
         "weniger als eine Stunde", "NLLLLLLL", 19.0 / 20},
        {"at the first milestone", stop, stop + 20 * Minute, 1, 0.33F,
         "Rauchfrei seit 10.11.2026, weniger als eine Stunde", "1 Zigarette | 0,33€ gespart",
         "weniger als eine Stunde", "PNLLLLLL", 20 * Minute / 0.5},
        {"at the last milestone", stop, Day(2041, 11, 10), 109580, 35613.5F,
         "Rauchfrei seit 10.11.2026, 5479 Tage, 0 Stunden", "109580 Zigaretten | 35613,50€ gespart",
         "etwa 1521 Tage, 22 Stunden", "PPPPPPPP", 0},
        {"a minute before the last", stop, Day(2041, 11, 10) - Minute, 109580, 35613.5F,
         "Rauchfrei seit 10.11.2026, 5478 Tage, 23 Stunden",
         "109580 Zigaretten | 35613,50€ gespart", "etwa 1521 Tage, 22 Stunden", "PPPPPPPN", 1},
        // The label counts a stop day ahead as the distance; the window shows no totals then.
        {"a stop day ahead", stop, stop - 2.5, 50, 16.25F,
         "Rauchfrei ab 10.11.2026, noch 2 Tage, 12 Stunden", "", "", "NLLLLLLL", 0},
        // The ticker's totals failed: partial, so none shown, and its message in their place.
        {"the ticker's totals failed", stop, stop + 30, 600, 0,
         "Rauchfrei seit 10.11.2026, 30 Tage, 0 Stunden", "Division durch Null.", "", "PPPPNLLL",
         30.0 / 365, u"Division durch Null."},
        // Wall-clock days, as the totals count: the night the clocks go back is a day too.
        {"over a daylight-saving change", Day(2026, 10, 24), Day(2026, 10, 26), 40, 13,
         "Rauchfrei seit 24.10.2026, 2 Tage, 0 Stunden", "40 Zigaretten | 13,00€ gespart",
         "etwa 13 Stunden", "PPNLLLLL", 2.0 / 14},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        TSeparatorScope comma{u','};
        const TProgressTexts t =
            MakeProgressTexts(c.Stop, c.Now, c.Cigarettes, c.Money, {}, c.Failure);
        EXPECT_EQ(Utf8(t.SmokeFree), c.SmokeFree);
        EXPECT_EQ(Utf8(t.Cigarettes.substr(0, t.Cigarettes.find(u" nicht"))) +
                      (t.Money.empty() ? "" : " | " + Utf8(t.Money)),
                  c.Totals);
        EXPECT_EQ(Utf8(t.LifeWon), c.LifeWon.empty() ? "" : "Gewonnene Lebenszeit: " + c.LifeWon);
        EXPECT_EQ(States(t), c.States);
        for (const TMilestoneLine& m : t.Milestones) {
            EXPECT_NEAR(m.Fraction, m.State == TMilestoneState::Next ? c.Fraction : 0.0, 1e-6);
        }
        EXPECT_EQ(t.RelapseEnabled, c.Stop <= c.Now);
    }
    const TProgressTexts t = MakeProgressTexts(stop, stop + 29, 580, 188.5F, {});
    EXPECT_EQ(Utf8(t.Milestones[0].When), "erreicht am 10.11.2026");
    EXPECT_EQ(Utf8(t.Milestones[3].When), "am 10.12.2026");
    EXPECT_EQ(Utf8(t.Milestones[4].When), "am 10.11.2027");
    EXPECT_EQ(Utf8(t.Attempts[0]), "Noch keine fr\xC3\xBCheren Versuche.");

    // No day is given that the clock cannot count, neither a milestone's nor the stop's.
    const TProgressTexts late = MakeProgressTexts(Day(9999, 1, 1), Day(9999, 12, 31), 0, 0, {});
    EXPECT_EQ(States(late), "PPPPNLLL");
    EXPECT_EQ(Utf8(late.Milestones[4].When), "Tag nicht lesbar");
    const TProgressTexts beyond = MakeProgressTexts(Day(9999, 12, 31) + 1, stop, 0, 0, {});
    EXPECT_EQ(Utf8(beyond.SmokeFree), "Der gespeicherte Tag deines Rauchstopps ist nicht lesbar.");
    EXPECT_FALSE(beyond.RelapseEnabled);
}

class ProgressTest : public TAppTest, protected TProgressView {
protected:
    void ShowTexts(const TProgressTexts& texts) override { Shown = texts; }
    bool AskYesNo(const std::u16string& question) override {
        Questions.push_back(Utf8(question));
        if (WhileAsking) {
            WhileAsking();
        }
        return Answer;
    }
    void ShowNote(const std::u16string& note) override { Notes.push_back(Utf8(note)); }
    void ShowAutostart(bool on) override { AutostartShown.push_back(on); }

    // A value under Verlauf as another program or a damaged disk would leave it.
    static void Plant(const std::u16string& name, RegistryApi::DWORD type, const TBytes& data) {
        using namespace RegistryApi;
        HKEY key = 0;
        const std::u16string path = RegistryKeyPath + u"\\Verlauf";
        ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                                  nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        ASSERT_EQ(RegSetValueExW(key, name.c_str(), 0, type, data.data(),
                                 static_cast<DWORD>(data.size())),
                  ERROR_SUCCESS);
        RegCloseKey(key);
    }

    static TBytes Record(double start, double end, float cigarettes, float money) {
        TBytes bytes(24);
        std::memcpy(&bytes[0], &start, 8); // the test hosts are little-endian, as the layout
        std::memcpy(&bytes[8], &end, 8);
        std::memcpy(&bytes[16], &cigarettes, 4);
        std::memcpy(&bytes[20], &money, 4);
        return bytes;
    }

    TRecordingTickerView TickerView;
    TTicker Ticker{TickerView};
    TProgress Progress{*this, Ticker};
    ProgressTest() {
        TickerView.Refreshed = [this] { Progress.Refresh(); };
    }
    TProgressTexts Shown;
    std::vector<std::string> Questions;
    std::vector<std::string> Notes;
    std::vector<bool> AutostartShown;
    std::function<void()> WhileAsking;
    bool Answer = false;
};

TEST_F(ProgressTest, TheSignInCheckboxShowsTheRealStateAndChangesItAtOnce) {
    Progress.ShowAutostart();
    Progress.CheckAutostartClick(true);
    EXPECT_TRUE(AutostartOn());
    Progress.ShowAutostart();
    Progress.CheckAutostartClick(false);
    EXPECT_FALSE(AutostartOn());
    EXPECT_EQ(AutostartShown, (std::vector<bool>{false, true, true, false}));
    EXPECT_TRUE(Notes.empty());
#ifndef _WIN32
    // A file where the autostart folder would be: said in a note, the checkbox stays off.
    UseFreshHive();
    std::ofstream(std::string(std::getenv("XDG_CONFIG_HOME")) + "/autostart") << "";
    Progress.CheckAutostartClick(true);
    ASSERT_EQ(Notes.size(), 1U);
    EXPECT_TRUE(Notes[0].starts_with("Der Start bei der Anmeldung lie\xC3\x9F sich nicht"));
    EXPECT_EQ(AutostartShown.back(), false);
#endif
}

TEST_F(ProgressTest, ARelapseKeepsTheAttemptAndCountsAnew) {
    const TDateTime stop = Today - 30; // noon is 30 days and 12 hours after
    Store({.CigConsQty = 20,
           .CigBoxPrice = 6.5F,
           .CigBoxQty = 20,
           .UserStopTime = stop,
           .SetupCompl = true});
    Ticker.UpdateDisplay();
    Progress.Refresh();
    EXPECT_EQ(Utf8(Shown.SmokeFree), "Rauchfrei seit 31.01.2024, 30 Tage, 12 Stunden");
    EXPECT_EQ(Utf8(Shown.Cigarettes), "610 Zigaretten nicht geraucht");
    EXPECT_EQ(Utf8(Shown.Money), "198,25\xE2\x82\xAC gespart");

    Progress.ButtonRelapseClick(); // "Nein": nothing changes
    TStored before = Stored();
    EXPECT_EQ(before.UserStopTime, stop);
    EXPECT_TRUE(Setting->GetQuitHistory().Attempts.empty());

    Answer = true;
    Progress.ButtonRelapseClick();
    const std::string question = "Deinen Versuch seit 31.01.2024 (30 Tage) in den Verlauf legen "
                                 "und ab jetzt neu z\xC3\xA4hlen?";
    EXPECT_EQ(Questions, std::vector<std::string>({question, question}));
    before.UserStopTime = Today + 0.5; // only the stop moment moved, to now
    EXPECT_EQ(Stored(), before);
    EXPECT_EQ(Setting->GetQuitHistory().Attempts,
              std::vector<TQuitAttempt>({{stop, Today + 0.5, 610, 198.25F}}));
    EXPECT_EQ(TickerView.Label, u"      0        0,00\u20AC");
    EXPECT_EQ(Utf8(Shown.SmokeFree), "Rauchfrei seit 01.03.2024, weniger als eine Stunde");
    EXPECT_EQ(Utf8(Shown.Attempts[0]),
              "31.01.2024 bis 01.03.2024: 30 Tage, 12 Stunden, 610 Zigaretten, 198,25\xE2\x82\xAC");
}

// Where the ticker's totals fail, the window says what its box said, and no totals.
TEST_F(ProgressTest, TheTickersFailureInPlaceOfTheTotals) {
    Store({.CigConsQty = 20,
           .CigBoxPrice = 6.5F,
           .CigBoxQty = 0,
           .UserStopTime = Today - 30,
           .SetupCompl = true});
    Ticker.TimerMainTimer();
    Progress.Refresh();
    ASSERT_EQ(TickerView.Calls.size(), 1u);
    EXPECT_EQ("Box(" + Utf8(Shown.Cigarettes) + ")", TickerView.Calls[0]);
    EXPECT_EQ(Shown.Money, u"");
    EXPECT_EQ(Shown.LifeWon, u"");

    Setting->SetCigBoxQty(20); // repaired: the next tick shows the totals
    Ticker.TimerMainTimer();
    EXPECT_EQ(Utf8(Shown.Cigarettes), "610 Zigaretten nicht geraucht");
}

// Another running copy answers the same question, or a relapse was cut off between its two
// writes: the attempt is kept once, never a second one that starts where the first ended.
TEST_F(ProgressTest, ARelapseIsKeptOnce) {
    const TDateTime stop = Today - 30;
    const TDateTime now = Today + 0.5;
    const TQuitAttempt reached{stop, now, 610, 198.25F};
    const TQuitAttempt othersEarlier{stop, now - Minute, 609.72F, 198.16F};
    const struct {
        const char* Name;
        std::function<void()> Before, WhileAsking;
        TQuitAttempt Kept;
        TDateTime StopAfter;
        std::vector<std::string> Notes;
    } cases[] = {
        {"another copy kept it while the question was open",
         {},
         [&] {
             Setting->AddQuitAttempt(othersEarlier);
             Setting->SetUserStopTime(now - Minute);
         },
         othersEarlier,
         now - Minute,
         {"Dieser Versuch ist schon im Verlauf: Ein anderes laufendes Pelwick hat ihn eben "
          "gespeichert und z\xC3\xA4hlt seitdem neu."}},
        {"another copy is between its two writes",
         {},
         [&] { Setting->AddQuitAttempt(othersEarlier); },
         reached,
         now,
         {}},
        {"an earlier relapse was cut off before the stop moment moved",
         [&] {
             Setting->AddQuitAttempt({stop, Today - 1, 580, 188.5F});
         },
         {},
         reached,
         now,
         {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        UseFreshHive();
        Store({.CigConsQty = 20,
               .CigBoxPrice = 6.5F,
               .CigBoxQty = 20,
               .UserStopTime = stop,
               .SetupCompl = true});
        if (c.Before) {
            c.Before();
        }
        Notes.clear();
        WhileAsking = c.WhileAsking;
        Answer = true;
        Progress.ButtonRelapseClick();
        EXPECT_EQ(Setting->GetQuitHistory().Attempts, std::vector<TQuitAttempt>{c.Kept});
        EXPECT_EQ(Setting->GetUserStopTime(), c.StopAfter);
        EXPECT_EQ(Notes, c.Notes);
    }
}

TEST_F(ProgressTest, DamagedRecordsAreCountedAndTheOldestGoesFirst) {
    using namespace RegistryApi;
    Store({.UserStopTime = Today, .SetupCompl = true});
    const TStored seven = Stored();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    Plant(u"00", REG_BINARY, Record(Today - 40, Today - 10, 600, 195));
    Plant(u"01", REG_DWORD, {1, 0, 0, 0});                              // another type
    Plant(u"02", REG_BINARY, TBytes(23));                               // too short
    Plant(u"03", REG_BINARY, TBytes(25));                               // too long
    Plant(u"04", REG_BINARY, Record(Today - 10, Today - 40, 600, 195)); // ends before it starts
    Plant(u"05", REG_BINARY, Record(nan, Today, 1, 1));                 // no moment at all
    Plant(u"06", REG_BINARY, Record(-1e12, Today, 1, 1));               // beyond the clock
    Plant(u"07", REG_BINARY, Record(Today - 50, Today - 45, 100, 32.5F));
    Plant(u"08", REG_BINARY, Record(Today, 2958466, 1, 1));         // after 31.12.9999
    Plant(u"09", REG_BINARY, Record(Today - 2, Today, 3.4e38F, 1)); // beyond the label
    Plant(u"10", REG_BINARY, Record(Today - 2, Today, 1, 1e18F));   // likewise
    Progress.Refresh();
    EXPECT_EQ(Shown.Attempts,
              std::vector<std::u16string>(
                  {u"21.01.2024 bis 20.02.2024: 30 Tage, 0 Stunden, 600 Zigaretten, 195,00\u20AC "
                   u"(dein l\u00E4ngster Versuch)",
                   u"11.01.2024 bis 16.01.2024: 5 Tage, 0 Stunden, 100 Zigaretten, 32,50\u20AC",
                   u"9 Eintr\u00E4ge im Verlauf sind nicht lesbar."}));

    // The damaged values are replaced first, then the oldest attempts: at most 100 kept.
    for (int i = 0; i < 99; ++i) {
        Setting->AddQuitAttempt({Today + i, Today + i + 0.5, 10, 3.25F});
    }
    TQuitHistory history = Setting->GetQuitHistory();
    ASSERT_EQ(history.Attempts.size(), 100u);
    EXPECT_EQ(history.Unreadable, 0);
    EXPECT_EQ(history.Attempts.back().Start, Today - 40);
    Setting->AddQuitAttempt({Today + 99, Today + 99.5, 10, 3.25F}); // the 101st
    history = Setting->GetQuitHistory();
    ASSERT_EQ(history.Attempts.size(), 100u);
    EXPECT_EQ(history.Attempts.front().Start, Today + 99);
    EXPECT_EQ(history.Attempts.back().Start, Today);
    EXPECT_EQ(Stored(), seven);
}

} // namespace
