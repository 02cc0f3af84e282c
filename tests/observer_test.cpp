#include "camera/mrtd_curve.h"
#include "measurement/bar_judgement.h"
#include "measurement/blurred_pattern.h"
#include "measurement/classic_mrtd.h"
#include "measurement/fidelity_report.h"
#include "measurement/model_fidelity_report.h"
#include "measurement/model_observer.h"

#include "observer_bench.h"
#include "test_support.h"

#include <cmath>
#include <random>

#include <gtest/gtest.h>

using testing_support::DataRow;
using testing_support::ObserverBench;

namespace {

// One integration window's contrast from six synthetic frames: four bars of six columns between five
// gaps, 3 grey levels over a grey ground, with fresh pixel, row and column noise of the row's
// standard deviations.
BarContrast measureSynthetic(std::mt19937_64& random, const DataRow& noise) {
    constexpr int width = 90, height = 54;
    std::vector<std::vector<int>> bands(9); // columns 30 ... 83, six to a band, odd bands bars
    for (int c = 0; c < 54; ++c)
        bands[static_cast<std::size_t>(c / 6)].push_back(30 + c);
    BarFrameStatistics s({bands[1], bands[3], bands[5], bands[7]}, {bands[0], bands[2], bands[4], bands[6], bands[8]},
                         10, 49);
    std::normal_distribution<double> normal;
    std::vector<std::uint8_t> frame(static_cast<std::size_t>(width) * height);
    std::vector<double> columns(width);
    for (int f = 0; f < 6; ++f) {
        for (double& c : columns)
            c = noise[2] * normal(random);
        for (int j = 0; j < height; ++j) {
            const double row = noise[1] * normal(random);
            for (int i = 0; i < width; ++i) {
                const bool inBar = i >= 30 && i < 84 && (i - 30) / 6 % 2 == 1;
                const double v = 100.0 + (inBar ? 3.0 : 0.0) + row + columns[static_cast<std::size_t>(i)] +
                                 noise[0] * normal(random);
                frame[static_cast<std::size_t>(j) * width + i] = static_cast<std::uint8_t>(std::lround(v));
            }
        }
        s.addFrame(frame.data(), width, height);
    }
    return s.result();
}

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

// Every repeat's two halves, in order, to compare whole runs.
std::vector<double> halves(const ObjectiveMrtd& run) {
    std::vector<double> out;
    for (const FrequencyResult& f : run.frequencies)
        for (const RepeatResult& r : f.repeats)
            out.insert(out.end(), {r.plus.value, r.minus.value});
    return out;
}

class SyntheticFrames : public testing::TestWithParam<DataRow> {};

TEST_P(SyntheticFrames, NoiseComponentsAndTheContrastsErrorAreThoseOfTheFrames) {
    const DataRow& noise = GetParam();
    std::mt19937_64 random(42);
    // Rounding to whole grey levels adds 1/12 of a level² to every pixel; row and column variances
    // come from fewer degrees of freedom, with the pixel noise's share taken off.
    const double pixel = noise[0] * noise[0] + 1.0 / 12.0, row = noise[1] * noise[1], column = noise[2] * noise[2];
    const BarContrast one = measureSynthetic(random, noise);
    EXPECT_NEAR(one.noise.pixel, pixel, 0.05 * pixel);
    EXPECT_NEAR(one.noise.row, row, 0.3 * row + 0.25);
    EXPECT_NEAR(one.noise.column, column, 0.3 * column + 0.25);
    // Over many windows, the contrast's spread is the standard error each window claims: row noise
    // cancels between bars and gaps on the same rows; column noise does not average over rows.
    constexpr int windows = 300;
    double sum = 0.0, squares = 0.0, claimed = 0.0;
    for (int w = 0; w < windows; ++w) {
        const BarContrast c = measureSynthetic(random, noise);
        sum += c.contrast;
        squares += c.contrast * c.contrast;
        claimed += c.standardError * c.standardError;
    }
    const double spread = std::sqrt((squares - sum * sum / windows) / (windows - 1));
    EXPECT_NEAR(sum / windows, 3.0, 4.0 * spread / std::sqrt(windows));
    EXPECT_NEAR(std::sqrt(claimed / windows) / spread, 1.0, 0.12);
}
INSTANTIATE_TEST_SUITE_P(Observer, SyntheticFrames, TERVIX_TABLE_ROWS("tables/synthetic_frame_noise.txt"));

TEST(Observer, SummarisesTheRepeatsThatGaveAValue) {
    using O = ObserverOutcome;
    const RepeatSummary s = summarise(
        {{O::Resolved, 1.0}, {O::Resolved, 2.0}, {O::NotResolved, 0.0}, {O::Resolved, 3.0}, {O::CutAtRange, 4.0}});
    EXPECT_EQ(std::tuple(s.repeats, s.valued, s.resolved, s.outcome), std::tuple(5, 4, 3, O::CutAtRange));
    EXPECT_DOUBLE_EQ(s.mean, 2.5);
    EXPECT_NEAR(s.ciHigh - s.mean, 3.18244630528 * std::sqrt(5.0 / 3.0) / 2.0, 1e-9);
    const RepeatSummary none = summarise({{O::NotResolved, 0.0}, {O::NotResolved, 0.0}});
    EXPECT_EQ(std::pair(none.outcome, none.valued), std::pair(O::NotResolved, 0));
    EXPECT_STREQ(outcomeText(none.outcome), "not resolved");
}

class FidelityOfShippedCamera : public ::testing::TestWithParam<int> {};

TEST_P(FidelityOfShippedCamera, NoiseAndSignalsMatchTheirPredictionsAndTheTargetComesBack) {
    ObserverBench bench("camera" + std::to_string(GetParam()) + ".par", 1, true);
    const Target before = bench.state.target;
    int signals = 0, noise = 0;
    for (const FidelityRow& row : fidelityReport(bench.console)) {
        const bool signal = row.quantity.rfind("in-band exitance", 0) == 0;
        const bool frameNoise = row.quantity.rfind("frame noise", 0) == 0;
        if (signal || frameNoise) {
            EXPECT_NEAR(row.ratio(), 1.0, signal ? 1e-4 : 0.05) << row.quantity;
        }
        signals += signal;
        noise += frameNoise;
    }
    EXPECT_EQ(signals, 4);
    EXPECT_GT(noise, 0);
    testing_support::expectSameItems(before, bench.state.target); // the noise scene was the report's own
}
INSTANTIATE_TEST_SUITE_P(Cameras, FidelityOfShippedCamera, ::testing::Range(1, 6),
                         [](const auto& info) { return "camera" + std::to_string(info.param); });

class FidelityBlur : public ::testing::TestWithParam<DataRow> {};

TEST_P(FidelityBlur, OnALongPatternGivesColtmansSeriesAtItsCentre) {
    const DataRow& row = GetParam();
    // Summed to 2000 terms, which without blur leaves an error of up to 1/(2000 pi).
    EXPECT_NEAR(coltmanModulation(2.0, row[0], row[1]), row[2], row[0] > 0.0 ? 1e-4 : 2e-4);
    EXPECT_NEAR(predictedModulation(evenBars(50, 0.25), row[0], row[1]), row[2], 2e-3); // 2 cycles per unit
}
INSTANTIATE_TEST_SUITE_P(Widths, FidelityBlur, TERVIX_TABLE_ROWS("tables/coltman_series.txt"));

TEST(ModelObserver, TheSameSeedGivesTheSameResultAtAnyThreadCountAndReportsItsProgress) {
    ObserverBench bench("camera5.par", 1, true);
    ObserverSettings settings{.repeats = 4, .seed = 11, .frequencies = {1.0, 1.4}};
    std::vector<ObjectiveMrtd> runs;
    for (int threads : {1, 3}) {
        settings.threads = threads;
        std::vector<int> seen;
        runs.push_back(measureObjectiveMrtd(bench.state, settings, [&](int done, int total) {
            EXPECT_EQ(total, 8);
            seen.push_back(done);
        }));
        EXPECT_EQ(seen, (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8}));
        EXPECT_FALSE(runs.back().cancelled);
    }
    EXPECT_EQ(halves(runs[1]), halves(runs[0]));
    // The repeats of one run differ from each other; another seed, other noise and phases.
    EXPECT_NE(runs[0].frequencies[0].repeats[0].phaseX, runs[0].frequencies[0].repeats[1].phaseX);
    settings.seed = 12;
    const ObjectiveMrtd other = measureObjectiveMrtd(bench.state, settings);
    EXPECT_TRUE(halves(other) != halves(runs[0]) &&
                other.frequencies[0].repeats[0].phaseX != runs[0].frequencies[0].repeats[0].phaseX);
    // Cancelled at its first finished run: the runs under way may finish, no more start.
    std::atomic<bool> cancel{false};
    std::vector<int> seen;
    auto stop = [&](int done, int) {
        seen.push_back(done);
        cancel = true;
    };
    EXPECT_TRUE(measureObjectiveMrtd(bench.state, settings, stop, &cancel).cancelled);
    EXPECT_TRUE(!seen.empty() && seen.size() <= 3u) << seen.size();
}

