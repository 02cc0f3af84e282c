// The target file reader: keywords, inherited temperature and distance, the shapes, broken
// geometry dropped while the rest reads, and the shipped targets.
#include "target/target_file.h"

#include "test_support.h"

#include <gtest/gtest.h>

using testing_support::TempDir;

namespace {

Target readText(const TempDir& dir, const std::string& text) {
    Target target;
    EXPECT_TRUE(readTargetFile(dir.write("t.tag", text), target, 0));
    return target;
}

TEST(TargetFile, KeywordsMatchWholeTrimmedLinesWithoutRegardToCase) {
    TempDir dir;
    Target t = readText(dir, "Layer\n  LAYER  \n\tlayer\r\nlayer 2\nlayers\nobject\nSubLayer\n");
    ASSERT_EQ(t.items.size(), 5u);
    EXPECT_FALSE(t.items[0].isObject || t.items[2].isObject);
    EXPECT_TRUE(t.items[3].isObject && t.items[4].isObject); // "sublayer" starts an object
}

class TargetText : public ::testing::TestWithParam<testing_support::DataRow> {};

// The spellings of one ellipse read the same; broken geometry leaves a shapeless item and the
// rectangle after it still reads.
TEST_P(TargetText, ReadsAsWritten) {
    TempDir dir;
    if (GetParam().cells[0] == "ellipse") {
        const Target t = readText(dir, GetParam().text(1));
        ASSERT_EQ(t.items.size(), 1u);
        EXPECT_EQ(t.items[0].kind, TargetItemKind::Ellipse);
        EXPECT_EQ(t.items[0].vertices, (std::vector<float>{-1, -2, 3, 4}));
        EXPECT_TRUE(t.items[0].projected3D.empty());
        return;
    }
    const Target t = readText(dir, GetParam().text(1) + "object\nrectangle\n0 0 1 2\n");
    ASSERT_EQ(t.items.size(), 2u);
    EXPECT_EQ(t.items[0].kind, TargetItemKind::Layer);
    EXPECT_TRUE(t.items[0].vertices.empty());
    EXPECT_EQ(t.items[0].vertexCount, 0);
    EXPECT_EQ(t.items[1].kind, TargetItemKind::Rectangle);
    EXPECT_EQ(t.items[1].vertices, (std::vector<float>{0, 0, 0, 2, 1, 2, 1, 0}));
    EXPECT_EQ(t.distanceOrder, (std::vector<int>{1}));
}
INSTANTIATE_TEST_SUITE_P(Cases, TargetText, ::testing::ValuesIn(testing_support::dataRows("target_texts.tsv")),
                         testing_support::RowNamedByName{});

TEST(TargetFile, AThreeDimensionalPolygonKeepsItsDepth) {
    TempDir dir;
    Target polygon = readText(dir, "object\n3D Polygon\n3\n0 0 0\n1 0 0.5\n0 1 -0.25\n");
    ASSERT_EQ(polygon.items.size(), 1u);
    EXPECT_EQ(polygon.items[0].kind, TargetItemKind::Polygon3D);
    EXPECT_EQ(polygon.items[0].dimension, 3);
    EXPECT_EQ(polygon.items[0].vertexCount, 3);
    EXPECT_EQ(polygon.items[0].vertices, (std::vector<float>{0, 0, 0, 1, 0, 0.5f, 0, 1, -0.25f}));
    EXPECT_FLOAT_EQ(polygon.items[0].minCoord[2], -0.25f);
    EXPECT_FLOAT_EQ(polygon.items[0].maxCoord[2], 0.5f);
}

// inherited.tag: an object before any layer (0 °C at distance 0); layer 1 at 30 °C and 200 with an
// object at 35 and one inheriting 35 from it; layer 2 (0 °C, distance 0) with a sublayer at the
// running 200, an object with only a name, and a layer given a shape.
TEST(TargetFile, TemperatureAndDistanceAreInherited) {
    Target t;
    ASSERT_TRUE(readTargetFile(testing_support::testDataFile("inherited.tag"), t, 0));
    ASSERT_EQ(t.items.size(), 8u);
    EXPECT_EQ(t.items[0].temperature, 0.0f);
    EXPECT_EQ(t.items[0].distance, 0.0f);
    EXPECT_EQ(t.items[2].temperature, 35.0f);
    EXPECT_EQ(t.items[2].distance, 200.0f);
    EXPECT_EQ(t.items[3].temperature, 35.0f);
    EXPECT_EQ(t.items[3].kind, TargetItemKind::Polygon);
    EXPECT_EQ(t.items[4].distance, 0.0f);
    EXPECT_EQ(t.items[5].distance, 200.0f);
    EXPECT_EQ(t.items[5].temperature, 0.0f);
    EXPECT_EQ(t.items[6].kind, TargetItemKind::Layer);
    EXPECT_EQ(t.items[6].name, "  Plate");
    EXPECT_EQ(t.items[7].kind, TargetItemKind::Rectangle);
    EXPECT_FALSE(t.items[7].isObject);
    EXPECT_EQ(t.targetHeight, 1.5f);
    // The object without geometry is not drawn; equal distances keep the list order.
    EXPECT_EQ(t.distanceOrder, (std::vector<int>{2, 3, 5, 0, 7}));
}

// A name before any item is passed over with its line; non-finite values replace nothing.
TEST(TargetFile, ANameBeforeAnyItemAndNonFiniteValuesChangeNothing) {
    TempDir dir;
    Target t = readText(dir, "name\nlayer\ntemperature\n12\ntemperature\nnan\ndistance\ninf\nheight\n-inf\n");
    ASSERT_EQ(t.items.size(), 1u);
    EXPECT_EQ(t.items[0].temperature, 12.0f);
    EXPECT_EQ(t.items[0].distance, 0.0f);
    EXPECT_EQ(t.targetHeight, 0.0f);
}

TEST(TargetFile, AFileThatCannotBeOpenedLeavesAnEmptyTarget) {
    Target target;
    target.items.emplace_back();
    target.targetHeight = 3.0f;
    EXPECT_FALSE(readTargetFile("/nonexistent/mira.tag", target, 0));
    EXPECT_TRUE(target.items.empty());
    EXPECT_EQ(target.targetHeight, 3.0f);
}

TEST(TargetFile, TheShippedTargetsRead) {
    Target mira, vehicle;
    ASSERT_TRUE(readTargetFile(testing_support::shippedFile("mira.tag"), mira, 0));
    ASSERT_EQ(mira.items.size(), 5u);
    EXPECT_EQ(mira.distanceOrder.size(), 4u);
    for (int k = 1; k <= 4; ++k) {
        const TargetItem& bar = mira.items[static_cast<std::size_t>(k)];
        EXPECT_EQ(bar.kind, TargetItemKind::Rectangle);
        EXPECT_EQ(bar.name, "Bar " + std::to_string(k));
        EXPECT_NEAR((bar.maxCoord[1] - bar.minCoord[1]) / (bar.maxCoord[0] - bar.minCoord[0]), 7.0f, 1e-4f);
    }
    EXPECT_NEAR(mira.targetCenterX, 0.0f, 1e-6f);
    ASSERT_TRUE(readTargetFile(testing_support::shippedFile("vehicle.tag"), vehicle, 0));
    std::set<TargetItemKind> kinds; // every shape occurs
    for (const TargetItem& item : vehicle.items)
        if (item.hasShape())
            kinds.insert(item.kind);
    EXPECT_EQ(kinds.size(), 4u);
    EXPECT_GT(vehicle.targetHeight, 0.0f);
}

// The loader marks the console's list as kept aside before it reads a file; the read replaces the
// whole target, so neither the list nor its mark may survive into the new one.
TEST(TargetFile, AReadReplacesTheTargetAndAnyKeptAsideList) {
    TempDir dir;
    const std::string path = dir.write("t.tag", "layer\nobject\nname\nnew\nrectangle\n0 0 1 1\n");
    for (bool fromFile : {true, false}) {
        SCOPED_TRACE(fromFile);
        Target target;
        target.items.resize(3);
        target.items[0].name = "old";
        keepTargetAside(target);
        if (fromFile)
            ASSERT_TRUE(readTargetFile(path, target, 0));
        else
            readTargetText(testing_support::readText(path), target, 0);
        EXPECT_FALSE(target.hasKeptAside || target.forceClear || target.items[0].keptAside);
        EXPECT_TRUE(target.keptAsideTarget.empty());
        ASSERT_EQ(target.items.size(), 2u);
        EXPECT_EQ(target.items[1].name, "new");
    }
}

} // namespace
