// What one store read and one store write cost on the SQLite hive: each opens the key, touches
// one value and closes the key again. Runs on a hive in a temporary folder, never the user's.

#include "Unitsetting.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

void GetCigConsQty(benchmark::State& state) {
    TSetting setting;
    setting.SetCigConsQty(20);
    for (auto _ : state) {
        benchmark::DoNotOptimize(setting.GetCigConsQty());
    }
}
BENCHMARK(GetCigConsQty);

void SetCigConsQty(benchmark::State& state) {
    TSetting setting;
    std::int32_t value = 0;
    for (auto _ : state) {
        setting.SetCigConsQty(++value);
    }
}
BENCHMARK(SetCigConsQty);

} // namespace

int main(int argc, char** argv) {
    char folder[] = "/tmp/pelwick-store-bench-XXXXXX";
    if (!::mkdtemp(folder)) {
        return 1;
    }
    ::setenv("XDG_CONFIG_HOME", folder, 1);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::filesystem::remove_all(folder);
    return 0;
}
