#include "measurement/fidelity_report.h"

#include "camera/detector_format.h"
#include "sim/display.h"
#include "sim/in_band_exitance.h"
#include "sim/render.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

// Physical radiation constants (W·µm⁴/cm², µm·K), independent of the bench's own.
constexpr double physicalC1 = 2.0 * M_PI * 6.62607015e-34 * 2.99792458e8 * 2.99792458e8 * 1e24 / 1e4;
constexpr double physicalC2 = 6.62607015e-34 * 2.99792458e8 / 1.380649e-23 * 1e6;
// Wavelength step of the independent integration, in µm.
constexpr double fineStep = 0.0005;
// Temperature difference of the modulation renders, in K: well inside every camera's range.
constexpr double modulationDifference = 1.0;
// Frames averaged for the noise measurement.
constexpr int noiseFrames = 10;
// The display window for the noise measurement: this many grey levels per standard deviation.
constexpr double greyPerSigma = 20.0;

// ∫ erf(u) du
double erfIntegral(double u) { return u * std::erf(u) + std::exp(-u * u) / std::sqrt(M_PI); }

// A bar [a, b] blurred by a Gaussian and averaged over a box of width w centred on x.
double blurredBar(double a, double b, double x, double sigma, double w) {
    if (sigma <= 1e-12) {
        if (w <= 1e-12)
            return x >= a && x <= b ? 1.0 : 0.0;
        double overlap = std::min(b, x + w / 2) - std::max(a, x - w / 2);
        return std::max(0.0, overlap) / w;
    }
    const double s = std::sqrt(2.0) * sigma;
    if (w <= 1e-12)
        return 0.5 * (std::erf((b - x) / s) - std::erf((a - x) / s));
    // (1/w) ∫_{x-w/2}^{x+w/2} ½ [erf((b - t)/s) - erf((a - t)/s)] dt
    auto part = [&](double edge) {
        return erfIntegral((edge - (x - w / 2)) / s) - erfIntegral((edge - (x + w / 2)) / s);
    };
    return 0.5 * s / w * (part(b) - part(a));
}

std::string format(const char* pattern, double v) {
    char text[128];
    std::snprintf(text, sizeof text, pattern, v);
    return text;
}

} // namespace

double blurredPatternAt(const std::vector<Interval>& bars, double x, double sigma, double aperture) {
    double v = 0.0;
    for (const Interval& bar : bars)
        v += blurredBar(bar.low, bar.high, x, sigma, aperture);
    return v;
}

double predictedModulation(const BarPattern& p, double sigma, double aperture) {
    double bars = 0.0, gaps = 0.0;
    for (const Interval& bar : p.bars)
        bars += blurredPatternAt(p.bars, p.centreOfColumn(p.columnAt(bar.centre())), sigma, aperture);
    for (std::size_t k = 1; k + 1 < p.gaps.size(); ++k)
        gaps += blurredPatternAt(p.bars, p.centreOfColumn(p.columnAt(p.gaps[k].centre())), sigma, aperture);
    return bars / p.bars.size() - gaps / (p.gaps.size() - 2);
}

double coltmanModulation(double f, double sigma, double aperture) {
    auto mtf = [&](double v) {
        const double x = M_PI * v * aperture;
        const double sinc = x == 0.0 ? 1.0 : std::sin(x) / x;
        return std::exp(-2.0 * M_PI * M_PI * sigma * sigma * v * v) * sinc;
    };
    // A pattern of bars 1 and gaps 0 is 1/2 plus (2/π) Σ (-1)^j cos((2j+1) 2π f x) / (2j+1); each
    // harmonic passes with the transfer at its frequency, and bar centre minus gap centre doubles it.
    double sum = 0.0;
    for (int j = 0; j < 2000; ++j) {
        const int k = 2 * j + 1;
        sum += (j % 2 == 0 ? 1.0 : -1.0) * mtf(k * f) / k;
    }
    return 4.0 / M_PI * sum;
}

