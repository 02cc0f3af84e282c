// tervix-cli session, and the orientation of render, run as a user would.
#include "test_support.h"

#include <nlohmann/json.hpp>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <vector>

#include <gtest/gtest.h>

using testing_support::readText;
using testing_support::shippedFile;
using testing_support::TempDir;

namespace {

struct CommandRun {
    int status = -1;
    std::string out;
};

// The command's output with stderr joined to it when asked.
CommandRun run(const std::string& command, bool withErrors = false) {
    CommandRun r;
    FILE* pipe = popen((command + (withErrors ? " 2>&1" : " 2>/dev/null")).c_str(), "r");
    if (!pipe)
        return r;
    char buffer[4096];
    std::size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0)
        r.out.append(buffer, n);
    const int status = pclose(pipe);
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}
CommandRun cli(const std::string& arguments, bool withErrors = false) {
    return run(std::string(TERVIX_CLI_PATH) + " " + arguments, withErrors);
}

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

const double halfWidth = 4.302652730 * 0.08 / std::sqrt(3.0);

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

struct Pfm {
    int width = 0, height = 0;
    std::vector<float> pixels;
    std::vector<float> row(int y) const { return {pixels.begin() + y * width, pixels.begin() + (y + 1) * width}; }
    std::vector<float> column(int x) const {
        std::vector<float> c;
        for (int y = 0; y < height; ++y)
            c.push_back(pixels[static_cast<std::size_t>(y * width + x)]);
        return c;
    }
};
Pfm readPfm(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    Pfm p;
    std::string magic;
    double scale;
    in >> magic >> p.width >> p.height >> scale;
    in.get();
    p.pixels.resize(static_cast<std::size_t>(p.width * p.height));
    in.read(reinterpret_cast<char*>(p.pixels.data()), static_cast<std::streamsize>(p.pixels.size() * sizeof(float)));
    return p;
}

} // namespace

TEST(CliSession, JsonHoldsTheHandComputedGroups) {
    TempDir dir;
    const CommandRun r = cli("session " + dir.write("s.json", sessionFile()) + " --json");
    ASSERT_EQ(r.status, 0);
    const auto groups = nlohmann::json::parse(r.out);
    ASSERT_EQ(groups.size(), 2u);
    const auto& g = groups[0]; // horizontal sorts before vertical
    EXPECT_EQ(g["orientation"], "horizontal");
    EXPECT_EQ(g["observers"], 1);
    EXPECT_NEAR(g["mrtd"]["mean"].get<double>(), 0.4, 1e-12);
    EXPECT_TRUE(g["mrtd"]["sd"].is_null());
    EXPECT_TRUE(g["mrtd"]["ci95"].is_null());
    const auto& v = groups[1];
    EXPECT_EQ(v["slot"], 2);
    EXPECT_EQ(v["cameraFile"], "camera2.par");
    EXPECT_EQ(v["imageModel"], "specified");
    EXPECT_EQ(v["frequency"], 1.0);
    EXPECT_EQ(v["observers"], 3);
    EXPECT_NEAR(v["mrtd"]["mean"].get<double>(), 0.21, 1e-12);
    EXPECT_NEAR(v["mrtd"]["sd"].get<double>(), 0.08, 1e-12);
    EXPECT_NEAR(v["mrtd"]["ci95"][0].get<double>(), 0.21 - halfWidth, 1e-9);
    EXPECT_NEAR(v["mrtd"]["ci95"][1].get<double>(), 0.21 + halfWidth, 1e-9);
    EXPECT_EQ(v["readings"], 19);
    EXPECT_EQ(v["notRecognized"], 1);
    EXPECT_EQ(v["meetsStandard"], true);
    ASSERT_EQ(v["perObserver"].size(), 3u);
    EXPECT_EQ(v["perObserver"][2]["observer"], "C");
    EXPECT_NEAR(v["perObserver"][2]["plus"].get<double>(), 0.14, 1e-12);
    EXPECT_NEAR(v["perObserver"][2]["minus"].get<double>(), -0.12, 1e-12);
    EXPECT_NEAR(v["perObserver"][2]["mrtd"].get<double>(), 0.13, 1e-12);
}

