// Speed of the pipeline stages on one thread, each beside its floor and, where OpenCV is at hand,
// beside the same work done with OpenCV, all measured in the same run:
//   floor_ms   one memcpy of the stage's output plus one read of its input: no stage can beat it;
//   opencv_ms  the same images made with OpenCV's drawing, separable filter and conversions;
//   own_ms     the stage's own time, like the others processor time of this thread;
//   x_floor, x_opencv  the stage's time over each.
// The OpenCV scene fills the items as polygons without the bench's sub-sampled edges, so its
// rasterization does less than the bench's; the blur and the mappings do the same work.
// The images are Camera2's (640 x 512) and the same camera with its detector doubled at the same pixel
// angle (1280 x 1024), showing the standard target at 0.5 cycles per mrad and 1 K.
#include "console/bench.h"
#include "console/open_bench.h"
#include "console/session.h"
#include "sim/display.h"
#include "sim/rasterizer.h"
#include "sim/render.h"
#include "target/target_file.h"
#include "text/messages.h"

#include <benchmark/benchmark.h>

#ifdef TERVIX_HAVE_OPENCV
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>
#endif

#include <algorithm>
#include <cmath>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <functional>
#include <numeric>
#include <string>
#include <vector>

namespace {

std::string shipped(const std::string& name) {
    return std::string(TERVIX_SHIPPED_DATA_DIR) + "/" + name;
}

// Camera2 with its detector resized at the same pixel angle, the standard target at 0.5 cycles
// per mrad and 1 K, level and contrast set as the console sets them.
struct PipelineBench {
    BenchState state;
    MessageLog log;
    Bench console{state, log};

    // ifov in mrad: 0 keeps Camera2's pixel angle at any size.
    PipelineBench(int width, int height, ImageModel model = ImageModel::Specified, double ifov = 0.0) {
        BenchSources sources;
        sources.atmosphere = BenchSource{shipped("Atmosphere.ini"), std::nullopt};
        sources.camera.path = shipped("camera2.par");
        sources.target.path = shipped("mira.tag");
        sources.imageModel = model;
        sources.adjustCamera = [&](CameraSet& c) {
            c.detectorColumns = width;
            c.detectorRows = height;
            c.fovCurrentH = static_cast<float>(5.500395 * width / 640.0);
            c.fovCurrentV = static_cast<float>(4.400316 * height / 512.0);
            if (ifov > 0.0) {
                c.fovCurrentH = static_cast<float>(2.0 * std::atan(width * ifov / 2000.0) * 180.0 / M_PI);
                c.fovCurrentV = static_cast<float>(2.0 * std::atan(height * ifov / 2000.0) * 180.0 / M_PI);
            }
        };
        openBench(console, sources);
        console.selectFrequency(0);
        console.setTemperatureOnGrid(1.0);
    }
    std::size_t pixels() const {
        return static_cast<std::size_t>(state.sim.imageWidth) * static_cast<std::size_t>(state.sim.imageHeight);
    }
    void render() { console.redrawView(); }
};

// This thread's processor time in milliseconds: what the benchmark library reports as CPU, and what
// other programs on a shared machine disturb least.
double threadMilliseconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) * 1e-6;
}

// Processor milliseconds per call of work: the median of several timed batches, so that a
// neighbour's burst moves it less than a mean would.
double millisecondsPer(const std::function<void()>& work) {
    work(); // warm the caches and the allocations
    int calls = 1;
    for (;;) {
        const double start = threadMilliseconds();
        for (int k = 0; k < calls; ++k)
            work();
        if (threadMilliseconds() - start > 20.0 || calls >= 1 << 20)
            break;
        calls *= 2;
    }
    std::vector<double> batches;
    for (int b = 0; b < 9; ++b) {
        const double start = threadMilliseconds();
        for (int k = 0; k < calls; ++k)
            work();
        batches.push_back((threadMilliseconds() - start) / calls);
    }
    std::nth_element(batches.begin(), batches.begin() + 4, batches.end());
    return batches[4];
}

