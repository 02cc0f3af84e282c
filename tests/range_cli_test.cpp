// The range command run as a user runs it: the JSON's fields per criteria set, and the range and
// study commands' refusals.
#include "cli_run.h"
#include "test_support.h"

#include <nlohmann/json.hpp>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
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

// Each criteria set's tasks, and only those, with every field, each a number or a bracket; the camera's
// pitch gives pixels.
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
            EXPECT_LT(t["ranges"]["0.9"]["rangeKm"].get<double>(), km);
            EXPECT_GT(t["ranges"]["0.3"]["rangeKm"].get<double>(), km);
            // The file's curves end at the Nyquist frequency: a number, or a bracket the sampling limits.
            EXPECT_EQ(t["limitedBy"] == "crossing", t["highKm"] == t["lowKm"]) << t;
            EXPECT_TRUE(t["limitedBy"] == "crossing" || t["limitedBy"] == "sampling") << t;
            EXPECT_GE(t["highKm"].get<double>(), t["lowKm"].get<double>());
        }
        EXPECT_EQ(splitLines(readText(dir.path("r.csv"))).size(), tasks + 1);
        EXPECT_EQ(readText(dir.path("r.png")).rfind("\x89PNG", 0), 0u);
    }
}

} // namespace

namespace {

// A range as the guide prints it: three figures, a bracket "low..high", ">" where open above.
std::string guideKm(const nlohmann::json& r) {
    char text[64];
    if (r["limitedBy"] == "crossing")
        std::snprintf(text, sizeof text, "%.3g", r["rangeKm"].get<double>());
    else if (r["highKm"].is_null())
        std::snprintf(text, sizeof text, ">%.3g", r["lowKm"].get<double>());
    else
        std::snprintf(text, sizeof text, "%.3g..%.3g", r["lowKm"].get<double>(), r["highKm"].get<double>());
    return text;
}

std::string guideInterval(const nlohmann::json& t) {
    if (t["ci95Km"].is_null())
        return "-";
    char text[64];
    std::snprintf(text, sizeof text, "%.3g … %s%.3g", t["ci95Km"][0].get<double>(), t["ci95Bound"] == true ? ">" : "",
                  t["ci95Km"][1].get<double>());
    return text;
}

std::string ttpCells(const nlohmann::json& range) {
    std::string cells;
    for (const auto& t : range["ttp"])
        cells.append(cells.empty() ? "" : " / ").append(guideKm(t));
    return cells;
}

} // namespace

// The guide's worked examples are what this build gives: the ranges of the five shipped cameras from
// their file curves and from the human observer measured to each camera's limit, and camera1's table
// in full. The tables are written to guide_examples.md beside the test for the guide to take.
TEST(CliLong, TheGuidesWorkedExamplesAreWhatTheBuildGives) {
    const TempDir dir;
    std::string files = "| Camera | Pixel angle (mrad) | Nyquist (cycles/mrad) | Detection (km) | Orientation | "
                        "Recognition | Identification | TTP D / R / I (km) |\n|---|---|---|---|---|---|---|---|\n";
    std::string measured = "| Camera | Detection (km) | Orientation | Recognition | Identification | TTP D / R / I "
                           "(km) |\n|---|---|---|---|---|---|\n";
    std::string example;
    for (int k = 1; k <= 5; ++k) {
        const std::string camera = shippedFile("camera" + std::to_string(k) + ".par");
        const CliRun fileCurves = runCli("range --json --camera " + camera);
        ASSERT_EQ(fileCurves.status, 0) << fileCurves.err;
        const auto f = nlohmann::json::parse(fileCurves.out);
        char head[96];
        std::snprintf(head, sizeof head, "| camera%d.par | %.3f | %.3f |", k, f["ifovMrad"].get<double>(),
                      f["curveEnd"]["frequency"].get<double>());
        files += head;
        for (const auto& t : f["tasks"])
            files.append(" ").append(guideKm(t)).append(" |");
        files.append(" ").append(ttpCells(f)).append(" |\n");
        for (const char* bars : {"vertical", "horizontal"}) {
            const CliRun run = runCli("mrtd --frequencies auto --threads 2 --json --camera " + camera +
                                      " --orientation " + bars + " --target " + shippedFile("mira.tag"));
            ASSERT_EQ(run.status, 0) << run.err;
            dir.write(std::string(bars) + ".json", run.out);
        }
        const CliRun range = runCli("range --json --probability 0.9 --objective " + dir.path("vertical.json") +
                                    " --objective-horizontal " + dir.path("horizontal.json"));
        ASSERT_EQ(range.status, 0) << range.err;
        const auto r = nlohmann::json::parse(range.out);
        // The model observer's runs carry the pixel angle the camera file gives, and with it the pixels
        // across the target.
        EXPECT_NEAR(r["ifovMrad"].get<double>(), f["ifovMrad"].get<double>(), 1e-9) << "camera" << k;
        // Every task, Johnson and TTP, is a number or a bracket at most 15 % wide.
        for (const char* list : {"tasks", "ttp"})
            for (const auto& t : r[list])
                EXPECT_TRUE(t["limitedBy"] == "crossing" ||
                            (t["highKm"].is_number() && t["highKm"].get<double>() <= 1.15 * t["lowKm"].get<double>()))
                    << "camera" << k << " " << t.dump();
        measured += "| camera" + std::to_string(k) + ".par |";
        for (const auto& t : r["tasks"])
            measured.append(" ").append(guideKm(t)).append(" (").append(guideInterval(t)).append(") |");
        measured.append(" ").append(ttpCells(r)).append(" |\n");
        if (k != 1)
            continue;
        example = "| Task | N50 | Range (km) | Limited by | 95 % interval (km) | f (cycles/mrad) | P = 0.9 (km) |\n"
                  "|---|---|---|---|---|---|---|\n";
        for (const auto& t : r["tasks"]) {
            char line[256];
            std::snprintf(line, sizeof line, "| %s | %.1f | %s | %s | %s | %.2f | %s |\n",
                          t["task"].get<std::string>().c_str(), t["n50"].get<double>(), guideKm(t).c_str(),
                          t["limitedBy"].get<std::string>().c_str(), guideInterval(t).c_str(),
                          t["frequency"].get<double>(), guideKm(t["ranges"]["0.9"]).c_str());
            example += line;
        }
        example.append("\nTTP (detection / recognition / identification): ").append(ttpCells(r)).append(" km.\n");
    }
    const std::string guide = readText(std::string(TERVIX_DOCS_DIR) + "/user_guide.md");
    std::ofstream(std::filesystem::path(TERVIX_SCREENSHOT_DIR).parent_path() / "guide_examples.md") << example << "\n"
                                                                                                    << files << "\n"
                                                                                                    << measured;
    for (const std::string* table : {&example, &files, &measured})
        EXPECT_NE(guide.find(*table), std::string::npos) << "the guide lacks, as the build gives it:\n" << *table;
}
