// Runs the command-line tool as a user would and reads what it prints.
#include "test_support.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
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

// Runs the tool with the arguments, after the environment assignments given; what it writes to
// standard error is kept apart.
CliRun runCli(const std::string& arguments, const std::string& environment = "") {
    static int runs = 0;
    const std::filesystem::path errors = std::filesystem::temp_directory_path() /
                                         ("tervix_cli_stderr_" + std::to_string(::getpid()) + "_" + std::to_string(++runs));
    CliRun run;
    std::string command = environment + " " + std::string(TERVIX_CLI_PATH) + " " + arguments + " 2>" + errors.string();
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
                         [](const ::testing::TestParamInfo<int>& info) { return "camera" + std::to_string(info.param); });

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

TEST(Cli, MrtdMeasuresEachFrequencyAndRisesUpToNyquist) {
    TempDir dir;
    const std::string camera = writeSmallCamera(dir);
    // The plot is drawn with Qt, which wants a private runtime folder of its own.
    const std::string runtime = dir.path("runtime");
    std::filesystem::create_directory(runtime);
    std::filesystem::permissions(runtime, std::filesystem::perms::owner_all);
    CliRun run = runCli("mrtd" + benchOptions(camera) + " --table " + dir.path("t.txt") + " --csv " +
                            dir.path("m.csv") + " --plot " + dir.path("p.png"),
                        "XDG_RUNTIME_DIR=" + runtime);
    ASSERT_EQ(run.status, 0);
    EXPECT_EQ(run.err, "");

    // The printed table is the saved one: a heading and one row per frequency, blank lines between.
    EXPECT_EQ(run.out, testing_support::readText(dir.path("t.txt")));
    const auto table = testing_support::splitLines(run.out);
    ASSERT_EQ(table.size(), 13u);
    EXPECT_EQ(table[0], "    N\tFrequency\tMRTD-\t   MRTD+\t   MRTD");
    EXPECT_TRUE(isPng(dir.path("p.png")));

    const auto lines = testing_support::splitLines(testing_support::readText(dir.path("m.csv")));
    ASSERT_EQ(lines.size(), 7u);
    EXPECT_EQ(lines[0], "frequency,mrtd_minus,mrtd_plus,mrtd,camera_mrtd");
    const char* frequencies[] = {"0.5", "1", "1.5", "2", "3", "4"};
    double previous = 0.0;
    for (std::size_t k = 0; k < 6; ++k) {
        SCOPED_TRACE(frequencies[k]);
        const auto cells = csvCells(lines[k + 1]);
        ASSERT_EQ(cells.size(), 5u) << lines[k + 1];
        EXPECT_EQ(cells[0], frequencies[k]);
        if (k < 4) {
            // Below Nyquist: bars resolved both ways, the MRTD the mean of the two halves' sizes,
            // rising with frequency and within a factor of two of the camera's own stored curve.
            const double minus = std::stod(cells[1]), plus = std::stod(cells[2]), mrtd = std::stod(cells[3]);
            EXPECT_LT(minus, 0.0);
            EXPECT_GT(plus, 0.0);
            EXPECT_NEAR(mrtd, (plus - minus) / 2, 0.0011); // three decimals each
            EXPECT_GT(mrtd, previous);
            previous = mrtd;
            ASSERT_FALSE(cells[4].empty());
            const double own = std::stod(cells[4]);
            EXPECT_GT(mrtd, own / 2);
            EXPECT_LT(mrtd, own * 2);
        } else {
            // 3 and 4 cycles/mrad lie beyond the detector's Nyquist frequency of 2.94.
            EXPECT_EQ(cells[1], "not recognized");
            EXPECT_EQ(cells[2], "not recognized");
            EXPECT_EQ(cells[3], "not recognized");
            EXPECT_EQ(cells[4], ""); // beyond the camera's own curve, which ends at 2.79
            EXPECT_NE(table[2 * k + 2].find("***"), std::string::npos) << table[2 * k + 2];
        }
    }
}

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

struct FidelityLine {
    std::string quantity;
    double measured = 0, predicted = 0, ratio = 0;
};

std::optional<double> numberOf(const std::string& text) {
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (text.empty() || end != text.c_str() + text.size())
        return std::nullopt;
    return value;
}

// The quantity is the text before the last three numbers; a line without them gives no quantity.
FidelityLine parseFidelityLine(const std::string& line) {
    FidelityLine row;
    std::istringstream words(line);
    std::vector<std::string> tokens;
    std::string word;
    while (words >> word)
        tokens.push_back(word);
    if (tokens.size() < 4)
        return row;
    const auto measured = numberOf(tokens[tokens.size() - 3]);
    const auto predicted = numberOf(tokens[tokens.size() - 2]);
    const auto ratio = numberOf(tokens[tokens.size() - 1]);
    if (!measured || !predicted || !ratio)
        return row;
    row.measured = *measured;
    row.predicted = *predicted;
    row.ratio = *ratio;
    for (std::size_t k = 0; k + 3 < tokens.size(); ++k)
        row.quantity += (k ? " " : "") + tokens[k];
    return row;
}

} // namespace

