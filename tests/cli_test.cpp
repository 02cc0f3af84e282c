// Runs the command-line tool as a user would and reads what it prints.
#include "test_support.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <sstream>
#include <unistd.h>

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

// Runs the tool with `arguments` in the working folder `folder` (the test's own when empty), after
// the environment assignments `environment`; what it writes to stderr is kept in `err`.
CliRun runCli(const std::string& arguments, const std::string& folder = {}, const std::string& environment = {}) {
    static int runs = 0;
    const std::filesystem::path errors =
        std::filesystem::temp_directory_path() /
        ("tervix_cli_stderr_" + std::to_string(::getpid()) + "_" + std::to_string(++runs));
    CliRun run;
    std::string command = environment + " " + std::string(TERVIX_CLI_PATH) + " " + arguments + " 2>" + errors.string();
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
    run.err = testing_support::readText(errors.string());
    std::filesystem::remove(errors);
    return run;
}

bool isPng(const std::string& path) {
    return testing_support::readText(path).rfind("\x89PNG\r\n\x1a\n", 0) == 0;
}

} // namespace

namespace {

class CliShippedCamera : public ::testing::TestWithParam<int> {};

} // namespace

TEST_P(CliShippedCamera, PrintsEveryField) {
    CliRun run = runCli("camera " + shippedFile("camera" + std::to_string(GetParam()) + ".par") + " --atmosphere " +
                        shippedFile("Atmosphere.ini"));
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
}

INSTANTIATE_TEST_SUITE_P(Cameras, CliShippedCamera, ::testing::Range(1, 6),
                         [](const ::testing::TestParamInfo<int>& info) {
                             return "camera" + std::to_string(info.param);
                         });

TEST(Cli, PrintsTheFilesOwnValuesWithoutActivation) {
    CliRun raw = runCli("camera " + shippedFile("camera3.par") + " --mode switch --no-activate");
    ASSERT_EQ(raw.status, 0);
    EXPECT_EQ(raw.err, "");
    EXPECT_EQ(nlohmann::json::parse(raw.out)["camera"]["sensorWidth"], 640); // the file's own value
}

TEST(Cli, PrintsTheStandardTarget) {
    CliRun run = runCli("target " + shippedFile("mira.tag"));
    ASSERT_EQ(run.status, 0);
    EXPECT_EQ(run.err, "");
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
    EXPECT_EQ(testing_support::readText(dir.path("s.pfm")).rfind("Pf\n644 516\n-1.0\n", 0), 0u);
}

