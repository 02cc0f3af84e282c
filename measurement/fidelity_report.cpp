#include "measurement/fidelity_report.h"

#include "camera/detector_format.h"
#include "measurement/bar_pattern.h"
#include "measurement/blurred_pattern.h"
#include "measurement/fidelity_renders.h"
#include "sim/display.h"
#include "sim/in_band_exitance.h"
#include "sim/physical_radiometry.h"
#include "sim/render.h"
#include "sim/truncated_pi.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

// Frames averaged for the noise measurement.
constexpr int noiseFrames = 10;
// The display window for the noise measurement: this many grey levels per standard deviation.
constexpr double greyPerSigma = 20.0;

std::string format(const char* pattern, double v) {
    char text[128];
    std::snprintf(text, sizeof text, pattern, v);
    return text;
}

// The in-band exitance over the response by the fine integration, on the bench's temperature scale.
double independentExitance(const PointList& response, double celsius, bool physicalConstants) {
    const double kelvin = celsius + absoluteZeroOffset;
    if (physicalConstants)
        return SimpsonExitance(response, kelvin, exactC1, exactC2, fineExitanceStep);
    return SimpsonExitance(response, kelvin, planckC1, std::log(exponentialBase) * planckC2, fineExitanceStep);
}

} // namespace

std::vector<FidelityRow> fidelityReport(Bench& console) {
    BenchState& state = console.state();
    CameraSet& camera = state.camera.set;
    std::vector<FidelityRow> rows;

    // (1) Modulation of the rendered pattern against the blurred four-bar profile.
    const double ifov = 2.0 * std::tan(camera.fovCurrentH * truncatedPi / 360.0) / camera.opticalZoom /
                        zoomedPixels(camera.sensorWidth, camera.electronicZoom) * 1000.0;
    for (int i = 0; i < frequencyCount; ++i) {
        console.selectFrequency(i);
        console.setTemperatureOnGrid(modulationDifference);
        const BarPattern p = findBarPattern(state);
        if (!p.valid())
            continue;
        const SimState& sim = state.sim;
        const int row = (p.rowLow + p.rowHigh) / 2;
        auto signalAt = [&](double x) {
            const int column = std::clamp(p.columnAt(x), 0, sim.imageWidth - 1);
            return static_cast<double>(sim.sceneImage[static_cast<std::size_t>(row) * sim.imageWidth + column]);
        };
        double bars = 0.0, gaps = 0.0;
        for (const Interval& bar : p.bars)
            bars += signalAt(bar.centre());
        for (std::size_t k = 1; k + 1 < p.gaps.size(); ++k)
            gaps += signalAt(p.gaps[k].centre());
        const double full =
            state.target.items[static_cast<std::size_t>(state.target.distanceOrder.front())].renderTemperature -
            static_cast<double>(sim.backgroundSignal);
        const double measured = (bars / p.bars.size() - gaps / (p.gaps.size() - 2)) / full;
        // In milliradians: projected tangents times 1000.
        BarPattern mrad = p;
        for (Interval& v : mrad.bars)
            v = {v.low * 1000.0, v.high * 1000.0};
        for (Interval& v : mrad.gaps)
            v = {v.low * 1000.0, v.high * 1000.0};
        mrad.originX *= 1000.0;
        mrad.pitchX *= 1000.0;
        const double f = frequencyChoices[static_cast<std::size_t>(i)].frequency;
        const std::string label = format("modulation at %.1f cycles/mrad", f);
        rows.push_back({label, measured, predictedModulation(mrad, state.camera.hBlurWidth, ifov)});
        rows.push_back(
            {label + ", endless pattern (Coltman)", measured, coltmanModulation(f, state.camera.hBlurWidth, ifov)});
    }

    // (2) Frame noise in grey levels on a flat scene, the window set so that nothing saturates.
    console.selectFrequency(0);
    const double sigma = state.sim.lastNoiseSigma;
    const double pixelShare = frameNoiseShare(camera);
    if (sigma > 0.0 && pixelShare > 0.0) {
        SimState& sim = state.sim;
        const double window = 256.0 * sigma * pixelShare / greyPerSigma;
        sim.windowLow = sim.backgroundSignal - window / 2;
        sim.windowHigh = sim.backgroundSignal + window / 2;
        // Nothing but the background, on an empty target: the bench's own target stays as it was.
        Target background;
        console.renderCameraView(background);
        double sum = 0.0, squares = 0.0;
        long long count = 0;
        std::vector<std::uint8_t> frame;
        const std::size_t pixels = static_cast<std::size_t>(sim.imageWidth) * sim.imageHeight;
        for (int k = 0; k < noiseFrames; ++k) {
            nextFrame(state, false, frame);
            for (std::size_t j = 0; j < pixels; ++j) {
                const double d = static_cast<double>(frame[j]) - sim.displayImage[3 * j];
                sum += d;
                squares += d * d;
                ++count;
            }
        }
        const double measured = std::sqrt(squares / count - (sum / count) * (sum / count));
        rows.push_back({"frame noise, grey levels", measured, greyPerSigma});
    }

    // (3) In-band signals against an independent integration over the same response.
    const PointList& response = state.camera.tables.currentSpectralResponse();
    for (double t : {static_cast<double>(camera.tempMin), 0.0, static_cast<double>(camera.tm),
                     static_cast<double>(camera.tempMax)}) {
        const double bench = signalOfTemperature(response, t);
        rows.push_back(
            {format("in-band exitance at %.1f C, W/cm2", t), bench, independentExitance(response, t, false)});
        rows.push_back({"  the same with physical constants and e", bench, independentExitance(response, t, true)});
    }
    return rows;
}