// One memcpy of outputBytes and one read of inputBytes: what any stage writing that output from that
// input must at least spend.
double floorMilliseconds(std::size_t inputBytes, std::size_t outputBytes) {
    std::vector<std::uint8_t> input(inputBytes, 1), source(outputBytes, 2), output(outputBytes);
    return millisecondsPer([&] {
        std::memcpy(output.data(), source.data(), outputBytes);
        benchmark::DoNotOptimize(output.data());
        const auto* words = reinterpret_cast<const std::uint64_t*>(input.data());
        std::uint64_t sum = std::accumulate(words, words + inputBytes / 8, std::uint64_t{0});
        benchmark::DoNotOptimize(sum);
        benchmark::ClobberMemory();
    });
}

// The stage's own processor time per iteration over its loop, set beside its floor and its peer.
class StageClock {
public:
    StageClock() : start_(threadMilliseconds()) {}
    void pause() { paused_ = threadMilliseconds(); }
    void resume() { start_ += threadMilliseconds() - paused_; }
    void report(benchmark::State& s, double floorMs, double peerMs, std::size_t pixels) const {
        const double own = (threadMilliseconds() - start_) /
                           static_cast<double>(std::max<benchmark::IterationCount>(s.iterations(), 1));
        s.counters["pixels"] = static_cast<double>(pixels);
        s.counters["own_ms"] = own;
        s.counters["floor_ms"] = floorMs;
        s.counters["x_floor"] = own / floorMs;
        if (peerMs > 0.0) {
            s.counters["opencv_ms"] = peerMs;
            s.counters["x_opencv"] = own / peerMs;
        }
    }

private:
    double start_;
    double paused_ = 0.0;
};

#ifdef TERVIX_HAVE_OPENCV
// The same render with OpenCV: background, the items filled as polygons (ellipses as ellipses)
// farthest first, the separable blur over the padded image, then the 8-bit mapping with polarity and
// the grey copied into three channels.
struct OpenCvRender {
    cv::Mat scene, blurred, grey, display;
    cv::Mat kernelX, kernelY;

    void rasterize(const PipelineBench& b, const RenderGeometry& g) {
        scene.create(g.height, g.width, CV_32F);
        scene.setTo(b.state.sim.backgroundSignal);
        const double left = -g.halfX - g.marginX + g.centreX;
        const double bottom = -g.halfY - g.marginY + g.centreY;
        constexpr int shift = 8; // sub-pixel vertices, as the samples on item edges are
        for (int index : b.state.target.distanceOrder) {
            const TargetItem& item = b.state.target.items[static_cast<std::size_t>(index)];
            if (!item.shown)
                continue;
            const cv::Scalar value(item.renderTemperature);
            if (item.kind == TargetItemKind::Ellipse) {
                const auto& r = item.screenBounds;
                const cv::Point2f centre(static_cast<float>(((r[0] + r[1]) / 2 - left) / g.pitchX),
                                         static_cast<float>(((r[2] + r[3]) / 2 - bottom) / g.pitchY));
                const cv::Size2f size(static_cast<float>((r[1] - r[0]) / g.pitchX),
                                      static_cast<float>((r[3] - r[2]) / g.pitchY));
                cv::ellipse(scene, cv::RotatedRect(centre, size, 0.0f), value, cv::FILLED);
                continue;
            }
            std::vector<cv::Point> points;
            for (int k = 0; k < item.vertexCount; ++k)
                points.emplace_back(static_cast<int>((item.projected2D[2 * k] - left) / g.pitchX * (1 << shift)),
                                    static_cast<int>((item.projected2D[2 * k + 1] - bottom) / g.pitchY * (1 << shift)));
            cv::fillPoly(scene, std::vector<std::vector<cv::Point>>{points}, value, cv::LINE_8, shift);
        }
    }
    void blur(const PipelineBench& b, const RenderGeometry& g) {
        kernelX = cv::Mat(b.state.sim.kernelX, true);
        kernelY = cv::Mat(b.state.sim.kernelY, true);
        cv::sepFilter2D(scene, blurred, CV_32F, kernelX, kernelY, cv::Point(-1, -1), 0.0, cv::BORDER_CONSTANT);
        blurred = blurred(cv::Rect(g.hx, g.hy, g.roundedWidth, g.roundedHeight));
    }
    void map(const PipelineBench& b, const cv::Mat& sensor) {
        const SimState& sim = b.state.sim;
        const double step = (sim.windowHigh - sim.windowLow) / 256.0;
        const bool invert = b.state.camera.set.polarity != 0;
        const double alpha = (invert ? -1.0 : 1.0) / step;
        const double beta = invert ? 255.0 + sim.windowLow / step : -sim.windowLow / step;
        sensor.convertTo(grey, CV_8U, alpha, beta);
        cv::cvtColor(grey, display, cv::COLOR_GRAY2RGB);
    }
};
#endif

