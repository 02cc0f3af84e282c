// Runs the command-line tool as a user would and reads what it prints.
#include "test_support.h"

#include <cctype>
#include <cstdio>
#include <filesystem>
#include <nlohmann/json.hpp>

#include <gtest/gtest.h>

using testing_support::shippedFile;
using testing_support::TempDir;

namespace {

struct CliRun {
    int status = -1;
    std::string out;
    std::string err;
};

// Runs the tool with `arguments` in the working folder `folder` (the test's own when empty); what it
// writes to stderr is kept in `err`.
CliRun runCli(const std::string& arguments, const std::string& folder = {}) {
    CliRun run;
    const std::string errFile = std::filesystem::temp_directory_path() /
                                ("tervix_cli_err_" + std::to_string(::getpid()) + ".txt");
    std::string command = std::string(TERVIX_CLI_PATH) + " " + arguments + " 2>" + errFile;
    if (!folder.empty())
        command = "cd '" + folder + "' && " + command;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return run;
    char buffer[4096];
    std::size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0)
        run.out.append(buffer, n);
    int status = pclose(pipe);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.err = testing_support::readText(errFile);
    std::filesystem::remove(errFile);
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
    EXPECT_EQ(runCli("render --camera " + shippedFile("camera1.par") + target + " --seed").status, 1);
    EXPECT_EQ(runCli("camera " + shippedFile("mira.tag")).status, 1);
    EXPECT_EQ(runCli("target /nonexistent.tag").status, 1);
    EXPECT_EQ(runCli("frobnicate").status, 1);
}

// --help and --version, for the tool and for each command, print to stdout and end with status 0.
class CliHelp : public testing::TestWithParam<std::string> {};

TEST_P(CliHelp, HelpAndVersionExitZero) {
    const std::string prefix = GetParam().empty() ? "" : GetParam() + " ";
    for (const char* option : {"--help", "-h"}) {
        SCOPED_TRACE(option);
        CliRun help = runCli(prefix + option);
        EXPECT_EQ(help.status, 0);
        EXPECT_TRUE(help.err.empty()) << help.err;
        EXPECT_NE(help.out.find("tervix-cli " + prefix), std::string::npos) << help.out; // the usage
        EXPECT_NE(help.out.find("--version"), std::string::npos) << help.out;
    }
    for (const char* option : {"--version", "-v"}) {
        SCOPED_TRACE(option);
        CliRun version = runCli(prefix + option);
        EXPECT_EQ(version.status, 0);
        EXPECT_EQ(version.out, "tervix-cli " TERVIX_VERSION "\n");
        EXPECT_TRUE(version.err.empty()) << version.err;
    }
}

INSTANTIATE_TEST_SUITE_P(ToolAndCommands, CliHelp,
                         testing::Values("", "camera", "target", "render", "mrtd", "fidelity"),
                         [](const testing::TestParamInfo<std::string>& info) {
                             return info.param.empty() ? std::string("tool") : info.param;
                         });

// Each command's help names every option it takes, and the files it reads by itself.
struct HelpCase {
    const char* command;
    std::vector<std::string> mentions;
};

class CliCommandHelp : public testing::TestWithParam<HelpCase> {};

