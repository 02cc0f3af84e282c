#include "measurement/blurred_pattern.h"
#include "measurement/fidelity_report.h"
#include "measurement/model_fidelity_report.h"
#include "measurement/model_observer.h"
#include "target/target_file.h"
#include "text/messages.h"

#include "observer_bench.h"
#include "test_support.h"

#include <cmath>
#include <ostream>
#include <random>

#include <gtest/gtest.h>

using testing_support::ObserverBench;
using testing_support::shippedFile;

namespace {

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

// Synthetic frames: four bars of barWidth columns between five gaps, on a grey ground, with
// independent pixel, row and column noise of known standard deviations (grey levels), fresh in
// every frame.
struct SyntheticNoise {
    const char* name;
    double pixel, row, column;
};

void PrintTo(const SyntheticNoise& noise, std::ostream* out) {
    *out << noise.name;
}

class SyntheticFrames : public testing::TestWithParam<SyntheticNoise> {
protected:
    static constexpr int width = 90, height = 54, barWidth = 6, rowLow = 10, rowHigh = 49, frames = 6;
    static constexpr double contrast = 3.0;

    static bool inBar(int column) {
        const int k = (column - 30) / barWidth;
        return column >= 30 && k < 9 && k % 2 == 1;
    }
    static BarFrameStatistics statistics() {
        std::vector<std::vector<int>> bars, gaps;
        for (int k = 0; k < 9; ++k) {
            std::vector<int> columns;
            for (int c = 0; c < barWidth; ++c)
                columns.push_back(30 + k * barWidth + c);
            (k % 2 == 1 ? bars : gaps).push_back(columns);
        }
        return BarFrameStatistics(bars, gaps, rowLow, rowHigh);
    }
    // One integration window's contrast from frames drawn by the generator.
    static BarContrast measure(std::mt19937_64& random, const SyntheticNoise& noise) {
        std::normal_distribution<double> normal;
        BarFrameStatistics s = statistics();
        std::vector<std::uint8_t> frame(static_cast<std::size_t>(width) * height);
        std::vector<double> columns(width);
        for (int f = 0; f < frames; ++f) {
            for (double& c : columns)
                c = noise.column * normal(random);
            for (int j = 0; j < height; ++j) {
                const double row = noise.row * normal(random);
                for (int i = 0; i < width; ++i) {
                    const double v = 100.0 + (inBar(i) ? contrast : 0.0) + row + columns[static_cast<std::size_t>(i)] +
                                     noise.pixel * normal(random);
                    frame[static_cast<std::size_t>(j) * width + i] = static_cast<std::uint8_t>(std::lround(v));
                }
            }
            s.addFrame(frame.data(), width, height);
        }
        return s.result();
    }
};

} // namespace

TEST_P(SyntheticFrames, NoiseComponentsAndTheContrastsErrorAreThoseOfTheFrames) {
    const SyntheticNoise noise = GetParam();
    std::mt19937_64 random(42);
    // Rounding to whole grey levels adds 1/12 of a level² to every pixel.
    const double pixel = noise.pixel * noise.pixel + 1.0 / 12.0;
    const BarContrast one = measure(random, noise);
    EXPECT_NEAR(one.noise.pixel, pixel, 0.05 * pixel);
    // Row and column variances come from fewer degrees of freedom, with the pixel noise's share taken off.
    EXPECT_NEAR(one.noise.row, noise.row * noise.row, 0.3 * noise.row * noise.row + 0.25);
    EXPECT_NEAR(one.noise.column, noise.column * noise.column, 0.3 * noise.column * noise.column + 0.25);

    // Over many windows, the contrast's spread is the standard error each window claims: row noise
    // cancels between bars and gaps on the same rows; column noise does not average over rows.
    constexpr int windows = 300;
    double sum = 0.0, squares = 0.0, claimed = 0.0;
    for (int w = 0; w < windows; ++w) {
        const BarContrast c = measure(random, noise);
        sum += c.contrast;
        squares += c.contrast * c.contrast;
        claimed += c.standardError * c.standardError;
    }
    const double mean = sum / windows;
    const double spread = std::sqrt((squares - sum * sum / windows) / (windows - 1));
    EXPECT_NEAR(mean, contrast, 4.0 * spread / std::sqrt(windows));
    EXPECT_NEAR(std::sqrt(claimed / windows) / spread, 1.0, 0.12);
}

