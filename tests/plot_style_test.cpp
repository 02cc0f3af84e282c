#include "drawing/plot_style.h"
#include "drawing/session_plot.h"

#include <gtest/gtest.h>

#include <QPainterPath>

#include <cmath>
#include <set>
#include <tuple>
#include <utility>

namespace {

// Each row: the span, and the decades its axis must label in order.
TEST(PlotStyle, DecadeTicksLabelEveryPowerOfTenInsideTheSpanInPlainDecimals) {
    const std::vector<std::tuple<double, double, std::vector<const char*>>> rows{
        {0.001, 1.0, {"0.001", "0.01", "0.1", "1"}},
        {0.004, 20.0, {"0.01", "0.1", "1", "10"}},
        {0.1 * 0.1, 0.3, {"0.01", "0.1"}}, // an end computed as a product still counts as its decade
        {2.0, 8.0, {}},                    // no power of ten inside: no label rather than a made-up one
        {0.0, 1.0, {}},                    // no logarithm of zero
        {5.0, 1.0, {}}};
    for (const auto& [low, high, labels] : rows) {
        const std::vector<AxisTick> ticks = decadeTicks(low, high);
        ASSERT_EQ(ticks.size(), labels.size()) << low << " ... " << high;
        for (std::size_t k = 0; k < ticks.size(); ++k) {
            EXPECT_EQ(ticks[k].label.toStdString(), labels[k]) << low << " ... " << high;
            EXPECT_NEAR(ticks[k].label.toDouble(), ticks[k].value, 1e-12 * ticks[k].value);
        }
    }
}

// A reader tells lines apart by colour or, in grey print and with colour blindness, by marker: no two
// of the first 49 lines share both, and the lines of a plot with up to seven share neither.
TEST(PlotStyle, LinesTakeDistinctColourAndMarkerPairs) {
    std::set<std::pair<QRgb, PlotMarker>> pairs;
    for (int k = 0; k < 49; ++k) {
        const PlotLineStyle style = plotLineStyle(k);
        EXPECT_TRUE(pairs.insert({style.colour.rgb(), style.marker}).second) << "line " << k;
    }
    std::set<QRgb> colours;
    std::set<PlotMarker> markers;
    for (int k = 0; k < 7; ++k) {
        colours.insert(plotLineStyle(k).colour.rgb());
        markers.insert(plotLineStyle(k).marker);
    }
    EXPECT_EQ(colours.size(), 7u);
    EXPECT_EQ(markers.size(), 7u);
    // The series of the MRTD plots are lines like any other: the observers' and the model observer's
    // must not look alike.
    EXPECT_NE(plotLineStyle(observersSeries).colour, plotLineStyle(objectiveSeries).colour);
    EXPECT_NE(plotLineStyle(observersSeries).marker, plotLineStyle(objectiveSeries).marker);
}

// A bracket spans its two ends with a cap across each, whichever way it runs, and one whose ends
// meet still has its caps' width: it is never drawn as a bare point.
TEST(PlotStyle, BracketSpansItsEndsWithCapsAndABoundPointsAway) {
    for (const auto& [from, to] : {std::pair{QPointF(10, 50), QPointF(10, 20)},
                                   std::pair{QPointF(5, 7), QPointF(45, 7)}, std::pair{QPointF(3, 3), QPointF(3, 3)}}) {
        const QPainterPath path = bracketPath(from, to, 4.0);
        const QRectF box = path.boundingRect();
        const bool vertical = from.x() == to.x() && from != to;
        EXPECT_DOUBLE_EQ(vertical ? box.width() : box.height(), from == to ? 0.0 : 8.0);
        EXPECT_DOUBLE_EQ(vertical ? box.height() : box.width(),
                         from == to ? 8.0 : std::hypot(to.x() - from.x(), to.y() - from.y()));
    }
    // An arrow up from (10, 50): its tip at the far end, its head behind the tip, not around the start.
    const QRectF arrow = boundArrowPath(QPointF(10, 50), QPointF(10, 20), 6.0).boundingRect();
    EXPECT_DOUBLE_EQ(arrow.top(), 20.0);
    EXPECT_DOUBLE_EQ(arrow.bottom(), 50.0);
    EXPECT_NEAR(arrow.width(), 2 * 0.6 * 6.0, 1e-9);
}

} // namespace