TEST_P(CliCommandHelp, NamesItsOptionsAndFiles) {
    CliRun help = runCli(std::string(GetParam().command) + " --help");
    ASSERT_EQ(help.status, 0);
    const std::string usage = help.out.substr(0, help.out.find("\n\n"));
    for (const std::string& word : GetParam().mentions)
        EXPECT_NE(help.out.find(word), std::string::npos) << word << " missing from\n" << help.out;
    for (const std::string& option : GetParam().mentions) {
        if (option.rfind("--", 0) == 0) {
            EXPECT_NE(usage.find(option), std::string::npos) << option << " missing from the usage\n" << usage;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Commands, CliCommandHelp,
    testing::Values(HelpCase{"render", {"--camera", "--target", "--atmosphere", "--frequency", "--dt", "--seed",
                                        "--randomise", "--out", "--sensor", "--frame", "mira.tag", "Atmosphere.ini"}},
                    HelpCase{"mrtd", {"--camera", "--target", "--atmosphere", "--seed", "--snr", "--time", "--table",
                                      "--csv", "--plot", "mira.tag", "Atmosphere.ini"}},
                    HelpCase{"fidelity", {"--camera", "--target", "--atmosphere", "mira.tag", "Atmosphere.ini"}},
                    HelpCase{"camera", {"--mode", "--atmosphere", "--no-activate"}}),
    [](const testing::TestParamInfo<HelpCase>& info) { return std::string(info.param.command); });

// Wrong words end with one line on stderr and status 1, and nothing on stdout.
class CliRefuses : public testing::TestWithParam<std::string> {};

TEST_P(CliRefuses, WithOneErrorLine) {
    const std::string camera = shippedFile("camera1.par");
    std::string arguments = GetParam();
    for (std::size_t at; (at = arguments.find("CAM")) != std::string::npos;)
        arguments.replace(at, 3, camera);
    CliRun run = runCli(arguments);
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(run.out.empty()) << run.out;
    ASSERT_FALSE(run.err.empty());
    EXPECT_EQ(run.err.find('\n'), run.err.size() - 1) << run.err;
    EXPECT_EQ(run.err.rfind("tervix-cli: ", 0), 0u) << run.err;
}

INSTANTIATE_TEST_SUITE_P(
    BadWords, CliRefuses,
    testing::Values("render --camera CAM --out x.png --bogus", "mrtd --camera CAM --frobnicate 3",
                    "fidelity --camera CAM -q", "target --nothing x.tag", "camera CAM --mode sideways",
                    "render --camera CAM --out x.png --frequency 2.5", "render --camera CAM --out x.png --dt 3",
                    "render --camera CAM --out x.png --dt warm", "render --camera CAM --out x.png --seed -1",
                    "render --camera CAM --out x.png --seed", "mrtd --camera CAM --snr 0",
                    "mrtd --camera CAM --time 20", "mrtd --camera CAM --seed 1.5", "mrtd", "fidelity",
                    "render --out x.png", "render --camera CAM", "--bogus"),
    [](const testing::TestParamInfo<std::string>& info) {
        std::string name = std::to_string(info.index) + "_";
        for (char c : info.param)
            if (std::isalnum(static_cast<unsigned char>(c)))
                name += c;
        return name;
    });

// From a folder without any bench file, render and fidelity (and mrtd, which starts the bench the
// same way) read the standard target and Atmosphere.ini where the window does (beside the program),
// and get what the named files give.
TEST(Cli, FindsTheStandardFilesFromAnyWorkingFolder) {
    TempDir dir;
    const std::string camera = " --camera " + shippedFile("camera4.par"); // atmosphere class 3 blurs
    const std::string named = " --target " + shippedFile("mira.tag") + " --atmosphere " + shippedFile("Atmosphere.ini");
    const std::string clear = dir.write("clear.ini", "0 0 0 0 0 0 0\n0 0 0 0 0 0 0\n1 1 1 1 1 1 1\n1\n"
                                                     "0 0 0 0 0 0 0 0\n0\n");

    CliRun fidelity = runCli("fidelity" + camera, dir.root().string());
    ASSERT_EQ(fidelity.status, 0) << fidelity.err;
    EXPECT_TRUE(fidelity.err.empty()) << fidelity.err;
    EXPECT_EQ(fidelity.out, runCli("fidelity" + camera + named).out);
    EXPECT_NE(fidelity.out, runCli("fidelity" + camera + " --atmosphere " + clear, dir.root().string()).out);

    const std::string render = "render --frequency 2 --dt 0.3 --seed 5" + camera;
    CliRun found = runCli(render + " --out " + dir.path("found.png"), dir.root().string());
    ASSERT_EQ(found.status, 0) << found.err;
    EXPECT_TRUE(found.err.empty()) << found.err;
    ASSERT_EQ(runCli(render + named + " --out " + dir.path("named.png")).status, 0);
    ASSERT_EQ(runCli(render + " --atmosphere " + clear + " --out " + dir.path("clear.png"), dir.root().string()).status, 0);
    EXPECT_EQ(testing_support::readText(dir.path("found.png")), testing_support::readText(dir.path("named.png")));
    EXPECT_NE(testing_support::readText(dir.path("found.png")), testing_support::readText(dir.path("clear.png")));
}

// The window's Load/Edit takes the standard target from the working folder first; so does the tool.
TEST(Cli, TheWorkingFoldersStandardTargetComesFirst) {
    TempDir dir;
    std::filesystem::copy_file(shippedFile("vehicle.tag"), dir.path("mira.tag"));
    const std::string render = "render --seed 1 --camera " + shippedFile("camera1.par");
    ASSERT_EQ(runCli(render + " --out " + dir.path("here.png"), dir.root().string()).status, 0);
    ASSERT_EQ(runCli(render + " --target " + shippedFile("vehicle.tag") + " --out " + dir.path("vehicle.png")).status, 0);
    EXPECT_EQ(testing_support::readText(dir.path("here.png")), testing_support::readText(dir.path("vehicle.png")));
}

// A camera file that is not there is reported once, by the reader, and ends the run.
TEST(Cli, AMissingCameraIsReportedOnce) {
    TempDir dir;
    for (const char* command : {"render --out x.png", "mrtd", "fidelity"}) {
        SCOPED_TRACE(command);
        CliRun run = runCli(std::string(command) + " --camera camera1.par", dir.root().string());
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.err, "File 'camera1.par' is absent.\n Can't start the system\n");
    }
}
