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
    EXPECT_FALSE(t.items[0].isObject);
    EXPECT_FALSE(t.items[2].isObject);
    EXPECT_TRUE(t.items[3].isObject);
    EXPECT_TRUE(t.items[4].isObject); // "sublayer" starts an object
}

// A named file text.
struct NamedText {
    const char* name;
    const char* text;
};

// One object, written three ways; the last geometry keyword decides the shape.
const NamedText spellingCases[] = {
    {"numbers sharing lines", "object\n3D Polygon\n3 0 0 0 1 0 0.5 0 1 -0.25 \nellipse\n-1 -2 3 4\n"},
    {"numbers spread over lines", "object\n3d polygon\n3\n0\n0\n0\n1\n0\n0.5\n0\n1\n-0.25\nellipse\n-1 -2\n3\n4\n"},
    {"CR LF line ends", "object\r\n3d polygon\r\n3 0 0 0 1 0 0.5 0 1 -0.25 \r\nellipse\r\n-1 -2 3 4\r\n"},
};

class TargetFileSpelling : public ::testing::TestWithParam<NamedText> {};

TEST_P(TargetFileSpelling, GivesTheSameEllipse) {
    TempDir dir;
    const Target t = readText(dir, GetParam().text);
    ASSERT_EQ(t.items.size(), 1u);
    EXPECT_EQ(t.items[0].kind, TargetItemKind::Ellipse);
    EXPECT_EQ(t.items[0].vertices, (std::vector<float>{-1, -2, 3, 4}));
    EXPECT_TRUE(t.items[0].projected3D.empty());
}

INSTANTIATE_TEST_SUITE_P(Spellings, TargetFileSpelling, ::testing::ValuesIn(spellingCases),
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

TEST(TargetFile, TemperatureAndDistanceAreInherited) {
    TempDir dir;
    Target t = readText(dir,
                        "object\nrectangle\n0 0 1 1\n"            // before any layer: 0 °C at distance 0
                        "layer\ntemperature\n30\ndistance\n200\n" // layer 1
                        "object\ntemperature\n35\npolygon\n3 0 0 1 0 0 1\n"
                        "object\nconvex polygon\n3 0 0 1 0 0 1\n" // inherits 35 from the object before it
                        "layer\n"                                 // layer 2: distance 0, temperature 0
                        "sublayer\nellipse\n0 0 1 1\n"            // running distance 200, temperature 0
                        "object\nname\n  Plate  \n"               // no geometry
                        "layer\nrectangle\n0 0 2 2\n"             // a layer given a shape
                        "height\n1.5\n");
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

TEST(TargetFile, ANameBeforeAnyItemIsSkippedAndTheNextLineIsAKeyword) {
    TempDir dir;
    Target t = readText(dir, "name\nlayer\ntemperature\n5\n");
    ASSERT_EQ(t.items.size(), 1u);
    EXPECT_EQ(t.items[0].temperature, 5.0f);
    EXPECT_EQ(t.targetHeight, 0.0f);
}

const NamedText brokenGeometries[] = {
    {"missing count", "object\npolygon\nfour\n"},
    {"negative count", "object\npolygon\n-3 0 0 1 0 0 1\n"},
    {"zero count", "object\npolygon\n0\n"},
    {"count beyond the file", "object\npolygon\n2000000000 0 0 1 0 0 1\n"},
    {"fewer coordinates", "object\n3d polygon\n4 0 0 0 1 0 0\n"},
    {"rectangle short of a number", "object\nrectangle\n0 0 1\n"},
    {"infinite coordinate", "object\nrectangle\n0 0 inf 1\n"},
    {"NaN coordinate", "object\nellipse\n0 nan 1 1\n"},
    {"coordinate beyond float", "object\npolygon\n3 0 0 1e40 0 0 1\n"},
};

class TargetFileBrokenGeometry : public ::testing::TestWithParam<NamedText> {};

TEST_P(TargetFileBrokenGeometry, IsDroppedAndTheRestStillReads) {
    TempDir dir;
    const Target t = readText(dir, std::string(GetParam().text) + "object\nrectangle\n0 0 1 2\n");
    ASSERT_EQ(t.items.size(), 2u);
    EXPECT_EQ(t.items[0].kind, TargetItemKind::Layer);
    EXPECT_TRUE(t.items[0].vertices.empty());
    EXPECT_EQ(t.items[0].vertexCount, 0);
    EXPECT_EQ(t.items[1].kind, TargetItemKind::Rectangle);
    EXPECT_EQ(t.items[1].vertices, (std::vector<float>{0, 0, 0, 2, 1, 2, 1, 0}));
    EXPECT_EQ(t.distanceOrder, (std::vector<int>{1}));
}

INSTANTIATE_TEST_SUITE_P(Faults, TargetFileBrokenGeometry, ::testing::ValuesIn(brokenGeometries),
                         testing_support::RowNamedByName{});

TEST(TargetFile, NonFiniteValuesDoNotReplaceTemperatureDistanceOrHeight) {
    TempDir dir;
    Target t = readText(dir, "layer\ntemperature\n12\ntemperature\nnan\ndistance\ninf\nheight\n-inf\n");
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
    Target mira;
    ASSERT_TRUE(readTargetFile(testing_support::shippedFile("mira.tag"), mira, 0));
    ASSERT_EQ(mira.items.size(), 5u);
    EXPECT_EQ(mira.distanceOrder.size(), 4u);
    for (int k = 1; k <= 4; ++k) {
        const TargetItem& bar = mira.items[static_cast<std::size_t>(k)];
        EXPECT_EQ(bar.kind, TargetItemKind::Rectangle);
        EXPECT_EQ(bar.name, "Bar " + std::to_string(k));
        float width = bar.maxCoord[0] - bar.minCoord[0];
        float length = bar.maxCoord[1] - bar.minCoord[1];
        EXPECT_NEAR(length / width, 7.0f, 1e-4f); // bars of 7:1 aspect
    }
    EXPECT_NEAR(mira.targetCenterX, 0.0f, 1e-6f);

    Target vehicle;
    ASSERT_TRUE(readTargetFile(testing_support::shippedFile("vehicle.tag"), vehicle, 0));
    int kinds[4] = {};
    for (const TargetItem& item : vehicle.items)
        if (item.hasShape())
            ++kinds[static_cast<int>(item.kind)];
    EXPECT_GT(kinds[0], 0);
    EXPECT_GT(kinds[1], 0);
    EXPECT_GT(kinds[2], 0);
    EXPECT_GT(kinds[3], 0);
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
        EXPECT_FALSE(target.hasKeptAside);
        EXPECT_TRUE(target.keptAsideTarget.empty());
        ASSERT_EQ(target.items.size(), 2u);
        EXPECT_EQ(target.items[1].name, "new");
        EXPECT_FALSE(target.items[0].keptAside);
        EXPECT_FALSE(target.forceClear);
    }
}

} // namespace
