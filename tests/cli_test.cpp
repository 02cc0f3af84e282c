// The command-line tool run as a user runs it: what each command prints and writes, the files it
// finds by itself, its refusals (status 1, one line) and its help.
#include "cli_run.h"
#include "test_support.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <filesystem>

#include <nlohmann/json.hpp>

#include <gtest/gtest.h>

using testing_support::CliRun;
using testing_support::readText;
using testing_support::runCli;
using testing_support::shippedFile;
using testing_support::TempDir;

namespace {

bool isPng(const std::string& path) {
    return readText(path).rfind("\x89PNG\r\n\x1a\n", 0) == 0;
}

// A camera built from camera1: half its field on half its detector, so the same pixel angle
// (0.17 mrad, Nyquist 2.94 cycles/mrad) on a quarter of the pixels, which keeps the runs short.
std::string writeSmallCamera(const TempDir& dir) {
    using testing_support::withToken;
    std::vector<std::string> lines = testing_support::splitLines(readText(shippedFile("camera1.par")));
    lines[5] = withToken(withToken(withToken(withToken(lines[5], 1, "3.116890"), 2, "2.337668"), 8, "320"), 9, "240");
    lines[16] = withToken(withToken(lines[16], 7, "320"), 8, "240");
    return dir.write("small.par", testing_support::joinLines(lines));
}

std::string benchOptions(const std::string& camera) {
    return " --camera " + camera + " --target " + shippedFile("mira.tag") + " --atmosphere " +
           shippedFile("Atmosphere.ini");
}

// The plot is drawn with Qt, which wants a private runtime folder of its own.
std::string runtimeFolder(const TempDir& dir) {
    const std::string runtime = dir.path("runtime");
    std::filesystem::create_directory(runtime);
    std::filesystem::permissions(runtime, std::filesystem::perms::owner_all);
    return "XDG_RUNTIME_DIR=" + runtime;
}

std::vector<std::string> csvCells(const std::string& line) {
    std::vector<std::string> cells;
    std::string cell;
    std::istringstream in(line);
    while (std::getline(in, cell, ','))
        cells.push_back(cell);
    if (!line.empty() && line.back() == ',')
        cells.emplace_back();
    return cells;
}

std::string modelName(const ::testing::TestParamInfo<const char*>& info) {
    return info.param;
}

class CliShippedCamera : public ::testing::TestWithParam<int> {};
class CliMrtd : public ::testing::TestWithParam<const char*> {};
class CliFidelity : public ::testing::TestWithParam<const char*> {};

TEST_P(CliShippedCamera, PrintsEveryField) {
    const std::string camera = shippedFile("camera" + std::to_string(GetParam()) + ".par");
    CliRun run = runCli("camera " + camera + " --atmosphere " + shippedFile("Atmosphere.ini"));
    ASSERT_EQ(run.status, 0);
    EXPECT_EQ(run.err, "");
    auto json = nlohmann::json::parse(run.out);
    EXPECT_EQ(json["camera"].size(), 92u); // every field of the record
    EXPECT_EQ(json["tables"].size(), 13u); // the twelve stored and signalTable
    EXPECT_TRUE(json["camera"]["fovTable"].is_array());
    EXPECT_TRUE(json["camera"]["textColour"].is_number_integer());
    EXPECT_EQ(json["atmosphere"]["atmosphereBlur"].size(), 8u);
    EXPECT_EQ(json["kernelX"].size(), 2 * json["kernelXHalfWidth"].get<std::size_t>() + 1);
    EXPECT_LT(json["signalMin"].get<double>(), json["signalMax"].get<double>());
    if (GetParam() == 3) { // switch mode without activation keeps the file's own detector width
        CliRun raw = runCli("camera " + camera + " --mode switch --no-activate");
        EXPECT_EQ(nlohmann::json::parse(raw.out)["camera"]["sensorWidth"], 640);
    }
}

INSTANTIATE_TEST_SUITE_P(Cameras, CliShippedCamera, ::testing::Range(1, 6),
                         [](const ::testing::TestParamInfo<int>& info) {
                             return "camera" + std::to_string(info.param);
                         });

TEST(Cli, PrintsTheStandardTarget) {
    CliRun run = runCli("target " + shippedFile("mira.tag"));
    ASSERT_EQ(run.status, 0);
    auto json = nlohmann::json::parse(run.out);
    ASSERT_EQ(json["items"].size(), 5u);
    EXPECT_EQ(json["distanceOrder"], nlohmann::json({1, 2, 3, 4}));
    EXPECT_EQ(json["items"][1]["kind"], "rectangle");
    EXPECT_EQ(json["items"][1]["vertices"].size(), 8u);
}

TEST(Cli, RendersImages) {
    TempDir dir;
    CliRun run = runCli("render --camera " + shippedFile("camera2.par") + " --target " + shippedFile("mira.tag") +
                        " --frequency 1.5 --dt -0.5 --seed 7 --out " + dir.path("d.png") + " --frame " +
                        dir.path("f.png") + " --sensor " + dir.path("s.pfm"));
    ASSERT_EQ(run.status, 0);
    EXPECT_EQ(run.err, "");
    EXPECT_TRUE(isPng(dir.path("d.png")));
    EXPECT_TRUE(isPng(dir.path("f.png")));
    EXPECT_EQ(readText(dir.path("s.pfm")).rfind("Pf\n644 516\n-1.0\n", 0), 0u);
}

TEST_P(CliMrtd, MeasuresEachFrequencyAndRisesUpToNyquist) {
    TempDir dir;
    CliRun run = runCli("mrtd" + benchOptions(writeSmallCamera(dir)) + " --model " + GetParam() + " --table " +
                        dir.path("t.txt") + " --csv " + dir.path("m.csv"));
    ASSERT_EQ(run.status, 0);
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(run.out, readText(dir.path("t.txt"))); // the printed table is the saved one
    const auto lines = testing_support::splitLines(readText(dir.path("m.csv")));
    ASSERT_EQ(lines.size(), 7u);
    const auto header = csvCells(lines[0]);
    auto cell = [&](std::size_t row, const std::string& name) {
        const auto cells = csvCells(lines[row]);
        const auto at = static_cast<std::size_t>(std::find(header.begin(), header.end(), name) - header.begin());
        return at < cells.size() ? cells[at] : std::string("(no column)");
    };
    double previous = 0.0;
    for (std::size_t k = 1; k <= 4; ++k) {
        // Below Nyquist: every repeat resolves both ways, the MRTD rises with frequency, its interval
        // holds its mean, and it lies near the classic formula for this camera.
        SCOPED_TRACE(lines[k]);
        EXPECT_EQ(cell(k, "mrtd_outcome"), "resolved");
        EXPECT_EQ(cell(k, "mrtd_resolved"), "8");
        EXPECT_LT(std::stod(cell(k, "minus_mean")), 0.0);
        EXPECT_GT(std::stod(cell(k, "plus_mean")), 0.0);
        const double mrtd = std::stod(cell(k, "mrtd_mean"));
        EXPECT_LE(std::stod(cell(k, "mrtd_ci95_low")), mrtd);
        EXPECT_GE(std::stod(cell(k, "mrtd_ci95_high")), mrtd);
        EXPECT_GT(mrtd, previous);
        previous = mrtd;
        EXPECT_GT(mrtd, std::stod(cell(k, "classic")) * 0.6);
        EXPECT_LT(mrtd, std::stod(cell(k, "classic")) * 1.6);
        EXPECT_NE(cell(k, "camera_curve"), "");
    }
    // 4 cycles/mrad lies beyond the detector's Nyquist frequency of 2.94 and the camera's own curve.
    EXPECT_EQ(cell(6, "frequency"), "4.0000");
    EXPECT_EQ(cell(6, "mrtd_outcome"), "not resolved");
    EXPECT_EQ(cell(6, "mrtd_mean"), "");
    EXPECT_EQ(cell(6, "camera_curve"), "");
}

INSTANTIATE_TEST_SUITE_P(Models, CliMrtd, ::testing::Values("specified", "physical"), modelName);

// Every output of one run carries the same rows; the same seed gives the same result on any
// number of threads.
TEST(Cli, MeasuresTheObjectiveMrtdInEveryOutputWithTheSameColumns) {
    TempDir dir;
    const std::string bench = "mrtd --camera " + testing_support::testDataFile("camera/ideal_coarse.par") +
                              " --target " + shippedFile("mira.tag") + " --repeats 2 --seed 5";
    CliRun json = runCli(bench + " --json --csv " + dir.path("m.csv") + " --table " + dir.path("m.txt") + " --plot " +
                             dir.path("m.png"),
                         {}, runtimeFolder(dir));
    ASSERT_EQ(json.status, 0);
    EXPECT_EQ(json.err, "");
    const auto rows = nlohmann::json::parse(json.out).at("frequencies");
    ASSERT_EQ(rows.size(), 6u);
    EXPECT_EQ(rows[0].at("frequency"), 0.5);
    for (const char* half : {"mrtd", "mrtdPlus", "mrtdMinus"}) {
        const auto& s = rows[0].at(half);
        EXPECT_EQ(s.at("repeats"), 2);
        EXPECT_EQ(s.at("outcome"), "resolved");
        EXPECT_TRUE(s.at("sd").is_number() && s.at("resolved").is_number());
        EXPECT_LE(s.at("ci95")[0].get<double>(), s.at("mean").get<double>());
    }
    EXPECT_GT(rows[0].at("classic").get<double>(), 0.0);
    EXPECT_TRUE(rows[0].at("cameraCurve").is_number());
    // 4 cycles/mrad is past the 0.25 mrad pixels' Nyquist frequency of 2: nothing resolves.
    EXPECT_EQ(rows[5].at("mrtd").at("outcome"), "not resolved");
    EXPECT_TRUE(rows[5].at("mrtd").at("mean").is_null());
    EXPECT_TRUE(rows[5].at("cameraCurve").is_null());

    const std::string csv = readText(dir.path("m.csv")), table = readText(dir.path("m.txt"));
    EXPECT_EQ(csv.rfind("frequency,", 0), 0u);
    EXPECT_NE(csv.find(",mrtd_mean,mrtd_sd,mrtd_ci95_low,mrtd_ci95_high,mrtd_resolved,mrtd_repeats,mrtd_outcome,"),
              std::string::npos);
    EXPECT_NE(csv.find(",classic,camera_curve\n"), std::string::npos);
    EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), 7);
    EXPECT_EQ(std::count(table.begin(), table.end(), '\n'), 7);
    EXPECT_NE(table.find("not resolved"), std::string::npos);
    EXPECT_TRUE(isPng(dir.path("m.png")));
    EXPECT_EQ(runCli(bench + " --json --threads 1").out, json.out);
    EXPECT_EQ(runCli(bench + " --json --threads 3").out, json.out);
}

