#include "app/Progress.h"

#include "app/Autostart.h"
#include "app/MessageText.h"
#include "app/Milestones.h"
#include "app/Ticker.h"
#include "conversions/Clock.h"
#include "conversions/NarrowText.h"
#include "conversions/NumberFormat.h"
#include "registry/Registry.h"
#include "runtime/Text.h"

#include <algorithm>
#include <cmath>

namespace {

std::u16string Number(const char* format, float value) {
    return FormatText(WidenNarrowText(format), {Extended(value)});
}

// "195,00€": the amount as the label writes it, with the same currency sign.
std::u16string Amount(float money) {
    return Number("%.2f\x80", money);
}

std::u16string Days(std::int64_t minutes) {
    const std::int64_t days = minutes / 1440;
    return FromUtf8(std::to_string(days)) + (days == 1 ? u" Tag" : u" Tage");
}

std::u16string Cigarettes(float count) {
    const std::u16string number = Number("%.0f", count);
    return number + (number == u"1" ? u" Zigarette" : u" Zigaretten");
}

// Whole hours at least; below an hour it says so rather than "0 Stunden".
std::u16string Span(std::int64_t minutes) {
    return minutes < 60 ? u"weniger als eine Stunde" : DurationText(minutes);
}

std::u16string SmokeFreeLine(TDateTime stop, TDateTime now) {
    const std::int64_t minutes = WholeMinutesBetween(stop, now);
    if (now < stop) {
        return u"Rauchfrei ab " + DayText(stop) + u", noch " + Span(minutes);
    }
    return u"Rauchfrei seit " + DayText(stop) + u", " + Span(minutes);
}

std::vector<TMilestoneLine> MilestoneLines(TDateTime stop, TDateTime now) {
    std::vector<TMilestoneLine> lines;
    bool nextFound = false;
    for (THealthMilestone& m : HealthMilestones(stop)) {
        TMilestoneLine line;
        line.Text = std::move(m.Text);
        if (std::isnan(m.Reached)) {
            line.State = nextFound ? TMilestoneState::Later : TMilestoneState::Next;
            line.When = u"Tag nicht lesbar";
            nextFound = true;
        } else if (StraightDays(m.Reached) <= StraightDays(now)) {
            line.State = TMilestoneState::Passed;
            line.When = u"erreicht am " + DayText(m.Reached);
        } else {
            line.State = nextFound ? TMilestoneState::Later : TMilestoneState::Next;
            line.When = u"am " + DayText(m.Reached);
            if (!nextFound) {
                line.Fraction = std::clamp((StraightDays(now) - StraightDays(stop)) /
                                               (StraightDays(m.Reached) - StraightDays(stop)),
                                           0.0, 1.0);
            }
            nextFound = true;
        }
        lines.push_back(std::move(line));
    }
    return lines;
}

std::vector<std::u16string> AttemptLines(const TQuitHistory& history) {
    std::vector<std::u16string> lines;
    std::int64_t longest = -1;
    std::size_t longestAt = 0;
    for (const TQuitAttempt& a : history.Attempts) {
        const std::int64_t minutes = WholeMinutesBetween(a.Start, a.End);
        if (minutes > longest) {
            longest = minutes;
            longestAt = lines.size();
        }
        lines.push_back(DayText(a.Start) + u" bis " + DayText(a.End) + u": " + Span(minutes) +
                        u", " + Cigarettes(a.CigarettesNotSmoked) + u", " + Amount(a.MoneySaved));
    }
    if (lines.size() > 1) {
        lines[longestAt] += u" (dein l\u00E4ngster Versuch)";
    }
    if (history.KeyUnreadable) {
        lines.push_back(u"Der Verlauf kann nicht gelesen werden.");
    } else if (history.Unreadable == 1) {
        lines.push_back(u"1 Eintrag im Verlauf ist nicht lesbar.");
    } else if (history.Unreadable > 1) {
        lines.push_back(FromUtf8(std::to_string(history.Unreadable)) +
                        u" Eintr\u00E4ge im Verlauf sind nicht lesbar.");
    } else if (lines.empty()) {
        lines.push_back(u"Noch keine fr\u00FCheren Versuche.");
    }
    return lines;
}

} // namespace

std::u16string MilestoneLabel(const TMilestoneLine& line) {
    switch (line.State) {
    case TMilestoneState::Passed:
        return u"\u2713 " + line.Text;
    case TMilestoneState::Next:
        return u"\u00BB " + line.Text;
    case TMilestoneState::Later:
        break;
    }
    return line.Text;
}

