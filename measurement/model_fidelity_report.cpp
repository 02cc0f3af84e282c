#include "measurement/model_fidelity_report.h"

#include "measurement/autocorrelation.h"
#include "measurement/bar_pattern.h"
#include "measurement/blurred_pattern.h"
#include "measurement/fidelity_renders.h"
#include "sim/display.h"
#include "sim/image_model_behaviour.h"
#include "sim/in_band_exitance.h"
#include "sim/physical_noise.h"
#include "sim/physical_radiometry.h"
#include "sim/render.h"

#include <algorithm>
#include <cmath>

namespace {

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return n == 0 ? 0.0 : (n % 2 != 0 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2.0);
}

// Planck's law with the SI constants, e and 273.15, integrated finely.
double referenceExitance(const PointList& response, double celsius) {
    return SimpsonExitance(response, celsius + kelvinOffset, exactC1, exactC2, fineExitanceStep);
}

struct PhaseReading {
    double modulation = 0.0, predicted = 0.0;
    double weakest = 0.0, predictedWeakest = 0.0;
    double largestError = 0.0;
};

// Reads the sensor image of the current render against the exact prediction.
PhaseReading readPhase(const BenchState& state) {
    PhaseReading r;
    const SimState& sim = state.sim;
    const BarPattern p = findBarPattern(state);
    if (!p.valid() || sim.imageWidth <= 0 || sim.imageHeight <= 0)
        return r;
    const RenderGeometry g = computeRenderGeometry(state.camera.set, sim, RenderMode::CameraView, false);
    const double originY = -g.halfY + g.centreY;
    const double sigmaX = sim.physical.blurWidthX * 1e-3, sigmaY = sim.physical.blurWidthY * 1e-3;
    struct Bar {
        double x0, x1, y0, y1;
    };
    std::vector<Bar> bars;
    double barSignal = 0.0;
    for (const TargetItem& item : state.target.items) {
        if (!item.shown || !item.hasShape())
            continue;
        bars.push_back({item.screenBounds[0], item.screenBounds[1], item.screenBounds[2], item.screenBounds[3]});
        barSignal = item.renderTemperature;
    }
    const double background = sim.backgroundSignal;
    const double contrast = barSignal - background;
    const int w = sim.imageWidth, h = sim.imageHeight;
    // The prediction is separable bar by bar: a column profile times a row profile.
    std::vector<double> across(bars.size() * static_cast<std::size_t>(w)),
        along(bars.size() * static_cast<std::size_t>(h));
    for (std::size_t b = 0; b < bars.size(); ++b) {
        for (int i = 0; i < w; ++i)
            across[b * w + i] = blurredBar(bars[b].x0, bars[b].x1, p.centreOfColumn(i), sigmaX, p.pitchX);
        for (int j = 0; j < h; ++j)
            along[b * h + j] = blurredBar(bars[b].y0, bars[b].y1, originY + (j + 0.5) * g.pitchY, sigmaY, g.pitchY);
    }
    auto predictedAt = [&](int i, int j) {
        double v = 0.0;
        for (std::size_t b = 0; b < bars.size(); ++b)
            v += across[b * w + i] * along[b * h + j];
        return v; // in shares of the contrast, above the background
    };
    for (int j = 0; j < h; ++j)
        for (int i = 0; i < w; ++i) {
            const double image = (sim.sceneImage[static_cast<std::size_t>(j) * w + i] - background) / contrast;
            r.largestError = std::max(r.largestError, std::fabs(image - predictedAt(i, j)));
        }
    const int row = std::clamp((p.rowLow + p.rowHigh) / 2, 0, h - 1);
    auto imageAt = [&](double x) {
        const int column = std::clamp(p.columnAt(x), 0, w - 1);
        return (sim.sceneImage[static_cast<std::size_t>(row) * w + column] - background) / contrast;
    };
    auto predictionAt = [&](double x) { return predictedAt(std::clamp(p.columnAt(x), 0, w - 1), row); };
    double bar = 0.0, gap = 0.0, barP = 0.0, gapP = 0.0;
    for (const Interval& b : p.bars) {
        bar += imageAt(b.centre());
        barP += predictionAt(b.centre());
    }
    for (std::size_t k = 1; k + 1 < p.gaps.size(); ++k) {
        gap += imageAt(p.gaps[k].centre());
        gapP += predictionAt(p.gaps[k].centre());
    }
    const double inner = static_cast<double>(p.gaps.size() - 2);
    r.modulation = bar / p.bars.size() - gap / inner;
    r.predicted = barP / p.bars.size() - gapP / inner;
    r.weakest = r.predictedWeakest = 1e300;
    for (std::size_t k = 1; k + 1 < p.gaps.size(); ++k) {
        const double g0 = imageAt(p.gaps[k].centre()), g0P = predictionAt(p.gaps[k].centre());
        for (const Interval* b : {&p.bars[k - 1], &p.bars[k]}) {
            r.weakest = std::min(r.weakest, imageAt(b->centre()) - g0);
            r.predictedWeakest = std::min(r.predictedWeakest, predictionAt(b->centre()) - g0P);
        }
    }
    return r;
}

} // namespace

