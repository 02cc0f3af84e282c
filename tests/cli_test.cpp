// Runs the command-line tool as a user would and reads what it prints.
#include "test_support.h"

#include <algorithm>
#include <cstdio>
#include <nlohmann/json.hpp>

#include <gtest/gtest.h>

using testing_support::shippedFile;
using testing_support::TempDir;

namespace {

struct CliRun {
    int status = -1;
    std::string out;
};

CliRun runCli(const std::string& arguments) {
    CliRun run;
    std::string command = std::string(TERVIX_CLI_PATH) + " " + arguments + " 2>/dev/null";
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return run;
    char buffer[4096];
    std::size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0)
        run.out.append(buffer, n);
    int status = pclose(pipe);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

bool isPng(const std::string& path) {
    return testing_support::readText(path).rfind("\x89PNG\r\n\x1a\n", 0) == 0;
}

} // namespace

TEST(Cli, PrintsEveryShippedCamera) {
    for (int k = 1; k <= 5; ++k) {
        SCOPED_TRACE(k);
        CliRun run = runCli("camera " + shippedFile("camera" + std::to_string(k) + ".par") + " --atmosphere " +
                         shippedFile("Atmosphere.ini"));
        ASSERT_EQ(run.status, 0);
        auto json = nlohmann::json::parse(run.out);
        EXPECT_EQ(json["camera"].size(), 92u); // every field of the record
        EXPECT_EQ(json["tables"].size(), 13u); // the twelve stored and signalTable
        EXPECT_TRUE(json["camera"]["fovTable"].is_array());
        EXPECT_TRUE(json["camera"]["textColour"].is_number_integer());
        EXPECT_EQ(json["atmosphere"]["atmosphereBlur"].size(), 8u);
        EXPECT_EQ(json["kernelX"].size(), 2 * json["kernelXHalfWidth"].get<std::size_t>() + 1);
        EXPECT_LT(json["signalMin"].get<double>(), json["signalMax"].get<double>());
    }
    CliRun raw = runCli("camera " + shippedFile("camera3.par") + " --mode switch --no-activate");
    ASSERT_EQ(raw.status, 0);
    EXPECT_EQ(nlohmann::json::parse(raw.out)["camera"]["sensorWidth"], 640); // the file's own value
}

TEST(Cli, PrintsTheStandardTarget) {
    CliRun run = runCli("target " + shippedFile("mira.tag"));
    ASSERT_EQ(run.status, 0);
    auto json = nlohmann::json::parse(run.out);
    ASSERT_EQ(json["items"].size(), 5u);
    EXPECT_EQ(json["distanceOrder"], nlohmann::json({1, 2, 3, 4}));
    EXPECT_EQ(json["items"][1]["kind"], "rectangle");
    EXPECT_EQ(json["items"][1]["vertices"].size(), 8u);
}

TEST(Cli, RendersImagesAndRefusesBadArguments) {
    TempDir dir;
    CliRun run = runCli("render --camera " + shippedFile("camera2.par") + " --target " + shippedFile("mira.tag") +
                     " --frequency 1.5 --dt -0.5 --seed 7 --out " + dir.path("d.png") + " --frame " +
                     dir.path("f.png") + " --sensor " + dir.path("s.pfm"));
    ASSERT_EQ(run.status, 0);
    EXPECT_TRUE(isPng(dir.path("d.png")));
    EXPECT_TRUE(isPng(dir.path("f.png")));
    EXPECT_EQ(testing_support::readText(dir.path("s.pfm")).rfind("Pf\n644 516\n-1.0\n", 0), 0u);

    const std::string target = " --target " + shippedFile("mira.tag") + " --out " + dir.path("x.png");
    EXPECT_EQ(runCli("render --camera " + shippedFile("camera1.par") + target + " --frequency 2.5").status, 1);
    EXPECT_EQ(runCli("render --camera " + shippedFile("camera1.par") + target + " --dt 3").status, 1);
    EXPECT_EQ(runCli("render --camera nowhere.par" + target).status, 1);
    EXPECT_EQ(runCli("render --camera " + shippedFile("camera1.par") + " --out " + dir.path("x.png")).status, 1);
    EXPECT_EQ(runCli("render --camera " + shippedFile("camera1.par") + target + " --seed").status, 1);
    EXPECT_EQ(runCli("camera " + shippedFile("mira.tag")).status, 1);
    EXPECT_EQ(runCli("target /nonexistent.tag").status, 1);
    EXPECT_EQ(runCli("frobnicate").status, 1);
}

TEST(Cli, MeasuresTheObjectiveMrtdInEveryOutputWithTheSameColumns) {
    TempDir dir;
    const std::string bench = "mrtd --camera " + testing_support::testDataFile("camera/ideal_coarse.par") + " --target " +
                              shippedFile("mira.tag") + " --repeats 2 --seed 5";
    CliRun json = runCli(bench + " --json --csv " + dir.path("m.csv") + " --table " + dir.path("m.txt") + " --plot " +
                         dir.path("m.png"));
    ASSERT_EQ(json.status, 0);
    const auto result = nlohmann::json::parse(json.out);
    const auto& rows = result.at("frequencies");
    ASSERT_EQ(rows.size(), 6u);
    EXPECT_EQ(rows[0].at("frequency"), 0.5);
    for (const char* half : {"mrtd", "mrtdPlus", "mrtdMinus"}) {
        const auto& s = rows[0].at(half);
        for (const char* key : {"mean", "sd", "ci95", "resolved", "repeats", "outcome"})
            EXPECT_TRUE(s.contains(key)) << half << ' ' << key;
        EXPECT_EQ(s.at("repeats"), 2);
        EXPECT_EQ(s.at("outcome"), "resolved");
        EXPECT_LE(s.at("ci95")[0].get<double>(), s.at("mean").get<double>());
    }
    EXPECT_GT(rows[0].at("mrtd").at("mean").get<double>(), 0.0);
    EXPECT_GT(rows[0].at("classic").get<double>(), 0.0);
    EXPECT_TRUE(rows[0].at("cameraCurve").is_number());
    // 4 cycles/mrad is past the 0.25 mrad pixels' Nyquist frequency of 2: nothing resolves.
    EXPECT_EQ(rows[5].at("mrtd").at("outcome"), "not resolved");
    EXPECT_TRUE(rows[5].at("mrtd").at("mean").is_null());
    EXPECT_TRUE(rows[5].at("cameraCurve").is_null());

    // The table and the CSV carry the same columns and rows; the plot is a picture.
    const std::string csv = testing_support::readText(dir.path("m.csv"));
    const std::string table = testing_support::readText(dir.path("m.txt"));
    EXPECT_EQ(csv.substr(0, csv.find(',')), "frequency");
    EXPECT_NE(csv.find(",mrtd_mean,mrtd_sd,mrtd_ci95_low,mrtd_ci95_high,mrtd_resolved,mrtd_repeats,mrtd_outcome,"),
              std::string::npos);
    EXPECT_NE(csv.find(",classic,camera_curve\n"), std::string::npos);
    EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), 7);
    EXPECT_EQ(std::count(table.begin(), table.end(), '\n'), 7);
    EXPECT_NE(table.find("not resolved"), std::string::npos);
    EXPECT_TRUE(isPng(dir.path("m.png")));

    // The same seed gives the same output, whatever the number of threads.
    EXPECT_EQ(runCli(bench + " --json --threads 1").out, runCli(bench + " --json --threads 3").out);
    EXPECT_EQ(runCli(bench + " --repeats 0").status, 1);
    EXPECT_EQ(runCli(bench + " --threads -1").status, 1);
}
