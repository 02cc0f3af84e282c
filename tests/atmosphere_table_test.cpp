// The atmosphere file as the bench reads it: six rows, lenient about what follows the numbers.
#include "atmosphere/atmosphere_table.h"

#include "test_support.h"

#include <gtest/gtest.h>

namespace {

struct AtmosphereCase {
    const char* name;
    const char* text;
    std::array<float, 7> row1;
    std::array<float, 7> row3;
    std::array<float, 8> blur;
    int row6;
};

const std::array<float, 7> initialRow3{1.0f, 0.9f, 0.8f, 0.7f, 0.6f, 0.5f, -4.0f};
const std::array<float, 7> counting{1, 2, 3, 4, 5, 6, 7};
const std::array<float, 8> shippedLike{0, .01f, .02f, .03f, .04f, .05f, .06f, .07f};

const AtmosphereCase atmosphereCases[] = {
    {"plain", "1 2 3 4 5 6 7\n0 0 0 0 0 0 0\n1 .9 .8 .7 .6 .5 -4\n-4\n0 .01 .02 .03 .04 .05 .06 .07\n3\n", counting,
     initialRow3, shippedLike, 3},
    {"text after the numbers",
     "1 2 3 4 5 6 7 first\n0 0 0 0 0 0 0 second\n1 .9 .8 .7 .6 .5 -4 third\n-4 fourth\n"
     "0 .01 .02 .03 .04 .05 .06 .07 blur in mrad\n3 last\n",
     counting, initialRow3, shippedLike, 3},
    {"CR LF line ends",
     "1 2 3 4 5 6 7\r\n0 0 0 0 0 0 0\r\n1 .9 .8 .7 .6 .5 -4\r\n-4\r\n0 .01 .02 .03 .04 .05 .06 .07\r\n3\r\n", counting,
     initialRow3, shippedLike, 3},
    {"row 4 overrides row 3's seventh value",
     "0 0 0 0 0 0 0\n0 0 0 0 0 0 0\n1 .9 .8 .7 .6 .5 -4\n-7.5\n0 0 0 0 0 0 0 0\n0\n",
     {},
     {1, .9f, .8f, .7f, .6f, .5f, -7.5f},
     {},
     0},
    // Only row 1 keeps its initial values; each later row reads the line before its own.
    {"a leading comment line",
     "# atmosphere\n1 2 3 4 5 6 7\n8 8 8 8 8 8 8\n2 2 2 2 2 2 2\n-9\n0.1 0.2 0.3 0.4 0.5 0.6 0.7 0.8\n5\n",
     {},
     {8, 8, 8, 8, 8, 8, 2},
     {-9, .1f, .2f, .3f, .4f, .5f, .6f, .7f},
     5},
    {"a short file keeps the remaining slots", "1 2 3\n", {1, 2, 3, 0, 0, 0, 0}, initialRow3, {}, 0},
    {"a value that does not convert keeps its slot",
     "1 x 3 4 5 6 7\n0 0 0 0 0 0 0\n1 .9 .8 .7 .6 .5 -4\n-4\n0.5 0.5 0.5 0.5 0.5 0.5 0.5 0.5\n2\n",
     {1, 0, 0, 0, 0, 0, 0},
     initialRow3,
     {.5f, .5f, .5f, .5f, .5f, .5f, .5f, .5f},
     2},
};

class AtmosphereFileVariation : public ::testing::TestWithParam<AtmosphereCase> {};

TEST_P(AtmosphereFileVariation, Reads) {
    const AtmosphereCase& c = GetParam();
    testing_support::TempDir dir;
    AtmosphereTable table;
    ASSERT_TRUE(readAtmosphereFile(dir.write("Atmosphere.ini", c.text), table));
    EXPECT_EQ(table.row1, c.row1);
    EXPECT_EQ(table.row3, c.row3);
    EXPECT_EQ(table.atmosphereBlur, c.blur);
    EXPECT_EQ(table.row6, c.row6);
}

INSTANTIATE_TEST_SUITE_P(Cases, AtmosphereFileVariation, ::testing::ValuesIn(atmosphereCases),
                         testing_support::RowNamedByName{});

TEST(AtmosphereTable, AMissingFileLeavesTheInitialValues) {
    AtmosphereTable table;
    EXPECT_FALSE(readAtmosphereFile("/nonexistent/Atmosphere.ini", table));
    EXPECT_EQ(table.row3, initialRow3);
    EXPECT_EQ(table.atmosphereBlur, (std::array<float, 8>{}));
}

TEST(AtmosphereTable, TheShippedFileHasEightIncreasingBlurWidths) {
    AtmosphereTable table;
    ASSERT_TRUE(readAtmosphereFile(testing_support::shippedFile("Atmosphere.ini"), table));
    EXPECT_EQ(table.atmosphereBlur[0], 0.0f);
    for (std::size_t k = 1; k < table.atmosphereBlur.size(); ++k)
        EXPECT_GT(table.atmosphereBlur[k], table.atmosphereBlur[k - 1]);
    EXPECT_LE(table.atmosphereBlur[7], 0.2f);
}

} // namespace
