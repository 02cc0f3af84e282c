// Renders every stored case again and holds the sensor image, the display image and one presented
// frame to the stored ones bit for bit. A difference means the image model changed; see
// golden/README.md before regenerating.
#include "golden_case.h"

#include "test_support.h"
#include "text/messages.h"

#include <cstring>

namespace fs = std::filesystem;

namespace {

const fs::path goldenDir{TERVIX_GOLDEN_DIR};

// How many bytes of a stored image differ and the first one's pixel (column, row from the bottom as
// the bench's buffers hold them); empty when the files agree bit for bit.
std::string firstDifference(const std::string& expected, const std::string& actual, int width, int height,
                            bool sensor) {
    const std::size_t valueBytes = sensor ? 4 : 1, values = static_cast<std::size_t>(width) * height;
    const std::size_t header = actual.size() - values * valueBytes;
    if (expected.size() != actual.size() || expected.compare(0, header, actual, 0, header) != 0)
        return "the header or size differs: expected " + expected.substr(0, header);
    std::size_t differing = 0, first = 0;
    for (std::size_t k = actual.size(); k-- > header;)
        if (expected[k] != actual[k])
            ++differing, first = (k - header) / valueBytes;
    if (differing == 0)
        return {};
    const std::size_t row = first / static_cast<std::size_t>(width);
    return std::to_string(differing) + " bytes differ; the first at column " +
           std::to_string(first % static_cast<std::size_t>(width)) + ", row " +
           std::to_string(sensor ? row : static_cast<std::size_t>(height) - 1 - row) + " (from the bottom)";
}

class GoldenTest : public ::testing::TestWithParam<std::string> {};

TEST_P(GoldenTest, RendersTheStoredImagesExactly) {
    const fs::path caseDir = goldenDir / GetParam();
    std::string error;
    const auto goldenCase = readGoldenCase(caseDir, error);
    ASSERT_TRUE(goldenCase) << error;
    MessageLog messages;
    const auto actual = renderGoldenCase(*goldenCase, caseDir, TERVIX_SHIPPED_DATA_DIR, messages, error);
    ASSERT_TRUE(actual) << error;
    EXPECT_EQ(messages.messages, std::vector<std::string>{});
    for (std::size_t k = 0; k < goldenImageFiles.size(); ++k)
        EXPECT_EQ(firstDifference(testing_support::readText((caseDir / goldenImageFiles[k]).string()), actual->files[k],
                                  actual->width, actual->height, k == 0),
                  "")
            << goldenImageFiles[k];
}

// The folder must hold the cases (each compared file is read above); an empty list would pass without
// comparing anything.
TEST(GoldenCases, AreAllPresent) {
    EXPECT_GE(goldenCaseNames(goldenDir).size(), 7u);
}

INSTANTIATE_TEST_SUITE_P(Cases, GoldenTest, ::testing::ValuesIn(goldenCaseNames(goldenDir)),
                         [](const ::testing::TestParamInfo<std::string>& info) { return info.param; });

} // namespace
