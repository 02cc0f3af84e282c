#include "camera/mrtd_curve.h"
#include "measurement/blurred_pattern.h"
#include "measurement/fidelity_report.h"
#include "measurement/model_fidelity_report.h"
#include "measurement/model_observer.h"

#include "observer_bench.h"
#include "test_support.h"

#include <cmath>
#include <random>

#include <gtest/gtest.h>

using testing_support::ObserverBench;

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

TEST_P(FidelityOfShippedCamera, NoiseAndSignalsMatchTheirPredictionsAndTheTargetComesBack) {
    ObserverBench bench("camera" + std::to_string(GetParam()) + ".par", 1, true);
    const Target before = bench.state.target;
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
    testing_support::expectSameItems(before, bench.state.target); // the noise scene was the report's own
}

INSTANTIATE_TEST_SUITE_P(Cameras, FidelityOfShippedCamera, ::testing::Range(1, 6),
                         [](const ::testing::TestParamInfo<int>& info) {
                             return "camera" + std::to_string(info.param);
                         });

namespace {

struct BlurRow {
    double sigma, aperture;
    // The square wave's modulation at a bar centre, (4/pi) sum over odd k of (-1)^((k-1)/2) / k
    // exp(-2 pi^2 sigma^2 (2k)^2), summed by hand to 400 terms. Without blur it keeps all of it,
    // and so it does through a box as wide as a bar, which covers the bar or the gap exactly.
    double series;
};

class FidelityBlur : public ::testing::TestWithParam<BlurRow> {};

} // namespace

TEST_P(FidelityBlur, OnALongPatternGivesColtmansSeriesAtItsCentre) {
    const BlurRow row = GetParam();
    // Summed to 2000 terms, which without blur leaves an error of up to 1/(2000 pi).
    EXPECT_NEAR(coltmanModulation(2.0, row.sigma, row.aperture), row.series, row.sigma > 0.0 ? 1e-4 : 2e-4);
    const BarPattern long50 = evenBars(50, 0.25); // 2 cycles per unit
    EXPECT_NEAR(predictedModulation(long50, row.sigma, row.aperture), row.series, 2e-3);
}

INSTANTIATE_TEST_SUITE_P(Widths, FidelityBlur,
                         ::testing::Values(BlurRow{0.0, 0.0, 1.0}, BlurRow{0.0, 0.25, 1.0},
                                           BlurRow{0.05, 0.0, 0.975161}, BlurRow{0.1, 0.0, 0.577755},
                                           BlurRow{0.2, 0.0, 0.054111}),
                         [](const ::testing::TestParamInfo<BlurRow>& info) {
                             return "sigma_" + testing_support::numberName(info.param.sigma) + "_box_" +
                                    testing_support::numberName(info.param.aperture);
                         });

TEST(ModelObserver, TheSameSeedGivesTheSameResultAtAnyThreadCountAndReportsItsProgress) {
    ObserverBench bench("camera5.par", 1, true);
    ObserverSettings settings;
    settings.repeats = 4;
    settings.frequencies = {1, 2};
    settings.seed = 11;
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
    for (std::size_t i = 0; i < runs[0].frequencies.size(); ++i)
        for (std::size_t r = 0; r < runs[0].frequencies[i].repeats.size(); ++r) {
            EXPECT_EQ(runs[1].frequencies[i].repeats[r].plus.value, runs[0].frequencies[i].repeats[r].plus.value);
            EXPECT_EQ(runs[1].frequencies[i].repeats[r].minus.value, runs[0].frequencies[i].repeats[r].minus.value);
        }
    // The repeats of one run differ from each other; another seed, other noise and phases.
    EXPECT_NE(runs[0].frequencies[0].repeats[0].phaseX, runs[0].frequencies[0].repeats[1].phaseX);
    settings.seed = 12;
    const ObjectiveMrtd other = measureObjectiveMrtd(bench.state, settings);
    EXPECT_NE(other.frequencies[0].repeats[0].plus.value, runs[0].frequencies[0].repeats[0].plus.value);
    EXPECT_NE(other.frequencies[0].repeats[0].phaseX, runs[0].frequencies[0].repeats[0].phaseX);
    // Cancelled at its first finished run: the runs under way may finish, no more start.
    std::atomic<bool> cancel{false};
    std::vector<int> seen;
    const ObjectiveMrtd stopped = measureObjectiveMrtd(
        bench.state, settings,
        [&](int done, int) {
            seen.push_back(done);
            cancel = true;
        },
        &cancel);
    EXPECT_TRUE(stopped.cancelled);
    ASSERT_FALSE(seen.empty());
    EXPECT_LE(seen.size(), 3u);
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

// Both orientations measured on one bench with the same seeds, at 1 and 2 cycles/mrad.
struct BothOrientations {
    ObjectiveMrtd vertical, horizontal;
};

BothOrientations measureBothOrientations(ObserverBench& bench) {
    ObserverSettings settings;
    settings.repeats = 8;
    settings.threads = 2;
    settings.seed = 3;
    settings.frequencies = {1, 3};
    BothOrientations out;
    out.vertical = measureObjectiveMrtd(bench.state, settings);
    bench.console.selectOrientation(true);
    out.horizontal = measureObjectiveMrtd(bench.state, settings);
    bench.console.selectOrientation(false);
    return out;
}

class TurnedBars : public testing::TestWithParam<ImageModel> {};

} // namespace

