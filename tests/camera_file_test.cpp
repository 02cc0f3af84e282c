// The camera file reader: which fields each load mode keeps, every row read in place, every kind of
// malformed file refused with its line and the camera left as it was, and the shipped cameras.
#include "camera/camera_file.h"
#include "console/bench_state.h"
#include "text/messages.h"

#include "test_support.h"

#include <functional>
#include <tuple>

#include <gtest/gtest.h>

using testing_support::readText;
using testing_support::shippedFile;
using testing_support::splitLines;
using testing_support::TempDir;
using testing_support::testDataFile;
using testing_support::withToken;

namespace {

// The values a mode may keep, set apart from anything the test file holds.
CameraState stateWithSentinels() {
    CameraState s = defaultCameraState();
    s.set.atmCoefficient = 0.5f;
    s.set.atmTemperature = -3.0f;
    s.set.reserved20 = -20;
    s.set.reserved23 = -23;
    s.set.blurBlock.ints = {-1, -2, -3, -4, -5};
    s.set.atmosphereIndex = 7;
    s.set.reserved26 = -26;
    s.set.reserved12 = -12;
    s.set.reserved13 = -13;
    s.reservedOuterInt = -99;
    s.reservedOuterFloat = -9.9f;
    s.tables.reservedTable1.vertices = {1, 2, 3, 4};
    s.tables.reservedTable2.vertices = {5, 6, 7, 8};
    return s;
}

struct KeptField {
    const char* name;
    std::function<double(const CameraState&)> get;
    double fromFile;
    double sentinel;
    bool keptBySwitch;
    bool keptByStandard;
};

const KeptField keptFields[] = {
    {"atmCoefficient", [](const CameraState& s) { return s.set.atmCoefficient; }, 0.025f, 0.5f, true, false},
    {"atmTemperature", [](const CameraState& s) { return s.set.atmTemperature; }, 15.5f, -3.0f, true, false},
    {"reserved20", [](const CameraState& s) { return s.set.reserved20; }, 71, -20, true, true},
    {"interlaceShift", [](const CameraState& s) { return s.set.interlaceShift; }, 1, 0, false, false},
    {"reserved23", [](const CameraState& s) { return s.set.reserved23; }, 74, -23, true, false},
    {"blurBlock int 1", [](const CameraState& s) { return s.set.blurBlock.ints[0]; }, 11, -1, false, false},
    {"blurBlock int 2", [](const CameraState& s) { return s.set.blurBlock.ints[1]; }, 12, -2, true, false},
    {"blurBlock int 5", [](const CameraState& s) { return s.set.blurBlock.ints[4]; }, 15, -5, true, false},
    {"atmosphereIndex", [](const CameraState& s) { return s.set.atmosphereIndex; }, 2, 7, true, false},
    {"reserved26", [](const CameraState& s) { return s.set.reserved26; }, 16, -26, true, false},
    {"reserved12", [](const CameraState& s) { return s.set.reserved12; }, 17, -12, true, false},
    {"reserved13", [](const CameraState& s) { return s.set.reserved13; }, 18, -13, true, false},
    {"reservedOuterInt", [](const CameraState& s) { return s.reservedOuterInt; }, 19, -99, true, false},
    {"reservedOuterFloat", [](const CameraState& s) { return s.reservedOuterFloat; }, 9.75f, -9.9f, true, false},
    {"reserved27", [](const CameraState& s) { return s.set.reserved27; }, 5, 0, false, false},
    {"noiseOption", [](const CameraState& s) { return s.set.noiseOption; }, 1, 0, false, false},
};

const CameraLoadMode allModes[] = {CameraLoadMode::SwitchCamera, CameraLoadMode::Standard, CameraLoadMode::Full};

std::string modeName(CameraLoadMode mode) {
    return mode == CameraLoadMode::Full ? "Full" : mode == CameraLoadMode::Standard ? "Standard" : "SwitchCamera";
}

class CameraFileKeptField : public ::testing::TestWithParam<std::tuple<CameraLoadMode, KeptField>> {};

TEST_P(CameraFileKeptField, EachModeKeepsExactlyItsFields) {
    const auto& [mode, field] = GetParam();
    CameraState state = stateWithSentinels();
    MessageLog log;
    ASSERT_TRUE(readCameraFile(testDataFile("camera/distinct.par"), mode, state, log));
    EXPECT_TRUE(log.messages.empty());
    const bool kept = (mode == CameraLoadMode::SwitchCamera && field.keptBySwitch) ||
                      (mode == CameraLoadMode::Standard && field.keptByStandard);
    EXPECT_FLOAT_EQ(field.get(state), kept ? field.sentinel : field.fromFile);
}

INSTANTIATE_TEST_SUITE_P(ModesAndFields, CameraFileKeptField,
                         ::testing::Combine(::testing::ValuesIn(allModes), ::testing::ValuesIn(keptFields)),
                         [](const ::testing::TestParamInfo<CameraFileKeptField::ParamType>& info) {
                             return modeName(std::get<0>(info.param)) + "_" +
                                    testing_support::rowName(std::get<1>(info.param).name);
                         });

TEST(CameraFile, AFullLoadReadsEveryRowInPlace) {
    CameraState state = stateWithSentinels();
    MessageLog log;
    ASSERT_TRUE(readCameraFile(testDataFile("camera/distinct.par"), CameraLoadMode::Full, state, log));
    const CameraSet& c = state.set;
    EXPECT_FLOAT_EQ(c.tempMin, -10.5f);
    EXPECT_FLOAT_EQ(c.tempMax, 40.25f);
    EXPECT_FLOAT_EQ(c.levelMax, 7.0f);
    EXPECT_FLOAT_EQ(c.netd, 0.07f);
    EXPECT_EQ(c.sensorWidth, 320);
    EXPECT_EQ(c.reserved10, 9);
    EXPECT_TRUE(c.polarity);
    EXPECT_FLOAT_EQ(c.tm, 22.0f);
    EXPECT_EQ(c.fovTable[1], (std::array<float, 2>{2.0f, 1.5f}));
    EXPECT_EQ(c.threeFields, 1);
    EXPECT_FLOAT_EQ(c.frameRate, 24.0f);
    EXPECT_DOUBLE_EQ(state.hBlurWidth, 0.123);
    EXPECT_EQ(c.hBlurMode, 1);
    EXPECT_DOUBLE_EQ(state.vBlurWidth, 0.05);
    EXPECT_EQ(c.fovIndex, 1);
    EXPECT_EQ(c.textColour, 16777215);
    EXPECT_FLOAT_EQ(c.centralZone, 60.0f);
    EXPECT_FLOAT_EQ(c.reserved8[8], 9.0f);
    EXPECT_EQ(c.reserved11, 3);
    EXPECT_EQ(c.keepElectronicZoom, 1);
    EXPECT_EQ(c.detectorRows, 240);
    EXPECT_FLOAT_EQ(c.flickerProbability, 0.02f);
    EXPECT_FLOAT_EQ(c.reserved15[4], 0.5f);
    EXPECT_FLOAT_EQ(c.blurWidthNarrow, 0.03f);
    EXPECT_EQ(c.reserved17, 7);
    EXPECT_EQ(c.frameNoise, (std::array<std::int32_t, 3>{100, 10, 20}));
    EXPECT_EQ(c.viewMargin, 1);
    EXPECT_FLOAT_EQ(c.jitterProbability, 0.1f);
    EXPECT_EQ(c.reserved19, 4);
    EXPECT_FLOAT_EQ(c.blurDivisors[1][3], 6.2f);
    EXPECT_FLOAT_EQ(c.reserved22[3], 0.4f);
    EXPECT_FLOAT_EQ(c.blockA.floats[23], 24.0f);
    EXPECT_EQ(c.blockB.ints[4], 10);
    EXPECT_FLOAT_EQ(c.blurBlock.floats[23], 0.24f);
    EXPECT_EQ(state.tables.spectralResponse0.vertices, (std::vector<float>{8, 0, 10, 1, 12, 0}));
    EXPECT_EQ(state.tables.mrtdAltH.vertices, (std::vector<float>{0.5f, 0.13f, 2, 0.96f}));
    EXPECT_EQ(state.tables.mrtdNarrowV.vertices, (std::vector<float>{1, 0.21f, 4, 1.81f}));
    // Tables with a count of 0 or less keep their points.
    EXPECT_EQ(state.tables.reservedTable1.vertices, (std::vector<float>{1, 2, 3, 4}));
    EXPECT_EQ(state.tables.reservedTable2.vertices, (std::vector<float>{5, 6, 7, 8}));
    // The scene starts at 0 °C after every load; reserved24 is never left at 0.
    EXPECT_EQ(c.backgroundTemperature, 0.0f);
    EXPECT_EQ(c.reserved24, 1);
    EXPECT_EQ(c.reserved25, 25);
    EXPECT_EQ(state.cameraTargetName, "mira.tag"); // trailing blanks and tabs dropped
    // CR LF line ends load the same camera.
    TempDir dir;
    std::string crlf;
    for (char ch : readText(testDataFile("camera/distinct.par")))
        crlf += ch == '\n' ? std::string("\r\n") : std::string(1, ch);
    CameraState dos = stateWithSentinels();
    ASSERT_TRUE(readCameraFile(dir.write("crlf.par", crlf), CameraLoadMode::Full, dos, log));
    EXPECT_EQ(dos, state);
}

TEST(CameraFile, AnEmptyTargetNameLineGivesAnEmptyName) {
    CameraState state = defaultCameraState();
    state.cameraTargetName = "old.tag";
    MessageLog log;
    ASSERT_TRUE(readCameraFile(shippedFile("camera2.par"), CameraLoadMode::Full, state, log));
    EXPECT_EQ(state.cameraTargetName, "");
}

TEST(CameraFile, AMissingFileIsReportedAndChangesNothing) {
    CameraState state = stateWithSentinels();
    const CameraState before = state;
    MessageLog log;
    EXPECT_FALSE(readCameraFile("no-such-camera.par", CameraLoadMode::SwitchCamera, state, log));
    ASSERT_EQ(log.messages.size(), 1u);
    EXPECT_EQ(log.messages[0], "File 'no-such-camera.par' is absent.\n Can't start the system");
    EXPECT_EQ(state, before);
}

struct MalformedCase {
    const char* name;
    int line;  // 1-based line of the shipped camera1.par to change
    int token; // token to replace, or -1 to replace the whole line
    const char* value;
    int reportedLine;
    const char* fragment;           // part of the message
    bool truncateAfterLine = false; // the file ends after the changed line
};

// Line 6 holds netd, the fields of view, the detector size and the zooms; line 7 mrtdWideH; line 8
// its spectral response, the field table and the frame rate; line 17 the detector format.
const MalformedCase malformedCases[] = {
    {"a token that is not a number", 6, 0, "fast", 6, "netd is not a number"},
    {"a value that is not finite", 6, 0, "inf", 6, "netd is not a finite number"},
    {"a NaN", 6, 13, "nan", 6, "opticalZoom is not a finite number"},
    {"a float beyond the float range", 6, 3, "1e39", 6, "reserved1 is not a finite number"},
    {"a missing count", 7, 0, "eight", 7, "point count of mrtdWideH is not a number"},
    {"a count of exactly 1", 7, -1, "1 0.5 0.1", 7, "point count of mrtdWideH is 1"},
    {"a count above the bound", 7, 0, "200000", 7, "larger than the file holds"},
    {"a count beyond the rest of the file", 7, 0, "2000", 7, "larger than the file holds"},
    {"a table that runs out of numbers", 21, -1, "5 1 2 3", 23, "mrtdAltH has fewer than the 5 points"},
    {"a field of view of zero", 6, 1, "0", 6, "fovCurrentH must lie between 0 and 180"},
    {"a negative field of view", 6, 2, "-4", 6, "fovCurrentV must lie between 0 and 180"},
    {"a field-table entry of zero", 8, 17, "0", 8, "fovTable[0][0] must lie between 0 and 180"},
    {"a negative detector", 17, 7, "-640", 17, "detector format -640 x 480"},
    {"a detector beyond the limit", 17, 7, "9000", 17, "detector format 9000 x 480"},
    {"a zero sensor width", 6, 8, "0", 6, "sensorWidth x sensorHeight"},
    {"tempMax equal to tempMin", 3, -1, "20 20   Temperature range", 3, "tempMax must be above tempMin"},
    {"tempMax below tempMin", 3, -1, "50 -20   Temperature range", 3, "tempMax must be above tempMin"},
    {"equal contrast limits", 4, -1, "1 1   Contrast range", 4, "contrast limits are equal"},
    {"equal level limits", 5, -1, "2 2   Level range", 5, "level limits are equal"},
    {"a zero electronic zoom", 6, 12, "0", 6, "electronic zoom must be positive"},
    {"a negative optical zoom", 6, 13, "-1", 6, "optical zoom must be positive"},
    {"a frame rate of zero", 8, 24, "0", 8, "frame rate"},
    {"a spectral response out of order", 8, 3, "9", 8, "wavelengths of spectralResponse0"},
    {"a file that ends early", 20, -1, "", 20, "the file ends before the point count of mrtdMediumH", true},
    {"a flicker amplitude that is not finite", 17, 12, "inf", 17, "flickerAmplitude is not a finite number"},
    {"a flicker probability that is not finite", 17, 13, "nan", 17, "flickerProbability is not a finite number"},
    {"a jitter amplitude that is not finite", 18, 16, "-inf", 18, "jitterAmplitude is not a finite number"},
    {"a percentage written as a float", 18, 10, "1e3", 18, "frameNoise[1] is not a number"},
    {"a temperature below absolute zero", 3, -1, "-300 50   Temperature range", 3, "must lie above -273"},
    {"a temperature range too high", 3, -1, "-20 5000   Temperature range", 3, "at most 2000 degrees"},
    {"a wavelength beyond 100 um", 8, 15, "140", 8, "at most 100 um"},
    {"an electronic zoom that makes the image too large", 6, 12, "0.01", 6, "give 1 to 8192 pixels per side"},
    {"a detector one pixel over the limit", 17, 8, "8193", 17, "detector format 640 x 8193"},
};

class CameraFileMalformed : public ::testing::TestWithParam<MalformedCase> {};

TEST_P(CameraFileMalformed, IsReportedWithItsLineAndLeavesTheCameraUnchanged) {
    const MalformedCase& c = GetParam();
    TempDir dir;
    std::vector<std::string> changed = splitLines(readText(shippedFile("camera1.par")));
    std::string& line = changed[static_cast<std::size_t>(c.line - 1)];
    line = c.token < 0 ? c.value : withToken(line, static_cast<std::size_t>(c.token), c.value);
    if (c.truncateAfterLine)
        changed.resize(static_cast<std::size_t>(c.line));
    const std::string path = dir.write("bad.par", testing_support::joinLines(changed));

    BenchState state;
    MessageLog log;
    ASSERT_TRUE(loadCameraFile(state, shippedFile("camera3.par"), CameraLoadMode::Full, log));
    const CameraState before = state.camera;
    const double sigmaBefore = state.sim.lastNoiseSigma;
    EXPECT_FALSE(loadCameraFile(state, path, CameraLoadMode::Full, log));
    ASSERT_EQ(log.messages.size(), 1u);
    const std::string& message = log.messages[0];
    EXPECT_EQ(message.rfind("File '" + path + "' is malformed.\n Line ", 0), 0u) << message;
    EXPECT_NE(message.find("Line " + std::to_string(c.reportedLine) + ":"), std::string::npos) << message;
    EXPECT_NE(message.find(c.fragment), std::string::npos) << message;
    EXPECT_EQ(state.camera, before);
    EXPECT_EQ(state.sim.lastNoiseSigma, sigmaBefore);
}

INSTANTIATE_TEST_SUITE_P(Faults, CameraFileMalformed, ::testing::ValuesIn(malformedCases),
                         testing_support::RowNamedByName{});

class ShippedCamera : public ::testing::TestWithParam<std::tuple<int, CameraLoadMode>> {};

TEST_P(ShippedCamera, LoadsInEveryMode) {
    const auto& [k, mode] = GetParam();
    BenchState state;
    MessageLog log;
    ASSERT_TRUE(loadCameraFile(state, shippedFile("camera" + std::to_string(k) + ".par"), mode, log));
    EXPECT_TRUE(log.messages.empty());
    EXPECT_LT(state.camera.set.tempMin, -5.0f); // bars of a negative difference stay above the range
    EXPECT_GT(state.camera.set.tempMax, 5.0f);
    EXPECT_GE(state.camera.tables.mrtdWideH.vertexCount(), 2);
    // One entry per tenth of a degree from the bottom of the range to its top.
    const PointList& table = state.camera.tables.signalTable;
    ASSERT_GE(table.vertexCount(), 2);
    EXPECT_NEAR(table.x(0), state.camera.set.tempMin, 1e-4);
    EXPECT_NEAR(table.x(1) - table.x(0), 0.1, 1e-4);
    EXPECT_GT(table.x(table.vertexCount() - 1), state.camera.set.tempMax - 0.1f);
    EXPECT_LE(table.x(table.vertexCount() - 1), state.camera.set.tempMax + 1e-3f);
    for (int k = 1; k < table.vertexCount(); ++k)
        ASSERT_GT(table.y(k), table.y(k - 1)) << k; // warmer gives more signal
}

INSTANTIATE_TEST_SUITE_P(CamerasAndModes, ShippedCamera,
                         ::testing::Combine(::testing::Range(1, 6), ::testing::ValuesIn(allModes)),
                         [](const ::testing::TestParamInfo<ShippedCamera::ParamType>& info) {
                             return "camera" + std::to_string(std::get<0>(info.param)) + "_" +
                                    modeName(std::get<1>(info.param));
                         });

TEST(CameraFile, TheLargestDetectorIsAccepted) {
    TempDir dir;
    std::vector<std::string> lines = splitLines(readText(shippedFile("camera1.par")));
    lines[16] = withToken(lines[16], 7, "8192");
    lines[16] = withToken(lines[16], 8, "8192");
    CameraState state = defaultCameraState();
    MessageLog log;
    EXPECT_TRUE(
        readCameraFile(dir.write("big.par", testing_support::joinLines(lines)), CameraLoadMode::Full, state, log));
    EXPECT_EQ(state.set.detectorColumns, 8192);
}

} // namespace
