// The atmosphere file as the bench reads it: six rows, lenient about what follows the numbers.
#include "atmosphere/atmosphere_table.h"

#include "test_support.h"

#include <gtest/gtest.h>

namespace {

using testing_support::DataRow;

// Both sides as floats: the file's decimals read as the floats the table holds.
template <class Values>
std::vector<float> floats(const Values& values) {
    return std::vector<float>(values.begin(), values.end());
}

class AtmosphereFile : public ::testing::TestWithParam<DataRow> {};

TEST_P(AtmosphereFile, Reads) {
    const DataRow& c = GetParam();
    testing_support::TempDir dir;
    AtmosphereTable table;
    std::string error;
    ASSERT_TRUE(readAtmosphereFile(dir.write("Atmosphere.ini", c.text(0)), table, error)) << error;
    EXPECT_EQ(floats(table.row1), floats(c.numbers(1)));
    EXPECT_EQ(floats(table.row3), floats(c.numbers(2)));
    EXPECT_EQ(floats(table.atmosphereBlur), floats(c.numbers(3)));
    EXPECT_EQ(table.row6, std::stoi(c.cells[4]));
}
INSTANTIATE_TEST_SUITE_P(Cases, AtmosphereFile, TERVIX_TABLE_ROWS("atmosphere.tsv"));

class AtmosphereRefusal : public ::testing::TestWithParam<DataRow> {};

TEST_P(AtmosphereRefusal, NamesTheValueAndLeavesTheTable) {
    testing_support::TempDir dir;
    AtmosphereTable table;
    std::string error;
    const std::string path = dir.write("Atmosphere.ini", GetParam().text(0));
    EXPECT_FALSE(readAtmosphereFile(path, table, error));
    EXPECT_EQ(error, "File '" + path + "' " + GetParam().cells[1]);
    EXPECT_EQ(floats(table.row1), floats(AtmosphereTable().row1));
    EXPECT_EQ(floats(table.atmosphereBlur), floats(AtmosphereTable().atmosphereBlur));
}
INSTANTIATE_TEST_SUITE_P(Cases, AtmosphereRefusal, TERVIX_TABLE_ROWS("atmosphere_refusals.tsv"));

TEST(AtmosphereTable, AMissingFileLeavesTheInitialValues) {
    AtmosphereTable table;
    std::string error;
    EXPECT_FALSE(readAtmosphereFile("/nonexistent/Atmosphere.ini", table, error));
    EXPECT_EQ(error, "File '/nonexistent/Atmosphere.ini' does not exist");
    EXPECT_EQ(table.row3, (std::array<float, 7>{1.0f, 0.9f, 0.8f, 0.7f, 0.6f, 0.5f, -4.0f}));
    EXPECT_EQ(table.atmosphereBlur, (std::array<float, 8>{}));
}

TEST(AtmosphereTable, TheShippedFileHasEightIncreasingBlurWidths) {
    AtmosphereTable table;
    std::string error;
    ASSERT_TRUE(readAtmosphereFile(testing_support::shippedFile("Atmosphere.ini"), table, error)) << error;
    EXPECT_EQ(table.atmosphereBlur[0], 0.0f);
    for (std::size_t k = 1; k < table.atmosphereBlur.size(); ++k)
        EXPECT_GT(table.atmosphereBlur[k], table.atmosphereBlur[k - 1]);
    EXPECT_LE(table.atmosphereBlur[7], 0.2f);
}

} // namespace