INSTANTIATE_TEST_SUITE_P(Observer, SyntheticFrames,
                         testing::Values(SyntheticNoise{"pixel", 6.0, 0.0, 0.0}, SyntheticNoise{"row", 1.0, 8.0, 0.0},
                                         SyntheticNoise{"column", 1.0, 0.0, 4.0},
                                         SyntheticNoise{"mixed", 5.0, 3.0, 3.0}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Observer, SummarisesTheRepeatsThatGaveAValue) {
    using O = ObserverOutcome;
    const RepeatSummary s = summarise(
        {{O::Resolved, 1.0}, {O::Resolved, 2.0}, {O::NotResolved, 0.0}, {O::Resolved, 3.0}, {O::CutAtRange, 4.0}});
    EXPECT_EQ(s.repeats, 5);
    EXPECT_EQ(s.valued, 4);
    EXPECT_EQ(s.resolved, 3);
    EXPECT_EQ(s.outcome, O::CutAtRange);
    EXPECT_DOUBLE_EQ(s.mean, 2.5);
    EXPECT_NEAR(s.ciHigh - s.mean, 3.18244630528 * std::sqrt(5.0 / 3.0) / 2.0, 1e-9);

    const RepeatSummary none = summarise({{O::NotResolved, 0.0}, {O::NotResolved, 0.0}});
    EXPECT_EQ(none.outcome, O::NotResolved);
    EXPECT_EQ(none.valued, 0);
    EXPECT_STREQ(outcomeText(none.outcome), "not resolved");
}

namespace {

class FidelityOfShippedCamera : public ::testing::TestWithParam<int> {};

} // namespace

TEST_P(FidelityOfShippedCamera, NoiseAndSignalsMatchTheirPredictions) {
    ObserverBench bench("camera" + std::to_string(GetParam()) + ".par", 1, true);
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
                         [](const ::testing::TestParamInfo<int>& info) {
                             return "camera" + std::to_string(info.param);
                         });

// Both reports measure noise on a flat scene; the bench's target must come back with them.
class FidelityReports : public testing::TestWithParam<bool> {};

TEST_P(FidelityReports, LeaveTheBenchTargetAsTheyFoundIt) {
    ObserverBench bench("camera1.par", 1, true);
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
                         [](const testing::TestParamInfo<bool>& info) {
                             return info.param ? "ModelReport" : "Report";
                         });

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

TEST(ModelObserver, ResolvesLowFrequenciesAndNothingTheSamplingCannotShow) {
    ObserverBench bench("camera1.par", 7, true);
    ObserverSettings settings;
    settings.repeats = 2;
    settings.threads = 2;
    settings.frequencies = {0, 3, 5};
    const ObjectiveMrtd result = measureObjectiveMrtd(bench.state, settings);
    ASSERT_EQ(result.frequencies.size(), 3u);
    const FrequencyResult& low = result.frequencies[0];
    const FrequencyResult& middle = result.frequencies[1];
    EXPECT_EQ(low.mrtd.outcome, ObserverOutcome::Resolved);
    EXPECT_EQ(low.mrtd.resolved, 2);
    EXPECT_GT(low.mrtd.mean, 0.0);
    EXPECT_LT(low.mrtd.mean, 0.05);
    EXPECT_GT(middle.mrtd.mean, low.mrtd.mean); // rising with frequency
    // Each repeat's MRTD is the mean of its halves' magnitudes.
    for (const RepeatResult& r : middle.repeats) {
        EXPECT_GT(r.plus.value, 0.0);
        EXPECT_LT(r.minus.value, 0.0);
        EXPECT_DOUBLE_EQ(r.mrtd.value, (r.plus.value - r.minus.value) / 2);
        EXPECT_GE(r.phaseX, 0.0);
        EXPECT_LT(r.phaseX, 1.0);
    }
    // 4 cycles/mrad puts bars narrower than the 0.17 mrad pixels: no difference resolves them.
    EXPECT_EQ(result.frequencies[2].mrtd.outcome, ObserverOutcome::NotResolved);
    EXPECT_EQ(result.frequencies[2].mrtd.valued, 0);
    EXPECT_GT(low.cameraCurve, 0.0);
    EXPECT_GT(low.classic, 0.0);
}

TEST(ModelObserver, TheSameSeedGivesTheSameResultAtAnyThreadCount) {
    ObserverBench bench("camera5.par", 1, true);
    ObserverSettings settings;
    settings.repeats = 2;
    settings.frequencies = {1, 2};
    settings.seed = 11;
    std::vector<ObjectiveMrtd> runs;
    for (int threads : {1, 3}) {
        settings.threads = threads;
        runs.push_back(measureObjectiveMrtd(bench.state, settings));
    }
    for (const ObjectiveMrtd& run : runs)
        for (std::size_t i = 0; i < run.frequencies.size(); ++i)
            for (std::size_t r = 0; r < run.frequencies[i].repeats.size(); ++r) {
                EXPECT_EQ(run.frequencies[i].repeats[r].plus.value, runs[0].frequencies[i].repeats[r].plus.value);
                EXPECT_EQ(run.frequencies[i].repeats[r].minus.value, runs[0].frequencies[i].repeats[r].minus.value);
            }
    // Another seed, other noise and phases.
    settings.seed = 12;
    const ObjectiveMrtd other = measureObjectiveMrtd(bench.state, settings);
    EXPECT_NE(other.frequencies[0].repeats[0].plus.value, runs[0].frequencies[0].repeats[0].plus.value);
    EXPECT_NE(other.frequencies[0].repeats[0].phaseX, runs[0].frequencies[0].repeats[0].phaseX);
    // The repeats of one run differ from each other.
    EXPECT_NE(runs[0].frequencies[0].repeats[0].phaseX, runs[0].frequencies[0].repeats[1].phaseX);
}

TEST(ModelObserver, ReportsProgressAndStopsWhenCancelled) {
    ObserverBench bench("camera5.par", 1, true);
    ObserverSettings settings;
    settings.repeats = 4;
    settings.threads = 2;
    settings.frequencies = {0, 1};
    std::atomic<bool> cancel{false};
    std::vector<int> seen;
    const ObjectiveMrtd stopped = measureObjectiveMrtd(
        bench.state, settings,
        [&](int done, int total) {
            EXPECT_EQ(total, 8);
            seen.push_back(done);
            cancel = true;
        },
        &cancel);
    EXPECT_TRUE(stopped.cancelled);
    ASSERT_FALSE(seen.empty());
    EXPECT_LT(seen.size(), 8u);
    EXPECT_EQ(seen.front(), 1);

    cancel = false;
    seen.clear();
    const ObjectiveMrtd whole = measureObjectiveMrtd(
        bench.state, settings, [&](int done, int) { seen.push_back(done); }, &cancel);
    EXPECT_FALSE(whole.cancelled);
    EXPECT_EQ(seen, (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8}));
}

