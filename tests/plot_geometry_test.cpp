// Where the MRTD plot puts points, ticks and labels, and how its scale reaches down to small results.
#include "console/plot_geometry.h"

#include <cmath>
#include <tuple>

#include <gtest/gtest.h>

namespace {

std::array<MrtdRecord, frequencyCount> recordsOf(std::initializer_list<std::pair<int, float>> mrtds) {
    std::array<MrtdRecord, frequencyCount> records{};
    for (auto [i, m] : mrtds)
        records[static_cast<std::size_t>(i)] = {-m, m};
    return records;
}

bool anyTwoOverlap(const std::vector<PlotLabel>& labels, const LabelMetrics& metrics) {
    for (std::size_t a = 0; a < labels.size(); ++a)
        for (std::size_t b = a + 1; b < labels.size(); ++b) {
            const auto p = plotLabelBox(labels[a], metrics), q = plotLabelBox(labels[b], metrics);
            if (p[0] < q[0] + q[2] && q[0] < p[0] + p[2] && p[1] < q[1] + q[3] && q[1] < p[1] + p[3])
                return true;
        }
    return false;
}

// The worked example: Camera1's 0.1 K at 1 cycle per mrad and 0.5 K at 3 on a 300 x 200 plot.
TEST(PlotGeometry, TheWorkedExamplePlacesPointsTicksAndLabels) {
    const PlotScale s = plotScale(300, 200);
    EXPECT_DOUBLE_EQ(s.sx, 70.0);
    EXPECT_DOUBLE_EQ(s.sy, 36.0);
    std::array<std::array<MrtdRecord, frequencyCount>, cameraSlots> slots{};
    slots[0] = recordsOf({{1, 0.1f}, {3, 0.5f}});
    const PlotCurve curve = plotCurve(s, slots[0]);
    ASSERT_EQ(curve.points.size(), 2u);
    EXPECT_EQ(curve.points[0], (PlotPoint{70, 115}));
    EXPECT_TRUE(std::abs(curve.smallest - 0.1) < 1e-7 && std::abs(curve.largest - 0.5) < 1e-7);
    EXPECT_EQ(labelY(s, curve.smallest), 186);
    EXPECT_EQ(fullScaleTickY(s), 10);
    EXPECT_EQ(frequencyTickX(s, 4.0), 280);
    EXPECT_EQ(frequencyTickX(s, 1e308), 1000000); // far off, room left for a label box around it
    const auto labels = plotLabels(s, slots, LabelMetrics{});
    // Camera1's two values at x = 10, and the pair the four empty slots share, once.
    ASSERT_EQ(labels.size(), 4u);
    EXPECT_EQ(labels[0], (PlotLabel{"0.100", 10, labelY(s, 0.1f), 0}));
    EXPECT_EQ(labels[1], (PlotLabel{"0.500", 10, labelY(s, 0.5f), 0}));
    EXPECT_EQ(labels[2].text, "5.000");
    // "0.000" stands 4 px under "0.100": it moves right, clear of it, on its own line.
    EXPECT_TRUE(labels[3].text == "0.000" && labels[3].y == labelY(s, 0.0) && labels[3].x > 10);
    EXPECT_FALSE(anyTwoOverlap(labels, LabelMetrics{}));
}

TEST(PlotGeometry, OnlyRecordsWithBothHalvesAreTakenAndNonPositiveOnesGetNoPoint) {
    const PlotScale s = plotScale(400, 300);
    std::array<MrtdRecord, frequencyCount> records{};
    records[0] = {-0.05f, mrtdNotMeasured};  // one half only: not taken
    records[2] = {-0.2f, 0.3f};              // m = 0.25
    records[3] = {mrtdNotRecognized, 0.2f};  // m = 5.1: above the top, still a point
    records[4] = {-0.2f, mrtdNotRecognized}; // m = -4.9: no logarithm, no point
    const PlotCurve curve = plotCurve(s, records);
    ASSERT_EQ(curve.points.size(), 2u);
    EXPECT_EQ(std::pair(curve.points[0].x, curve.points[1].x),
              std::pair(frequencyTickX(s, 1.5), frequencyTickX(s, 2.0)));
    EXPECT_LT(curve.points[1].y, 10); // above the full-scale tick
    EXPECT_NEAR(curve.largest, 5.1, 1e-6);
    EXPECT_NEAR(curve.smallest, -4.9, 1e-6);
    const PlotCurve empty = plotCurve(s, {});
    EXPECT_TRUE(empty.points.empty() && empty.smallest == 5.0 && empty.largest == 0.0);
    // The scale's bottom follows the smallest positive value alone.
    EXPECT_NEAR(smallestPositiveMrtd(records), 0.25, 1e-7);
    EXPECT_EQ(smallestPositiveMrtd({}), 0.0);
}

// The smallest value, the decades the bottom moves down and the label it then bears.
using ScaleCase = std::tuple<double, int, const char*>;
class PlotScaleHolding : public testing::TestWithParam<ScaleCase> {};

TEST_P(PlotScaleHolding, MovesTheBottomByWholeDecadesAndKeepsTheTop) {
    const auto [smallest, decades, bottomLabel] = GetParam();
    const PlotScale plain = plotScale(400, 300);
    const PlotScale s = plotScaleHolding(400, 300, smallest);
    EXPECT_EQ(s.decades, decades);
    EXPECT_EQ(plotBottomLabel(s), bottomLabel);
    // The smallest value's point lies inside the plot, no lower than the bottom value's.
    const PlotPoint low = plotPointOf(s, 0.5, smallest > 0.0 ? smallest : plotReferenceMrtd);
    EXPECT_TRUE(low.y >= 0 && low.y < 300 && low.y <= plotPointOf(s, 0.5, s.reference).y) << low.y;
    // The full-scale tick keeps its place and value.
    const double fullScale = plotReferenceMrtd * std::exp(plotFullScaleLog);
    EXPECT_EQ(fullScaleTickY(s), fullScaleTickY(plain));
    EXPECT_NEAR(plotPointOf(s, 1.0, fullScale).y, plotPointOf(plain, 1.0, fullScale).y, 1);
    if (decades == 0) { // with every value inside, the plot is the written one
        EXPECT_EQ(s.sy, plain.sy);
        EXPECT_EQ(plotPointOf(s, 2.0, 0.3), plotPointOf(plain, 2.0, 0.3));
    }
}

INSTANTIATE_TEST_SUITE_P(PlotGeometry, PlotScaleHolding,
                         testing::Values(ScaleCase{0.0, 0, ""}, ScaleCase{0.01, 0, ""}, ScaleCase{0.2, 0, ""},
                                         ScaleCase{0.008, 1, "0.001"}, ScaleCase{0.004, 1, "0.001"},
                                         ScaleCase{0.001, 1, "0.001"}, ScaleCase{0.0004, 2, "0.0001"}));

TEST(PlotGeometry, FiveSlotsLabelsNeverOverlap) {
    const LabelMetrics metrics{8, 12, 3};
    for (int height : {120, 200, 400}) {
        SCOPED_TRACE(height);
        std::array<std::array<MrtdRecord, frequencyCount>, cameraSlots> slots{};
        // Close values in every slot, and a cooled camera's 0.004 K that moves the bottom.
        slots[0] = recordsOf({{0, 0.004f}, {5, 0.9f}});
        slots[1] = recordsOf({{0, 0.01f}, {5, 0.91f}});
        slots[2] = recordsOf({{1, 0.012f}, {4, 0.88f}});
        slots[3] = recordsOf({{2, 0.011f}, {3, 0.9f}});
        slots[4] = recordsOf({{2, 0.02f}});
        const PlotScale s = plotScaleHolding(140, height, 0.004);
        const auto labels = plotLabels(s, slots, metrics);
        EXPECT_EQ(labels.size(), 1u + 2 + 2 + 2 + 2 + 1);
        EXPECT_FALSE(anyTwoOverlap(labels, metrics));
        for (const PlotLabel& label : labels) { // inside the plot on the right, too
            const auto box = plotLabelBox(label, metrics);
            EXPECT_LE(box[0] + box[2], 140) << label.text;
        }
        EXPECT_EQ(labels.front().text, "0.001");
    }
}

} // namespace