TEST(ModelObserver, TheGridSearchReadsTheGridsSteps) {
    ObserverBench bench("camera1.par", 3, true);
    const ObserverSettings settings{.repeats = 2, .grid = true, .frequencies = {1.5}};
    for (double half : halves(measureObjectiveMrtd(bench.state, settings))) {
        const double steps = half * temperatureGridStepsPerKelvin;
        EXPECT_NEAR(steps, std::round(steps), 1e-9);
        EXPECT_NE(half, 0.0);
    }
}

TEST(ModelObserver, JudgesNothingWithoutBars) {
    ObserverBench bench("camera1.par", 1, true);
    bench.state.target.items.clear();
    bench.state.target.distanceOrder.clear();
    bench.console.updateScene();
    EXPECT_FALSE(judgeBars(bench.state, ObserverSettings{}).resolved);
}

TEST(ModelObserver, TheClassicFormulaFollowsItsTerms) {
    const ClassicTerms t{0.05, 0.1, 0.1, 0.0, 25.0};
    // With no blur the MTF is the pixel aperture's: zero at one cycle per pixel.
    EXPECT_NEAR(classicMtf(t, 5.0), 2.0 / std::numbers::pi, 1e-12);
    EXPECT_GT(classicMrtd(t, 10.0, 2.5, 0.2), 1e6);
    // The shipped camera's terms: its pixel angle and the noise at the scene's 0 °C, colder than the
    // file's 20 °C: a shallower exitance slope.
    ObserverBench bench("camera1.par");
    const ClassicTerms c = classicTerms(bench.state);
    for (double angle : {c.alpha, c.beta})
        EXPECT_NEAR(angle, 0.17, 0.002);
    EXPECT_DOUBLE_EQ(c.sigma, bench.state.camera.hBlurWidth);
    EXPECT_TRUE(c.netdScene > 0.05 && c.netdScene < 0.2) << c.netdScene;
}

