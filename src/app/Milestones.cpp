#include "app/Milestones.h"

#include "Unitsetting.h"
#include "app/Calendar.h"
#include "conversions/Clock.h"
#include "runtime/Text.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <iterator>
#include <limits>
#include <optional>
#include <string>

namespace {

enum class TUnit { Minutes, Hours, Weeks, Months, Years };

struct TMilestone {
    std::int32_t Count;
    TUnit Unit;
    const char* Text; // UTF-8
};

// From the stop moment on; a milestone given as a span ("after 2 to 12 weeks") is reached as
// the span begins.
const TMilestone Milestones[] = {
    {20, TUnit::Minutes, "Dein Puls und dein Blutdruck sinken."},
    {12, TUnit::Hours, "Das Kohlenmonoxid in deinem Blut ist wieder auf normalem Niveau."},
    {2, TUnit::Weeks, "Dein Kreislauf und deine Lungenfunktion werden besser."},
    {1, TUnit::Months,
     "Husten und Kurzatmigkeit gehen zur\xC3\xBC"
     "ck."},
    {1, TUnit::Years,
     "Dein Risiko einer koronaren Herzkrankheit ist nur noch halb so hoch wie das eines "
     "Rauchers."},
    {5, TUnit::Years, "Dein Schlaganfallrisiko sinkt auf das eines Nichtrauchers."},
    {10, TUnit::Years,
     "Dein Lungenkrebsrisiko ist nur noch etwa halb so hoch wie das eines Rauchers."},
    {15, TUnit::Years,
     "Dein Risiko einer koronaren Herzkrankheit ist so niedrig wie das eines Nichtrauchers."},
};

// The moment a milestone is reached: spans of the clock are added to the moment, months and
// years to the calendar day, keeping the time of day. Both on the straight scale of days, so
// that before 30 December 1899 the time of day counts forward too. A NaN where the moment, or
// the stop moment, lies beyond the clock's range: no date can be given for it.
TDateTime ReachedAt(TDateTime stop, const TMilestone& m) {
    constexpr TDateTime none = std::numeric_limits<TDateTime>::quiet_NaN();
    if (!WithinClock(stop)) {
        return none;
    }
    const double from = StraightDays(stop);
    double reached = from;
    switch (m.Unit) {
    case TUnit::Minutes:
        reached = from + m.Count / 1440.0;
        break;
    case TUnit::Hours:
        reached = from + m.Count / 24.0;
        break;
    case TUnit::Weeks:
        reached = from + 7.0 * m.Count;
        break;
    case TUnit::Months:
    case TUnit::Years: {
        const double day = std::floor(from);
        const std::optional<TCalendarDay> calendarDay = CalendarDayOf(day);
        const std::int32_t months = m.Unit == TUnit::Months ? m.Count : 12 * m.Count;
        // The calendar holds a day at its last one; a milestone past it has no date.
        if (!calendarDay ||
            std::int64_t{calendarDay->Year} * 12 + calendarDay->Month - 1 + months >
                std::int64_t{LastCalendarDay.Year} * 12 + LastCalendarDay.Month - 1) {
            return none;
        }
        reached = DateTimeOf(AddMonths(*calendarDay, months)) + (from - day);
        break;
    }
    }
    const TDateTime moment = FromStraightDays(reached);
    return WithinClock(moment) ? moment : none;
}

std::string Plural(std::int64_t n, const char* one, const char* many) {
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

std::string Duration(std::int64_t minutes) {
    const std::int64_t hours = minutes / 60;
    const std::int64_t days = hours / 24;
    if (days == 0) {
        return Plural(hours, "Stunde", "Stunden");
    }
    return Plural(days, "Tag", "Tage") + ", " + Plural(hours % 24, "Stunde", "Stunden");
}

// "23.12.2026", or with the time for a moment within a day of the stop: "09.12.2026 um 12:00".
std::string When(TDateTime moment, bool withTime) {
    const std::optional<TCalendarDay> day = CalendarDayOf(moment);
    if (!day) {
        return {};
    }
    char text[40];
    std::snprintf(text, sizeof text, "%02d.%02d.%04d", day->Day, day->Month, day->Year);
    std::string when = text;
    if (withTime) {
        const auto minutes =
            static_cast<std::int32_t>(std::lround(std::fabs(moment - DateTimeOf(*day)) * 1440.0)) %
            1440;
        std::snprintf(text, sizeof text, " um %02d:%02d Uhr", minutes / 60, minutes % 60);
        when += text;
    }
    return when;
}

} // namespace

std::vector<THealthMilestone> HealthMilestones(TDateTime stop) {
    std::vector<THealthMilestone> all;
    for (const TMilestone& m : Milestones) {
        all.push_back({ReachedAt(stop, m), FromUtf8(m.Text)});
    }
    return all;
}

std::u16string DurationText(std::int64_t minutes) {
    return FromUtf8(Duration(minutes));
}

std::u16string DayText(TDateTime moment) {
    return FromUtf8(When(moment, false));
}

std::u16string MilestoneNoticeText(TDateTime stop, TDateTime now, const THealthMilestone& m) {
    const std::int64_t minutes = WholeMinutesBetween(stop, now);
    const std::u16string time =
        minutes < 60 ? FromUtf8(Plural(minutes, "Minute", "Minuten")) : DurationText(minutes);
    return time + u" rauchfrei: " + m.Text;
}

std::optional<std::u16string> DueMilestoneNotice(TDateTime stop, TDateTime now) {
    const std::vector<THealthMilestone> all = HealthMilestones(stop);
    std::int32_t reached = 0;
    while (reached < static_cast<std::int32_t>(all.size()) && !std::isnan(all[reached].Reached) &&
           StraightDays(all[reached].Reached) <= StraightDays(now)) {
        ++reached;
    }
    const std::optional<TMilestonesTold> told = Setting->GetMilestonesTold();
    const bool sameAttempt = told && told->Stop == stop;
    if (sameAttempt && told->Count >= reached) {
        return std::nullopt;
    }
    Setting->SetMilestonesTold({stop, reached});
    if (!sameAttempt || reached == 0) {
        return std::nullopt;
    }
    return MilestoneNoticeText(stop, now, all[reached - 1]);
}

std::u16string SmokeFreeText(TDateTime stop, TDateTime now) {
    const std::int64_t minutes = WholeMinutesBetween(stop, now);
    std::string text;
    if (now < stop) {
        text = minutes < 60 ? "Dein Rauchstopp beginnt in weniger als einer Stunde."
                            : "Noch " + Duration(minutes) + " bis zu deinem Rauchstopp.";
    } else {
        text = minutes < 60 ? "Seit weniger als einer Stunde rauchfrei."
                            : Duration(minutes) + " rauchfrei.";
    }
    for (const TMilestone& m : Milestones) {
        const TDateTime reached = ReachedAt(stop, m);
        if (std::isnan(reached)) {
            return FromUtf8(text + "\nDanach: " + m.Text);
        }
        if (StraightDays(reached) > StraightDays(now)) {
            const bool withinADay = m.Unit == TUnit::Minutes || m.Unit == TUnit::Hours;
            return FromUtf8(text + "\nAm " + When(reached, withinADay) + ": " + m.Text);
        }
    }
    return FromUtf8(text + "\nAlle Meilensteine sind erreicht: " + std::end(Milestones)[-1].Text);
}
