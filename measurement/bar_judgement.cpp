#include "measurement/bar_judgement.h"

#include "console/bench.h"
#include "measurement/bar_pattern.h"
#include "measurement/human_chain.h"
#include "sim/display_zoom.h"
#include "sim/truncate.h"

#include <algorithm>
#include <cmath>
#include <numbers>

ObserverDecision judgeBars(BenchState& state, const ObserverSettings& settings) {
    const BarPattern p = findBarPattern(state, state.console.horizontalBars);
    ObserverDecision decision;
    if (!p.valid())
        return decision;
    // Four bars at the pattern's own frequency need more than two pixels a period; finer bars show
    // only as an alias of another frequency, and an alias is not the pattern resolved.
    if (2.0 * p.pitchX >= p.bars[1].low - p.bars[0].low)
        return decision;
    // A bar or gap that no pixel centre falls in cannot be told from its neighbours, whatever the
    // difference: the pattern lies beyond what the sampling shows.
    auto ownColumns = [&p](const Interval& interval) {
        std::vector<int> columns = p.columnsIn(interval);
        const double centre = p.centreOfColumn(columns.front());
        return std::make_pair(columns, centre >= interval.low && centre <= interval.high);
    };
    std::vector<std::vector<int>> bars, gaps;
    for (const Interval& bar : p.bars) {
        auto [columns, sampled] = ownColumns(bar);
        if (!sampled)
            return decision;
        bars.push_back(std::move(columns));
    }
    // The gaps between the bars only: the background beside the outer bars would make a blurred
    // pattern, all one blob, stand out as if resolved.
    for (std::size_t k = 1; k + 1 < p.gaps.size(); ++k) {
        auto [columns, sampled] = ownColumns(p.gaps[k]);
        if (!sampled)
            return decision;
        gaps.push_back(std::move(columns));
    }
    // The columns read, first and last, before any stretch of the presented frame.
    const int firstColumn = bars.front().front(), lastColumn = bars.back().back();
    // The human observer reads the screen's luminance; the ideal one the grey levels themselves.
    const bool human = settings.observer == ObserverKind::Human;
    const std::array<double, 256> luminance = settings.viewing.luminanceTable();
    // The fundamental's cosine at each column's centre, +1 at the first bar's.
    const double period = p.bars[1].low - p.bars[0].low;
    const double firstBar = p.bars.front().centre();
    auto wave = [&p, period, firstBar](int column) {
        return std::cos(2.0 * std::numbers::pi * (p.centreOfColumn(column) - firstBar) / period);
    };
    BarFrameStatistics statistics(std::move(bars), std::move(gaps), p.rowLow, p.rowHigh, human ? &luminance : nullptr,
                                  wave);

    const CameraSet& camera = state.camera.set;
    const int width = state.sim.imageWidth, height = state.sim.imageHeight;
    const int frames = integratedFrames(camera.frameRate, settings.integrationTime);
    const bool jitter = camera.jitterProbability > 0.0f;
    const FrameRegion whole{0, width - 1, 0, height - 1};
    FrameRegion drawn = whole;
    // The block read, from the stretch of the frame's jitter; an image model that draws its noise over
    // it alone spares the most of a frame's cost.
    auto blockRead = [&](const PixelZoom& zoom) {
        const double stretch = p.transposed ? zoom.y : zoom.x;
        // Columns past the image read its edge, as BarFrameStatistics reads them.
        const int edge = (p.transposed ? height : width) - 1;
        const int low = std::clamp(truncToInt(std::floor((firstColumn + 0.5) / stretch)), 0, edge);
        const int high = std::clamp(truncToInt(std::floor((lastColumn + 0.5) / stretch)), 0, edge);
        drawn =
            p.transposed ? FrameRegion{p.rowLow, p.rowHigh, low, high} : FrameRegion{low, high, p.rowLow, p.rowHigh};
        return drawn;
    };
    std::vector<std::uint8_t> frame, turned;
    for (int f = 0; f < frames; ++f) {
        // The view stretches a jittered frame from its first column and row: a column (row) of the
        // still image then shows the frame column (row) that lands there.
        drawn = whole;
        const PixelZoom zoom = nextFrame(state, jitter, frame, blockRead);
        const double stretch = p.transposed ? zoom.y : zoom.x;
        const std::uint8_t* pixels = frame.data();
        int across = width, along = height;
        if (p.transposed) {
            // Horizontal bars are read across the rows of the frame turned about its diagonal; row
            // noise, shared along each row, then stays in the contrast as column noise does for
            // vertical bars.
            turned.resize(frame.size());
            for (int y = drawn.y0; y <= drawn.y1; ++y)
                for (int x = drawn.x0; x <= drawn.x1; ++x)
                    turned[static_cast<std::size_t>(x) * static_cast<std::size_t>(height) +
                           static_cast<std::size_t>(y)] =
                        frame[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                              static_cast<std::size_t>(x)];
            pixels = turned.data();
            std::swap(across, along);
        }
        if (stretch != 1.0)
            statistics.addFrame(pixels, across, along,
                                [stretch](int c) { return truncToInt(std::floor((c + 0.5) / stretch)); });
        else
            statistics.addFrame(pixels, across, along);
    }
    decision.contrast = statistics.result();
    // Hot bars are bright unless the camera shows hot as black.
    const double difference = state.console.temperatureDifference;
    const double sign = (difference >= 0.0 ? 1.0 : -1.0) * (camera.polarity ? -1.0 : 1.0);
    decision.snr = sign * decision.contrast.snr();
    decision.resolved = decision.snr >= settings.threshold();
    if (human && decision.resolved) {
        const HumanReading reading =
            humanReading(decision.contrast, sign, p.pitchX / period, presentationZoom(camera, state.sim.scales),
                         p.transposed, frames, settings);
        decision.modulation = reading.modulation;
        decision.eyeThreshold = reading.eyeThreshold;
        decision.resolved = reading.resolved;
    }
    return decision;
}
