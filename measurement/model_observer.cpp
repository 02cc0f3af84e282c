#include "measurement/model_observer.h"

#include "measurement/bar_pattern.h"
#include "sim/display.h"
#include "sim/truncate.h"

#include <cmath>
#include <vector>

namespace {

// Running sums of one region's grey values over all frames.
struct RegionStats {
    double sum = 0.0;
    double squares = 0.0;
    long long count = 0;
    void add(double v) {
        sum += v;
        squares += v * v;
        ++count;
    }
    double mean() const { return count ? sum / count : 0.0; }
    double variance() const { return count > 1 ? std::max(0.0, (squares - sum * sum / count) / (count - 1)) : 0.0; }
    double standardError() const { return count ? std::sqrt(variance() / count) : 0.0; }
};

void addRegion(RegionStats& stats, const std::vector<std::uint8_t>& frame, int width, const BarPattern& p,
               const Interval& interval) {
    for (int column : p.columnsIn(interval)) {
        if (column < 0 || column >= width)
            continue;
        for (int row = p.rowLow; row <= p.rowHigh; ++row)
            stats.add(frame[static_cast<std::size_t>(row) * width + column]);
    }
}

// The trackbar's grid outwards from 0: coarse steps of ten positions until the bars are resolved,
// then single positions over the last coarse step, so the first resolved position is found
// without rendering every one.
int firstResolvedPosition(BenchConsole& console, const ObserverSettings& settings, int direction) {
    auto resolvedAt = [&](int steps) {
        console.onTemperatureSlider(temperatureSliderCentre + direction * steps);
        return judgeBars(console, settings).resolved;
    };
    const int last = temperatureSliderMax - temperatureSliderCentre;
    constexpr int coarse = 10;
    int previous = 0;
    for (int steps = coarse; steps <= last; steps += coarse) {
        if (resolvedAt(steps)) {
            for (int fine = previous + 1; fine < steps; ++fine)
                if (resolvedAt(fine))
                    return fine;
            return steps;
        }
        previous = steps;
    }
    return -1;
}

} // namespace

ObserverDecision judgeBars(BenchConsole& console, const ObserverSettings& settings) {
    BenchState& state = console.state();
    const BarPattern p = findBarPattern(state);
    ObserverDecision decision;
    if (!p.valid())
        return decision;
    const CameraSet& camera = state.camera.set;
    const int frames = std::max(1, truncToInt(settings.integrationTime * camera.frameRate + 0.5));
    std::vector<RegionStats> bars(p.bars.size());
    std::vector<RegionStats> gaps(p.gaps.size());
    std::vector<std::uint8_t> frame;
    for (int f = 0; f < frames; ++f) {
        BuildViewFrame(state.sim, camera, state.random, frame);
        for (std::size_t k = 0; k < p.bars.size(); ++k)
            addRegion(bars[k], frame, state.sim.imageWidth, p, p.bars[k]);
        for (std::size_t k = 0; k < p.gaps.size(); ++k)
            addRegion(gaps[k], frame, state.sim.imageWidth, p, p.gaps[k]);
    }
    // Hot bars are bright unless the camera shows hot as black.
    const double difference = state.console.temperatureDifference;
    const double sign = (difference >= 0.0 ? 1.0 : -1.0) * (camera.polarity ? -1.0 : 1.0);
    double weakest = 1e300;
    for (std::size_t k = 0; k < bars.size(); ++k) {
        for (std::size_t gap : {k, k + 1}) { // gap k lies left of bar k, gap k + 1 right of it
            const double separation = sign * (bars[k].mean() - gaps[gap].mean());
            const double error = std::hypot(bars[k].standardError(), gaps[gap].standardError());
            const double snr = error > 0.0 ? separation / error : (separation > 0.0 ? 1e300 : -1e300);
            weakest = std::min(weakest, snr);
        }
    }
    decision.weakestSnr = weakest;
    decision.resolved = weakest >= settings.thresholdSnr;
    return decision;
}

double measureMrtdAt(BenchConsole& console, const ObserverSettings& settings, int i) {
    console.selectFrequency(i);
    for (int direction : {1, -1}) {
        const int position = firstResolvedPosition(console, settings, direction);
        if (position < 0) {
            // Not recognised up to the end of the trackbar: marked on that side.
            console.onTemperatureSlider(direction > 0 ? temperatureSliderMax : 0);
            console.markNotRecognized();
        } else {
            console.onTemperatureSlider(temperatureSliderCentre + direction * position);
            console.applyResult();
        }
    }
    console.selectFrequency(i); // back to 0 K
    const MrtdRecord& r = console.results().record(console.cameraIndex(), i);
    return isMeasured(r.mrtdPlus) && isMeasured(r.mrtdMinus) ? (static_cast<double>(r.mrtdPlus) - r.mrtdMinus) * 0.5
                                                             : -1.0;
}

std::array<double, frequencyCount> measureMrtd(BenchConsole& console, const ObserverSettings& settings) {
    std::array<double, frequencyCount> mrtd{};
    for (int i = 0; i < frequencyCount; ++i)
        mrtd[static_cast<std::size_t>(i)] = measureMrtdAt(console, settings, i);
    return mrtd;
}

double cameraMrtdAt(const CameraState& camera, double f) {
    const CameraSet& c = camera.set;
    const CameraTables& t = camera.tables;
    const PointList& curve = c.altOptics != 0 ? t.mrtdAltH
                             : c.fovIndex == 0 ? t.mrtdNarrowH
                             : c.fovIndex == 1 ? t.mrtdMediumH
                                               : t.mrtdWideH;
    for (int k = 1; k < curve.vertexCount(); ++k) {
        const double f0 = curve.x(k - 1), f1 = curve.x(k);
        if (f >= f0 && f <= f1 && f1 > f0)
            return curve.y(k - 1) + (f - f0) / (f1 - f0) * (static_cast<double>(curve.y(k)) - curve.y(k - 1));
    }
    return -1.0;
}
