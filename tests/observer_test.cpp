#include "text/messages.h"
#include "measurement/fidelity_report.h"
#include "measurement/model_observer.h"
#include "console/open_bench.h"
#include "target/target_file.h"

#include "test_support.h"

#include <cmath>

#include <gtest/gtest.h>

using testing_support::shippedFile;

namespace {

// A started bench on a shipped camera and the standard target, optionally on a quarter of the
// detector at the same pixel angle, to keep the slower measurements short.
struct Bench {
    BenchState state;
    MessageLog log;
    BenchConsole console{state, log};

    explicit Bench(const std::string& camera, std::uint32_t seed = 1, bool quarter = false) {
        BenchSources sources;
        sources.atmosphere = BenchSource{shippedFile("Atmosphere.ini"), std::nullopt};
        sources.seed = seed;
        sources.camera.path = shippedFile(camera);
        sources.target.path = shippedFile("mira.tag");
        if (quarter)
            sources.adjustCamera = [](CameraSet& c) {
                c.detectorColumns /= 2;
                c.detectorRows /= 2;
                c.fovCurrentH /= 2;
                c.fovCurrentV /= 2;
            };
        EXPECT_EQ(openBench(console, sources), BenchOpenFault::None);
    }
};

BarPattern evenBars(int count, double width) {
    BarPattern p;
    p.pitchX = 0.001;
    p.originX = -50.0005;
    for (int k = 0; k < count; ++k)
        p.bars.push_back({-count * width + 2 * k * width, -count * width + (2 * k + 1) * width});
    p.gaps.push_back({p.bars.front().low - width, p.bars.front().low});
    for (std::size_t k = 1; k < p.bars.size(); ++k)
        p.gaps.push_back({p.bars[k - 1].high, p.bars[k].low});
    p.gaps.push_back({p.bars.back().high, p.bars.back().high + width});
    p.rowHigh = 1;
    return p;
}

} // namespace

namespace {

class FidelityOfShippedCamera : public ::testing::TestWithParam<int> {};

} // namespace

TEST_P(FidelityOfShippedCamera, NoiseAndSignalsMatchTheirPredictions) {
    Bench bench("camera" + std::to_string(GetParam()) + ".par", 1, true);
    int signals = 0;
    bool noise = false;
    for (const FidelityRow& row : fidelityReport(bench.console)) {
        if (row.quantity.rfind("in-band exitance", 0) == 0) {
            EXPECT_NEAR(row.ratio(), 1.0, 1e-4) << row.quantity;
            ++signals;
        }
        if (row.quantity.rfind("frame noise", 0) == 0) {
            EXPECT_NEAR(row.ratio(), 1.0, 0.05);
            noise = true;
        }
    }
    EXPECT_EQ(signals, 4);
    EXPECT_TRUE(noise);
    EXPECT_TRUE(bench.log.messages.empty());
}

INSTANTIATE_TEST_SUITE_P(Cameras, FidelityOfShippedCamera, ::testing::Range(1, 6),
                         [](const ::testing::TestParamInfo<int>& info) { return "camera" + std::to_string(info.param); });

// Both reports measure noise on a flat scene; the bench's target must come back with them.
class FidelityReports : public testing::TestWithParam<bool> {};

TEST_P(FidelityReports, LeaveTheBenchTargetAsTheyFoundIt) {
    Bench bench("camera1.par", 1, true);
    const Target before = bench.state.target;
    ASSERT_FALSE(before.distanceOrder.empty());
    ASSERT_GT(bench.state.camera.set.frameNoise[0], 0); // the reports render their flat noise scene
    if (GetParam())
        modelFidelityReport(bench.console, 1);
    else
        fidelityReport(bench.console);
    const Target& after = bench.state.target;
    EXPECT_EQ(after.distanceOrder, before.distanceOrder);
    ASSERT_EQ(after.items.size(), before.items.size());
    for (std::size_t k = 0; k < before.items.size(); ++k) {
        SCOPED_TRACE(k);
        EXPECT_EQ(after.items[k].name, before.items[k].name);
        EXPECT_EQ(after.items[k].kind, before.items[k].kind);
        EXPECT_EQ(after.items[k].vertices, before.items[k].vertices);
        EXPECT_EQ(after.items[k].temperature, before.items[k].temperature);
        EXPECT_EQ(after.items[k].distance, before.items[k].distance);
    }
}

