// The command-line tool run as a user runs it: what each command prints and writes, the files it
// finds by itself, its refusals (status 1, one line) and its help.
#include "cli_run.h"
#include "test_support.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <filesystem>
#include <map>
#include <tuple>
#include <utility>

#include <nlohmann/json.hpp>

#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace testing_support;

namespace {

bool isPng(const std::string& path) {
    return readText(path).rfind("\x89PNG\r\n\x1a\n", 0) == 0;
}

// The small camera (tests/data/camera/README.md) on the shipped target and atmosphere.
const std::string smallBench = " --camera " + testDataFile("camera/small.par") + " --target " +
                               shippedFile("mira.tag") + " --atmosphere " + shippedFile("Atmosphere.ini");

// The JSON value a CSV column of a frequency's row holds: "mrtd_plus_ci95_low_k" is
// mrtdPlus.ci95[0].
nlohmann::json jsonOfColumn(const nlohmann::json& row, const std::string& column) {
    const std::map<std::string, std::string> whole{{"observer", "observer"},
                                                   {"frequency_cy_per_mrad", "frequency"},
                                                   {"classic_k", "classic"},
                                                   {"classic_human_k", "classicHuman"},
                                                   {"camera_curve_k", "cameraCurve"}};
    if (const auto w = whole.find(column); w != whole.end())
        return row[w->second];
    const std::map<std::string, std::string> fields{{"k", "mean"},
                                                    {"sd_k", "sd"},
                                                    {"resolved_count", "resolved"},
                                                    {"repeats_count", "repeats"},
                                                    {"outcome", "outcome"}};
    for (auto [prefix, key] : {std::pair{"mrtd_plus_", "mrtdPlus"}, {"mrtd_minus_", "mrtdMinus"}, {"mrtd_", "mrtd"}}) {
        if (column.rfind(prefix, 0) != 0)
            continue;
        const auto& half = row[key];
        const std::string field = column.substr(std::strlen(prefix));
        if (field.rfind("ci95_", 0) == 0)
            return half["ci95"].is_null() ? half["ci95"] : half["ci95"][std::size_t{field == "ci95_high_k"}];
        return half.at(fields.at(field));
    }
    ADD_FAILURE() << "no JSON value for the column " << column;
    return nullptr;
}

class CliShippedCamera : public ::testing::TestWithParam<int> {};
class CliMrtd : public ::testing::TestWithParam<DataRow> {};
class CliFidelity : public ::testing::TestWithParam<DataRow> {};

TEST_P(CliShippedCamera, PrintsEveryField) {
    const std::string camera = shippedFile("camera" + std::to_string(GetParam()) + ".par");
    CliRun run = runCli("camera " + camera + " --atmosphere " + shippedFile("Atmosphere.ini"));
    ASSERT_EQ(std::tie(run.status, run.err), std::tuple(0, "")) << run.out;
    auto json = nlohmann::json::parse(run.out);
    EXPECT_EQ(json["camera"].size(), 92u); // every field of the record
    EXPECT_EQ(json["tables"].size(), 13u); // the twelve stored and signalTable
    EXPECT_TRUE(json["camera"]["fovTable"].is_array() && json["camera"]["textColour"].is_number_integer());
    EXPECT_EQ(json["atmosphere"]["atmosphereBlur"].size(), 8u);
    EXPECT_EQ(json["kernelX"].size(), 2 * json["kernelXHalfWidth"].get<std::size_t>() + 1);
    EXPECT_LT(json["signalMin"].get<double>(), json["signalMax"].get<double>());
    if (GetParam() == 3) { // switch mode without activation keeps the file's own detector width
        CliRun raw = runCli("camera " + camera + " --mode switch --no-activate");
        EXPECT_EQ(nlohmann::json::parse(raw.out)["camera"]["sensorWidth"], 640);
    }
}
INSTANTIATE_TEST_SUITE_P(Cameras, CliShippedCamera, ::testing::Range(1, 6), ::testing::PrintToStringParamName());

// The standard target printed whole: five items, the four bars in drawing order.
TEST(Cli, PrintsTheStandardTarget) {
    CliRun run = runCli("target " + shippedFile("mira.tag"));
    ASSERT_EQ(run.status, 0);
    EXPECT_EQ(nlohmann::json::parse(run.out), nlohmann::json::parse(readText(testDataFile("cli/mira_target.json"))));
}

TEST(Cli, RendersImages) {
    TempDir dir;
    CliRun run = runCli("render --camera " + shippedFile("camera2.par") + " --target " + shippedFile("mira.tag") +
                        " --frequency 1.5 --dt -0.5 --seed 7 --out " + dir.path("d.png") + " --frame " +
                        dir.path("f.png") + " --sensor " + dir.path("s.pfm"));
    ASSERT_EQ(std::tie(run.status, run.err), std::tuple(0, "")) << run.out;
    EXPECT_TRUE(isPng(dir.path("d.png")) && isPng(dir.path("f.png")));
    EXPECT_EQ(readText(dir.path("s.pfm")).rfind("Pf\n644 516\n-1.0\n", 0), 0u);
}

// Every output of one run carries the same rows, the same seed gives the same result on any number of
// threads, and the bars may stand either way, in either model.
TEST_P(CliMrtd, MeasuresEachFrequencyAndRisesUpToNyquistInEveryOutput) {
    TempDir dir; // also the runtime folder Qt wants for the plot, made private
    std::filesystem::permissions(dir.root(), std::filesystem::perms::owner_all);
    const std::string bench =
        "mrtd" + smallBench + " --seed 5 --model " + GetParam().name + " --orientation " + GetParam().cells[0];
    CliRun run = runCli(bench + " --json --table " + dir.path("t.txt") + " --csv " + dir.path("m.csv") + " --plot " +
                            dir.path("m.png"),
                        {}, "XDG_RUNTIME_DIR=" + dir.root().string());
    ASSERT_EQ(std::tie(run.status, run.err), std::tuple(0, "")) << run.out;
    const auto whole = nlohmann::json::parse(run.out);
    auto json = whole.at("frequencies");
    EXPECT_EQ(whole.at("observer"), "human");      // the default, named in every row of the CSV
    EXPECT_EQ(whole["viewing"]["distanceM"], 0.5); // the viewing settings as fields, the default screen
    for (auto& row : json)
        row["observer"] = whole["observer"];
    const std::vector<std::string> csv = splitLines(readText(dir.path("m.csv")));
    ASSERT_EQ(json.size(), 6u);
    ASSERT_EQ(csv.size(), 7u);
    for (std::size_t k = 0; k < 6; ++k) {                           // the CSV holds the JSON's every value
        std::istringstream header(csv[0]), cells(csv[k + 1] + ","); // a last empty cell too
        for (std::string column, cell; std::getline(header, column, ',') && std::getline(cells, cell, ',');) {
            const nlohmann::json value = jsonOfColumn(json[k], column);
            if (value.is_number_float()) // every digit: the cell reads back to the JSON's very double
                EXPECT_EQ(cell.empty() ? -1.0 : std::stod(cell), value.get<double>()) << column << " of row " << k;
            else
                EXPECT_EQ(cell, value.is_null()     ? ""
                                : value.is_string() ? value.get<std::string>()
                                                    : value.dump())
                    << column << " of row " << k;
        }
    }
    double previous = 0.0;
    for (std::size_t k = 0; k < 4; ++k) {
        // Below Nyquist: every repeat resolves both ways, the MRTD rises with frequency, its interval
        // holds its mean, and it lies near classicHuman, the same chain worked out for this camera.
        const auto& row = json[k];
        SCOPED_TRACE(row.dump());
        for (const char* half : {"mrtd", "mrtdPlus", "mrtdMinus"})
            EXPECT_EQ(row.at(half).at("outcome").dump() + row.at(half).at("resolved").dump(), "\"resolved\"8");
        EXPECT_TRUE(row["mrtdMinus"]["mean"].get<double>() < 0.0 && row["mrtdPlus"]["mean"].get<double>() > 0.0);
        const double mrtd = row["mrtd"]["mean"].get<double>(), classic = row["classicHuman"].get<double>();
        EXPECT_TRUE(row["mrtd"]["ci95"][0].get<double>() <= mrtd && row["mrtd"]["ci95"][1].get<double>() >= mrtd);
        EXPECT_GT(mrtd, std::exchange(previous, mrtd));
        EXPECT_TRUE(mrtd > classic * 0.6 && mrtd < classic * 1.6) << classic;
        EXPECT_TRUE(row["cameraCurve"].is_number());
    }
    // 3 and 4 cycles/mrad lie beyond the detector's Nyquist frequency of 2.94, named at the head: not
    // measured.
    EXPECT_NEAR(whole["sampling"]["nyquist"].get<double>(), 2.941, 1e-3);
    for (std::size_t k : {4u, 5u})
        EXPECT_EQ(json[k]["outcome"].dump() + json[k]["mrtd"]["repeats"].dump(), "\"beyond the sampling limit\"0");
    EXPECT_TRUE(json[5]["mrtd"]["mean"].is_null() && json[5]["cameraCurve"].is_null());
    const std::string table = readText(dir.path("t.txt"));
    EXPECT_EQ(std::count(table.begin(), table.end(), '\n'), 9); // observer, sampling, header and six rows
    EXPECT_NE(table.find("Nyquist 2.941 cycles/mrad"), std::string::npos);
    EXPECT_TRUE(isPng(dir.path("m.png")));
    EXPECT_EQ(runCli(bench + " --threads 1").out, table); // the printed table is the saved one
    // The same figures on three threads; only the command line the provenance quotes differs.
    auto figures = [](const std::string& text) {
        auto parsed = nlohmann::json::parse(text);
        parsed["provenance"].erase("commandLine");
        return parsed;
    };
    EXPECT_EQ(figures(runCli(bench + " --json --threads 3").out), figures(run.out));
}
INSTANTIATE_TEST_SUITE_P(Models, CliMrtd,
                         ::testing::Values(DataRow{"specified", {"vertical"}}, DataRow{"physical", {"horizontal"}}),
                         [](const auto& info) { return info.param.name + "_" + info.param.cells[0]; });

// The report's figures are the core's (observer and physical fidelity tests); here the tool prints
// them, for either model.
TEST_P(CliFidelity, ReportsModulationNoiseAndExitanceAsJson) {
    const std::string model = GetParam().name, options = "fidelity" + smallBench + " --model " + model;
    CliRun run = runCli(options + " --json");
    ASSERT_EQ(std::tie(run.status, run.err), std::tuple(0, "")) << run.out;
    const auto report = nlohmann::json::parse(run.out);
    EXPECT_EQ(report["model"], model);
    EXPECT_GT(report["phases"].get<int>(), 0);
    const auto& frequencies = report["frequencies"];
    ASSERT_EQ(frequencies.size(), 6u);
    for (std::size_t k = 0; k < 6; ++k) {
        const auto& f = frequencies[k];
        const double offered = std::array{0.5, 1.0, 1.5, 2.0, 3.0, 4.0}[k];
        EXPECT_EQ(f["frequency"].get<double>(), offered);
        EXPECT_NEAR(f["nyquistShare"].get<double>(), offered * 2 * 0.170, 0.002) << k; // 2 x 0.170 mrad a cycle
        for (const char* spread : {"modulation", "predicted", "ratio"})                // minimum, median, maximum
            EXPECT_TRUE(f[spread].size() == 3 && std::is_sorted(f[spread].begin(), f[spread].end())) << spread << k;
        EXPECT_TRUE(f["reversedPhases"].is_number() && f["unexpectedReversals"].is_number());
    }
    EXPECT_GT(frequencies[0]["modulation"][1].get<double>(), 0.99); // full modulation at the lowest

    // The bench's exitance at four temperatures against SI constants, e and 273.15: the specified
    // model's 273 K is 0.15 K of a thermal contrast near 1.7 %/K, some 0.25 % low.
    ASSERT_EQ(report["exitance"].size(), 4u);
    for (std::size_t k = 0; const double celsius : {-20.0, 0.0, 20.0, 50.0}) {
        const auto& e = report["exitance"][k++];
        const double ratio = e["model"].get<double>() / e["reference"].get<double>();
        EXPECT_EQ(e["celsius"].get<double>(), celsius);
        EXPECT_TRUE(model == "physical" ? std::abs(ratio - 1.0) < 1e-9 : ratio < 1.0 && ratio > 0.995) << ratio;
    }
    const auto& noise = report["noise"];
    EXPECT_NEAR(noise["fileNetd"].get<double>(), 0.05, 1e-6); // camera1's 50 mK
    EXPECT_TRUE(noise["measuredNetd"] > 0.0 && noise["modelNetd"].is_number() &&
                noise["largestAutocorrelation"].is_number());
    CliRun text = runCli(options);
    ASSERT_EQ(text.status, 0);
    EXPECT_EQ(text.out.rfind("Image model: " + model + "\n", 0), 0u) << text.out;
    EXPECT_NE(text.out.find("In-band exitance"), std::string::npos);
}
INSTANTIATE_TEST_SUITE_P(Models, CliFidelity, ::testing::Values(DataRow{"specified", {}}, DataRow{"physical", {}}),
                         RowNamedByName{});

class CliRefusal : public ::testing::TestWithParam<DataRow> {};

TEST_P(CliRefusal, ExitsWithItsStatusAndSaysWhy) {
    TempDir dir;
    copyShipped(dir, {"camera1.par", "mira.tag", "Atmosphere.ini"});
    const CliRun run = runCli(GetParam().name, dir.root().string());
    EXPECT_EQ(std::tie(run.status, run.out), std::tuple(std::stoi(GetParam().text(1)), ""));
    EXPECT_FALSE(std::filesystem::exists(dir.path("x.png")));
    const std::string error = GetParam().text(0);
    EXPECT_NE(run.err.find(error), std::string::npos) << run.err;
    if (error.find("unknown command") == std::string::npos) {
        EXPECT_EQ(run.err.rfind("tervix-cli: ", 0), 0u) << run.err;
        EXPECT_EQ(run.err.find('\n'), run.err.size() - 1) << run.err;
    }
}
INSTANTIATE_TEST_SUITE_P(Arguments, CliRefusal, TERVIX_TABLE_ROWS("cli/refusals.txt"));

// Every command that writes a CSV writes it into a pipe with "--csv -", and nothing else goes there:
// pandas reads it, every numeric column names its unit, no file named "-" is made, and stderr stays
// empty without XDG_RUNTIME_DIR even where Qt starts to draw a plot.
class CliCsvToPipe : public testing::TestWithParam<DataRow> {};

TEST_P(CliCsvToPipe, GivesPandasUnitNamedColumnsAndNothingElse) {
    TempDir dir;
    const CliRun run = runCli(GetParam().text(0) + " --csv - | /usr/bin/python3 " + testDataFile("cli/csv_units.py") +
                                  " - " + GetParam().text(1),
                              dir.root().string(), "env -u XDG_RUNTIME_DIR");
    EXPECT_EQ(std::tie(run.status, run.out, run.err), std::tuple(0, "ok\n", ""));
    EXPECT_FALSE(std::filesystem::exists(dir.path("-")));
}
INSTANTIATE_TEST_SUITE_P(
    Commands, CliCsvToPipe,
    testing::Values(DataRow{"mrtd", {"mrtd" + smallBench + " --repeats 2 --plot p.png", "6"}},
                    DataRow{"range", {"range --camera " + shippedFile("camera1.par") + " --plot p.png", "3"}},
                    DataRow{"session", {"session " + testDataFile("three_observers_session.json"), "2"}}),
    RowNamedByName{});

// Each file a command reads as a named pipe and as /dev/zero, and a session naming one as its camera
// file: refused at once (a pipe opened for reading would wait for a writer for ever, /dev/zero fill
// the memory), in one line naming the kind of file, status 1, nothing on stdout.
class CliHostileInput : public testing::TestWithParam<std::tuple<DataRow, bool>> {};

TEST_P(CliHostileInput, IsRefusedInOneLine) {
    const auto& [row, pipe] = GetParam();
    TempDir dir;
    copyShipped(dir, {"camera1.par", "mira.tag", "Atmosphere.ini"});
    ASSERT_EQ(::mkfifo(dir.path("hostile").c_str(), 0600), 0);
    const std::string hostile = pipe ? "hostile" : "/dev/zero";
    auto replaced = [](std::string text, const std::string& mark, const std::string& by) {
        for (std::size_t at; (at = text.find(mark)) != std::string::npos;)
            text.replace(at, mark.size(), by);
        return text;
    };
    const std::string session = readText(testDataFile("three_observers_session.json"));
    dir.write("session.json", session);
    dir.write("named.json", replaced(session, "camera1.par", hostile));
    dir.write("objective.json", R"({"frequencies": []})");
    // timeout turns a run that waits on the pipe into a failure (status 124).
    const CliRun run = runCli(replaced(row.text(0), "{input}", hostile), dir.root().string(), "timeout 20");
    EXPECT_EQ(std::tie(run.status, run.out), std::tuple(1, ""));
    EXPECT_EQ(run.err.rfind("tervix-cli: ", 0), 0u) << run.err;
    EXPECT_EQ(run.err.find('\n'), run.err.size() - 1) << run.err;
    EXPECT_NE(run.err.find(row.text(1)), std::string::npos) << run.err;
}
INSTANTIATE_TEST_SUITE_P(Commands, CliHostileInput,
                         testing::Combine(testing::ValuesIn(dataRows("cli/hostile_inputs.txt")), testing::Bool()),
                         [](const auto& info) {
                             return rowName(std::get<0>(info.param).name) +
                                    (std::get<1>(info.param) ? "_pipe" : "_device");
                         });

class CliOutputOverInput : public testing::TestWithParam<DataRow> {};

TEST_P(CliOutputOverInput, IsRefusedBeforeAnythingIsWritten) {
    TempDir dir;
    copyShipped(dir, {"camera1.par", "mira.tag", "Atmosphere.ini"});
    dir.write("session.json", readText(testDataFile("three_observers_session.json")));
    for (const char* run : {"objective.json", "vertical.json"})
        dir.write(run, R"({"frequencies": [{"frequency": 1, "mrtd": {"mean": 0.2}}]})");
    dir.write("table.csv", "0.5,0.1,0.1\n1,0.2,0.3\n");
    dir.write("requirement.csv", "0.5,0.2\n2,0.3\n");
    std::filesystem::create_symlink("table.csv", dir.path("link.csv"));
    std::filesystem::create_hard_link(dir.path("camera1.par"), dir.path("hard.par"));
    std::map<std::string, std::string> before;
    for (const auto& entry : std::filesystem::directory_iterator(dir.root()))
        before[entry.path().filename()] = readText(entry.path());
    const CliRun run = runCli(GetParam().text(0), dir.root().string());
    EXPECT_EQ(std::tie(run.status, run.out), std::tuple(1, ""));
    EXPECT_EQ(run.err.rfind("tervix-cli: ", 0), 0u) << run.err;
    EXPECT_EQ(run.err.find('\n'), run.err.size() - 1) << run.err;
    EXPECT_NE(run.err.find(GetParam().text(1)), std::string::npos) << run.err;
    std::map<std::string, std::string> after;
    for (const auto& entry : std::filesystem::directory_iterator(dir.root()))
        after[entry.path().filename()] = readText(entry.path());
    EXPECT_EQ(after, before);
}
INSTANTIATE_TEST_SUITE_P(Commands, CliOutputOverInput, TERVIX_TABLE_ROWS("cli/outputs_over_inputs.txt"));

class CliHelp : public testing::TestWithParam<DataRow> {};

TEST_P(CliHelp, NamesItsOptionsAndTheVersionAndExitsZero) {
    const std::string prefix = GetParam().name == "tool" ? "" : GetParam().name + " ";
    for (std::string option : {"--version", "-v", "--help", "-h"}) {
        CliRun run = runCli(prefix + option);
        EXPECT_EQ(std::tie(run.status, run.err), std::tuple(0, ""));
        if (option.find('v') != std::string::npos) {
            EXPECT_EQ(run.out, "tervix-cli " TERVIX_VERSION "\n");
            continue;
        }
        const std::string usage = run.out.substr(0, run.out.find("\n\n"));
        EXPECT_NE(usage.find("tervix-cli " + prefix), std::string::npos) << run.out;
        EXPECT_NE(run.out.find("--version"), std::string::npos) << run.out;
        std::istringstream words(GetParam().cells.at(0));
        for (std::string word; words >> word;)
            EXPECT_NE((word[0] == '-' ? usage : run.out).find(word), std::string::npos) << word << " in\n" << run.out;
    }
}
INSTANTIATE_TEST_SUITE_P(ToolAndCommands, CliHelp, TERVIX_TABLE_ROWS("cli/help.txt"));

// From a folder without any bench file, fidelity (and render and mrtd, which start the bench the same
// way; the install test renders so) reads the standard target and Atmosphere.ini where the window does
// (beside the program), and gets what the named files give, not what a clear atmosphere gives.
TEST(Cli, FindsTheStandardFilesFromAnyWorkingFolder) {
    TempDir dir;
    const std::string fidelity = "fidelity --camera " + shippedFile("camera4.par"); // atmosphere class 3 blurs
    CliRun found = runCli(fidelity, dir.root().string());
    ASSERT_EQ(found.status, 0) << found.err;
    EXPECT_EQ(found.err, "");
    EXPECT_EQ(found.out, runCli(fidelity + " --target " + shippedFile("mira.tag") + " --atmosphere " +
                                shippedFile("Atmosphere.ini"))
                             .out);
    EXPECT_NE(found.out,
              runCli(fidelity + " --atmosphere " + testDataFile("atmosphere/clear.ini"), dir.root().string()).out);
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

TEST(CliLong, ChoosesTheImageModelAndTheTargetPhase) {
    TempDir dir;
    const std::string common = "render --camera " + shippedFile("camera1.par") + " --target " +
                               shippedFile("mira.tag") + " --frequency 1.5 --dt 1 --out " + dir.path("d.png");
    auto sensor = [&](const std::string& options) {
        EXPECT_EQ(runCli(common + " " + options + " --sensor " + dir.path("s.pfm")).status, 0) << options;
        return readText(dir.path("s.pfm"));
    };
    const std::string plain = sensor("--model specified"), physical = sensor("--model physical");
    EXPECT_EQ(sensor(""), physical); // physical unless told otherwise
    EXPECT_NE(physical, plain);
    EXPECT_EQ(physical.rfind("Pf\n644 484\n-1.0\n", 0), 0u);
    // A quarter-pixel phase moves the bars; no phase leaves them where they were.
    EXPECT_NE(sensor("--model physical --phase 0.25,0"), physical);
    EXPECT_EQ(sensor("--model physical --phase 0,0"), physical);
}

} // namespace