ModelFidelity modelFidelityReport(Bench& console, int phases) {
    BenchState& state = console.state();
    const CameraSet& camera = state.camera.set;
    const PointList& response = state.camera.tables.currentSpectralResponse();
    ModelFidelity report;
    report.model = state.sim.imageModel;
    console.setRandomisePosition(false);

    // (1) Modulation and every pixel against the exact prediction, at each frequency and phase.
    const RenderGeometry g = computeRenderGeometry(camera, state.sim, RenderMode::CameraView, false);
    const double nyquist = 1.0 / (2.0 * g.pitchX * 1000.0);
    for (int i = 0; i < frequencyCount; ++i) {
        console.selectFrequency(i);
        console.setTemperatureOnGrid(modulationDifference);
        FrequencyFidelity row;
        row.frequency = frequencyChoices[static_cast<std::size_t>(i)].frequency;
        row.nyquistShare = row.frequency / nyquist;
        std::vector<double> measured, predicted, ratio;
        row.weakestPair = row.predictedWeakestPair = 1e300;
        for (int k = 0; k < phases; ++k) {
            // Phases spread evenly across a pixel, the rows' phase stepping through it in another order.
            console.setTargetPhase(static_cast<double>(k) / phases, static_cast<double>((k * 7) % phases) / phases);
            const PhaseReading r = readPhase(state);
            measured.push_back(r.modulation);
            predicted.push_back(r.predicted);
            ratio.push_back(r.predicted != 0.0 ? r.modulation / r.predicted : 0.0);
            row.largestPixelError = std::max(row.largestPixelError, r.largestError);
            row.weakestPair = std::min(row.weakestPair, r.weakest);
            row.predictedWeakestPair = std::min(row.predictedWeakestPair, r.predictedWeakest);
            if (r.weakest < 0.0) {
                ++row.reversedPhases;
                if (r.predictedWeakest >= resolvablePairContrast)
                    ++row.unexpectedReversals;
            }
        }
        auto spread = [](const std::vector<double>& v) {
            return std::array<double, 3>{*std::min_element(v.begin(), v.end()), median(v),
                                         *std::max_element(v.begin(), v.end())};
        };
        if (!measured.empty()) {
            row.modulation = spread(measured);
            row.predicted = spread(predicted);
            row.ratio = spread(ratio);
        }
        report.frequencies.push_back(row);
    }

    // (2) Per-pixel temporal noise on a flat scene at the background temperature.
    console.selectFrequency(0);
    SimState& sim = state.sim;
    NoiseFidelity& noise = report.noise;
    noise.sceneCelsius = camera.backgroundTemperature;
    noise.fileNetd = camera.netd;
    const double slope = physicalSignalSlope(response, camera.backgroundTemperature);
    noise.modelNetd = camera.frameNoise[0] * 0.01 * physicalNoiseSigma(camera, response) / slope;
    const double sigma = imageModelBehaviour(sim.imageModel).noiseSigma(sim);
    const double share = frameNoiseShare(camera);
    if (sigma > 0.0 && share > 0.0 && slope > 0.0) {
        // Ten grey levels for the whole frame noise: far from both ends of the byte range.
        const double window = 256.0 * sigma * share / 10.0;
        // The flat scene is the bench's own with its items lifted off for the measurement, then put back.
        Target kept = state.target;
        state.target.items.clear();
        state.target.distanceOrder.clear();
        console.updateScene();
        sim.windowLow = sim.backgroundSignal - window / 2;
        sim.windowHigh = sim.backgroundSignal + window / 2;
        console.redrawView();
        const int w = sim.imageWidth, h = sim.imageHeight;
        const std::size_t pixels = static_cast<std::size_t>(w) * h;
        std::vector<std::uint8_t> frame;
        std::vector<double> residual(pixels);
        double squares = 0.0;
        long long count = 0;
        constexpr int frames = 4;
        for (int f = 0; f < frames; ++f) {
            nextFrame(state, false, frame);
            // Row and column means out: what is left is the per-pixel part.
            std::vector<double> rowMean(static_cast<std::size_t>(h)), columnMean(static_cast<std::size_t>(w));
            double all = 0.0;
            for (int j = 0; j < h; ++j)
                for (int i = 0; i < w; ++i) {
                    const std::size_t at = static_cast<std::size_t>(j) * w + i;
                    const double d = static_cast<double>(frame[at]) - sim.displayImage[3 * at];
                    residual[at] = d;
                    rowMean[static_cast<std::size_t>(j)] += d / w;
                    columnMean[static_cast<std::size_t>(i)] += d / h;
                    all += d / static_cast<double>(pixels);
                }
            for (int j = 0; j < h; ++j)
                for (int i = 0; i < w; ++i) {
                    double& d = residual[static_cast<std::size_t>(j) * w + i];
                    d -= rowMean[static_cast<std::size_t>(j)] + columnMean[static_cast<std::size_t>(i)] - all;
                    squares += d * d;
                    ++count;
                }
            if (f == 0)
                noise.largestAutocorrelation = largestAutocorrelation(residual, w, h, noise.lagX, noise.lagY);
        }
        // Taking out the means also takes (1 - 1/w)(1 - 1/h) of independent pixels' variance.
        const double variance = squares / count / ((1.0 - 1.0 / w) * (1.0 - 1.0 / h));
        const double greyPerSignal = 256.0 / (sim.windowHigh - sim.windowLow);
        noise.measuredNetd = std::sqrt(variance) / greyPerSignal / slope;
        state.target = std::move(kept);
    }

    // (3) The model's in-band signals against Planck's law with the SI constants and 273.15.
    for (double t : {static_cast<double>(camera.tempMin), 0.0, static_cast<double>(camera.tm),
                     static_cast<double>(camera.tempMax)})
        report.exitance.push_back(
            {t, modelSignal(report.model, response, t, sceneIntegrationStep), referenceExitance(response, t)});
    return report;
}
