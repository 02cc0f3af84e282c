#include "console/plot_geometry.h"

#include "sim/truncate.h"

#include <cmath>

PlotScale plotScale(int width, int height) {
    return {width, height, (width - 20) / plotFullScaleFrequency, (height - 20) / plotFullScaleLog};
}

int frequencyTickX(const PlotScale& s, double frequency) { return truncToInt(s.sx * frequency + 0.5); }

int labelY(const PlotScale& s, double value) { return s.height - 10 - truncToInt(value * s.sy + 0.5); }

int fullScaleTickY(const PlotScale& s) { return (s.height - 10) - truncToInt(plotFullScaleLog * s.sy + 0.5); }

PlotPoint plotPointOf(const PlotScale& s, double f, double m) {
    const int y = (s.height - 10) - truncToInt((std::log(m) - std::log(plotReferenceMrtd)) * s.sy + 0.5) + 8;
    return {frequencyTickX(s, f), y};
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