TEST(Cli, FidelityReportsModulationNoiseAndExitance) {
    TempDir dir;
    CliRun run = runCli("fidelity" + benchOptions(writeSmallCamera(dir)));
    ASSERT_EQ(run.status, 0);
    EXPECT_EQ(run.err, "");
    const auto lines = testing_support::splitLines(run.out);
    ASSERT_EQ(lines.size(), 22u);
    EXPECT_EQ(parseFidelityLine(lines[0]).quantity, ""); // the heading holds no numbers
    EXPECT_EQ(lines[0].rfind("quantity", 0), 0u);
    std::vector<FidelityLine> modulation;
    int exitances = 0, physical = 0, noise = 0;
    for (std::size_t k = 1; k < lines.size(); ++k) {
        const FidelityLine row = parseFidelityLine(lines[k]);
        SCOPED_TRACE(lines[k]);
        ASSERT_FALSE(row.quantity.empty());
        if (row.predicted != 0.0) {
            EXPECT_NEAR(row.ratio, row.measured / row.predicted, 1e-5 * std::fabs(row.ratio) + 1e-6);
        }
        if (row.quantity.rfind("modulation at", 0) == 0) {
            if (row.quantity.find("Coltman") == std::string::npos)
                modulation.push_back(row);
        } else if (row.quantity.rfind("in-band exitance at", 0) == 0) {
            EXPECT_NEAR(row.ratio, 1.0, 1e-5); // the bench's integration against a fine one
            ++exitances;
        } else if (row.quantity.rfind("the same with physical constants and e", 0) == 0) {
            EXPECT_NEAR(row.ratio, 1.0, 2e-4); // the base 2.7183 and rounded constants: some 3e-5
            ++physical;
        } else if (row.quantity.rfind("frame noise", 0) == 0) {
            EXPECT_NEAR(row.ratio, 1.0, 0.05);
            ++noise;
        } else {
            ADD_FAILURE() << "unexpected quantity";
        }
    }
    EXPECT_EQ(exitances, 4);
    EXPECT_EQ(physical, 4);
    EXPECT_EQ(noise, 1);
    // One modulation per frequency: full at the lowest, falling up to Nyquist.
    ASSERT_EQ(modulation.size(), 6u);
    EXPECT_GT(modulation[0].measured, 0.99);
    for (std::size_t k = 1; k < 5; ++k)
        EXPECT_LT(modulation[k].measured, modulation[k - 1].measured) << modulation[k].quantity;
}

namespace {

// Every option but the faulty one is good, so that only the fault can give the refusal; "OUT"
// stands for a writable file in the test's own folder, which must stay unwritten.
struct Refusal {
    const char* name;
    std::string arguments;
};

class CliRefusal : public ::testing::TestWithParam<Refusal> {};

const std::string camera1 = " --camera " + shippedFile("camera1.par");
const std::string bench1 = camera1 + " --target " + shippedFile("mira.tag") + " --atmosphere " + shippedFile("Atmosphere.ini");
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
    ::testing::Values(Refusal{"render at a frequency not offered", renderGood + " --frequency 2.5"},
                      Refusal{"render with a difference beyond the slider", renderGood + " --dt 3"},
                      Refusal{"render of a missing camera",
                              "render --camera nowhere.par --target " + shippedFile("mira.tag") + " --out OUT"},
                      Refusal{"render without a target", "render" + camera1 + " --out OUT"},
                      Refusal{"render with a seed without a value", renderGood + " --seed"},
                      Refusal{"a target file as camera", "camera " + shippedFile("mira.tag")},
                      Refusal{"a missing target file", "target /nonexistent.tag"},
                      Refusal{"an unknown command", "frobnicate"},
                      Refusal{"mrtd without a camera", "mrtd --target " + shippedFile("mira.tag")},
                      Refusal{"mrtd of a missing camera",
                              "mrtd --camera /nonexistent.par --target " + shippedFile("mira.tag")},
                      Refusal{"mrtd with a threshold of zero", "mrtd" + bench1 + " --snr 0"},
                      Refusal{"mrtd with a fractional seed", "mrtd" + bench1 + " --seed 1.5"},
                      Refusal{"mrtd with a time beyond ten seconds", "mrtd" + bench1 + " --time 20"},
                      Refusal{"mrtd with an unknown option", "mrtd" + bench1 + " --frobnicate"},
                      Refusal{"mrtd with a missing target", "mrtd" + camera1 + " --target /nonexistent.tag"},
                      Refusal{"fidelity without a camera", "fidelity --target " + shippedFile("mira.tag")},
                      Refusal{"fidelity of a missing camera",
                              "fidelity --camera /nonexistent.par --target " + shippedFile("mira.tag")},
                      Refusal{"fidelity with a missing atmosphere", "fidelity" + camera1 + " --target " +
                                                                        shippedFile("mira.tag") +
                                                                        " --atmosphere /nonexistent.ini"},
                      Refusal{"fidelity with a stray word", "fidelity extra" + bench1}),
    testing_support::RowNamedByName{});