RenderGeometry geometryOf(PipelineBench& b) {
    return computeRenderGeometry(b.state.camera.set, b.state.sim, RenderMode::CameraView, false);
}

// The whole render: scene, edges, blur and 8-bit mapping, in either image model (the physical one
// is to stay within twice the specified one).
void RenderImageBench(benchmark::State& s, ImageModel model) {
    PipelineBench b(static_cast<int>(s.range(0)), static_cast<int>(s.range(1)), model);
    const std::size_t pixels = b.pixels();
    double peer = 0.0;
#ifdef TERVIX_HAVE_OPENCV
    OpenCvRender cv;
    const RenderGeometry g = geometryOf(b);
    peer = millisecondsPer([&] {
        cv.rasterize(b, g);
        cv.blur(b, g);
        cv.map(b, cv.blurred);
        benchmark::DoNotOptimize(cv.display.data);
    });
#endif
    const double floor = floorMilliseconds(pixels * sizeof(float), pixels * 3);
    const StageClock clock;
    for (auto _ : s) {
        b.render();
        benchmark::DoNotOptimize(b.state.sim.displayImage.data());
    }
    s.counters["kernel_taps"] = 2 * b.state.sim.kernelXHalfWidth + 1;
    clock.report(s, floor, peer, pixels);
}

// The scene alone: background, items and the edge pass (the peer fills polygons without edges).
void RasterizeBench(benchmark::State& s) {
    PipelineBench b(static_cast<int>(s.range(0)), static_cast<int>(s.range(1)));
    const RenderGeometry g = geometryOf(b);
    const std::size_t padded = static_cast<std::size_t>(g.width) * static_cast<std::size_t>(g.height);
    double peer = 0.0;
#ifdef TERVIX_HAVE_OPENCV
    OpenCvRender cv;
    peer = millisecondsPer([&] {
        cv.rasterize(b, g);
        benchmark::DoNotOptimize(cv.scene.data);
    });
#endif
    const double floor = floorMilliseconds(0, padded * sizeof(float));
    const StageClock clock;
    for (auto _ : s) {
        rasterizeScene(b.state.target, b.state.sim, g);
        benchmark::DoNotOptimize(b.state.sim.sceneImage.data());
    }
    clock.report(s, floor, peer, padded);
}

// The separable blur from the padded scene to SensorImage.
void BlurBench(benchmark::State& s) {
    PipelineBench b(static_cast<int>(s.range(0)), static_cast<int>(s.range(1)));
    const RenderGeometry g = geometryOf(b);
    rasterizeScene(b.state.target, b.state.sim, g);
    const std::vector<float> scene = b.state.sim.sceneImage;
    const std::size_t pixels = b.pixels();
    double peer = 0.0;
#ifdef TERVIX_HAVE_OPENCV
    OpenCvRender cv;
    cv.scene = cv::Mat(g.height, g.width, CV_32F, const_cast<float*>(scene.data()));
    peer = millisecondsPer([&] {
        cv.blur(b, g);
        benchmark::DoNotOptimize(cv.blurred.data);
    });
#endif
    const double floor = floorMilliseconds(scene.size() * sizeof(float), pixels * sizeof(float));
    // The scene goes back before each blur, outside both clocks.
    StageClock clock;
    for (auto _ : s) {
        s.PauseTiming();
        clock.pause();
        b.state.sim.sceneImage = scene;
        clock.resume();
        s.ResumeTiming();
        blurSceneImage(b.state.sim, g);
        benchmark::DoNotOptimize(b.state.sim.sceneImage.data());
    }
    clock.report(s, floor, peer, pixels);
}

