// How long the controls hold the window's thread. A camera switch, from Camera1 to each shipped
// camera, both ways in the same run: in place (the camera file read, its kernels and tables built and
// its first image rendered, all on the window's thread, as the window did it), and built aside (the
// window's thread only copies the bench and takes the built camera in at a frame boundary; the
// building, timed apart as worker_ms, runs on a worker while the old image goes on). A frequency
// chosen on each camera, with "Randomise position" off and on, beside one render of its image: the
// choice costs one render either way.
#include "console/bench.h"
#include "console/open_bench.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <filesystem>

namespace {

// The bench on Camera1 as the window opens it, in the data folder, where a slot's camera is read.
struct SwitchingBench {
    BenchState state;
    MessageLog log;
    Bench bench{state, log};

    SwitchingBench() {
        std::filesystem::current_path(TERVIX_SHIPPED_DATA_DIR);
        BenchSources sources;
        sources.atmosphere = BenchSource{"Atmosphere.ini", std::nullopt};
        sources.camera.path = "camera1.par";
        sources.target.path = "mira.tag";
        sources.imageModel = ImageModel::Physical;
        openBench(bench, sources);
    }
};

void CameraSwitchInPlaceBench(benchmark::State& s) {
    SwitchingBench b;
    for (auto _ : s) {
        b.bench.selectCamera(static_cast<int>(s.range(0)));
        s.PauseTiming();
        b.bench.selectCamera(0);
        s.ResumeTiming();
    }
}

void CameraSwitchWindowThreadBench(benchmark::State& s) {
    SwitchingBench b;
    double workerSeconds = 0.0;
    for (auto _ : s) {
        const auto prepared = b.bench.cameraSwitch(static_cast<int>(s.range(0)));
        s.PauseTiming();
        const auto start = std::chrono::steady_clock::now();
        prepared->prepare();
        workerSeconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        s.ResumeTiming();
        if (!b.bench.adoptCameraSwitch(*prepared))
            s.SkipWithError("the switch was refused");
        s.PauseTiming();
        b.bench.selectCamera(0);
        s.ResumeTiming();
    }
    s.counters["worker_ms"] = 1000.0 * workerSeconds / static_cast<double>(s.iterations());
}

// Slot range(0), "Randomise position" ticked when range(1) is 1, the six frequencies chosen in turn.
void FrequencyChoiceBench(benchmark::State& s) {
    SwitchingBench b;
    b.bench.selectCamera(static_cast<int>(s.range(0)));
    if (s.range(1) == 1)
        b.bench.toggleRandomisePosition(0);
    int k = 0;
    for (auto _ : s)
        b.bench.selectFrequency(++k % 6);
}

void RenderBench(benchmark::State& s) {
    SwitchingBench b;
    b.bench.selectCamera(static_cast<int>(s.range(0)));
    for (auto _ : s)
        b.bench.redrawView();
}

} // namespace

BENCHMARK(FrequencyChoiceBench)->ArgsProduct({{0, 1, 2, 3, 4}, {0, 1}})->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(RenderBench)->DenseRange(0, 4)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(CameraSwitchInPlaceBench)->DenseRange(1, 4)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(CameraSwitchWindowThreadBench)->DenseRange(1, 4)->Unit(benchmark::kMillisecond)->UseRealTime();
