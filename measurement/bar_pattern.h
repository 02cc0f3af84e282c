#pragma once

#include "console/bench_state.h"

#include <vector>

// Where the bars and the gaps between them fall in the image: intervals in projected x, the rows
// of the bars' middle part, and the image's pixel mapping. Read from the target as last projected.
// A pattern of horizontal bars is described on the transposed image: its columns are image rows,
// its rows image columns and its x is projected y, so that one reading across columns serves both.
// The share of the bars' length read, about their middle, away from the bars' ends.
inline constexpr double analysedLengthShare = 0.6;

struct Interval {
    double low = 0.0;
    double high = 0.0;
    double centre() const { return (low + high) / 2; }
};

struct BarPattern {
    std::vector<Interval> bars;  // left to right
    std::vector<Interval> gaps;  // the inner gaps, then one bar-gap's width outside each end
    int rowLow = 0, rowHigh = 0; // image rows over the middle of the bars' length
    double originX = 0.0;        // projected x of the left edge of image column 0
    double pitchX = 0.0;
    bool transposed = false; // the bars are horizontal: columns and rows stand for image rows and columns
    bool valid() const { return bars.size() >= 2 && pitchX > 0.0 && rowHigh >= rowLow; }

    // The image column whose centre is nearest to projected x.
    int columnAt(double x) const;
    // Projected x of a column's centre.
    double centreOfColumn(int column) const { return originX + (column + 0.5) * pitchX; }
    // Columns whose centres lie inside the interval; the nearest column when none does.
    std::vector<int> columnsIn(const Interval& interval) const;
};

// The shown, shaped items of the target taken as bars, ordered by their left edge; with
// horizontalBars, by their top edge on the transposed image.
BarPattern findBarPattern(const BenchState& state, bool horizontalBars = false);
