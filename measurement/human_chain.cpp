#include "measurement/human_chain.h"

#include "console/bench.h"
#include "measurement/bar_pattern.h"
#include "measurement/eye_contrast_threshold.h"
#include "measurement/eye_noise.h"
#include "text/messages.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

EyeThreshold eyeThreshold(const EyeView& view, const ObserverProfile& profile) {
    EyeThreshold t;
    t.ctf = eyeThresholdModulation(view.frequency, view.luminance);
    const EyeNoiseBandwidths q = eyeNoiseBandwidths(view.frequency, view.luminance, view.across, view.along);
    // White noise per block has the spectral density s² a_x a_y, noise shared along a column s² a_x
    // (all of it at no frequency along the bars, where the eye passes it whole); averaged over the
    // frames the eye integrates. Row noise, shared across the bars, lies at no frequency across them,
    // where the channel passes none.
    const double phi = std::max(0.0, view.pixelNoise * view.across * view.along * q.across * q.along +
                                         view.columnNoise * view.across * q.across) /
                       std::max(view.frames, 1);
    t.noiseFactor = std::sqrt(1.0 + eyeNoiseWeight(view.luminance) * phi / profile.noiseEfficiency);
    t.modulation = profile.thresholdFactor * t.ctf * t.noiseFactor;
    return t;
}

HumanReading humanReading(const BarContrast& c, double sign, double cyclesPerPixel, const PixelZoom& view,
                          bool horizontalBars, int frames, const ObserverSettings& settings) {
    HumanReading reading;
    if (!(c.level > 0.0))
        return reading;
    EyeView eye;
    eye.across = settings.viewing.cameraPixelDegrees(horizontalBars ? view.y : view.x);
    eye.along = settings.viewing.cameraPixelDegrees(horizontalBars ? view.x : view.y);
    eye.frequency = cyclesPerPixel / eye.across;
    eye.luminance = c.level;
    eye.pixelNoise = c.noise.pixel / (c.level * c.level);
    eye.columnNoise = c.noise.columnEstimate / (c.level * c.level);
    eye.frames = frames;
    // The screen draws each camera pixel as a block: the fundamental reaches the eye through the
    // block's MTF.
    reading.modulation = sign * c.harmonic * sinc(cyclesPerPixel) / c.level;
    reading.eyeThreshold = eyeThreshold(eye, settings.profile).modulation;
    reading.resolved = reading.modulation >= reading.eyeThreshold;
    return reading;
}

DisplayTerms displayTerms(const BenchState& state, const ScreenViewing& viewing) {
    DisplayTerms d;
    const ClassicTerms t = classicTerms(state);
    const SimState& sim = state.sim;
    if (sim.windowHigh > sim.windowLow)
        d.greyPerKelvin = 256.0 * t.signalPerKelvin / (sim.windowHigh - sim.windowLow);
    // The noise-free picture's mean grey over the bars and the gaps between them.
    const BarPattern p = findBarPattern(state, state.console.horizontalBars);
    if (p.valid() && !sim.displayImage.empty()) {
        double sum = 0.0;
        int count = 0;
        for (int column = p.columnAt(p.bars.front().low); column <= p.columnAt(p.bars.back().high); ++column)
            for (int row = p.rowLow; row <= p.rowHigh; ++row) {
                const int x = p.transposed ? row : column, y = p.transposed ? column : row;
                if (x < 0 || y < 0 || x >= sim.imageWidth || y >= sim.imageHeight)
                    continue;
                sum += sim.displayImage[3 * (static_cast<std::size_t>(y) * static_cast<std::size_t>(sim.imageWidth) +
                                             static_cast<std::size_t>(x))];
                ++count;
            }
        d.meanGrey = count > 0 ? sum / count : 0.0;
    }
    const PixelZoom view = presentationZoom(state.camera.set, sim.scales);
    d.pixelDegrees = viewing.cameraPixelDegrees(state.console.horizontalBars ? view.y : view.x);
    d.pixelDegreesAlong = viewing.cameraPixelDegrees(state.console.horizontalBars ? view.x : view.y);
    return d;
}

