#include "console/plot_geometry.h"

#include "sim/truncate.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

// A point far off the plot is clipped when drawn; held within a million pixels it leaves room for
// the sums the drawing makes with it (a label's box, an error bar's caps) without overflowing.
int plotCoordinate(double v) {
    return truncToInt(std::clamp(v, -1e6, 1e6));
}

} // namespace

PlotScale plotScale(int width, int height) {
    return {width, height, (width - 20) / plotFullScaleFrequency, (height - 20) / plotFullScaleLog};
}

int frequencyTickX(const PlotScale& s, double frequency) {
    return plotCoordinate(s.sx * frequency + 0.5);
}

int labelY(const PlotScale& s, double value) {
    return s.height - 10 - truncToInt(value * s.sy + 0.5);
}

int fullScaleTickY(const PlotScale& s) {
    return (s.height - 10) - truncToInt(s.logSpan * s.sy + 0.5);
}

PlotScale plotScaleHolding(int width, int height, double smallest) {
    PlotScale s = plotScale(width, height);
    if (!(smallest > 0.0))
        return s;
    while (smallest < s.reference && s.decades < 12) {
        ++s.decades;
        s.reference = plotReferenceMrtd * std::pow(10.0, -s.decades);
    }
    if (s.decades > 0) {
        s.logSpan = plotFullScaleLog + s.decades * std::log(10.0);
        s.sy = (height - 20) / s.logSpan;
    }
    return s;
}

PlotScale plotScaleSpanning(int width, int height, double smallest, double largest) {
    PlotScale s = plotScaleHolding(width, height, smallest);
    for (int raised = 0; largest > plotTopMrtd(s) && raised < 12; ++raised) {
        s.logSpan += std::log(10.0);
        s.sy = (height - 20) / s.logSpan;
    }
    return s;
}

double plotTopMrtd(const PlotScale& s) {
    return s.reference * std::exp(s.logSpan);
}

std::string plotBottomLabel(const PlotScale& s) {
    if (s.decades == 0)
        return {};
    char text[32];
    std::snprintf(text, sizeof text, "%.*f", s.decades + 2, s.reference);
    return text;
}

PlotPoint plotPointOf(const PlotScale& s, double f, double m) {
    const int y = (s.height - 10) - plotCoordinate((std::log(m) - std::log(s.reference)) * s.sy + 0.5) + 8;
    return {frequencyTickX(s, f), y};
}

PlotErrorBar plotErrorBar(const PlotScale& s, double f, double m,
                          const std::optional<std::pair<double, double>>& interval) {
    PlotErrorBar bar{plotPointOf(s, f, m)};
    if (!interval)
        return bar;
    bar.hasInterval = true;
    bar.bottom = interval->first > 0.0 ? plotPointOf(s, f, interval->first).y : s.height - 10;
    bar.top = interval->second > 0.0 ? plotPointOf(s, f, interval->second).y : bar.mean.y;
    return bar;
}

PlotCurve plotCurve(const PlotScale& s, const std::array<MrtdRecord, frequencyCount>& records) {
    PlotCurve curve;
    for (std::size_t i = 0; i < records.size(); ++i) {
        const MrtdRecord& r = records[i];
        if (!isSet(r.mrtdMinus) || !isSet(r.mrtdPlus))
            continue;
        const double m = (static_cast<double>(r.mrtdPlus) - r.mrtdMinus) * 0.5;
        curve.largest = std::max(curve.largest, m);
        curve.smallest = std::min(curve.smallest, m);
        if (!(m > 0.0))
            continue;
        curve.points.push_back(plotPointOf(s, frequencyChoices[i].frequency, m));
    }
    return curve;
}

double smallestPositiveMrtd(const std::array<MrtdRecord, frequencyCount>& records) {
    double smallest = 0.0;
    for (const MrtdRecord& r : records) {
        if (!isSet(r.mrtdMinus) || !isSet(r.mrtdPlus))
            continue;
        const double m = (static_cast<double>(r.mrtdPlus) - r.mrtdMinus) * 0.5;
        if (m > 0.0 && (smallest == 0.0 || m < smallest))
            smallest = m;
    }
    return smallest;
}

std::array<int, 4> plotLabelBox(const PlotLabel& label, const LabelMetrics& metrics) {
    return {label.x, label.y - metrics.ascent, static_cast<int>(label.text.size()) * metrics.digitWidth,
            metrics.ascent + metrics.descent};
}

std::vector<PlotLabel> plotLabels(const PlotScale& s,
                                  const std::array<std::array<MrtdRecord, frequencyCount>, cameraSlots>& slots,
                                  const LabelMetrics& metrics) {
    std::vector<PlotLabel> placed;
    auto overlaps = [&metrics](const PlotLabel& a, const PlotLabel& b) {
        const auto p = plotLabelBox(a, metrics);
        const auto q = plotLabelBox(b, metrics);
        return p[0] < q[0] + q[2] && q[0] < p[0] + p[2] && p[1] < q[1] + q[3] && q[1] < p[1] + p[3];
    };
    const int lineHeight = metrics.ascent + metrics.descent;
    auto place = [&](PlotLabel label) {
        for (bool moved = true; moved;) {
            moved = false;
            for (const PlotLabel& other : placed)
                if (overlaps(label, other)) {
                    label.x = other.x + static_cast<int>(other.text.size()) * metrics.digitWidth + metrics.digitWidth;
                    moved = true;
                }
            // A label that would run out of the plot on the right starts a line higher at the left.
            if (label.x + static_cast<int>(label.text.size()) * metrics.digitWidth > s.width && label.y > lineHeight) {
                label.x = 10;
                label.y -= lineHeight;
                moved = true;
            }
        }
        placed.push_back(std::move(label));
    };
    auto valueText = [](double v) {
        char text[32];
        std::snprintf(text, sizeof text, "%4.3f", v);
        return std::string(text);
    };
    const std::string bottom = plotBottomLabel(s);
    if (!bottom.empty())
        place({bottom, 12, s.height - 12, -1});
    bool sharedPlaced = false;
    for (int slot = 0; slot < cameraSlots; ++slot) {
        const PlotCurve curve = plotCurve(s, slots[static_cast<std::size_t>(slot)]);
        const bool empty = curve.smallest > curve.largest; // nothing with both halves set
        if (empty && sharedPlaced)
            continue; // every empty slot writes the same two labels in the same places
        const int owner = empty ? -1 : slot;
        sharedPlaced = sharedPlaced || empty;
        place({valueText(curve.smallest), 10, labelY(s, curve.smallest), owner});
        if (valueText(curve.largest) != valueText(curve.smallest))
            place({valueText(curve.largest), 10, labelY(s, curve.largest), owner});
    }
    return placed;
}