// Square pixels and the same blur across and down: turning the target changes nothing the
// observer can see, so both orientations give the same MRTD within their intervals.
TEST_P(TurnedBars, OnSquarePixelsAgreeWithUpright) {
    ObserverBench bench("camera1.par", 1, true, GetParam());
    ASSERT_EQ(bench.state.camera.hBlurWidth, bench.state.camera.vBlurWidth);
    const BothOrientations m = measureBothOrientations(bench);
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
        // Each repeat's MRTD is the mean of its halves' magnitudes, at a phase within the pixel.
        for (const RepeatResult& r : m.horizontal.frequencies[i].repeats) {
            EXPECT_DOUBLE_EQ(r.mrtd.value, (r.plus.value - r.minus.value) / 2);
            EXPECT_TRUE(r.phaseX >= 0.0 && r.phaseX < 1.0) << r.phaseX;
        }
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

    const BothOrientations m = measureBothOrientations(bench);
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

namespace {

// The file's curve for a field and orientation; none where the file holds no such curve.
struct CurveRow {
    const char* name;
    int fovIndex, altOptics;
    bool horizontalBars;
    PointList CameraTables::*curve;
};

class FilesMrtdCurve : public testing::TestWithParam<CurveRow> {};

} // namespace

TEST_P(FilesMrtdCurve, FollowsTheFieldAndTheOrientation) {
    const CurveRow row = GetParam();
    CameraState camera = defaultCameraState();
    camera.set.fovIndex = row.fovIndex;
    camera.set.altOptics = row.altOptics;
    const PointList& curve = mrtdCurveOf(camera, row.horizontalBars);
    if (!row.curve) {
        EXPECT_TRUE(curve.empty());
        EXPECT_LT(cameraMrtdAt(camera, 1.0, row.horizontalBars), 0.0);
        return;
    }
    EXPECT_EQ(&curve, &(camera.tables.*row.curve));
    // The file's MRTD is linear between the curve's points, and negative off the curve.
    camera.tables.*row.curve = PointList{{1.0f, 0.2f, 2.0f, 0.6f}};
    EXPECT_NEAR(cameraMrtdAt(camera, 1.25, row.horizontalBars), 0.3, 1e-6);
    EXPECT_LT(cameraMrtdAt(camera, 2.5, row.horizontalBars), 0.0);
}

INSTANTIATE_TEST_SUITE_P(ModelObserver, FilesMrtdCurve,
                         testing::Values(CurveRow{"narrow", 0, 0, false, &CameraTables::mrtdNarrowH},
                                         CurveRow{"medium", 1, 0, false, &CameraTables::mrtdMediumH},
                                         CurveRow{"wide", 2, 0, false, &CameraTables::mrtdWideH},
                                         CurveRow{"unknownField", 3, 0, false, &CameraTables::mrtdWideH},
                                         CurveRow{"alternative", 0, 1, false, &CameraTables::mrtdAltH},
                                         CurveRow{"narrowTurned", 0, 0, true, &CameraTables::mrtdNarrowV},
                                         CurveRow{"mediumTurned", 1, 0, true, nullptr},
                                         CurveRow{"wideTurned", 2, 0, true, &CameraTables::mrtdWideV},
                                         CurveRow{"alternativeTurned", 2, 1, true, nullptr}),
                         [](const testing::TestParamInfo<CurveRow>& info) { return std::string(info.param.name); });