ClassicEyeTerms classicEyeTerms(const ClassicTerms& terms, const DisplayTerms& display,
                                const ObserverSettings& settings, double f) {
    ClassicEyeTerms out;
    if (!(display.greyPerKelvin > 0.0) || !(display.meanGrey > 0.0) || !(display.pixelDegrees > 0.0))
        return out;
    // The eye averages the screen's luminance over the noise, and the luminance law is convex: the
    // noise lifts the mean luminance of a grey above that of the grey itself, and the modulation a
    // grey step makes falls with it. The per-pixel and column noise in grey levels (with the 8-bit
    // steps' 1/12 of a level², which the noise dithers), clipped as the frames clip them, give the
    // mean luminance, its slope and the luminance's variance at the pattern's mean grey.
    const double pixelGrey = display.greyPerKelvin * terms.netdScene;
    const double columnGrey = display.greyPerKelvin * terms.netdColumn;
    const double spread = std::sqrt(pixelGrey * pixelGrey + columnGrey * columnGrey + 1.0 / 12.0);
    auto moments = [&](double grey) {
        constexpr int points = 40;
        double sum = 0.0, squares = 0.0, weights = 0.0;
        for (int k = -points; k <= points; ++k) {
            const double z = 4.0 * k / points;
            const double weight = std::exp(-0.5 * z * z);
            const double l = settings.viewing.luminance(grey + spread * z);
            sum += weight * l;
            squares += weight * l * l;
            weights += weight;
        }
        const double mean = sum / weights;
        return std::pair(mean, std::max(0.0, squares / weights - mean * mean));
    };
    const auto [level, variance] = moments(display.meanGrey);
    if (!(level > 0.0))
        return out;
    const double slope = (moments(display.meanGrey + 0.5).first - moments(display.meanGrey - 0.5).first) / level;
    // A kelvin of bars gives a square wave whose fundamental has 4/pi of its half-height, 2/pi of a
    // kelvin, through the camera's MTF and the screen's blocks.
    out.modulationPerKelvin =
        2.0 / std::numbers::pi * display.greyPerKelvin * classicMtf(terms, f) * sinc(f * terms.alpha) * slope;
    EyeView& eye = out.view;
    eye.across = display.pixelDegrees;
    eye.along = display.pixelDegreesAlong;
    eye.frequency = f * terms.alpha / display.pixelDegrees;
    eye.luminance = level;
    const double columnShare = columnGrey * columnGrey / (spread * spread);
    eye.pixelNoise = (1.0 - columnShare) * variance / (level * level);
    eye.columnNoise = columnShare * variance / (level * level);
    eye.frames = integratedFrames(terms.frameRate, settings.integrationTime);
    return out;
}

double classicHumanMrtd(const ClassicTerms& terms, const DisplayTerms& display, const ObserverSettings& settings,
                        double f) {
    const double noiseLimited = classicMrtd(terms, f, settings.thresholdSnr, settings.integrationTime);
    const ClassicEyeTerms eye = classicEyeTerms(terms, display, settings, f);
    if (!(eye.modulationPerKelvin > 0.0))
        return std::numeric_limits<double>::infinity();
    return std::max(noiseLimited, eyeThreshold(eye.view, settings.profile).modulation / eye.modulationPerKelvin);
}

DisplayTerms displayTermsAt(const BenchState& prepared, const ObserverSettings& settings, double frequency,
                            double kelvin) {
    BenchState shown = prepared;
    DiscardMessages messages;
    Bench bench(shown, messages);
    if (settings.displayWindow)
        bench.setDisplayWindow(settings.displayWindow->level, settings.displayWindow->contrast);
    bench.setSpatialFrequency(frequency);
    bench.setTemperatureDifference(kelvin);
    return displayTerms(shown, settings.viewing);
}

double classicHumanAt(const BenchState& prepared, const ObserverSettings& settings, double f) {
    const ClassicTerms terms = classicTerms(prepared);
    double kelvin = 0.0;
    for (int round = 0; round < 3; ++round) {
        const double next = classicHumanMrtd(terms, displayTermsAt(prepared, settings, f, kelvin), settings, f);
        if (!std::isfinite(next) || next > temperatureGridLimit)
            return next;
        kelvin = next;
    }
    return kelvin;
}
