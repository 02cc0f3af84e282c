#pragma once

#include "console/mrtd_results.h"

#include <array>
#include <optional>
#include <string>
#include <utility>
#include <vector>

// Where the MRTD plot puts its ticks, labels and points, in pixels of its client area (origin top
// left). Kept apart from the painting so it can be checked without a window.
inline constexpr double plotFullScaleFrequency = 4.0; // cycles per mrad across the width
inline constexpr double plotFullScaleLog = 5.0;       // natural-log units above the reference
inline constexpr double plotReferenceMrtd = 0.01;     // K at the bottom of the logarithmic scale
inline constexpr int plotMarkerRadius = 2;

struct PlotPoint {
    int x = 0;
    int y = 0;
    bool operator==(const PlotPoint&) const = default;
};

struct PlotScale {
    int width = 0;
    int height = 0;
    double sx = 0.0;                      // pixels per cycle/mrad
    double sy = 0.0;                      // pixels per unit
    double reference = plotReferenceMrtd; // K at the bottom of the logarithmic scale
    int decades = 0;                      // how far the bottom moved below plotReferenceMrtd
    double logSpan = plotFullScaleLog;    // natural-log units from the bottom to the full-scale tick
};

PlotScale plotScale(int width, int height);
// The scale that holds an MRTD down to smallest: with smallest at or above plotReferenceMrtd it is
// plotScale's; below it the bottom moves down by whole decades until it holds smallest, while the
// full-scale tick keeps its value and its place.
PlotScale plotScaleHolding(int width, int height, double smallest);
// The scale that holds every MRTD from smallest to largest: plotScaleHolding's bottom, and above a
// largest beyond the full-scale tick the top moves up by whole decades until it holds largest (the
// tick then marks the new top).
PlotScale plotScaleSpanning(int width, int height, double smallest, double largest);
// The MRTD at the top of the scale, where its full-scale tick sits.
double plotTopMrtd(const PlotScale& s);
// The bottom value as the scale's label writes it ("0.001"); empty when the bottom has not moved.
std::string plotBottomLabel(const PlotScale& s);
int frequencyTickX(const PlotScale& s, double frequency);
// Height of a label: linear in its value.
int labelY(const PlotScale& s, double value);
int fullScaleTickY(const PlotScale& s);

// The point of an MRTD m > 0 K at frequency f, on the logarithmic scale.
PlotPoint plotPointOf(const PlotScale& s, double f, double m);

// A mean MRTD with its 95 % interval, in pixels. An interval reaching zero or below has no logarithm
// and runs down to the frequency axis; an upper end at zero or below stops at the mean.
struct PlotErrorBar {
    PlotPoint mean;
    bool hasInterval = false;
    int top = 0;
    int bottom = 0;
    bool operator==(const PlotErrorBar&) const = default;
};
// The bar of a mean m > 0 K at frequency f, with the interval low ... high when there is one.
PlotErrorBar plotErrorBar(const PlotScale& s, double f, double m,
                          const std::optional<std::pair<double, double>>& interval);

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
// The smallest positive MRTD among the records with both halves set; 0 when there is none.
double smallestPositiveMrtd(const std::array<MrtdRecord, frequencyCount>& records);

// A value label of the plot: its text, where it is drawn (x, baseline y) and whose it is (a camera
// slot, or -1 for the labels every slot shares).
struct PlotLabel {
    std::string text;
    int x = 0;
    int y = 0;
    int slot = -1;
    bool operator==(const PlotLabel&) const = default;
};
// The font's measures the label placement needs, in pixels.
struct LabelMetrics {
    int digitWidth = 7; // the widest character of a label
    int ascent = 11;
    int descent = 3;
};
// Every slot's smallest and largest value at its written place (x = 10, y = labelY), the labels the
// empty slots share (once) and the scale's bottom label; a label that would overlap one placed
// before it moves right until it overlaps none.
std::vector<PlotLabel> plotLabels(const PlotScale& s,
                                  const std::array<std::array<MrtdRecord, frequencyCount>, cameraSlots>& slots,
                                  const LabelMetrics& metrics);
// The box a label covers: x, top, width, height.
std::array<int, 4> plotLabelBox(const PlotLabel& label, const LabelMetrics& metrics);