TEST(ModelObserver, TheGridSearchReadsTheTrackbarsPositions) {
    ObserverBench bench("camera1.par", 3, true);
    ObserverSettings settings;
    settings.grid = true;
    settings.repeats = 2;
    settings.frequencies = {2};
    const ObjectiveMrtd result = measureObjectiveMrtd(bench.state, settings);
    for (const RepeatResult& r : result.frequencies[0].repeats) {
        for (double half : {r.plus.value, r.minus.value}) {
            const double position = half * temperatureSliderPerKelvin;
            EXPECT_NEAR(position, std::round(position), 1e-9);
            EXPECT_NE(half, 0.0);
        }
    }
}

TEST(ModelObserver, JudgesNothingWithoutBars) {
    ObserverBench bench("camera1.par", 1, true);
    bench.state.target.items.clear();
    bench.state.target.distanceOrder.clear();
    bench.console.updateScene();
    EXPECT_FALSE(judgeBars(bench.state, ObserverSettings{}).resolved);
    EXPECT_NEAR(cameraMrtdAt(bench.state.camera, bench.state.camera.tables.mrtdWideH.x(0)),
                bench.state.camera.tables.mrtdWideH.y(0), 1e-6);
    EXPECT_LT(cameraMrtdAt(bench.state.camera, 50.0), 0.0);
}

