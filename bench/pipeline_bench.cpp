// Speed of the pipeline stages on one thread: the whole render and one noisy frame in each image
// model, a plain copy of the frame's bytes, and the camera-model refresh of each shipped camera.
#include "console/bench_state.h"
#include "text/messages.h"
#include "console/bench_console.h"
#include "console/open_bench.h"
#include "sim/display.h"
#include "sim/render.h"
#include "target/target_file.h"

#include <benchmark/benchmark.h>

#include <cstring>
#include <string>

namespace {

std::string shipped(const std::string& name) { return std::string(TERVIX_SHIPPED_DATA_DIR) + "/" + name; }

// Camera1 with its detector resized at the same pixel angle, the standard target at 0.5 cycles
// per mrad and 1 K, level and contrast set as the console sets them.
struct Bench {
    BenchState state;
    MessageLog log;
    BenchConsole console{state, log};

    Bench(int width, int height, ImageModel model = ImageModel::Specified) {
        BenchSources sources;
        sources.atmosphere = BenchSource{shipped("Atmosphere.ini"), std::nullopt};
        sources.camera.path = shipped("camera1.par");
        sources.target.path = shipped("mira.tag");
        sources.imageModel = model;
        sources.adjustCamera = [&](CameraSet& c) {
            c.detectorColumns = width;
            c.detectorRows = height;
            c.fovCurrentH = static_cast<float>(6.2337808 * width / 640.0);
            c.fovCurrentV = static_cast<float>(4.6753356 * height / 480.0);
        };
        openBench(console, sources);
        console.selectFrequency(0);
        console.onTemperatureSlider(750);
    }
    double pixels() const { return static_cast<double>(state.sim.imageWidth) * state.sim.imageHeight; }
};

void perPixel(benchmark::State& s, double pixels) {
    s.counters["per_pixel"] = benchmark::Counter(pixels, benchmark::Counter::kIsIterationInvariantRate |
                                                             benchmark::Counter::kInvert);
}

void RenderImageBench(benchmark::State& s, ImageModel model) {
    Bench b(static_cast<int>(s.range(0)), static_cast<int>(s.range(1)), model);
    for (auto _ : s) {
        RenderImage(b.console.renderBusy, RenderMode::CameraView, false, b.state.target, b.state.sim, b.state.camera.set);
        benchmark::DoNotOptimize(b.state.sim.displayImage.data());
    }
    s.counters["kernel_taps"] = 2 * b.state.sim.kernelXHalfWidth + 1;
    perPixel(s, b.pixels());
}

void BuildViewFrameBench(benchmark::State& s, ImageModel model) {
    Bench b(static_cast<int>(s.range(0)), static_cast<int>(s.range(1)), model);
    std::vector<std::uint8_t> frame;
    for (auto _ : s) {
        BuildViewFrame(b.state.sim, b.state.camera.set, b.state.random, frame);
        benchmark::DoNotOptimize(frame.data());
    }
    perPixel(s, b.pixels());
}

// The floor: the frame's grey bytes taken out of the DisplayImage, nothing added.
void CopyFrameBench(benchmark::State& s) {
    Bench b(static_cast<int>(s.range(0)), static_cast<int>(s.range(1)));
    const std::size_t pixels = static_cast<std::size_t>(b.pixels());
    std::vector<std::uint8_t> frame(pixels);
    for (auto _ : s) {
        const std::uint8_t* in = b.state.sim.displayImage.data();
        for (std::size_t k = 0; k < pixels; ++k)
            frame[k] = in[3 * k];
        benchmark::DoNotOptimize(frame.data());
        benchmark::ClobberMemory();
    }
    perPixel(s, b.pixels());
}

void RefreshCameraModelBench(benchmark::State& s) {
    BenchState state;
    MessageLog log;
    readAtmosphereFile(shipped("Atmosphere.ini"), state.atmosphere);
    loadCameraFile(state, shipped("camera" + std::to_string(s.range(0)) + ".par"), CameraLoadMode::Full, log);
    for (auto _ : s) {
        state.sim.lastNoiseSigma = SimState::noValue; // rebuild the noise table too, as a camera change does
        CameraModelContext context = state.model();
        RefreshCameraModel(context);
        benchmark::DoNotOptimize(state.sim.kernelX.data());
    }
}

void sizes(benchmark::internal::Benchmark* b) {
    b->Args({320, 240})->Args({640, 512})->Args({1280, 1024})->Unit(benchmark::kMillisecond);
}

} // namespace

// The two image models side by side: the physical one is to stay within twice the specified one.
BENCHMARK_CAPTURE(RenderImageBench, specified, ImageModel::Specified)->Apply(sizes);
BENCHMARK_CAPTURE(RenderImageBench, physical, ImageModel::Physical)->Apply(sizes);
BENCHMARK_CAPTURE(BuildViewFrameBench, specified, ImageModel::Specified)->Apply(sizes);
BENCHMARK_CAPTURE(BuildViewFrameBench, physical, ImageModel::Physical)->Apply(sizes);
BENCHMARK(CopyFrameBench)->Apply(sizes);
BENCHMARK(RefreshCameraModelBench)->DenseRange(1, 5)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
