#pragma once

// "Dein Fortschritt": since when and how long smoke-free, the totals as the ticker's label
// shows them, the life won back, every health milestone, the quit attempts kept, and the
// relapse that keeps the current attempt and counts anew. Toolkit-free: each front-end's
// TFormProgress is a passive view of it, built at its first showing and refreshed only by the
// ticker's minute tick.

#include "Unitsetting.h"
#include "conversions/Types.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

class TTicker;

// The minutes of life one cigarette costs: University College London's 2024 estimate, 17 for
// men and 22 for women, about 20 for everyone.
inline constexpr std::int32_t LifeMinutesPerCigarette = 20;

enum class TMilestoneState { Passed, Next, Later };

struct TMilestoneLine {
    TMilestoneState State = TMilestoneState::Later;
    std::u16string Text;
    // "erreicht am 10.11.2026" for a passed one, "am 24.11.2026" for the others.
    std::u16string When;
    // The next one only: the share of the way from the stop moment, 0 to 1.
    double Fraction = 0;
};

// A milestone's line as the window shows it, its state told by a mark: "✓" passed, "»" next,
// none later (the front-ends set the next one's in bold too, and all in the text colour).
std::u16string MilestoneLabel(const TMilestoneLine& line);

struct TProgressTexts {
    std::u16string SmokeFree; // "Rauchfrei seit 10.11.2026, 30 Tage, 4 Stunden"
    // The totals and the life won back; empty, so not shown, before the stop day and where
    // the ticker could not compute its totals: then Cigarettes says why, in its words.
    std::u16string Cigarettes; // "600 Zigaretten nicht geraucht"
    std::u16string Money;      // "195,00€ gespart"
    std::u16string LifeWon;    // "Gewonnene Lebenszeit: etwa 8 Tage, 8 Stunden"
    std::vector<TMilestoneLine> Milestones;
    // Newest first, the longest marked; a line for what cannot be read; a line when none.
    std::vector<std::u16string> Attempts;
    // Only an attempt that has begun can be ended.
    bool RelapseEnabled = false;
};

// The window's texts from the stop moment, the clock, the ticker's two totals and the history;
// `totalsFailure`, the message the ticker's computation of them failed with, if it did.
TProgressTexts MakeProgressTexts(TDateTime stop, TDateTime now, float cigarettesNotSmoked,
                                 float moneySaved, const TQuitHistory& history,
                                 const std::optional<std::u16string>& totalsFailure = {});

// The question before a relapse is kept: "Deinen Versuch seit 10.11.2026 (30 Tage) in den
// Verlauf legen und ab jetzt neu zählen?"
std::u16string RelapseQuestion(TDateTime stop, TDateTime now);

class TProgressView {
public:
    virtual void ShowTexts(const TProgressTexts& texts) = 0;
    // A question with "Ja" and "Nein"; true for "Ja".
    virtual bool AskYesNo(const std::u16string& question) = 0;
    // A note in the window's own box, with "OK".
    virtual void ShowNote(const std::u16string& note) = 0;
    // The checkbox "Pelwick bei der Anmeldung starten".
    virtual void ShowAutostart(bool on) = 0;

protected:
    ~TProgressView() = default;
};

class TProgress {
public:
    TProgress(TProgressView& view, TTicker& ticker);

    // From the store, the clock and the ticker's last totals. A failure shows in the window
    // in place of the texts, never in a box: it comes with every minute's tick.
    void Refresh();

    // Asks once; on "Ja" keeps the current attempt with the totals it reached, stores now as
    // the stop moment and shows the ticker's new totals at once. An attempt that another
    // running copy kept while the question was open is not kept again, and a relapse that
    // cannot be saved changes nothing; either is said in a note.
    void ButtonRelapseClick();

    // The start at sign-in as the system holds it, at each showing of the window.
    void ShowAutostart();
    // The checkbox changed: the start at sign-in changed at once; a failure is said in a note,
    // and the checkbox shows the real state either way.
    void CheckAutostartClick(bool on);

private:
    TProgressView& View;
    TTicker& Ticker;
};
