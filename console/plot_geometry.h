#pragma once

#include "console/mrtd_results.h"

#include <array>
#include <vector>

// Where the MRTD plot puts its ticks, labels and points, in pixels of its client area (origin top
// left). Kept apart from the painting so it can be checked without a window.
inline constexpr double plotFullScaleFrequency = 4.0;  // cycles per mrad across the width
inline constexpr double plotFullScaleLog = 5.0;        // natural-log units above the reference
inline constexpr double plotReferenceMrtd = 0.01;      // K at the bottom of the logarithmic scale
inline constexpr int plotMarkerRadius = 2;

struct PlotPoint {
    int x = 0;
    int y = 0;
    bool operator==(const PlotPoint&) const = default;
};

struct PlotScale {
    int width = 0;
    int height = 0;
    double sx = 0.0; // pixels per cycle/mrad
    double sy = 0.0; // pixels per unit
};

PlotScale plotScale(int width, int height);
int frequencyTickX(const PlotScale& s, double frequency);
// Height of a label: linear in its value.
int labelY(const PlotScale& s, double value);
int fullScaleTickY(const PlotScale& s);

// The point of an MRTD m > 0 K at frequency f, on the logarithmic scale.
PlotPoint plotPointOf(const PlotScale& s, double f, double m);

// One camera slot's curve: the points of the records with both halves set, in frequency order,
// and the smallest and largest MRTD among them for the labels.
struct PlotCurve {
    std::vector<PlotPoint> points;
    double smallest = plotFullScaleLog;
    double largest = 0.0;
};
// A record's MRTD of zero or less (only possible with a not-recognised half) has no logarithm:
// it counts for the labels but gets no point.
PlotCurve plotCurve(const PlotScale& s, const std::array<MrtdRecord, frequencyCount>& records);
