// The range command run as a user runs it: the JSON's fields per criteria set, and the range and
// study commands' refusals.
#include "cli_run.h"
#include "test_support.h"

#include <nlohmann/json.hpp>

#include <gtest/gtest.h>

#include <cstdlib>
#include <tuple>

using namespace testing_support;

namespace {

class CliRangeRefusal : public ::testing::TestWithParam<DataRow> {};

TEST_P(CliRangeRefusal, SaysWhyOnOneLine) {
    std::string arguments = GetParam().text(0);
    for (auto [mark, path] : {std::pair{"{camera}", shippedFile("camera1.par")}, {"{range}", testDataFile("range")}})
        for (std::size_t at; (at = arguments.find(mark)) != std::string::npos;)
            arguments.replace(at, std::string(mark).size(), path);
    const CliRun run = runCli(arguments);
    EXPECT_EQ(run.status, std::stoi(GetParam().text(2)));
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(splitLines(run.err).size(), 1u) << run.err;
    EXPECT_NE(run.err.find(GetParam().text(1)), std::string::npos) << run.err;
}
INSTANTIATE_TEST_SUITE_P(Rows, CliRangeRefusal, TERVIX_TABLE_ROWS("range/refusals.tsv"));

// A number out of its field's range is refused at the door, never turned into ranges (a frequency of
// 1e308 gave -nan ranges, and status 0).
class CliHostileNumber : public ::testing::TestWithParam<DataRow> {};

TEST_P(CliHostileNumber, IsRefusedNamingTheFileTheFieldAndTheLimit) {
    const TempDir dir;
    const std::string file = dir.write("input", GetParam().text(1));
    std::string arguments = GetParam().text(0);
    for (auto [mark, path] : {std::pair{"{file}", file}, {"{session}", testDataFile("three_observers_session.json")}})
        if (const std::size_t at = arguments.find(mark); at != std::string::npos)
            arguments.replace(at, std::string(mark).size(), path);
    const CliRun run = runCli(arguments);
    EXPECT_EQ(std::tie(run.status, run.out), std::tuple(1, ""));
    EXPECT_EQ(splitLines(run.err).size(), 1u) << run.err;
    EXPECT_NE(run.err.find(file), std::string::npos) << run.err;
    EXPECT_NE(run.err.find(GetParam().text(2)), std::string::npos) << run.err;
}
INSTANTIATE_TEST_SUITE_P(Rows, CliHostileNumber, TERVIX_TABLE_ROWS("range/hostile_numbers.tsv"));

// Each criteria set's tasks, and only those, with every field; the camera's pitch gives pixels.
TEST(CliRange, JsonHasEveryTaskOfTheCriteriaAndTheFilesItWasAskedFor) {
    const TempDir dir;
    for (auto [criteria, tasks] : {std::pair{"johnson", 4u}, {"2d", 3u}}) {
        const CliRun run = runCli("range --camera " + shippedFile("camera1.par") + " --criteria " + criteria +
                                  " --dimension min --target person --probability 0.9 --probability 0.3 --json --csv " +
                                  dir.path("r.csv") + " --plot " + dir.path("r.png"));
        ASSERT_EQ(run.status, 0) << run.err;
        const auto json = nlohmann::json::parse(run.out);
        EXPECT_EQ(std::tuple(json["criteria"], json["dimension"], json["target"]["criticalDimension"]),
                  std::tuple(criteria, "min", 0.5));
        ASSERT_EQ(json["tasks"].size(), tasks);
        EXPECT_EQ(json["tasks"][1]["task"] == "orientation", tasks == 4u);
        for (const auto& t : json["tasks"]) {
            const double km = t["rangeKm"];
            EXPECT_NEAR(t["pixels"].get<double>(), 0.5 / (km * 6.233781 / 640 * M_PI / 180 * 1000), 1e-3);
            EXPECT_LT(t["ranges"]["0.9"].get<double>(), km);
            EXPECT_GT(t["ranges"]["0.3"].get<double>(), km);
        }
        EXPECT_EQ(splitLines(readText(dir.path("r.csv"))).size(), tasks + 1);
        EXPECT_EQ(readText(dir.path("r.png")).rfind("\x89PNG", 0), 0u);
    }
}

} // namespace
