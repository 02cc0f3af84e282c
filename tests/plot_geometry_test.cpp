#include "console/plot_geometry.h"

#include <gtest/gtest.h>

TEST(PlotGeometry, TheWorkedExamplePlacesPointAndLabels) {
    const PlotScale s = plotScale(300, 200);
    EXPECT_DOUBLE_EQ(s.sx, 70.0);
    EXPECT_DOUBLE_EQ(s.sy, 36.0);
    std::array<MrtdRecord, frequencyCount> records{};
    records[1] = {-0.1f, 0.1f}; // m = 0.1 K at 1 cycle per mrad
    const PlotCurve curve = plotCurve(s, records);
    ASSERT_EQ(curve.points.size(), 1u);
    EXPECT_EQ(curve.points[0], (PlotPoint{70, 115}));
    EXPECT_NEAR(curve.smallest, 0.1, 1e-7);
    EXPECT_NEAR(curve.largest, 0.1, 1e-7);
    EXPECT_EQ(labelY(s, curve.smallest), 186);
    EXPECT_EQ(fullScaleTickY(s), 10);
    EXPECT_EQ(frequencyTickX(s, 4.0), 280);
}

TEST(PlotGeometry, OnlyRecordsWithBothHalvesAreTakenAndNonPositiveOnesGetNoPoint) {
    const PlotScale s = plotScale(400, 300);
    std::array<MrtdRecord, frequencyCount> records{};
    records[0] = {-0.05f, mrtdNotMeasured};      // one half only: not taken
    records[2] = {-0.2f, 0.3f};                  // m = 0.25
    records[3] = {mrtdNotRecognized, 0.2f};      // m = 5.1: above the top, still a point
    records[4] = {-0.2f, mrtdNotRecognized};     // m = -4.9: no logarithm, no point
    const PlotCurve curve = plotCurve(s, records);
    ASSERT_EQ(curve.points.size(), 2u);
    EXPECT_EQ(curve.points[0].x, frequencyTickX(s, 1.5));
    EXPECT_EQ(curve.points[1].x, frequencyTickX(s, 2.0));
    EXPECT_LT(curve.points[1].y, 10); // above the full-scale tick
    EXPECT_NEAR(curve.largest, 5.1, 1e-6);
    EXPECT_NEAR(curve.smallest, -4.9, 1e-6);
    const PlotCurve empty = plotCurve(s, {});
    EXPECT_TRUE(empty.points.empty());
    EXPECT_EQ(empty.smallest, 5.0);
    EXPECT_EQ(empty.largest, 0.0);
}
