// Renders every stored case again and holds the sensor image, the display image and one presented
// frame to the stored ones bit for bit. A difference means the image model changed; see
// golden/README.md before regenerating.
#include "golden_case.h"

#include "text/messages.h"

#include <gtest/gtest.h>

#include <cstring>
#include <sstream>

namespace fs = std::filesystem;

namespace {

const fs::path goldenDir{TERVIX_GOLDEN_DIR};

// The first pixel (column, row from the bottom) whose bytes differ, and how many differ; empty when
// the images agree bit for bit.
template <class T>
std::string firstDifference(const std::vector<T>& expected, const std::vector<T>& actual, int width, int perPixel) {
    std::size_t differing = 0;
    std::ostringstream first;
    for (std::size_t k = 0; k < expected.size(); ++k) {
        if (std::memcmp(&expected[k], &actual[k], sizeof(T)) == 0)
            continue;
        if (differing++ == 0) {
            const std::size_t pixel = k / static_cast<std::size_t>(perPixel);
            first.precision(9);
            first << "first at column " << pixel % static_cast<std::size_t>(width) << ", row "
                  << pixel / static_cast<std::size_t>(width) << " (from the bottom): expected " << +expected[k]
                  << ", got " << +actual[k];
        }
    }
    if (differing == 0)
        return {};
    return std::to_string(differing) + " values differ; " + first.str();
}

class GoldenTest : public ::testing::TestWithParam<std::string> {};

TEST_P(GoldenTest, RendersTheStoredImagesExactly) {
    const fs::path caseDir = goldenDir / GetParam();
    std::string error;
    const auto goldenCase = readGoldenCase(caseDir, error);
    ASSERT_TRUE(goldenCase) << error;
    const auto expected = readGoldenImages(caseDir, error);
    ASSERT_TRUE(expected) << error;

    MessageLog messages;
    const auto actual = renderGoldenCase(*goldenCase, caseDir, TERVIX_SHIPPED_DATA_DIR, messages, error);
    ASSERT_TRUE(actual) << error;
    EXPECT_TRUE(messages.messages.empty()) << "unexpected message: " << messages.messages.front();

    ASSERT_EQ(actual->width, expected->width);
    ASSERT_EQ(actual->height, expected->height);
    ASSERT_EQ(actual->sensor.size(), expected->sensor.size());
    ASSERT_EQ(actual->display.size(), expected->display.size());
    ASSERT_EQ(actual->frame.size(), expected->frame.size());
    EXPECT_EQ(firstDifference(expected->sensor, actual->sensor, actual->width, 1), "") << "sensor image";
    EXPECT_EQ(firstDifference(expected->display, actual->display, actual->width, 3), "") << "display image";
    EXPECT_EQ(firstDifference(expected->frame, actual->frame, actual->width, 1), "") << "presented frame";
}

// The folder must hold the cases; an empty list would pass without comparing anything.
TEST(GoldenCases, AreAllPresent) {
    const auto names = goldenCaseNames(goldenDir);
    EXPECT_GE(names.size(), 7u);
    for (const std::string& name : names)
        for (const char* file : {goldenSensorFile, goldenDisplayFile, goldenFrameFile})
            EXPECT_TRUE(fs::exists(goldenDir / name / file)) << name << " lacks " << file;
}

INSTANTIATE_TEST_SUITE_P(Cases, GoldenTest, ::testing::ValuesIn(goldenCaseNames(goldenDir)),
                         [](const ::testing::TestParamInfo<std::string>& info) { return info.param; });

} // namespace
