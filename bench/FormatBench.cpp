// The ticker formats its two totals once a minute; this keeps FormatText honest against the C
// library doing the same job. Both sides produce the finished text in their own string type.

#include "conversions/NarrowText.h"
#include "conversions/NumberFormat.h"
#include "conversions/StartupSettings.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>

namespace {

// The totals as the ticker holds them: singles, widened exactly.
const float Cigarettes = 600.0f;
const float Money = 195.0f;

void TickerFormatText(benchmark::State& state) {
    const std::u16string format = WidenNarrowText("%7.0f  %10.2f\x80");
    for (auto _ : state) {
        Extended cigarettes = Cigarettes;
        Extended money = Money;
        benchmark::DoNotOptimize(cigarettes);
        benchmark::DoNotOptimize(money);
        std::u16string text = FormatText(format, {cigarettes, money});
        benchmark::DoNotOptimize(text);
    }
}
BENCHMARK(TickerFormatText);

void TickerSnprintf(benchmark::State& state) {
    for (auto _ : state) {
        double cigarettes = Cigarettes;
        double money = Money;
        benchmark::DoNotOptimize(cigarettes);
        benchmark::DoNotOptimize(money);
        char buffer[64];
        const int n =
            std::snprintf(buffer, sizeof buffer, "%7.0f  %10.2f\xE2\x82\xAC", cigarettes, money);
        std::string text(buffer, static_cast<std::size_t>(n));
        benchmark::DoNotOptimize(text);
    }
}
BENCHMARK(TickerSnprintf);

} // namespace

int main(int argc, char** argv) {
    InitializeStartupSettings();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