TProgressTexts MakeProgressTexts(TDateTime stop, TDateTime now, float cigarettesNotSmoked,
                                 float moneySaved, const TQuitHistory& history,
                                 const std::optional<std::u16string>& totalsFailure) {
    TProgressTexts texts;
    texts.SmokeFree = WithinClock(stop)
                          ? SmokeFreeLine(stop, now)
                          : u"Der gespeicherte Tag deines Rauchstopps ist nicht lesbar.";
    if (totalsFailure) {
        // What the ticker's box said; the totals it holds are partial or from before.
        texts.Cigarettes = *totalsFailure;
    } else if (!(now < stop)) {
        texts.Cigarettes = Cigarettes(cigarettesNotSmoked) + u" nicht geraucht";
        texts.Money = Amount(moneySaved) + u" gespart";
        const auto lifeMinutes = static_cast<std::int64_t>(
            std::fabs(static_cast<double>(cigarettesNotSmoked)) * LifeMinutesPerCigarette);
        texts.LifeWon =
            u"Gewonnene Lebenszeit: " +
            (lifeMinutes < 60 ? Span(lifeMinutes) : u"etwa " + DurationText(lifeMinutes));
    }
    texts.Milestones = MilestoneLines(stop, now);
    texts.Attempts = AttemptLines(history);
    texts.RelapseEnabled = WithinClock(stop) && StraightDays(stop) <= StraightDays(now);
    return texts;
}

std::u16string RelapseQuestion(TDateTime stop, TDateTime now) {
    return u"Deinen Versuch seit " + DayText(stop) + u" (" + Days(WholeMinutesBetween(stop, now)) +
           u") in den Verlauf legen und ab jetzt neu z\u00E4hlen?";
}

TProgress::TProgress(TProgressView& view, TTicker& ticker) : View(view), Ticker(ticker) {}

void TProgress::Refresh() {
    TProgressTexts texts;
    try {
        const TDateTime stop = Setting->GetUserStopTime();
        TQuitHistory history;
        try {
            history = Setting->GetQuitHistory();
        } catch (const Exception&) {
            history.KeyUnreadable = true;
        }
        texts = MakeProgressTexts(stop, CurrentDateTime(), Ticker.CigarettesNotSmoked,
                                  Ticker.MoneySaved, history, Ticker.TotalsFailure);
    } catch (const Exception& e) {
        texts = {};
        texts.SmokeFree = ExceptionMessageText(e);
    }
    View.ShowTexts(texts);
}

namespace {

// What was not saved and why, in the window's words. The attempt may have been kept before the
// stop moment failed to move: then the history has it, and the count goes on from the old moment
// until a later relapse, which keeps the attempt in the same place again.
std::u16string RelapseNotSavedNote(const Exception& e, bool attemptKept) {
    const std::u16string why =
        dynamic_cast<const ERegistryDiskFull*>(&e) != nullptr
            ? u"Auf dem Datentr\u00E4ger deiner Einstellungen ist kein Platz mehr."
            : ExceptionMessageText(e);
    if (attemptKept) {
        return u"Dein Versuch ist im Verlauf, aber dein neuer Rauchstopp ist nicht gespeichert; "
               u"deine Z\u00E4hlung l\u00E4uft vom alten weiter. " +
               why;
    }
    return u"Dein R\u00FCckfall ist nicht gespeichert; der Verlauf und deine Z\u00E4hlung "
           u"bleiben, wie sie waren. " +
           why;
}

} // namespace

void TProgress::ButtonRelapseClick() {
    const TDateTime stop = Setting->GetUserStopTime();
    if (!WithinClock(stop) || CurrentDateTime() < stop ||
        !View.AskYesNo(RelapseQuestion(stop, CurrentDateTime()))) {
        return;
    }
    bool attemptKept = false;
    try {
        // Another running copy may have kept this attempt while the question was open.
        if (Setting->GetUserStopTime() != stop) {
            Ticker.TimerMainTimer(); // refreshes this window too
            View.ShowNote(u"Dieser Versuch ist schon im Verlauf: Ein anderes laufendes Pelwick "
                          u"hat ihn eben gespeichert und z\u00E4hlt seitdem neu.");
            return;
        }
        // The totals the attempt reached, as the label shows them, from the stop moment the
        // question named. The history is written before the stop moment moves: cut off
        // between the two, the next relapse keeps the attempt in the same place again.
        const TDateTime now = CurrentDateTime();
        TQuitAttempt attempt{stop, now};
        ComputeTotals(stop, now, attempt.CigarettesNotSmoked, attempt.MoneySaved);
        Setting->AddQuitAttempt(attempt);
        attemptKept = true;
        Setting->SetUserStopTime(now);
    } catch (const Exception& e) {
        Refresh();
        View.ShowNote(RelapseNotSavedNote(e, attemptKept));
        return;
    }
    // The ticker's totals from the new stop moment, and this window's with them; a failure
    // shows as every tick's does.
    Ticker.TimerMainTimer();
}

void TProgress::ShowAutostart() {
    View.ShowAutostart(AutostartOn());
}

void TProgress::CheckAutostartClick(bool on) {
    try {
        WriteAutostart(on);
    } catch (const Exception& e) {
        View.ShowNote(e.Message());
    }
    ShowAutostart();
}