TEST(ModelObserver, TheClassicFormulaFollowsItsTerms) {
    ClassicTerms t{0.05, 0.1, 0.1, 0.0, 25.0};
    // With no blur the MTF is the pixel aperture's: zero at one cycle per pixel.
    EXPECT_NEAR(classicMtf(t, 5.0), 2.0 / std::numbers::pi, 1e-12);
    EXPECT_GT(classicMrtd(t, 10.0, 2.5, 0.2), 1e6);
    // Linear in the threshold and the NETD, falling with the square root of the frames seen.
    const double base = classicMrtd(t, 1.0, 2.5, 0.2);
    EXPECT_NEAR(classicMrtd(t, 1.0, 5.0, 0.2), 2 * base, 1e-15);
    EXPECT_NEAR(classicMrtd(t, 1.0, 2.5, 0.8), base / 2, 1e-15);
    t.netdScene = 0.1;
    EXPECT_NEAR(classicMrtd(t, 1.0, 2.5, 0.2), 2 * base, 1e-15);
    // The shipped camera's terms: its pixel angle and the noise at the scene's 0 °C.
    ObserverBench bench("camera1.par");
    const ClassicTerms c = classicTerms(bench.state);
    EXPECT_NEAR(c.alpha, 0.17, 0.002);
    EXPECT_NEAR(c.beta, 0.17, 0.002);
    EXPECT_DOUBLE_EQ(c.sigma, bench.state.camera.hBlurWidth);
    EXPECT_GT(c.netdScene, 0.05); // colder than the file's 20 °C: a shallower exitance slope
    EXPECT_LT(c.netdScene, 0.2);
}

namespace {

// Both orientations measured on one bench, with the same seeds.
struct BothOrientations {
    ObjectiveMrtd vertical, horizontal;
};

BothOrientations measureBothOrientations(ObserverBench& bench, const ObserverSettings& settings) {
    BothOrientations out;
    out.vertical = measureObjectiveMrtd(bench.state, settings);
    bench.console.selectOrientation(true);
    out.horizontal = measureObjectiveMrtd(bench.state, settings);
    bench.console.selectOrientation(false);
    return out;
}

ObserverSettings orientationSettings() {
    ObserverSettings settings;
    settings.repeats = 8;
    settings.threads = 2;
    settings.seed = 3;
    settings.frequencies = {1, 3}; // 1 and 2 cycles/mrad
    return settings;
}

class TurnedBars : public testing::TestWithParam<ImageModel> {};

} // namespace

