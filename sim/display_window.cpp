#include "sim/display_window.h"

#include "sim/truncate.h"

#include <algorithm>
#include <cstddef>

namespace {

// Slope of the signal over the camera's temperature range, per kelvin.
double signalPerKelvin(const CameraSet& c, const SimState& sim) {
    return (sim.signalMax - sim.signalMin) / (static_cast<double>(c.tempMax) - c.tempMin);
}

// The margin of ApplyLevelContrast in thousandths of the signal range.
constexpr double windowMarginShare = 0.001;
// The smallest and largest signal, NaN skipped, into lo and hi (which hold the starting values).
// Eight running extremes in step vectorise; the extremes of a set do not depend on the order.
__attribute__((target_clones("avx2", "default"))) void signalExtremes(const float* __restrict image, std::size_t count,
                                                                      float& lo, float& hi) {
    constexpr std::size_t lanes = 8;
    float low[lanes], high[lanes];
    for (std::size_t l = 0; l < lanes; ++l) {
        low[l] = lo;
        high[l] = hi;
    }
    std::size_t k = 0;
    for (; k + lanes <= count; k += lanes)
        for (std::size_t l = 0; l < lanes; ++l) {
            const float v = image[k + l];
            low[l] = v < low[l] ? v : low[l];
            high[l] = v > high[l] ? v : high[l];
        }
    for (; k < count; ++k) {
        lo = image[k] < lo ? image[k] : lo;
        hi = image[k] > hi ? image[k] : hi;
    }
    for (std::size_t l = 0; l < lanes; ++l) {
        lo = low[l] < lo ? low[l] : lo;
        hi = high[l] > hi ? high[l] : hi;
    }
}

} // namespace

void ApplyLevelContrast(const LevelContrast& sliders, const CameraSet& camera, SimState& sim) {
    const double eps = (sim.signalMax - sim.signalMin) * windowMarginShare;
    const double centre = sliders.level * (sim.levelSignalMax - sim.levelSignalMin) * 0.001 + sim.levelSignalMin;
    const double width = camera.contrastMin * signalPerKelvin(camera, sim) +
                         (sliderRange - sliders.contrast) * (sim.contrastSignalMax - sim.contrastSignalMin) * 0.001;
    sim.windowHigh = centre + width / 2.0;
    sim.windowLow = centre - width / 2.0;
    if (sim.windowLow < sim.signalMin + eps)
        sim.windowLow = sim.signalMin + eps;
    if (sim.windowHigh > sim.signalMax - eps)
        sim.windowHigh = sim.signalMax - eps;
    if (sim.windowLow >= sim.windowHigh) {
        sim.windowLow -= eps;
        sim.windowHigh += eps;
    }
    // A camera whose range gives no signal at all would leave a window of no width; give it one grey
    // step per unit so that no frame divides by zero.
    if (!(sim.windowHigh > sim.windowLow)) {
        sim.windowLow = sim.signalMin;
        sim.windowHigh = sim.signalMin + 1.0;
    }
}

void AutoLevelContrast(LevelContrast& sliders, const CameraSet& camera, SimState& sim) {
    const std::size_t pixels = std::min(
        static_cast<std::size_t>(sim.imageWidth) * static_cast<std::size_t>(sim.imageHeight), sim.sceneImage.size());
    float lo = 1e8f;
    float hi = -1e8f;
    signalExtremes(sim.sceneImage.data(), pixels, lo, hi);
    double level = ((static_cast<double>(lo) + hi) / 2.0 - sim.levelSignalMin) /
                   (sim.levelSignalMax - sim.levelSignalMin) * sliderRange;
    double contrast = sliderRange - (static_cast<double>(hi) - lo - camera.contrastMin * signalPerKelvin(camera, sim)) *
                                        sliderRange / (sim.contrastSignalMax - sim.contrastSignalMin);
    sliders.level = std::clamp(truncToInt(level), 0, sliderRange);
    sliders.contrast = std::clamp(truncToInt(contrast), 0, sliderRange);
    ApplyLevelContrast(sliders, camera, sim);
}