INSTANTIATE_TEST_SUITE_P(Fidelity, FidelityReports, testing::Values(false, true),
                         [](const testing::TestParamInfo<bool>& info) { return info.param ? "ModelReport" : "Report"; });

TEST(Fidelity, TheModulationPredictionMeetsKnownAnswers) {
    // Without blur, bars many pixels wide keep their full modulation.
    EXPECT_NEAR(predictedModulation(evenBars(4, 1.0), 0.0, 0.0), 1.0, 1e-9);
    EXPECT_NEAR(predictedModulation(evenBars(4, 1.0), 0.0, 0.01), 1.0, 1e-9);
    // Without any blur a square wave keeps its full modulation; a pixel aperture lowers it.
    EXPECT_NEAR(coltmanModulation(1.0, 0.0, 0.0), 1.0, 1e-3);
    EXPECT_LT(coltmanModulation(2.0, 0.1, 0.25), coltmanModulation(2.0, 0.1, 0.0));
    EXPECT_NEAR(blurredPatternAt({{0.0, 1.0}}, 0.5, 0.0, 0.5), 1.0, 1e-12);
    EXPECT_NEAR(blurredPatternAt({{0.0, 1.0}}, 1.0, 0.0, 0.5), 0.5, 1e-12);
    EXPECT_NEAR(blurredPatternAt({{0.0, 1.0}}, 1.0, 0.1, 0.0), 0.5, 1e-12);
}

namespace {

struct GaussianBlurRow {
    double sigma;
    // The square wave's modulation at a bar centre, (4/pi) sum over odd k of (-1)^((k-1)/2) / k
    // exp(-2 pi^2 sigma^2 (2k)^2), summed by hand to 400 terms.
    double series;
};

class FidelityGaussianBlur : public ::testing::TestWithParam<GaussianBlurRow> {};

} // namespace

TEST_P(FidelityGaussianBlur, OnALongPatternGivesColtmansSeriesAtItsCentre) {
    const double sigma = GetParam().sigma;
    EXPECT_NEAR(coltmanModulation(2.0, sigma, 0.0), GetParam().series, 1e-4);
    const double width = 0.25; // 2 cycles per unit
    const BarPattern long50 = evenBars(50, width);
    EXPECT_NEAR(predictedModulation(long50, sigma, 0.0), GetParam().series, 2e-3);
}

INSTANTIATE_TEST_SUITE_P(Widths, FidelityGaussianBlur,
                         ::testing::Values(GaussianBlurRow{0.05, 0.975161}, GaussianBlurRow{0.1, 0.577755},
                                           GaussianBlurRow{0.2, 0.054111}),
                         [](const ::testing::TestParamInfo<GaussianBlurRow>& info) {
                             return "sigma_" + testing_support::numberName(info.param.sigma);
                         });

TEST(ModelObserver, ResolvesLowFrequenciesAndNotBeyondTheCamerasResolution) {
    Bench first("camera1.par", 7, true);
    const ObserverSettings settings;
    const double low = measureMrtdAt(first.console, settings, 0);
    EXPECT_GT(low, 0.0);
    EXPECT_LT(low, 0.1);
    const double middle = measureMrtdAt(first.console, settings, 3);
    EXPECT_GT(middle, low); // rising with frequency
    EXPECT_LT(measureMrtdAt(first.console, settings, 5), 0.0); // 4 cycles/mrad, beyond Nyquist 2.94
    EXPECT_EQ(first.console.results.rows(0)[12], "   6\t   4.\t  ***  \t  ***  \t  ");

    // The same seed gives the same measurement.
    Bench second("camera1.par", 7, true);
    EXPECT_EQ(measureMrtdAt(second.console, settings, 0), low);
    EXPECT_EQ(second.console.results.rows(0)[2], first.console.results.rows(0)[2]);
}

TEST(ModelObserver, JudgesNothingWithoutBars) {
    Bench bench("camera1.par", 1, true);
    bench.state.target.items.clear();
    bench.state.target.distanceOrder.clear();
    bench.console.updateScene();
    EXPECT_FALSE(judgeBars(bench.console, ObserverSettings{}).resolved);
    EXPECT_NEAR(cameraMrtdAt(bench.state.camera, bench.state.camera.tables.mrtdWideH.x(0)),
                bench.state.camera.tables.mrtdWideH.y(0), 1e-6);
    EXPECT_LT(cameraMrtdAt(bench.state.camera, 50.0), 0.0);
}