double independentExitance(const PointList& response, double celsius, bool physicalConstants) {
    if (response.vertexCount() < 2)
        return 0.0;
    const double t = celsius + absoluteZeroOffset;
    const double l0 = response.x(0), l1 = response.x(response.vertexCount() - 1);
    const int n = 2 * static_cast<int>(std::ceil((l1 - l0) / fineStep / 2.0));
    const double h = (l1 - l0) / n;
    auto m = [&](double l) {
        // The response at a wavelength, linear between its points.
        int j = 1;
        while (j < response.vertexCount() - 1 && response.x(j) < l)
            ++j;
        const double x0 = response.x(j - 1), x1 = response.x(j);
        const double r = response.y(j - 1) + (l - x0) / (x1 - x0) * (static_cast<double>(response.y(j)) - response.y(j - 1));
        if (physicalConstants)
            return r * physicalC1 / (std::pow(l, 5) * std::expm1(physicalC2 / (l * t)));
        return r * planckC1 / (std::pow(l, 5) * std::expm1(std::log(exponentialBase) * planckC2 / (l * t)));
    };
    double sum = m(l0) + m(l1);
    for (int k = 1; k < n; ++k)
        sum += (k % 2 ? 4.0 : 2.0) * m(l0 + k * h);
    return sum * h / 3.0;
}

std::vector<FidelityRow> fidelityReport(BenchConsole& console) {
    BenchState& state = console.state();
    CameraSet& camera = state.camera.set;
    std::vector<FidelityRow> rows;

    // (1) Modulation of the rendered pattern against the blurred four-bar profile.
    const double ifov = 2.0 * std::tan(camera.fovCurrentH * 3.141592 / 360.0) / camera.opticalZoom /
                        zoomedPixels(camera.sensorWidth, camera.electronicZoom) * 1000.0;
    for (int i = 0; i < frequencyCount; ++i) {
        console.selectFrequency(i);
        console.onTemperatureSlider(BenchConsole::sliderPositionOf(modulationDifference));
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
        const double full = state.target.items[static_cast<std::size_t>(state.target.distanceOrder.front())].renderTemperature -
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
        rows.push_back({label + ", endless pattern (Coltman)", measured, coltmanModulation(f, state.camera.hBlurWidth, ifov)});
    }

    // (2) Frame noise in grey levels on a flat scene, the window set so that nothing saturates.
    console.selectFrequency(0);
    const double sigma = state.sim.lastNoiseSigma;
    const double pixelShare = 0.01 * std::sqrt(static_cast<double>(camera.frameNoise[0]) * camera.frameNoise[0] +
                                               static_cast<double>(camera.frameNoise[1]) * camera.frameNoise[1] +
                                               static_cast<double>(camera.frameNoise[2]) * camera.frameNoise[2]);
    if (sigma > 0.0 && pixelShare > 0.0) {
        SimState& sim = state.sim;
        const double window = 256.0 * sigma * pixelShare / greyPerSigma;
        sim.windowLow = sim.backgroundSignal - window / 2;
        sim.windowHigh = sim.backgroundSignal + window / 2;
        state.target.items.clear(); // nothing but the background
        state.target.distanceOrder.clear();
        console.redrawView();
        double sum = 0.0, squares = 0.0;
        long long count = 0;
        std::vector<std::uint8_t> frame;
        const std::size_t pixels = static_cast<std::size_t>(sim.imageWidth) * sim.imageHeight;
        for (int k = 0; k < noiseFrames; ++k) {
            BuildViewFrame(sim, camera, state.random, frame);
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
        rows.push_back({format("in-band exitance at %.1f C, W/cm2", t), bench, independentExitance(response, t, false)});
        rows.push_back({"  the same with physical constants and e", bench, independentExitance(response, t, true)});
    }
    return rows;
}
