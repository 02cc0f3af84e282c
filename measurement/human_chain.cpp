#include "measurement/human_chain.h"

#include "console/bench.h"
#include "measurement/bar_pattern.h"
#include "measurement/eye_contrast_threshold.h"
#include "text/messages.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

HumanReading humanReading(const BarContrast& c, double sign, double cyclesPerPixel, const PixelZoom& view,
                          bool horizontalBars, double seconds, const ObserverSettings& settings) {
    HumanReading reading;
    const double across = settings.viewing.cameraPixelDegrees(horizontalBars ? view.y : view.x);
    const double along = settings.viewing.cameraPixelDegrees(horizontalBars ? view.x : view.y);
    const double u = cyclesPerPixel / across;
    reading.eyeThreshold = humanThresholdFactor * eyeThresholdModulation(u, c.level);
    const double toModulation = c.level > 0.0 ? std::numbers::pi / 4.0 / c.level : 0.0;
    const double modulation = sign * c.contrast * toModulation;
    const double noise = c.standardError * toModulation;
    const double density = eyeNoiseDensity(noise, seconds, c.pixels * across * along);
    reading.resolved = modulation >= settings.threshold() * noise &&
                       modulation >= reading.eyeThreshold * std::hypot(1.0, eyeNoiseFactor * density);
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

double barGapTransfer(const ClassicTerms& terms, double f) {
    // The harmonics fall as 1/k²; the first sixteen leave under 1 % of the sum out.
    double sum = 0.0;
    for (int k = 1; k <= 31; k += 2)
        sum += 8.0 / (std::numbers::pi * std::numbers::pi * k * k) * classicMtf(terms, k * f);
    return sum;
}

double eyeNoiseDensity(double standardError, double seconds, double squareDegrees) {
    return standardError * std::sqrt(std::max(0.0, seconds * squareDegrees));
}

double classicHumanMrtd(const ClassicTerms& terms, const DisplayTerms& display, const ScreenViewing& viewing, double f,
                        double thresholdSnr, double integrationTime) {
    const double noiseLimited = classicMrtd(terms, f, thresholdSnr, integrationTime);
    const double transfer = barGapTransfer(terms, f);
    if (!(transfer > 0.0) || !(display.greyPerKelvin > 0.0) || !(display.meanGrey > 0.0) ||
        !(display.pixelDegrees > 0.0))
        return std::numeric_limits<double>::infinity();
    // The eye averages the screen's luminance over the noise: the convex luminance law lifts the mean
    // luminance of a noisy grey above that of the grey itself, and the modulation a grey step makes
    // falls with it. The noisy law, with the per-pixel noise in grey levels, clipped as the frames
    // clip it, gives the mean luminance and its slope at the pattern's mean grey.
    const double greyNoise = display.greyPerKelvin * terms.netdScene;
    auto noisyLuminance = [&](double grey) {
        constexpr int points = 40;
        double sum = 0.0, weights = 0.0;
        for (int k = -points; k <= points; ++k) {
            const double z = 4.0 * k / points;
            const double weight = std::exp(-0.5 * z * z);
            sum += weight * viewing.luminance(grey + greyNoise * z);
            weights += weight;
        }
        return sum / weights;
    };
    const double level = noisyLuminance(display.meanGrey);
    const double slope = (noisyLuminance(display.meanGrey + 0.5) - noisyLuminance(display.meanGrey - 0.5)) / level;
    // A kelvin of bar temperature gives greyPerKelvin × transfer grey levels between bars and gaps,
    // each a modulation of slope of the mean luminance; the fundamental's modulation is pi/4 of the
    // bar-minus-gap difference over the mean.
    const double modulationPerKelvin = std::numbers::pi / 4.0 * slope * display.greyPerKelvin * transfer;
    const double u = f * terms.alpha / display.pixelDegrees;
    // The noise of the measured bar-minus-gap difference in kelvin: the classic MRTD over the ideal
    // observer's threshold, as K's calibration equates them; its density over the frames the eye
    // integrates and the block the observer reads (the bars and inner gaps, 3.5 cycles, over the
    // middle of their length).
    const double noise = noiseLimited / (observerThresholdFactor * thresholdSnr);
    const double seconds = integratedFrames(terms.frameRate, integrationTime) / terms.frameRate;
    const double width = barPatternCycles / f * display.pixelDegrees / terms.alpha;
    const double length = analysedLengthShare * barPatternCycles / f * display.pixelDegreesAlong / terms.beta;
    const double density = eyeNoiseDensity(noise, seconds, width * length);
    const double eyeLimited = humanThresholdFactor * eyeThresholdModulation(u, level) *
                              std::hypot(1.0 / modulationPerKelvin, eyeNoiseFactor * density);
    return std::max(noiseLimited, eyeLimited);
}

DisplayTerms displayTermsNearThreshold(const BenchState& prepared, const ObserverSettings& settings, double frequency) {
    BenchState shown = prepared;
    DiscardMessages messages;
    Bench bench(shown, messages);
    if (settings.displayWindow)
        bench.setDisplayWindow(settings.displayWindow->level, settings.displayWindow->contrast);
    bench.setSpatialFrequency(frequency);
    bench.setTemperatureDifference(0.0);
    return displayTerms(shown, settings.viewing);
}
