// The target list: drawing order by distance, the list kept aside during a load, the extent.
#include "target/target.h"

#include <array>

#include <gtest/gtest.h>

namespace {

TargetItem rectangleAt(float distance, float x0, float x1, bool shown = true) {
    TargetItem item;
    item.isObject = true;
    item.kind = TargetItemKind::Rectangle;
    item.dimension = 2;
    item.vertexCount = 4;
    item.vertices = {x0, 0, x0, 1, x1, 1, x1, 0};
    item.projected2D.assign(8, 0.0f);
    item.projected3D.assign(12, 0.0f);
    item.distance = distance;
    item.shown = shown;
    return item;
}

// Farthest first, equal distances in list order; a layer without a shape is left out, one with a
// shape is drawn like an object.
TEST(TargetModel, DistanceOrderIsFarthestFirstAndStableForEqualDistances) {
    Target target;
    TargetItem layer, shapedLayer = rectangleAt(5, 12, 13);
    shapedLayer.isObject = false;
    target.items = {layer,      rectangleAt(10, 0, 1), rectangleAt(10, 2, 3), rectangleAt(50, 4, 5),
                    layer,      rectangleAt(10, 6, 7), rectangleAt(0, 8, 9),  rectangleAt(50, 10, 11),
                    shapedLayer};
    rebuildDistanceOrder(target);
    EXPECT_EQ(target.distanceOrder, (std::vector<int>{3, 7, 1, 2, 5, 8, 6}));
}

TEST(TargetModel, ClearTargetKeepsAMarkedListAsideUnlessForced) {
    Target target;
    target.items = {TargetItem{}, rectangleAt(1, 0, 1)};
    keepTargetAside(target);
    clearTarget(target);
    EXPECT_TRUE(target.items.empty());
    ASSERT_TRUE(target.hasKeptAside);
    EXPECT_EQ(target.keptAsideTarget.size(), 2u);

    restoreKeptAsideTarget(target);
    EXPECT_EQ(target.items.size(), 2u);
    EXPECT_FALSE(target.items.front().keptAside || target.hasKeptAside);

    // A list that is not kept aside is freed, and nothing stays kept aside.
    keepTargetAside(target);
    clearTarget(target);
    target.items = {rectangleAt(2, 0, 1)};
    clearTarget(target);
    EXPECT_TRUE(target.items.empty());
    EXPECT_FALSE(target.hasKeptAside);

    target.items = {TargetItem{}, rectangleAt(1, 0, 1)};
    keepTargetAside(target);
    target.forceClear = true;
    clearTarget(target);
    EXPECT_TRUE(target.items.empty() && target.keptAsideTarget.empty());
    EXPECT_FALSE(target.hasKeptAside);
}

TEST(TargetModel, ExtentIgnoresHiddenObjectsButRefreshesTheirBounds) {
    Target target;
    target.items = {rectangleAt(0, -1, 2), rectangleAt(0, -10, 30, false)};
    updateTargetExtent(target, 0);
    EXPECT_EQ((std::array{target.targetMinX, target.targetMaxX, target.targetCenterX}),
              (std::array{-1.0f, 2.0f, 0.5f}));
    EXPECT_FLOAT_EQ(target.viewUnitsPerPixel, 3.0f / 333.0f);
    EXPECT_EQ((std::array{target.items[1].minCoord[0], target.items[1].maxCoord[0]}), (std::array{-10.0f, 30.0f}));
    updateTargetExtent(target, 3);
    EXPECT_FLOAT_EQ(target.viewUnitsPerPixel, 3.0f / 333.0f * 8.0f);

    Target empty;
    updateTargetExtent(empty, 0);
    EXPECT_EQ((std::array{empty.targetMinX, empty.targetMaxX}), (std::array{1e11f, -1e11f}));
}

} // namespace
