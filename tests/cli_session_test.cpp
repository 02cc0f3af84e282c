// tervix-cli session on a hand-computed session file (statistics, CSV, report, refusals), and the
// bar orientation of render and mrtd, run as a user would.
#include "cli_run.h"
#include "test_support.h"

#include <nlohmann/json.hpp>

#include <cmath>
#include <cstring>
#include <fstream>
#include <vector>

#include <gtest/gtest.h>

using testing_support::CliRun;
using testing_support::readText;
using testing_support::runCli;
using testing_support::shippedFile;
using testing_support::TempDir;

namespace {

// Three observers at 1 cycle/mrad on Camera2, three readings of each half: A 0.22/-0.20 (0.21),
// B 0.30/-0.28 (0.29), C 0.14/-0.12 (0.13); one not recognised reading of A; and one observer on
// horizontal bars, alone in its group.
std::string sessionFile() {
    std::string readings;
    auto add = [&](const char* observer, const char* orientation, const char* half, const std::string& deltaT) {
        if (!readings.empty())
            readings += ",\n";
        readings += std::string(R"({"time": "2026-12-06T10:00:00.000Z", "observer": ")") + observer +
                    R"(", "slot": 2, "cameraFile": "camera2.par", "imageModel": "specified", "orientation": ")" +
                    orientation + R"(", "frequency": 1, "half": ")" + half + R"(", "deltaT": )" + deltaT + "}";
    };
    const std::vector<std::pair<const char*, std::vector<std::string>>> values{
        {"A", {"0.20", "-0.18", "0.24", "-0.22", "0.22", "-0.20"}},
        {"B", {"0.30", "-0.26", "0.28", "-0.30", "0.32", "-0.28"}},
        {"C", {"0.16", "-0.10", "0.12", "-0.14", "0.14", "-0.12"}}};
    for (const auto& [observer, list] : values)
        for (const std::string& v : list)
            add(observer, "vertical", v[0] == '-' ? "minus" : "plus", v);
    add("A", "vertical", "plus", "null");
    add("D", "horizontal", "plus", "0.5");
    add("D", "horizontal", "minus", "-0.3");
    return R"({"format": "tervix-session", "version": 1, "created": "2026-12-06T09:59:00.000Z", "readings": [)" +
           readings + "]}";
}

const double ciHigh = 0.21 * std::exp(4.302652730 * 0.08 / 0.21 / std::sqrt(3.0));

// Runs of bright samples along a line of a PFM image (rows stored bottom-up), bright meaning above
// the middle between the line's extremes.
int brightRuns(const std::vector<float>& line) {
    float low = line[0], high = line[0];
    for (float v : line) {
        low = std::min(low, v);
        high = std::max(high, v);
    }
    int runs = 0;
    bool bright = false;
    for (float v : line) {
        const bool now = v > (low + high) / 2;
        runs += now && !bright;
        bright = now;
    }
    return runs;
}

// Bright runs across the middle row and down the middle column of a PFM image.
std::pair<int, int> brightRunsAcrossAndDown(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::string magic;
    int width = 0, height = 0;
    double scale;
    in >> magic >> width >> height >> scale;
    in.get();
    std::vector<float> pixels(static_cast<std::size_t>(width * height));
    in.read(reinterpret_cast<char*>(pixels.data()), static_cast<std::streamsize>(pixels.size() * sizeof(float)));
    std::vector<float> row(pixels.begin() + height / 2 * width, pixels.begin() + (height / 2 + 1) * width), column;
    for (int y = 0; y < height; ++y)
        column.push_back(pixels[static_cast<std::size_t>(y * width + width / 2)]);
    return {brightRuns(row), brightRuns(column)};
}

// The statistics themselves are the core's (session tests); here the tool carries them to JSON.
TEST(CliSession, JsonHoldsTheHandComputedGroups) {
    TempDir dir;
    const CliRun r = runCli("session " + dir.write("s.json", sessionFile()) + " --json");
    ASSERT_EQ(r.status, 0);
    const auto groups = nlohmann::json::parse(r.out);
    ASSERT_EQ(groups.size(), 2u);
    EXPECT_EQ(groups[0]["orientation"], "horizontal"); // sorts before vertical; one observer, no spread
    EXPECT_TRUE(groups[0]["mrtd"]["sd"].is_null() && groups[0]["mrtd"]["ci95"].is_null());
    const auto& v = groups[1];
    EXPECT_EQ(v["cameraFile"], "camera2.par");
    EXPECT_EQ(v["observers"], 3);
    EXPECT_NEAR(v["mrtd"]["mean"].get<double>(), 0.21, 1e-12);
    EXPECT_NEAR(v["mrtd"]["ci95"][1].get<double>(), ciHigh, 1e-9);
    EXPECT_EQ(v["readings"], 19);
    EXPECT_EQ(v["notRecognized"], 1);
    EXPECT_NEAR(v["perObserver"][2]["mrtd"].get<double>(), 0.13, 1e-12);
}

