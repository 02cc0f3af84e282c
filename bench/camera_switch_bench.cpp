// How long a camera switch holds the window's thread, from Camera1 to each shipped camera, both ways
// in the same run: in place (the camera file read, its kernels and tables built and its first image
// rendered, all on the window's thread, as the window did it), and built aside (the window's thread
// only copies the bench and takes the built camera in at a frame boundary; the building, timed
// apart as worker_ms, runs on a worker while the old image goes on).
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

} // namespace

BENCHMARK(CameraSwitchInPlaceBench)->DenseRange(1, 4)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(CameraSwitchWindowThreadBench)->DenseRange(1, 4)->Unit(benchmark::kMillisecond)->UseRealTime();
