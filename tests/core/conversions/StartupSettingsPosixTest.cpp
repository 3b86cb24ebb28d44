#include "conversions/ClockPosix.h"
#include "conversions/StartupSettings.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>
#include <vector>

namespace {

// Sets environment variables for one test and puts them and the settings back afterwards.
class TEnvironmentScope {
public:
    TEnvironmentScope() : settings_(FormatSettings) {}
    ~TEnvironmentScope() {
        for (auto it = saved_.rbegin(); it != saved_.rend(); ++it) {
            if (it->second) {
                setenv(it->first.c_str(), it->second->c_str(), 1);
            } else {
                unsetenv(it->first.c_str());
            }
        }
        tzset();
        FormatSettings = settings_;
    }
    TEnvironmentScope(const TEnvironmentScope&) = delete;
    TEnvironmentScope& operator=(const TEnvironmentScope&) = delete;

    void Set(const char* name, const char* value) {
        const char* old = std::getenv(name);
        saved_.emplace_back(name, old ? std::optional<std::string>(old) : std::nullopt);
        if (value) {
            setenv(name, value, 1);
        } else {
            unsetenv(name);
        }
    }

private:
    TFormatSettings settings_;
    std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

struct TLocaleCase {
    const char* LcAll;
    const char* LcNumeric;
    const char* Lang;
    char16_t Decimal;
    char16_t Thousand;
};

const TLocaleCase LocaleCases[] = {
    {"de_DE.UTF-8", nullptr, nullptr, u',', u'.'},
    {"en_US.UTF-8", nullptr, nullptr, u'.', u','},
    {"C", nullptr, nullptr, u'.', u','}, // no thousands separator there: the default
    {"xx_NOWHERE.UTF-8", nullptr, nullptr, u'.', u','},
    {"de_DE.UTF-8", "en_US.UTF-8", "en_US.UTF-8", u',', u'.'}, // LC_ALL first
    {"", "de_DE.UTF-8", "en_US.UTF-8", u',', u'.'},            // then LC_NUMERIC
    {nullptr, nullptr, "de_DE.UTF-8", u',', u'.'},             // then LANG
    {nullptr, nullptr, nullptr, u'.', u','},
};

TEST(LoadFormatSettings, ReadsTheSeparatorsOfTheNumericLocale) {
    for (const auto& c : LocaleCases) {
        TEnvironmentScope scope;
        scope.Set("LC_ALL", c.LcAll);
        scope.Set("LC_NUMERIC", c.LcNumeric);
        scope.Set("LANG", c.Lang);
        FormatSettings = {u'?', u'?'};
        LoadFormatSettings();
        EXPECT_EQ(FormatSettings.DecimalSeparator, c.Decimal) << (c.LcAll ? c.LcAll : "-");
        EXPECT_EQ(FormatSettings.ThousandSeparator, c.Thousand) << (c.LcAll ? c.LcAll : "-");
    }
}

timespec At(time_t seconds, long nanoseconds = 0) {
    timespec t{};
    t.tv_sec = seconds;
    t.tv_nsec = nanoseconds;
    return t;
}

// The totals count wall-clock minutes: an hour of real time across the spring change is two
// hours on the clock, and across the autumn change none.
TEST(WholeMinutesBetween, FollowsTheWallClockAcrossBerlinsDaylightSavingChanges) {
    TEnvironmentScope scope;
    scope.Set("TZ", "Europe/Berlin");
    tzset();

    const TLocalTime beforeSpring = LocalTimeOf(At(1427589000, 250000000)); // 00:30:00.25 UTC
    EXPECT_EQ(beforeSpring.Year, 2015);
    EXPECT_EQ(beforeSpring.Month, 3);
    EXPECT_EQ(beforeSpring.Day, 29);
    EXPECT_EQ(beforeSpring.Hour, 1);
    EXPECT_EQ(beforeSpring.Minute, 30);
    EXPECT_EQ(beforeSpring.Millisecond, 250);
    const TLocalTime afterSpring = LocalTimeOf(At(1427589000 + 3600, 250000000));
    EXPECT_EQ(afterSpring.Hour, 3);
    EXPECT_EQ(WholeMinutesBetween(EncodeLocalTime(beforeSpring), EncodeLocalTime(afterSpring)),
              120);

    const TLocalTime beforeAutumn = LocalTimeOf(At(1445733000)); // 2015-10-25 00:30 UTC
    const TLocalTime afterAutumn = LocalTimeOf(At(1445733000 + 3600));
    EXPECT_EQ(beforeAutumn.Hour, 2);
    EXPECT_EQ(afterAutumn.Hour, 2);
    EXPECT_EQ(WholeMinutesBetween(EncodeLocalTime(beforeAutumn), EncodeLocalTime(afterAutumn)), 0);
}

} // namespace
