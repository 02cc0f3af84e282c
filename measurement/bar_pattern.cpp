#include "measurement/bar_pattern.h"

#include "sim/rasterizer.h"
#include "sim/truncate.h"

#include <algorithm>
#include <cmath>

int BarPattern::columnAt(double x) const {
    return truncToInt(std::floor((x - originX) / pitchX));
}

std::vector<int> BarPattern::columnsIn(const Interval& interval) const {
    std::vector<int> columns;
    for (int c = columnAt(interval.low); c <= columnAt(interval.high) + 1; ++c)
        if (centreOfColumn(c) >= interval.low && centreOfColumn(c) <= interval.high)
            columns.push_back(c);
    if (columns.empty())
        columns.push_back(columnAt(interval.centre()));
    return columns;
}

BarPattern findBarPattern(const BenchState& state, bool horizontalBars) {
    BarPattern p;
    p.transposed = horizontalBars;
    const RenderGeometry g = computeRenderGeometry(state.camera.set, state.sim, RenderMode::CameraView, false);
    // Across the bars and along them: x and y of the image, or y and x for horizontal bars.
    const double pitchAcross = horizontalBars ? g.pitchY : g.pitchX;
    const double pitchAlong = horizontalBars ? g.pitchX : g.pitchY;
    // Sensor column 0 is padded column hx, whose left edge the margin puts at -halfX; rows alike.
    const double originAcross = horizontalBars ? -g.halfY + g.centreY : -g.halfX + g.centreX;
    const double originAlong = horizontalBars ? -g.halfX + g.centreX : -g.halfY + g.centreY;
    const int alongPixels = horizontalBars ? state.sim.imageWidth : state.sim.imageHeight;
    const std::size_t low = horizontalBars ? 2 : 0, alongLow = horizontalBars ? 0 : 2;
    p.pitchX = pitchAcross;
    p.originX = originAcross;
    double yLow = 1e300, yHigh = -1e300;
    for (const TargetItem& item : state.target.items) {
        if (!item.shown || !item.hasShape())
            continue;
        p.bars.push_back({item.screenBounds[low], item.screenBounds[low + 1]});
        yLow = std::min(yLow, static_cast<double>(item.screenBounds[alongLow]));
        yHigh = std::max(yHigh, static_cast<double>(item.screenBounds[alongLow + 1]));
    }
    std::sort(p.bars.begin(), p.bars.end(), [](const Interval& a, const Interval& b) { return a.low < b.low; });
    for (std::size_t k = 1; k < p.bars.size(); ++k)
        p.gaps.push_back({p.bars[k - 1].high, p.bars[k].low});
    if (p.bars.size() >= 2) {
        const double gap = p.gaps.front().high - p.gaps.front().low;
        p.gaps.insert(p.gaps.begin(), {p.bars.front().low - gap, p.bars.front().low});
        p.gaps.push_back({p.bars.back().high, p.bars.back().high + gap});
    }
    const double length = yHigh - yLow;
    const double margin = (1.0 - analysedLengthShare) / 2 * length;
    p.rowLow = truncToInt(std::floor((yLow + margin - originAlong) / pitchAlong));
    p.rowHigh = truncToInt(std::floor((yHigh - margin - originAlong) / pitchAlong));
    p.rowLow = std::max(p.rowLow, 0);
    p.rowHigh = std::min(p.rowHigh, alongPixels - 1);
    return p;
}