// The 8-bit mapping of SensorImage through the display window into the three-byte DisplayImage.
void MapToDisplayBench(benchmark::State& s) {
    PipelineBench b(static_cast<int>(s.range(0)), static_cast<int>(s.range(1)));
    const std::size_t pixels = b.pixels();
    double peer = 0.0;
#ifdef TERVIX_HAVE_OPENCV
    OpenCvRender cv;
    const cv::Mat sensor(b.state.sim.imageHeight, b.state.sim.imageWidth, CV_32F, b.state.sim.sceneImage.data());
    peer = millisecondsPer([&] {
        cv.map(b, sensor);
        benchmark::DoNotOptimize(cv.display.data);
    });
#endif
    const double floor = floorMilliseconds(pixels * sizeof(float), pixels * 3);
    const StageClock clock;
    for (auto _ : s) {
        mapToDisplay(b.state.sim, b.state.camera.set, true, false);
        benchmark::DoNotOptimize(b.state.sim.displayImage.data());
    }
    clock.report(s, floor, peer, pixels);
}

// One step of the temperature-difference trackbar: the scene updated and rendered once, level and
// contrast set from the new image, the picture mapped again. The floor and the peer are those of one
// render.
void TemperatureStepBench(benchmark::State& s) {
    PipelineBench b(static_cast<int>(s.range(0)), static_cast<int>(s.range(1)));
    const std::size_t pixels = b.pixels();
    double peer = 0.0;
#ifdef TERVIX_HAVE_OPENCV
    OpenCvRender cv;
    const RenderGeometry g = geometryOf(b);
    peer = millisecondsPer([&] {
        cv.rasterize(b, g);
        cv.blur(b, g);
        double lo = 0.0, hi = 0.0;
        cv::minMaxLoc(cv.blurred, &lo, &hi);
        cv.map(b, cv.blurred);
        benchmark::DoNotOptimize(cv.display.data);
    });
#endif
    const double floor = floorMilliseconds(pixels * sizeof(float), pixels * 3);
    // One step of the grid up and back.
    double kelvin = 1.0;
    const StageClock clock;
    for (auto _ : s) {
        kelvin = kelvin == 1.0 ? 1.0 + 1.0 / temperatureGridStepsPerKelvin : 1.0;
        b.console.setTemperatureOnGrid(kelvin);
        benchmark::DoNotOptimize(b.state.sim.displayImage.data());
    }
    clock.report(s, floor, peer, pixels);
}

// One noisy frame from DisplayImage, in either image model: table noise or fresh normal noise.
void BuildViewFrameBench(benchmark::State& s, ImageModel model) {
    PipelineBench b(static_cast<int>(s.range(0)), static_cast<int>(s.range(1)), model);
    const std::size_t pixels = b.pixels();
    std::vector<std::uint8_t> frame;
    double peer = 0.0;
#ifdef TERVIX_HAVE_OPENCV
    // The peer: the grey channel taken out, table noise and the row and column offsets added, the
    // flicker gain applied with rounding and saturation.
    const SimState& sim = b.state.sim;
    const cv::Mat display(sim.imageHeight, sim.imageWidth, CV_8UC3, b.state.sim.displayImage.data());
    cv::Mat grey, work, noise(sim.imageHeight, sim.imageWidth, CV_32F),
        offsets(sim.imageHeight, sim.imageWidth, CV_32F), out;
    cv::randn(noise, 0.0, 1.0);
    cv::randn(offsets, 0.0, 0.5);
    peer = millisecondsPer([&] {
        cv::extractChannel(display, grey, 0);
        grey.convertTo(work, CV_32F);
        cv::scaleAdd(noise, 0.7, work, work);
        cv::add(work, offsets, work);
        work.convertTo(out, CV_8U, 1.01, 0.5);
        benchmark::DoNotOptimize(out.data);
    });
#endif
    const double floor = floorMilliseconds(pixels * 3, pixels);
    const StageClock clock;
    for (auto _ : s) {
        nextFrame(b.state, false, frame);
        benchmark::DoNotOptimize(frame.data());
    }
    clock.report(s, floor, peer, pixels);
}

