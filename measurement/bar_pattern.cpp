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

BarPattern findBarPattern(const BenchState& state) {
    BarPattern p;
    const RenderGeometry g = computeRenderGeometry(state.camera.set, state.sim, RenderMode::CameraView, false);
    p.pitchX = g.pitchX;
    // Sensor column 0 is padded column hx, whose left edge the margin puts at -halfX.
    p.originX = -g.halfX + g.centreX;
    double yLow = 1e300, yHigh = -1e300;
    for (const TargetItem& item : state.target.items) {
        if (!item.shown || !item.hasShape())
            continue;
        p.bars.push_back({item.screenBounds[0], item.screenBounds[1]});
        yLow = std::min(yLow, static_cast<double>(item.screenBounds[2]));
        yHigh = std::max(yHigh, static_cast<double>(item.screenBounds[3]));
    }
    std::sort(p.bars.begin(), p.bars.end(), [](const Interval& a, const Interval& b) { return a.low < b.low; });
    for (std::size_t k = 1; k < p.bars.size(); ++k)
        p.gaps.push_back({p.bars[k - 1].high, p.bars[k].low});
    if (p.bars.size() >= 2) {
        const double gap = p.gaps.front().high - p.gaps.front().low;
        p.gaps.insert(p.gaps.begin(), {p.bars.front().low - gap, p.bars.front().low});
        p.gaps.push_back({p.bars.back().high, p.bars.back().high + gap});
    }
    // The middle 60 % of the bars' length, away from their ends.
    const double originY = -g.halfY + g.centreY;
    const double length = yHigh - yLow;
    p.rowLow = truncToInt(std::floor((yLow + 0.2 * length - originY) / g.pitchY));
    p.rowHigh = truncToInt(std::floor((yHigh - 0.2 * length - originY) / g.pitchY));
    p.rowLow = std::max(p.rowLow, 0);
    p.rowHigh = std::min(p.rowHigh, state.sim.imageHeight - 1);
    return p;
}
