// The numerical routines the bench takes from maintained libraries, timed where a change would show:
// the Student-t quantile (Boost.Math) over the degrees of freedom sessions and repeats reach, and the
// fidelity report's noise autocorrelation (FFTW3) on the shipped cameras' frame sizes.
#include "console/statistics.h"
#include "measurement/autocorrelation.h"
#include "sim/fresh_random.h"

#include <benchmark/benchmark.h>

#include <vector>

namespace {

void StudentQuantileBench(benchmark::State& s) {
    for (auto _ : s)
        for (int n = 1; n <= 64; ++n)
            benchmark::DoNotOptimize(studentQuantile(0.975, n));
}

void AutocorrelationBench(benchmark::State& s) {
    const int width = static_cast<int>(s.range(0)), height = static_cast<int>(s.range(1));
    FreshRandom random(7);
    std::vector<double> image(static_cast<std::size_t>(width) * height);
    for (double& v : image)
        v = random.uniform() - 0.5;
    int lagX = 0, lagY = 0;
    for (auto _ : s)
        benchmark::DoNotOptimize(largestAutocorrelation(image, width, height, lagX, lagY));
}

} // namespace

BENCHMARK(StudentQuantileBench)->Unit(benchmark::kMicrosecond);
BENCHMARK(AutocorrelationBench)->Args({640, 480})->Args({640, 512})->Unit(benchmark::kMillisecond);