namespace {

// A camera built from camera1: half its field on half its detector, so the same pixel angle
// (0.17 mrad, Nyquist 2.94 cycles/mrad) on a quarter of the pixels, which keeps the runs short.
std::string writeSmallCamera(const TempDir& dir) {
    using testing_support::withToken;
    std::vector<std::string> lines = testing_support::splitLines(testing_support::readText(shippedFile("camera1.par")));
    std::string& optics = lines[5]; // netd, fields of view, sensor size
    optics = withToken(withToken(optics, 1, "3.116890"), 2, "2.337668");
    optics = withToken(withToken(optics, 8, "320"), 9, "240");
    std::string& detector = lines[16];
    detector = withToken(withToken(detector, 7, "320"), 8, "240");
    return dir.write("small.par", testing_support::joinLines(lines));
}

std::string benchOptions(const std::string& camera) {
    return " --camera " + camera + " --target " + shippedFile("mira.tag") + " --atmosphere " +
           shippedFile("Atmosphere.ini");
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

} // namespace

TEST(Cli, TheSmallCameraKeepsCameraOnesPixelAngle) {
    TempDir dir;
    CliRun run = runCli("camera " + writeSmallCamera(dir));
    ASSERT_EQ(run.status, 0);
    EXPECT_EQ(run.err, "");
    const auto camera = nlohmann::json::parse(run.out)["camera"];
    EXPECT_EQ(camera["sensorWidth"], 320);
    EXPECT_EQ(camera["sensorHeight"], 240);
    // 3.11689 degrees over 320 pixels: 0.170 mrad.
    EXPECT_NEAR(camera["fovCurrentH"].get<double>() / 320 * 3.14159265 / 180 * 1000, 0.17, 0.001);
}

namespace {

class CliMrtd : public ::testing::TestWithParam<const char*> {};

} // namespace

TEST_P(CliMrtd, MeasuresEachFrequencyAndRisesUpToNyquist) {
    TempDir dir;
    const std::string camera = writeSmallCamera(dir);
    // The plot is drawn with Qt, which wants a private runtime folder of its own.
    const std::string runtime = dir.path("runtime");
    std::filesystem::create_directory(runtime);
    std::filesystem::permissions(runtime, std::filesystem::perms::owner_all);
    CliRun run = runCli("mrtd" + benchOptions(camera) + " --model " + GetParam() + " --table " + dir.path("t.txt") +
                            " --csv " + dir.path("m.csv") + " --plot " + dir.path("p.png"),
                        {}, "XDG_RUNTIME_DIR=" + runtime);
    ASSERT_EQ(run.status, 0);
    EXPECT_EQ(run.err, "");

    // The printed table is the saved one: a heading and one row per frequency.
    EXPECT_EQ(run.out, testing_support::readText(dir.path("t.txt")));
    const auto table = testing_support::splitLines(run.out);
    ASSERT_EQ(table.size(), 7u);
    EXPECT_EQ(table[0].rfind("frequency  mrtd_mean  mrtd_sd", 0), 0u) << table[0];
    EXPECT_TRUE(isPng(dir.path("p.png")));

    const auto lines = testing_support::splitLines(testing_support::readText(dir.path("m.csv")));
    ASSERT_EQ(lines.size(), 7u);
    const auto header = csvCells(lines[0]);
    ASSERT_EQ(header.size(), 24u);
    auto column = [&header](const std::string& name) {
        return static_cast<std::size_t>(std::find(header.begin(), header.end(), name) - header.begin());
    };
    const char* frequencies[] = {"0.5000", "1.0000", "1.5000", "2.0000", "3.0000", "4.0000"};
    double previous = 0.0;
    for (std::size_t k = 0; k < 6; ++k) {
        SCOPED_TRACE(frequencies[k]);
        const auto cells = csvCells(lines[k + 1]);
        ASSERT_EQ(cells.size(), header.size()) << lines[k + 1];
        EXPECT_EQ(cells[0], frequencies[k]);
        if (k < 4) {
            // Below Nyquist: every repeat resolves both ways, the MRTD rises with frequency, its
            // interval holds its mean, and it lies near the classic formula for this camera.
            EXPECT_EQ(cells[column("mrtd_outcome")], "resolved");
            EXPECT_EQ(cells[column("mrtd_resolved")], "8");
            EXPECT_LT(std::stod(cells[column("minus_mean")]), 0.0);
            EXPECT_GT(std::stod(cells[column("plus_mean")]), 0.0);
            const double mrtd = std::stod(cells[column("mrtd_mean")]);
            EXPECT_LE(std::stod(cells[column("mrtd_ci95_low")]), mrtd);
            EXPECT_GE(std::stod(cells[column("mrtd_ci95_high")]), mrtd);
            EXPECT_GT(mrtd, previous);
            previous = mrtd;
            const double classic = std::stod(cells[column("classic")]);
            EXPECT_GT(mrtd, classic * 0.6);
            EXPECT_LT(mrtd, classic * 1.6);
            EXPECT_FALSE(cells[column("camera_curve")].empty());
        } else if (k == 5) {
            // 4 cycles/mrad lies beyond the detector's Nyquist frequency of 2.94.
            EXPECT_EQ(cells[column("mrtd_outcome")], "not resolved");
            EXPECT_EQ(cells[column("mrtd_mean")], "");
            EXPECT_EQ(cells[column("camera_curve")], ""); // beyond the camera's own curve, which ends at 2.79
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Models, CliMrtd, ::testing::Values("specified", "physical"),
                         [](const ::testing::TestParamInfo<const char*>& info) { return std::string(info.param); });

TEST(Cli, MrtdRepeatsWithTheSameSeed) {
    TempDir dir;
    const std::string camera = writeSmallCamera(dir);
    CliRun first = runCli("mrtd" + benchOptions(camera) + " --seed 11");
    CliRun second = runCli("mrtd" + benchOptions(camera) + " --seed 11");
    ASSERT_EQ(first.status, 0);
    ASSERT_EQ(second.status, 0);
    EXPECT_EQ(first.err + second.err, "");
    EXPECT_EQ(first.out, second.out);
}

namespace {

class CliFidelity : public ::testing::TestWithParam<const char*> {};

} // namespace

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

    // One entry per offered frequency, each with ordered minimum, median and maximum.
    const auto& frequencies = report["frequencies"];
    ASSERT_EQ(frequencies.size(), 6u);
    const double offered[] = {0.5, 1, 1.5, 2, 3, 4};
    for (std::size_t k = 0; k < 6; ++k) {
        const auto& f = frequencies[k];
        SCOPED_TRACE(offered[k]);
        EXPECT_EQ(f["frequency"].get<double>(), offered[k]);
        // The share of the Nyquist frequency: 2 x 0.170 mrad per cycle.
        EXPECT_NEAR(f["nyquistShare"].get<double>(), offered[k] * 2 * 0.170, 0.002);
        for (const char* spread : {"modulation", "predicted", "ratio"}) {
            ASSERT_EQ(f[spread].size(), 3u) << spread;
            EXPECT_LE(f[spread][0].get<double>(), f[spread][1].get<double>()) << spread;
            EXPECT_LE(f[spread][1].get<double>(), f[spread][2].get<double>()) << spread;
        }
        if (f["nyquistShare"].get<double>() < 1.0) {
            // Resolvable: no phase shows the bars reversed.
            EXPECT_EQ(f["reversedPhases"], 0);
            EXPECT_EQ(f["unexpectedReversals"], 0);
        }
    }
    // Full modulation at the lowest frequency, falling up to the highest below Nyquist and past it.
    EXPECT_GT(frequencies[0]["modulation"][1].get<double>(), 0.99);
    for (std::size_t k = 1; k < 5; ++k)
        EXPECT_LT(frequencies[k]["modulation"][1].get<double>(), frequencies[k - 1]["modulation"][1].get<double>())
            << offered[k];

    // The bench's exitance at the four temperatures against SI constants, e and 273.15.
    const auto& exitance = report["exitance"];
    ASSERT_EQ(exitance.size(), 4u);
    const double celsius[] = {-20, 0, 20, 50};
    for (std::size_t k = 0; k < 4; ++k) {
        EXPECT_EQ(exitance[k]["celsius"].get<double>(), celsius[k]);
        const double ratio = exitance[k]["model"].get<double>() / exitance[k]["reference"].get<double>();
        if (model == "physical") {
            EXPECT_NEAR(ratio, 1.0, 1e-9) << celsius[k];
        } else {
            // 273 instead of 273.15 K: 0.15 K of a thermal contrast near 1.7 %/K, some 0.25 % low.
            EXPECT_LT(ratio, 1.0) << celsius[k];
            EXPECT_GT(ratio, 0.995) << celsius[k];
        }
    }

    const auto& noise = report["noise"];
    EXPECT_NEAR(noise["fileNetd"].get<double>(), 0.05, 1e-6); // camera1's 50 mK
    EXPECT_GT(noise["measuredNetd"].get<double>(), 0.0);
    if (model == "physical") {
        EXPECT_NEAR(noise["measuredNetd"].get<double>() / noise["modelNetd"].get<double>(), 1.0, 0.05);
        // Fresh, independent noise in every pixel: no correlation between neighbours.
        EXPECT_LT(std::fabs(noise["largestAutocorrelation"].get<double>()), 0.1);
        for (std::size_t k = 0; k < 4; ++k)
            EXPECT_NEAR(frequencies[k]["ratio"][1].get<double>(), 1.0, 0.02) << offered[k];
    }

    // The text form names the model first and carries the same exitances.
    CliRun text = runCli(options);
    ASSERT_EQ(text.status, 0);
    EXPECT_EQ(text.err, "");
    EXPECT_EQ(text.out.rfind("Image model: " + model + "\n", 0), 0u) << text.out;
    EXPECT_NE(text.out.find("In-band exitance"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Models, CliFidelity, ::testing::Values("specified", "physical"),
                         [](const ::testing::TestParamInfo<const char*>& info) { return std::string(info.param); });

namespace {

// Every option but the faulty one is good, so that only the fault can give the refusal; "OUT"
// stands for a writable file in the test's own folder, which must stay unwritten.
struct Refusal {
    const char* name;
    std::string arguments;
};

class CliRefusal : public ::testing::TestWithParam<Refusal> {};

const std::string camera1 = " --camera " + shippedFile("camera1.par");
const std::string bench1 =
    camera1 + " --target " + shippedFile("mira.tag") + " --atmosphere " + shippedFile("Atmosphere.ini");
const std::string renderGood = "render" + camera1 + " --target " + shippedFile("mira.tag") + " --out OUT";

} // namespace

TEST_P(CliRefusal, ExitsWithStatusOneAndPrintsNothing) {
    TempDir dir;
    std::string arguments = GetParam().arguments;
    const std::size_t out = arguments.find("OUT");
    if (out != std::string::npos)
        arguments.replace(out, 3, dir.path("x.png"));
    const CliRun run = runCli(arguments);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "");
    EXPECT_NE(run.err, ""); // says why
    EXPECT_FALSE(std::filesystem::exists(dir.path("x.png")));
}

INSTANTIATE_TEST_SUITE_P(
    Arguments, CliRefusal,
    ::testing::Values(
        Refusal{"render of a missing camera",
                "render --camera nowhere.par --target " + shippedFile("mira.tag") + " --out OUT"},
        Refusal{"a target file as camera", "camera " + shippedFile("mira.tag")},
        Refusal{"a missing target file", "target /nonexistent.tag"}, Refusal{"an unknown command", "frobnicate"},
        Refusal{"mrtd of a missing camera", "mrtd --camera /nonexistent.par --target " + shippedFile("mira.tag")},
        Refusal{"mrtd with a missing target", "mrtd" + camera1 + " --target /nonexistent.tag"},
        Refusal{"fidelity of a missing camera",
                "fidelity --camera /nonexistent.par --target " + shippedFile("mira.tag")},
        Refusal{"fidelity with a missing atmosphere",
                "fidelity" + camera1 + " --target " + shippedFile("mira.tag") + " --atmosphere /nonexistent.ini"},
        Refusal{"fidelity with a stray word", "fidelity extra" + bench1},
        Refusal{"fidelity with an unknown model", "fidelity" + bench1 + " --model exact"},
        Refusal{"mrtd with an unknown model", "mrtd" + bench1 + " --model exact"},
        Refusal{"mrtd with no repeats", "mrtd" + bench1 + " --repeats 0"},
        Refusal{"mrtd with a negative thread count", "mrtd" + bench1 + " --threads -1"},
        Refusal{"render with an unknown model", renderGood + " --model exact"},
        Refusal{"render with a phase of one number", renderGood + " --phase 0.5"},
        Refusal{"render with a phase not in numbers", renderGood + " --phase a,b"}),
    testing_support::RowNamedByName{});

TEST(Cli, MeasuresTheObjectiveMrtdInEveryOutputWithTheSameColumns) {
    TempDir dir;
    const std::string bench = "mrtd --camera " + testing_support::testDataFile("camera/ideal_coarse.par") +
                              " --target " + shippedFile("mira.tag") + " --repeats 2 --seed 5";
    // The plot is drawn with Qt, which wants a private runtime folder of its own.
    const std::string runtime = dir.path("runtime");
    std::filesystem::create_directory(runtime);
    std::filesystem::permissions(runtime, std::filesystem::perms::owner_all);
    CliRun json = runCli(bench + " --json --csv " + dir.path("m.csv") + " --table " + dir.path("m.txt") + " --plot " +
                             dir.path("m.png"),
                         {}, "XDG_RUNTIME_DIR=" + runtime);
    ASSERT_EQ(json.status, 0);
    EXPECT_EQ(json.err, "");
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
    testing::Values(HelpCase{"render",
                             {"--camera", "--target", "--atmosphere", "--frequency", "--dt", "--seed", "--randomise",
                              "--out", "--sensor", "--frame", "mira.tag", "Atmosphere.ini"}},
                    HelpCase{"mrtd",
                             {"--camera", "--target", "--atmosphere", "--seed", "--snr", "--time", "--model",
                              "--repeats", "--threads", "--grid", "--json", "--table", "--csv", "--plot",
                              "--orientation", "mira.tag", "Atmosphere.ini"}},
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
    ASSERT_EQ(runCli(render + " --atmosphere " + clear + " --out " + dir.path("clear.png"), dir.root().string()).status,
              0);
    EXPECT_EQ(testing_support::readText(dir.path("found.png")), testing_support::readText(dir.path("named.png")));
    EXPECT_NE(testing_support::readText(dir.path("found.png")), testing_support::readText(dir.path("clear.png")));
}

// The window's Load/Edit takes the standard target from the working folder first; so does the tool.
TEST(Cli, TheWorkingFoldersStandardTargetComesFirst) {
    TempDir dir;
    std::filesystem::copy_file(shippedFile("vehicle.tag"), dir.path("mira.tag"));
    const std::string render = "render --seed 1 --camera " + shippedFile("camera1.par");
    ASSERT_EQ(runCli(render + " --out " + dir.path("here.png"), dir.root().string()).status, 0);
    ASSERT_EQ(runCli(render + " --target " + shippedFile("vehicle.tag") + " --out " + dir.path("vehicle.png")).status,
              0);
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

// The render takes a trackbar step after the camera's activation; the image keeps the zoom the
// activated camera holds (electronic zoom 2 reset to 1 when not kept, kept otherwise).
TEST(Cli, RenderKeepsTheZoomTheActivatedCameraHolds) {
    TempDir dir;
    struct Case {
        const char* file;
        bool keep;
        const char* sensorHeader;
    };
    for (const Case& c : {Case{"reset.par", false, "Pf\n644 484\n"}, Case{"kept.par", true, "Pf\n324 244\n"}}) {
        SCOPED_TRACE(c.file);
        dir.write(c.file, testing_support::zoomedCameraText("2.000000", "1.500000", c.keep));
        for (const char* dt : {"0", "0.004", "-1"}) {
            CliRun run =
                runCli("render --camera " + dir.path(c.file) + " --target " + shippedFile("mira.tag") +
                       " --frequency 1 --dt " + dt + " --out " + dir.path("d.png") + " --sensor " + dir.path("s.pfm"));
            ASSERT_EQ(run.status, 0);
            EXPECT_EQ(testing_support::readText(dir.path("s.pfm")).rfind(c.sensorHeader, 0), 0u) << dt;
        }
    }
}

TEST(CliLong, ChoosesTheImageModelAndTheTargetPhase) {
    TempDir dir;
    const std::string common = "render --camera " + shippedFile("camera1.par") + " --target " +
                               shippedFile("mira.tag") + " --frequency 1.5 --dt 1 --out " + dir.path("d.png");
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
}