TEST(CliSession, CsvAndTheReportCarryTheSameNumbers) {
    TempDir dir;
    const std::string session = dir.write("s.json", sessionFile());
    const CliRun r = runCli("session " + session + " --csv " + dir.path("s.csv") + " --pdf " + dir.path("s.pdf"));
    ASSERT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("0.210"), std::string::npos); // the summary table on stdout
    const std::string csv = readText(dir.path("s.csv"));
    EXPECT_EQ(csv.substr(0, csv.find('\n')), "slot,cameraFile,imageModel,orientation,frequency,observers,mean,sd,"
                                             "ci95Low,ci95High,readings,notRecognized,meetsStandard");
    EXPECT_NE(csv.find("2,camera2.par,specified,vertical,1,3,0.21,0.08,0.0815136,0.541014,19,1,true"),
              std::string::npos);
    const CliRun text = testing_support::runCommand("pdftotext -layout " + dir.path("s.pdf") + " -");
    ASSERT_EQ(text.status, 0) << "pdftotext (poppler-utils) is needed";
    for (const char* expected :
         {"MRTD session report", "2026-12-06 09:59:00 UTC", "Camera2", "camera2.par", "vertical bars",
          "horizontal bars", "0.210", "0.082 … 0.541", "0.400", "yes", "Appendix", "0.130"})
        EXPECT_NE(text.out.find(expected), std::string::npos) << expected << "\n" << text.out;
}

// A file that is no session is named, left as it is, and nothing is written.
struct BrokenSession {
    const char* name;
    std::string text;
};

void PrintTo(const BrokenSession& row, std::ostream* out) {
    *out << row.name;
}

class CliBrokenSession : public testing::TestWithParam<BrokenSession> {};

TEST_P(CliBrokenSession, GivesOneLineAndStatusOne) {
    TempDir dir;
    const std::string path = dir.write("broken.json", GetParam().text);
    const CliRun r = runCli("session " + path + " --csv " + dir.path("out.csv"));
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err.rfind("tervix-cli: '" + path + "' is not a Tervix session: ", 0), 0u) << r.out;
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(readText(path), GetParam().text);
    EXPECT_FALSE(std::ifstream(dir.path("out.csv")).good());
}

INSTANTIATE_TEST_SUITE_P(Files, CliBrokenSession,
                         testing::Values(BrokenSession{"Truncated", sessionFile().substr(0, 700)},
                                         BrokenSession{"HalfMisspelt",
                                                       [] {
                                                           std::string t = sessionFile();
                                                           t.replace(t.find("\"minus\""), 7, "\"minsu\"");
                                                           return t;
                                                       }()},
                                         BrokenSession{"Empty", ""}),
                         [](const testing::TestParamInfo<BrokenSession>& info) { return info.param.name; });

TEST(CliSession, AMissingFileIsNamed) {
    TempDir dir;
    const CliRun missing = runCli("session " + dir.path("absent.json"));
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.err, "tervix-cli: '" + dir.path("absent.json") + "' cannot be read.\n");
}

TEST(CliOrientation, RenderAndMrtdTurnTheBarsInBothModels) {
    TempDir dir;
    const std::string common = "render --camera " + shippedFile("camera1.par") + " --target " +
                               shippedFile("mira.tag") + " --atmosphere " + shippedFile("Atmosphere.ini") +
                               " --frequency 0.5 --dt 1 --out " + dir.path("x.png");
    for (const char* model : {"specified", "physical"})
        for (const char* orientation : {"vertical", "horizontal"}) {
            SCOPED_TRACE(std::string(model) + " " + orientation);
            ASSERT_EQ(runCli(common + " --model " + model + " --orientation " + orientation + " --sensor " +
                             dir.path("s.pfm"))
                          .status,
                      0);
            const auto [across, down] = brightRunsAcrossAndDown(dir.path("s.pfm"));
            EXPECT_EQ(std::strcmp(orientation, "vertical") == 0 ? across : down, 4);
            EXPECT_EQ(std::strcmp(orientation, "vertical") == 0 ? down : across, 1);
        }
    // The model observer measures turned bars too, in both image models.
    for (const char* model : {"specified", "physical"}) {
        SCOPED_TRACE(model);
        const CliRun mrtd =
            runCli("mrtd --camera " + testing_support::testDataFile("camera/ideal_coarse.par") + " --target " +
                   shippedFile("mira.tag") + " --atmosphere " + shippedFile("Atmosphere.ini") +
                   " --repeats 2 --json --model " + model + " --orientation horizontal");
        ASSERT_EQ(mrtd.status, 0) << mrtd.err;
        const auto rows = nlohmann::json::parse(mrtd.out).at("frequencies");
        ASSERT_EQ(rows.size(), 6u);
        EXPECT_EQ(rows[0].at("mrtd").at("outcome"), "resolved");
        EXPECT_EQ(rows[5].at("mrtd").at("outcome"), "not resolved");
    }
}

} // namespace
