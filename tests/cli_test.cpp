// Runs the command-line tool as a user would and reads what it prints.
#include "test_support.h"

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

TEST(CliLong, ChoosesTheImageModelAndTheTargetPhase) {
    TempDir dir;
    const std::string common = "render --camera " + shippedFile("camera1.par") + " --target " + shippedFile("mira.tag") +
                               " --frequency 1.5 --dt 1 --out " + dir.path("d.png");
    auto sensor = [&](const std::string& options, const std::string& name) {
        CliRun run = runCli(common + " " + options + " --sensor " + dir.path(name));
        EXPECT_EQ(run.status, 0) << options;
        return testing_support::readText(dir.path(name));
    };
    const std::string plain = sensor("", "plain.pfm");
    EXPECT_EQ(sensor("--model specified", "specified.pfm"), plain);
    const std::string physical = sensor("--model physical", "physical.pfm");
    EXPECT_NE(physical, plain);
    EXPECT_EQ(physical.rfind("Pf\n644 484\n-1.0\n", 0), 0u);
    // A quarter-pixel phase moves the bars; no phase leaves them where they were.
    EXPECT_NE(sensor("--model physical --phase 0.25,0", "quarter.pfm"), physical);
    EXPECT_EQ(sensor("--model physical --phase 0,0", "zero.pfm"), physical);

    EXPECT_EQ(runCli(common + " --model exact").status, 1);
    EXPECT_EQ(runCli(common + " --phase 0.5").status, 1);
    EXPECT_EQ(runCli(common + " --phase a,b").status, 1);
    EXPECT_EQ(runCli("mrtd --camera " + shippedFile("camera1.par") + " --model none").status, 1);
    EXPECT_EQ(runCli("fidelity --camera " + shippedFile("camera1.par") + " --model none").status, 1);
}

TEST(CliLong, WritesTheFidelityReportAsJson) {
    TempDir dir;
    testing_support::copyShipped(dir, {"mira.tag", "camera5.par"});
    testing_support::ScopedWorkingDirectory here(dir.root());
    CliRun run = runCli("fidelity --camera camera5.par --model physical --json");
    ASSERT_EQ(run.status, 0);
    const nlohmann::json report = nlohmann::json::parse(run.out);
    EXPECT_EQ(report["model"], "physical");
    EXPECT_EQ(report["phases"], 16);
    ASSERT_EQ(report["frequencies"].size(), 6u);
    EXPECT_EQ(report["frequencies"][0]["frequency"], 0.5);
    EXPECT_EQ(report["frequencies"][0]["ratio"].size(), 3u);
    EXPECT_NEAR(report["noise"]["measuredNetd"].get<double>() / report["noise"]["modelNetd"].get<double>(), 1.0, 0.05);
    ASSERT_EQ(report["exitance"].size(), 4u);

    CliRun text = runCli("fidelity --camera camera5.par");
    ASSERT_EQ(text.status, 0);
    EXPECT_EQ(text.out.rfind("Image model: specified\n", 0), 0u);
}
