// What one tick of TimerMain costs without the window: the SetupCompl read of TimerMainTimer,
// then UpdateDisplay's four reads, the clock, the savings arithmetic and the display text, in
// the ticker's order, against a real SQLite hive in a private XDG_CONFIG_HOME. The ticker's
// budget is well under 1 ms of CPU per tick; the pieces are timed apart so that a regression
// shows where it is.

#include "app/Savings.h"
#include "Unitsetting.h"
#include "conversions/Clock.h"
#include "conversions/StartupSettings.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

std::u16string Tick(TSetting& setting) {
    if (!setting.GetSetupCompl()) {
        return {};
    }
    const TDateTime stop = setting.GetUserStopTime();
    const std::int32_t minutes = MinuteCount(WholeMinutesBetween(stop, CurrentDateTime()));
    const float cigarettes = CigarettesNotSmokedAfter(setting.GetCigConsQty(), minutes);
    const float price = setting.GetCigBoxPrice();
    const float money = MoneySavedOn(price, setting.GetCigBoxQty(), cigarettes);
    return SavingsText(cigarettes, money);
}

void WholeTick(benchmark::State& state) {
    TSetting setting;
    for (auto _ : state) {
        benchmark::DoNotOptimize(Tick(setting));
    }
}
BENCHMARK(WholeTick);

void OneStoreRead(benchmark::State& state) {
    TSetting setting;
    for (auto _ : state) {
        benchmark::DoNotOptimize(setting.GetCigConsQty());
    }
}
BENCHMARK(OneStoreRead);

void ArithmeticAndText(benchmark::State& state) {
    const TDateTime stop = CurrentDateTime() - 30.0;
    for (auto _ : state) {
        const std::int32_t minutes = MinuteCount(WholeMinutesBetween(stop, CurrentDateTime()));
        const float cigarettes = CigarettesNotSmokedAfter(20, minutes);
        const float money = MoneySavedOn(6.5F, 20, cigarettes);
        benchmark::DoNotOptimize(SavingsText(cigarettes, money));
    }
}
BENCHMARK(ArithmeticAndText);

// A private hive with setup complete: 20 a day at 6.50 a pack of 20, stopped 30 days ago.
std::filesystem::path PrepareHive() {
    std::string pattern = (std::filesystem::temp_directory_path() / "pelwick-tick-XXXXXX");
    if (mkdtemp(pattern.data()) == nullptr) {
        std::perror("pelwick-tick-bench: mkdtemp");
        std::exit(1);
    }
    setenv("XDG_CONFIG_HOME", pattern.c_str(), 1);
    TSetting setting;
    setting.SetCigConsQty(20);
    setting.SetCigBoxPrice(6.5F);
    setting.SetCigBoxQty(20);
    setting.SetUserStopTime(CurrentDateTime() - 30.0);
    setting.SetSetupCompl(true);
    return pattern;
}

} // namespace

int main(int argc, char** argv) {
    InitializeStartupSettings();
    const std::filesystem::path home = PrepareHive();
    {
        // A tick that fails or shows nothing would time the wrong thing.
        TSetting setting;
        const std::u16string text = Tick(setting);
        if (text.size() < 20) {
            std::fprintf(stderr, "pelwick-tick-bench: the tick showed no totals\n");
            return 1;
        }
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::filesystem::remove_all(home);
    return 0;
}