TEST(CliSession, CsvAndTheReportCarryTheSameNumbers) {
    TempDir dir;
    const std::string session = dir.write("s.json", sessionFile());
    const CommandRun r = cli("session " + session + " --csv " + dir.path("s.csv") + " --pdf " + dir.path("s.pdf"));
    ASSERT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("0.210"), std::string::npos); // the summary table on stdout
    const std::string csv = readText(dir.path("s.csv"));
    EXPECT_EQ(csv.substr(0, csv.find('\n')), "slot,cameraFile,imageModel,orientation,frequency,observers,mean,sd,"
                                             "ci95Low,ci95High,readings,notRecognized,meetsStandard");
    EXPECT_NE(csv.find("2,camera2.par,specified,vertical,1,3,0.21,0.08,0.011269,0.408731,19,1,true"),
              std::string::npos);
    const CommandRun text = run("pdftotext -layout " + dir.path("s.pdf") + " -");
    ASSERT_EQ(text.status, 0) << "pdftotext (poppler-utils) is needed";
    for (const char* expected :
         {"MRTD session report", "2026-12-06 09:59:00 UTC", "Camera2", "camera2.par", "vertical bars",
          "horizontal bars", "0.210", "0.011 … 0.409", "0.400", "yes", "Appendix", "0.130"})
        EXPECT_NE(text.out.find(expected), std::string::npos) << expected << "\n" << text.out;
}

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
    const CommandRun r = cli("session " + path + " --csv " + dir.path("out.csv"), true);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out.rfind("tervix-cli: '" + path + "' is not a Tervix session: ", 0), 0u) << r.out;
    EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 1) << r.out;
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

TEST(CliSession, AMissingFileAndWrongArgumentsFail) {
    TempDir dir;
    const CommandRun missing = cli("session " + dir.path("absent.json"), true);
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.out, "tervix-cli: '" + dir.path("absent.json") + "' cannot be read.\n");
    EXPECT_EQ(cli("session").status, 1);
    EXPECT_EQ(cli("session a.json b.json").status, 1);
}

TEST(CliOrientation, RenderAndMrtdTurnTheBarsInBothModels) {
    TempDir dir;
    const std::string common = "render --camera " + shippedFile("camera1.par") + " --target " +
                               shippedFile("mira.tag") + " --atmosphere " + shippedFile("Atmosphere.ini") +
                               " --frequency 0.5 --dt 1 --out " + dir.path("x.png");
    for (const char* model : {"specified", "physical"})
        for (const char* orientation : {"vertical", "horizontal"}) {
            SCOPED_TRACE(std::string(model) + " " + orientation);
            ASSERT_EQ(
                cli(common + " --model " + model + " --orientation " + orientation + " --sensor " + dir.path("s.pfm"))
                    .status,
                0);
            const Pfm image = readPfm(dir.path("s.pfm"));
            ASSERT_GT(image.width, 0);
            const int across = brightRuns(image.row(image.height / 2));
            const int down = brightRuns(image.column(image.width / 2));
            EXPECT_EQ(std::strcmp(orientation, "vertical") == 0 ? across : down, 4);
            EXPECT_EQ(std::strcmp(orientation, "vertical") == 0 ? down : across, 1);
        }
    EXPECT_EQ(cli(common + " --orientation diagonal").status, 1);
    // The model observer measures turned bars too, in both image models.
    for (const char* model : {"specified", "physical"}) {
        SCOPED_TRACE(model);
        const CommandRun mrtd =
            cli("mrtd --camera " + testing_support::testDataFile("camera/ideal_coarse.par") + " --target " +
                    shippedFile("mira.tag") + " --atmosphere " + shippedFile("Atmosphere.ini") +
                    " --repeats 2 --json --model " + model + " --orientation horizontal",
                true);
        ASSERT_EQ(mrtd.status, 0) << mrtd.out;
        const auto rows = nlohmann::json::parse(mrtd.out).at("frequencies");
        ASSERT_EQ(rows.size(), 6u);
        EXPECT_EQ(rows[0].at("mrtd").at("outcome"), "resolved");
        EXPECT_EQ(rows[5].at("mrtd").at("outcome"), "not resolved");
    }
}