void RefreshCameraModelBench(benchmark::State& s) {
    BenchState state;
    MessageLog log;
    std::string error;
    readAtmosphereFile(shipped("Atmosphere.ini"), state.atmosphere, error);
    loadCameraFile(state, shipped("camera" + std::to_string(s.range(0)) + ".par"), CameraLoadMode::Full, log);
    for (auto _ : s) {
        state.sim.lastNoiseSigma = SimState::noValue; // rebuild the noise table too, as a camera change does
        CameraModelContext context = state.model();
        RefreshCameraModel(context);
        benchmark::DoNotOptimize(state.sim.kernelX.data());
    }
}

// What the detector limits rest on: one Apply's render and one live frame, by the detector's side
// (square, Camera2's pixel angle) and by the pixel angle in nrad (at 640 x 512).
void RenderBySizeBench(benchmark::State& s) {
    const int side = static_cast<int>(s.range(0));
    PipelineBench b(side, side, ImageModel::Specified, static_cast<double>(s.range(1)) / 1e6);
    std::vector<std::uint8_t> frame;
    for (auto _ : s) {
        b.render();
        benchmark::DoNotOptimize(b.state.sim.displayImage.data());
    }
    s.counters["frame_ms"] = millisecondsPer([&] { nextFrame(b.state, false, frame); });
    s.counters["padded_width"] = geometryOf(b).width;
}

void sizes(benchmark::internal::Benchmark* b) {
    b->Args({640, 512})->Args({1280, 1024})->Unit(benchmark::kMillisecond);
}

} // namespace

BENCHMARK_CAPTURE(RenderImageBench, specified, ImageModel::Specified)->Apply(sizes);
BENCHMARK_CAPTURE(RenderImageBench, physical, ImageModel::Physical)->Apply(sizes);
BENCHMARK(RasterizeBench)->Apply(sizes);
BENCHMARK(BlurBench)->Apply(sizes);
BENCHMARK(MapToDisplayBench)->Apply(sizes);
BENCHMARK(TemperatureStepBench)->Apply(sizes);
BENCHMARK_CAPTURE(BuildViewFrameBench, specified, ImageModel::Specified)->Apply(sizes);
BENCHMARK_CAPTURE(BuildViewFrameBench, physical, ImageModel::Physical)->Apply(sizes);
BENCHMARK(RenderBySizeBench)
    ->ArgsProduct({{512, 1024, 2048, 4096}, {0}})
    ->ArgsProduct({{640}, {100000, 10000, 1000, 100}})
    ->Unit(benchmark::kMillisecond);
// One Apply as the window does it: the reading recorded, the session file rewritten whole (flushed
// to the disk, with its folder) and the lists derived again, after a session of s.range(0)
// readings (50 Applies from there). Wall time, since part of it is the disk's.
void RecordReadingBench(benchmark::State& s) {
    PipelineBench b(640, 512, ImageModel::Physical);
    const std::filesystem::path folder = std::filesystem::temp_directory_path() / "tervix_record_bench";
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    b.console.startSession(folder.string(), isoUtcNow());
    b.console.setObserver("bench");
    for (int k = 0; k < s.range(0); ++k) {
        b.console.setTemperatureOnGrid(k % 2 ? 0.2 : -0.2);
        b.console.applyResult();
    }
    for (auto _ : s)
        b.console.applyResult();
    s.counters["readings"] = static_cast<double>(b.console.session().readings.size());
    std::filesystem::remove_all(folder);
}

BENCHMARK(RecordReadingBench)
    ->Arg(0)
    ->Arg(200)
    ->Arg(1000)
    ->Iterations(50)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(RefreshCameraModelBench)->DenseRange(1, 5)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
