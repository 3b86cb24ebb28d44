#include "SeparatorScope.h"

#include "conversions/Clock.h"
#include "conversions/NumberFormat.h"
#include "runtime/Exceptions.h"

#include <cmath>
#include <limits>

namespace {

// A hand-set clock for the seam; tests put it anywhere and advance it.
TLocalTime manualNow;

TLocalTime ReadManualClock() {
    return manualNow;
}

class TManualClock : public TGermanSeparator {
protected:
    TManualClock() : previous_(SetLocalClock(&ReadManualClock)) {}
    ~TManualClock() override { SetLocalClock(previous_); }

private:
    TLocalClock previous_;
};

TEST_F(TManualClock, CurrentDateTimeReadsTheClockThroughTheSeam) {
    manualNow = {2015, 1, 12, 13, 45, 30, 250};
    const TDateTime now = CurrentDateTime();
    EXPECT_EQ(FloatToGeneralText(now), u"42016,5732667824");
    EXPECT_EQ(std::floor(now), 42016);

    manualNow.Minute += 1;
    EXPECT_EQ(WholeMinutesBetween(now, CurrentDateTime()), 1);
}

TEST(LocalClock, NullRestoresThePlatformClock) {
    const TLocalClock previous = SetLocalClock(&ReadManualClock);
    EXPECT_EQ(SetLocalClock(nullptr), &ReadManualClock);
    EXPECT_EQ(SetLocalClock(previous), &ReadPlatformLocalTime);
    const TLocalTime now = ReadPlatformLocalTime();
    EXPECT_GE(now.Year, 2024);
    EXPECT_GE(now.Millisecond, 0);
    EXPECT_LE(now.Millisecond, 999);
}

struct TEncodeCase {
    TLocalTime Time;
    TDateTime Expected;
};

const TEncodeCase EncodeCases[] = {
    {{1899, 12, 30, 0, 0, 0, 0}, 0},
    {{1899, 12, 29, 6, 0, 0, 0}, -1.25}, // before day 0 the time counts away from it
    {{1, 1, 1, 12, 0, 0, 0}, -693593.5},
    {{1900, 1, 1, 0, 0, 0, 0}, 2},
    {{1900, 3, 1, 0, 0, 0, 0}, 61}, // 1900 is no leap year
    {{2000, 2, 29, 0, 0, 0, 0}, 36585},
    {{2000, 3, 1, 12, 0, 0, 0}, 36586.5},
    {{2015, 1, 12, 0, 0, 0, 0}, 42016},
    {{2016, 12, 31, 18, 0, 0, 0}, 42735.75},
    {{1, 1, 1, 0, 0, 0, 0}, -693593},
    {{9999, 12, 31, 0, 0, 0, 0}, 2958465},
    {{2015, 13, 1, 0, 0, 0, 0}, 42370}, // a month past December carries into the next year
};

TEST(EncodeLocalTime, CountsProlepticGregorianDaysFromDayZero) {
    for (const auto& c : EncodeCases) {
        EXPECT_EQ(EncodeLocalTime(c.Time), c.Expected)
            << c.Time.Year << "-" << c.Time.Month << "-" << c.Time.Day;
    }
}

struct TMinutesCase {
    TDateTime A;
    TDateTime B;
    std::int64_t Expected;
};

const TMinutesCase MinutesCases[] = {
    {42016.0, 42016.5, 720},
    {0.0, 42016.0, 60503040},
    {-0.25, 0.25, 0},   // both are 30 December 1899, 06:00
    {-1.25, -1.0, 360}, // 29 December 06:00 and 00:00
    {-1.25, 0.0, 1080},
    {-693593.0, 0.0, 693593LL * 1440}, // 1 January of year 1 is still allowed
};

TEST(WholeMinutesBetween, CountsWholeMinutesInEitherOrder) {
    for (const auto& c : MinutesCases) {
        EXPECT_EQ(WholeMinutesBetween(c.A, c.B), c.Expected) << c.A << " " << c.B;
        EXPECT_EQ(WholeMinutesBetween(c.B, c.A), c.Expected) << c.B << " " << c.A;
    }
    const TDateTime start = EncodeLocalTime({2015, 1, 12, 10, 0, 0, 0});
    EXPECT_EQ(WholeMinutesBetween(start, EncodeLocalTime({2015, 1, 12, 10, 0, 59, 999})), 0);
    EXPECT_EQ(WholeMinutesBetween(start, EncodeLocalTime({2015, 1, 12, 10, 1, 0, 0})), 1);
    EXPECT_EQ(WholeMinutesBetween(start, EncodeLocalTime({2015, 1, 13, 9, 59, 59, 999})), 1439);
}

TEST(WholeMinutesBetween, RaisesInvalidOpForNoMomentOfTheCalendar) {
    const TDateTime rejected[] = {
        -693594.0, // 31 December of year 0
        -1e6,
        std::numeric_limits<double>::quiet_NaN(),
        std::numeric_limits<double>::infinity(),
        1e300, // beyond a 64-bit count of milliseconds
    };
    for (const TDateTime t : rejected) {
        try {
            WholeMinutesBetween(t, 42016.0);
            ADD_FAILURE() << "accepted " << t;
        } catch (const EInvalidOp& e) {
            EXPECT_EQ(e.Message(), u"Ung\u00FCltige Gleitkommaoperation");
        }
        EXPECT_THROW(MillisecondStamp(t), EInvalidOp) << t;
    }
    EXPECT_EQ(MillisecondStamp(-693593.0), 86400000);
}

} // namespace