// Square pixels and the same blur across and down: turning the target changes nothing the
// observer can see, so both orientations give the same MRTD within their intervals.
TEST_P(TurnedBars, OnSquarePixelsAgreeWithUpright) {
    ObserverBench bench("camera1.par", 1, true, GetParam());
    ASSERT_EQ(bench.state.camera.hBlurWidth, bench.state.camera.vBlurWidth);
    const BothOrientations m = measureBothOrientations(bench, orientationSettings());
    EXPECT_FALSE(m.vertical.horizontalBars);
    EXPECT_TRUE(m.horizontal.horizontalBars);
    for (std::size_t i = 0; i < m.vertical.frequencies.size(); ++i) {
        const RepeatSummary& v = m.vertical.frequencies[i].mrtd;
        const RepeatSummary& h = m.horizontal.frequencies[i].mrtd;
        SCOPED_TRACE(m.vertical.frequencies[i].frequency);
        ASSERT_EQ(v.resolved, 8);
        ASSERT_EQ(h.resolved, 8);
        EXPECT_LE(std::abs(h.mean - v.mean), (h.ciHigh - h.mean) + (v.ciHigh - v.mean));
        EXPECT_NEAR(m.horizontal.frequencies[i].classic, m.vertical.frequencies[i].classic,
                    1e-3 * m.vertical.frequencies[i].classic);
    }
}

INSTANTIATE_TEST_SUITE_P(ModelObserver, TurnedBars, testing::Values(ImageModel::Specified, ImageModel::Physical),
                         [](const testing::TestParamInfo<ImageModel>& info) {
                             return info.param == ImageModel::Physical ? "physical" : "specified";
                         });

// Half the rows over the same field: pixels twice as tall as wide. Horizontal bars, read across
// the rows, then need more contrast, and at 2 cycles/mrad lie past the rows' Nyquist frequency.
TEST(ModelObserver, TurnedBarsOnTallPixelsNeedMoreContrast) {
    ObserverBench bench("camera1.par", 1, true, ImageModel::Specified, [](CameraSet& c) { c.detectorRows /= 2; });
    const ClassicTerms upright = classicTerms(bench.state);
    bench.console.selectOrientation(true);
    const ClassicTerms turned = classicTerms(bench.state);
    bench.console.selectOrientation(false);
    EXPECT_NEAR(upright.beta, 2 * upright.alpha, 1e-3 * upright.alpha);
    EXPECT_DOUBLE_EQ(turned.alpha, upright.beta);
    EXPECT_DOUBLE_EQ(turned.beta, upright.alpha);
    EXPECT_DOUBLE_EQ(turned.sigma, bench.state.camera.vBlurWidth);

    const BothOrientations m = measureBothOrientations(bench, orientationSettings());
    const RepeatSummary& v1 = m.vertical.frequencies[0].mrtd;
    const RepeatSummary& h1 = m.horizontal.frequencies[0].mrtd;
    ASSERT_EQ(v1.resolved, 8);
    ASSERT_EQ(h1.resolved, 8);
    // At 1 cycle/mrad the taller pixel's aperture costs some 16 % of the modulation; the classic
    // formula says so, and the observer's mean rises with it.
    EXPECT_GT(m.horizontal.frequencies[0].classic, 1.1 * m.vertical.frequencies[0].classic);
    EXPECT_GT(h1.mean, v1.mean);
    EXPECT_EQ(m.vertical.frequencies[1].mrtd.resolved, 8);
    EXPECT_EQ(m.horizontal.frequencies[1].mrtd.outcome, ObserverOutcome::NotResolved);
}

TEST(ModelObserver, TurnedBarsTakeTheFilesVerticalCurve) {
    ObserverBench bench("camera1.par");
    const CameraTables& t = bench.state.camera.tables;
    ASSERT_EQ(bench.state.camera.set.fovIndex, 2);
    EXPECT_NEAR(cameraMrtdAt(bench.state.camera, t.mrtdWideV.x(1), true), t.mrtdWideV.y(1), 1e-6);
    // The medium field has no vertical curve.
    bench.state.camera.set.fovIndex = 1;
    EXPECT_LT(cameraMrtdAt(bench.state.camera, t.mrtdWideV.x(1), true), 0.0);
}