// The report's figures are the core's (observer and physical fidelity tests); here the tool prints
// them, for either model.
TEST_P(CliFidelity, ReportsModulationNoiseAndExitanceAsJson) {
    const std::string model = GetParam();
    TempDir dir;
    const std::string options = "fidelity" + benchOptions(writeSmallCamera(dir)) + " --model " + model;
    CliRun run = runCli(options + " --json");
    ASSERT_EQ(run.status, 0);
    EXPECT_EQ(run.err, "");
    const auto report = nlohmann::json::parse(run.out);
    EXPECT_EQ(report["model"], model);
    EXPECT_GT(report["phases"].get<int>(), 0);
    const auto& frequencies = report["frequencies"];
    ASSERT_EQ(frequencies.size(), 6u);
    const double offered[] = {0.5, 1, 1.5, 2, 3, 4};
    for (std::size_t k = 0; k < 6; ++k) {
        const auto& f = frequencies[k];
        SCOPED_TRACE(offered[k]);
        EXPECT_EQ(f["frequency"].get<double>(), offered[k]);
        EXPECT_NEAR(f["nyquistShare"].get<double>(), offered[k] * 2 * 0.170, 0.002); // 2 x 0.170 mrad a cycle
        for (const char* spread : {"modulation", "predicted", "ratio"}) {            // minimum, median, maximum
            ASSERT_EQ(f[spread].size(), 3u) << spread;
            EXPECT_LE(f[spread][0].get<double>(), f[spread][1].get<double>()) << spread;
            EXPECT_LE(f[spread][1].get<double>(), f[spread][2].get<double>()) << spread;
        }
        EXPECT_TRUE(f["reversedPhases"].is_number() && f["unexpectedReversals"].is_number());
    }
    EXPECT_GT(frequencies[0]["modulation"][1].get<double>(), 0.99); // full modulation at the lowest

    // The bench's exitance at four temperatures against SI constants, e and 273.15: the specified
    // model's 273 K is 0.15 K of a thermal contrast near 1.7 %/K, some 0.25 % low.
    const auto& exitance = report["exitance"];
    ASSERT_EQ(exitance.size(), 4u);
    for (std::size_t k = 0; k < 4; ++k) {
        EXPECT_EQ(exitance[k]["celsius"].get<double>(), (std::array{-20.0, 0.0, 20.0, 50.0}[k]));
        const double ratio = exitance[k]["model"].get<double>() / exitance[k]["reference"].get<double>();
        EXPECT_NEAR(ratio, 1.0, model == "physical" ? 1e-9 : 0.005) << k;
        if (model != "physical") {
            EXPECT_LT(ratio, 1.0) << k;
        }
    }
    const auto& noise = report["noise"];
    EXPECT_NEAR(noise["fileNetd"].get<double>(), 0.05, 1e-6); // camera1's 50 mK
    EXPECT_GT(noise["measuredNetd"].get<double>(), 0.0);
    EXPECT_TRUE(noise["modelNetd"].is_number() && noise["largestAutocorrelation"].is_number());
    // The text form names the model first.
    CliRun text = runCli(options);
    ASSERT_EQ(text.status, 0);
    EXPECT_EQ(text.out.rfind("Image model: " + model + "\n", 0), 0u) << text.out;
    EXPECT_NE(text.out.find("In-band exitance"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Models, CliFidelity, ::testing::Values("specified", "physical"), modelName);

// A refused run: status 1, nothing on stdout, OUT (a file in the test's folder) left unwritten, and
// stderr holding `error`: the tool's own refusals are one line, and a camera reader's message ending
// in a line end is the whole of stderr (reported once). CAM, TAG and ATM stand for the shipped camera1, target and
// atmosphere; "nowhere.par" is absent.
struct Refusal {
    const char* arguments;
    const char* error;
};

class CliRefusal : public ::testing::TestWithParam<Refusal> {};

const char* const absent = "File 'nowhere.par' is absent.\n Can't start the system\n";
const char* const mrtdRange = "--snr takes 0.1 to 100, --time 0.001 to 10 seconds";

TEST_P(CliRefusal, ExitsWithStatusOneAndSaysWhy) {
    TempDir dir;
    std::string arguments = GetParam().arguments;
    for (auto [from, to] : {std::pair<std::string, std::string>{"CAM", shippedFile("camera1.par")},
                            {"TAG", shippedFile("mira.tag")},
                            {"ATM", shippedFile("Atmosphere.ini")},
                            {"OUT", dir.path("x.png")}})
        for (std::size_t at = 0; (at = arguments.find(from, at)) != std::string::npos; at += to.size())
            arguments.replace(at, from.size(), to);
    const CliRun run = runCli(arguments, dir.root().string());
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "");
    EXPECT_FALSE(std::filesystem::exists(dir.path("x.png")));
    const std::string error = GetParam().error;
    EXPECT_NE(run.err.find(error), std::string::npos) << run.err;
    if (error.back() == '\n') {
        EXPECT_EQ(run.err, error);
    } else if (error.find('\n') == std::string::npos && error.find("unknown command") == std::string::npos) {
        EXPECT_EQ(run.err.rfind("tervix-cli: ", 0), 0u) << run.err;
        EXPECT_EQ(run.err.find('\n'), run.err.size() - 1) << run.err;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Arguments, CliRefusal,
    ::testing::Values(
        Refusal{"render --camera nowhere.par --target TAG --out OUT", absent},
        Refusal{"mrtd --camera nowhere.par --target TAG", absent}, Refusal{"fidelity --camera nowhere.par", absent},
        Refusal{"camera TAG", "/mira.tag' is malformed.\n Line 4:"},
        Refusal{"target /nonexistent.tag", "cannot read the target file"},
        Refusal{"frobnicate", "unknown command frobnicate"},
        Refusal{"mrtd --camera CAM --target /nonexistent.tag", "cannot read the target file"},
        Refusal{"fidelity --camera CAM --target TAG --atmosphere /nonexistent.ini", "cannot read the atmosphere"},
        Refusal{"fidelity extra --camera CAM --target TAG --atmosphere ATM", "fidelity needs --camera FILE"},
        Refusal{"fidelity --camera CAM --target TAG --model exact", "the model must be specified or physical"},
        Refusal{"mrtd --camera CAM --target TAG --model exact", "the model must be specified or physical"},
        Refusal{"render --camera CAM --target TAG --out OUT --model exact", "the model must be specified or physical"},
        Refusal{"mrtd --camera CAM --target TAG --repeats 0", mrtdRange},
        Refusal{"mrtd --camera CAM --target TAG --threads -1", mrtdRange},
        Refusal{"mrtd --camera CAM --target TAG --snr 0", mrtdRange},
        Refusal{"mrtd --camera CAM --target TAG --time 20", mrtdRange},
        Refusal{"mrtd --camera CAM --target TAG --seed 1.5", mrtdRange},
        Refusal{"render --camera CAM --target TAG --out OUT --phase 0.5", "the phase must be DX,DY"},
        Refusal{"render --camera CAM --target TAG --out OUT --phase a,b", "the phase must be DX,DY"},
        Refusal{"render --camera CAM --out OUT --orientation diagonal", "orientation must be vertical or horizontal"},
        Refusal{"render --camera CAM --out OUT --bogus", "unknown option --bogus"},
        Refusal{"mrtd --camera CAM --frobnicate 3", "unknown option --frobnicate"},
        Refusal{"fidelity --camera CAM -q", "unknown option -q"}, Refusal{"target --nothing x.tag", "unknown option"},
        Refusal{"camera CAM --mode sideways", "unknown mode sideways"},
        Refusal{"render --camera CAM --out OUT --frequency 2.5", "the frequency must be one of"},
        Refusal{"render --camera CAM --out OUT --dt 3", "the temperature difference must be"},
        Refusal{"render --camera CAM --out OUT --dt warm", "the temperature difference must be"},
        Refusal{"render --camera CAM --out OUT --seed -1", "the seed must be a whole number"},
        Refusal{"render --camera CAM --out OUT --seed", "Missing value after '--seed'"},
        Refusal{"mrtd", "mrtd needs --camera FILE"}, Refusal{"fidelity", "fidelity needs --camera FILE"},
        Refusal{"render --out OUT", "render needs --camera"}, Refusal{"render --camera CAM", "render needs --out"},
        Refusal{"--bogus", "unknown option --bogus"}, Refusal{"session a.json b.json", "session takes one session"}),
    [](const ::testing::TestParamInfo<Refusal>& info) {
        return std::to_string(info.index) + "_" + testing_support::rowName(info.param.arguments);
    });

// Each command's help: the usage (its first paragraph) names every option the command takes; the
// help names the files it reads by itself.
struct HelpCase {
    const char* command;
    std::vector<std::string> mentions;
};

class CliHelp : public testing::TestWithParam<HelpCase> {};

TEST_P(CliHelp, NamesItsOptionsAndTheVersionAndExitsZero) {
    const std::string prefix = *GetParam().command ? std::string(GetParam().command) + " " : "";
    for (const char* option : {"--help", "-h"}) {
        CliRun help = runCli(prefix + option);
        EXPECT_EQ(help.status, 0);
        EXPECT_EQ(help.err, "");
        const std::string usage = help.out.substr(0, help.out.find("\n\n"));
        EXPECT_NE(usage.find("tervix-cli " + prefix), std::string::npos) << help.out;
        EXPECT_NE(help.out.find("--version"), std::string::npos) << help.out;
        for (const std::string& word : GetParam().mentions)
            EXPECT_NE((word[0] == '-' ? usage : help.out).find(word), std::string::npos) << word << " in\n" << help.out;
    }
    for (const char* option : {"--version", "-v"}) {
        CliRun version = runCli(prefix + option);
        EXPECT_EQ(version.status, 0);
        EXPECT_EQ(version.out, "tervix-cli " TERVIX_VERSION "\n");
        EXPECT_EQ(version.err, "");
    }
}

INSTANTIATE_TEST_SUITE_P(
    ToolAndCommands, CliHelp,
    testing::Values(HelpCase{"", {}}, HelpCase{"target", {}},
                    HelpCase{"render",
                             {"--camera", "--target", "--atmosphere", "--frequency", "--dt", "--seed", "--randomise",
                              "--out", "--sensor", "--frame", "mira.tag", "Atmosphere.ini"}},
                    HelpCase{"mrtd",
                             {"--camera", "--target", "--atmosphere", "--seed", "--snr", "--time", "--model",
                              "--repeats", "--threads", "--grid", "--json", "--table", "--csv", "--plot",
                              "--orientation", "mira.tag", "Atmosphere.ini"}},
                    HelpCase{"fidelity", {"--camera", "--target", "--atmosphere", "mira.tag", "Atmosphere.ini"}},
                    HelpCase{"camera", {"--mode", "--atmosphere", "--no-activate"}},
                    HelpCase{"session", {"--json", "--csv", "--pdf"}}),
    [](const testing::TestParamInfo<HelpCase>& info) {
        return *info.param.command ? std::string(info.param.command) : std::string("tool");
    });

// From a folder without any bench file, render and fidelity (and mrtd, which starts the bench the
// same way) read the standard target and Atmosphere.ini where the window does (beside the program),
// and get what the named files give.
TEST(Cli, FindsTheStandardFilesFromAnyWorkingFolder) {
    TempDir dir;
    const std::string here = dir.root().string();
    const std::string camera = " --camera " + shippedFile("camera4.par"); // atmosphere class 3 blurs
    const std::string named = " --target " + shippedFile("mira.tag") + " --atmosphere " + shippedFile("Atmosphere.ini");
    const std::string clear =
        " --atmosphere " +
        dir.write("clear.ini", "0 0 0 0 0 0 0\n0 0 0 0 0 0 0\n1 1 1 1 1 1 1\n1\n0 0 0 0 0 0 0 0\n0\n");
    CliRun fidelity = runCli("fidelity" + camera, here);
    ASSERT_EQ(fidelity.status, 0) << fidelity.err;
    EXPECT_EQ(fidelity.err, "");
    EXPECT_EQ(fidelity.out, runCli("fidelity" + camera + named).out);
    EXPECT_NE(fidelity.out, runCli("fidelity" + camera + clear, here).out);

    const std::string render = "render --frequency 2 --dt 0.3 --seed 5" + camera + " --out ";
    ASSERT_EQ(runCli(render + dir.path("found.png"), here).status, 0);
    ASSERT_EQ(runCli(render + dir.path("named.png") + named).status, 0);
    ASSERT_EQ(runCli(render + dir.path("clear.png") + clear, here).status, 0);
    EXPECT_EQ(readText(dir.path("found.png")), readText(dir.path("named.png")));
    EXPECT_NE(readText(dir.path("found.png")), readText(dir.path("clear.png")));
}

// The window's Load/Edit takes the standard target from the working folder first; so does the tool.
TEST(Cli, TheWorkingFoldersStandardTargetComesFirst) {
    TempDir dir;
    std::filesystem::copy_file(shippedFile("vehicle.tag"), dir.path("mira.tag"));
    const std::string render = "render --seed 1 --camera " + shippedFile("camera1.par");
    ASSERT_EQ(runCli(render + " --out " + dir.path("here.png"), dir.root().string()).status, 0);
    ASSERT_EQ(runCli(render + " --target " + shippedFile("vehicle.tag") + " --out " + dir.path("vehicle.png")).status,
              0);
    EXPECT_EQ(readText(dir.path("here.png")), readText(dir.path("vehicle.png")));
}

// The render takes a trackbar step after the camera's activation; the image keeps the zoom the
// activated camera holds (electronic zoom 2 reset to 1 when not kept, kept otherwise).
TEST(Cli, RenderKeepsTheZoomTheActivatedCameraHolds) {
    TempDir dir;
    for (auto [keep, header] : {std::pair{false, "Pf\n644 484\n"}, std::pair{true, "Pf\n324 244\n"}}) {
        const std::string camera =
            dir.write("zoomed.par", testing_support::zoomedCameraText("2.000000", "1.500000", keep));
        for (const char* dt : {"0", "0.004", "-1"}) {
            CliRun run =
                runCli("render --camera " + camera + " --target " + shippedFile("mira.tag") + " --frequency 1 --dt " +
                       dt + " --out " + dir.path("d.png") + " --sensor " + dir.path("s.pfm"));
            ASSERT_EQ(run.status, 0);
            EXPECT_EQ(readText(dir.path("s.pfm")).rfind(header, 0), 0u) << dt << (keep ? " kept" : " reset");
        }
    }
}

TEST(CliLong, ChoosesTheImageModelAndTheTargetPhase) {
    TempDir dir;
    const std::string common = "render --camera " + shippedFile("camera1.par") + " --target " +
                               shippedFile("mira.tag") + " --frequency 1.5 --dt 1 --out " + dir.path("d.png");
    auto sensor = [&](const std::string& options) {
        EXPECT_EQ(runCli(common + " " + options + " --sensor " + dir.path("s.pfm")).status, 0) << options;
        return readText(dir.path("s.pfm"));
    };
    const std::string plain = sensor(""), physical = sensor("--model physical");
    EXPECT_EQ(sensor("--model specified"), plain);
    EXPECT_NE(physical, plain);
    EXPECT_EQ(physical.rfind("Pf\n644 484\n-1.0\n", 0), 0u);
    // A quarter-pixel phase moves the bars; no phase leaves them where they were.
    EXPECT_NE(sensor("--model physical --phase 0.25,0"), physical);
    EXPECT_EQ(sensor("--model physical --phase 0,0"), physical);
}

} // namespace