// Both orientations measured on one bench with the same seeds, at 1 and 2 cycles/mrad.
std::pair<ObjectiveMrtd, ObjectiveMrtd> measureBothOrientations(ObserverBench& bench) {
    const ObserverSettings settings{
        .observer = ObserverKind::Ideal, .repeats = 8, .seed = 3, .threads = 2, .frequencies = {1.0, 2.0}};
    const ObjectiveMrtd vertical = measureObjectiveMrtd(bench.state, settings);
    bench.console.selectOrientation(true);
    const ObjectiveMrtd horizontal = measureObjectiveMrtd(bench.state, settings);
    bench.console.selectOrientation(false);
    EXPECT_FALSE(vertical.horizontalBars);
    EXPECT_TRUE(horizontal.horizontalBars);
    return {vertical, horizontal};
}

class TurnedBars : public testing::TestWithParam<ImageModel> {};

// Square pixels and the same blur across and down: turning the target changes nothing the
// observer can see, so both orientations give the same MRTD within their intervals.
TEST_P(TurnedBars, OnSquarePixelsAgreeWithUpright) {
    ObserverBench bench("camera1.par", 1, true, GetParam());
    ASSERT_EQ(bench.state.camera.hBlurWidth, bench.state.camera.vBlurWidth);
    const auto [vertical, horizontal] = measureBothOrientations(bench);
    for (std::size_t i = 0; i < vertical.frequencies.size(); ++i) {
        const FrequencyResult &v = vertical.frequencies[i], &h = horizontal.frequencies[i];
        SCOPED_TRACE(v.frequency);
        ASSERT_EQ(std::pair(v.mrtd.resolved, h.mrtd.resolved), std::pair(8, 8));
        EXPECT_LE(std::abs(h.mrtd.mean - v.mrtd.mean), (h.mrtd.ciHigh - h.mrtd.mean) + (v.mrtd.ciHigh - v.mrtd.mean));
        EXPECT_NEAR(h.classic, v.classic, 1e-3 * v.classic);
    }
}
INSTANTIATE_TEST_SUITE_P(ModelObserver, TurnedBars, testing::Values(ImageModel::Specified, ImageModel::Physical),
                         [](const auto& info) {
                             return info.param == ImageModel::Physical ? "physical" : "specified";
                         });

