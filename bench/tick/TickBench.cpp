// What one tick of TimerMain costs without the window: the ticker's own TimerMainTimer (the
// SetupCompl read, then UpdateDisplay's four reads, the clock, the savings arithmetic, the
// display text and the milestone notices' two reads) over a view that only keeps the text, against
// a real SQLite hive in a private XDG_CONFIG_HOME. The ticker's budget is well under 1 ms of CPU
// per tick; the pieces are timed apart so that a regression shows where it is.

#include "Unitsetting.h"
#include "app/Savings.h"
#include "app/Ticker.h"
#include "conversions/Clock.h"
#include "conversions/StartupSettings.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

// The ticker's window without a window: it keeps the label's text and fails the test on
// anything a tick should not do.
class TTextOnlyView final : public TTickerView {
public:
    std::u16string Text;
    std::u16string Failure;

    TPoint Position() const override { return {}; }
    void MoveTo(TPoint) override {}
    void SetLabelText(const std::u16string& text) override { Text = text; }
    int ShowSetupModal() override { return 2; }
    void ShowException(const Exception& e) override { Failure = e.Message(); }
    bool MessageBoxShowing() const override { return false; }
    void Close() override {}
    void SetCursor(TCursor) override {}
    TPoint DragThreshold() const override { return {}; }
    std::uint32_t MouseEventTime() const override { return 0; }
    std::uint32_t DoubleClickTime() const override { return 0; }
    TPoint DoubleClickDistance() const override { return {}; }
    void ShowProgress() override {}
    void RefreshProgress() override {}
    void ShowNotice(const std::u16string&) override {}
};

void WholeTick(benchmark::State& state) {
    TTextOnlyView view;
    TTicker ticker(view);
    for (auto _ : state) {
        ticker.TimerMainTimer();
        benchmark::DoNotOptimize(view.Text);
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
    Setting = new TSetting;
    {
        // A tick that fails or shows nothing would time the wrong thing.
        TTextOnlyView view;
        TTicker ticker(view);
        ticker.TimerMainTimer();
        if (view.Text.size() < 20 || !view.Failure.empty()) {
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