// Half the rows over the same field: pixels twice as tall as wide. Horizontal bars, read across
// the rows, then need more contrast, and at 2 cycles/mrad lie past the rows' Nyquist frequency, where
// nothing is measured.
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

    const auto [vertical, horizontal] = measureBothOrientations(bench);
    ASSERT_EQ(std::pair(vertical.frequencies[0].mrtd.resolved, horizontal.frequencies[0].mrtd.resolved),
              std::pair(8, 8));
    // At 1 cycle/mrad the taller pixel's aperture costs some 16 % of the modulation; the classic
    // formula says so, and the observer's mean rises with it.
    EXPECT_GT(horizontal.frequencies[0].classic, 1.1 * vertical.frequencies[0].classic);
    EXPECT_GT(horizontal.frequencies[0].mrtd.mean, vertical.frequencies[0].mrtd.mean);
    EXPECT_EQ(vertical.frequencies[1].mrtd.resolved, 8);
    EXPECT_EQ(horizontal.frequencies[1].mrtd.outcome, ObserverOutcome::BeyondSamplingLimit);
}

// The file's curve for a field and orientation; none where the file holds no such curve.
class FilesMrtdCurve : public testing::TestWithParam<DataRow> {};

TEST_P(FilesMrtdCurve, FollowsTheFieldAndTheOrientation) {
    using T = CameraTables;
    static constexpr PointList T::*curves[] = {nullptr,      &T::mrtdNarrowH, &T::mrtdMediumH, &T::mrtdWideH,
                                               &T::mrtdAltH, &T::mrtdNarrowV, &T::mrtdWideV};
    const DataRow& row = GetParam();
    const bool turned = row[2] != 0.0;
    PointList CameraTables::*expected = curves[static_cast<std::size_t>(row[3])];
    CameraState camera = defaultCameraState();
    camera.set.fovIndex = static_cast<int>(row[0]);
    camera.set.altOptics = static_cast<int>(row[1]);
    const PointList& curve = mrtdCurveOf(camera, turned);
    if (!expected) {
        EXPECT_TRUE(curve.empty());
        EXPECT_LT(cameraMrtdAt(camera, 1.0, turned), 0.0);
        return;
    }
    EXPECT_EQ(&curve, &(camera.tables.*expected));
    // The file's MRTD is linear between the curve's points, and negative off the curve.
    camera.tables.*expected = PointList{{1.0f, 0.2f, 2.0f, 0.6f}};
    EXPECT_NEAR(cameraMrtdAt(camera, 1.25, turned), 0.3, 1e-6);
    EXPECT_LT(cameraMrtdAt(camera, 2.5, turned), 0.0);
}
INSTANTIATE_TEST_SUITE_P(ModelObserver, FilesMrtdCurve, TERVIX_TABLE_ROWS("tables/mrtd_curves.txt"));

} // namespace
