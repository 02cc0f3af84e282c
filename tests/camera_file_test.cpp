// The camera file reader: which fields each load mode keeps, every row read in place, every kind of
// malformed file refused with its line and the camera left as it was, and the shipped cameras.
#include "camera/camera_fields.h"
#include "camera/camera_file.h"
#include "console/bench_state.h"
#include "text/messages.h"

#include "test_support.h"

#include <tuple>

#include <gtest/gtest.h>

using testing_support::changedCamera;
using testing_support::DataRow;
using testing_support::readText;
using testing_support::shippedFile;
using testing_support::TempDir;
using testing_support::testDataFile;

namespace {

// Calls f on the number the field list labels `label`, in the record or beside it; fails the test
// when no such number is listed.
template <class F>
void withNumber(CameraState& s, const std::string& label, F&& f) {
    bool found = false;
    forEachCameraFileField([&](const auto& field) {
        if constexpr (requires { field.from; }) {
            forEachNumber(s.set, field, [&](std::size_t i, auto& number) {
                if (!found && field.label(i) == label) {
                    found = true;
                    f(number);
                }
            });
        } else if constexpr (requires { s.*(field.member), field.kept; }) {
            if (!found && field.name == label) {
                found = true;
                f(s.*(field.member));
            }
        }
    });
    EXPECT_TRUE(found) << label;
}

// Expects the number labelled `label` to be `value` as its own type reads it.
void expectNumber(CameraState& s, const std::string& label, double value) {
    withNumber(s, label, [&](auto& n) { EXPECT_EQ(n, static_cast<std::decay_t<decltype(n)>>(value)) << label; });
}

const std::vector<DataRow> keptFields = testing_support::dataRows("camera/kept_fields.tsv");

// The values a mode may keep set apart from anything distinct.par holds, and points in two tables.
CameraState stateWithSentinels() {
    CameraState s = defaultCameraState();
    for (const DataRow& row : keptFields)
        withNumber(s, row.name, [&](auto& n) { n = static_cast<std::decay_t<decltype(n)>>(row.number(1)); });
    s.tables.reservedTable1.vertices = {1, 2, 3, 4};
    s.tables.reservedTable2.vertices = {5, 6, 7, 8};
    return s;
}

const CameraLoadMode allModes[] = {CameraLoadMode::SwitchCamera, CameraLoadMode::Standard, CameraLoadMode::Full};

std::string modeName(CameraLoadMode mode) {
    return mode == CameraLoadMode::Full ? "Full" : mode == CameraLoadMode::Standard ? "Standard" : "SwitchCamera";
}

class CameraFileKeptField : public ::testing::TestWithParam<std::tuple<CameraLoadMode, DataRow>> {};

TEST_P(CameraFileKeptField, EachModeKeepsExactlyItsFields) {
    const auto& [mode, field] = GetParam();
    CameraState state = stateWithSentinels();
    MessageLog log;
    ASSERT_TRUE(readCameraFile(testDataFile("camera/distinct.par"), mode, state, log));
    EXPECT_TRUE(log.messages.empty());
    const bool kept = field.cells[2].find(modeName(mode)) != std::string::npos;
    expectNumber(state, field.name, field.number(kept ? 1 : 0));
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
    for (const DataRow& row : testing_support::dataRows("camera/distinct_full.tsv"))
        expectNumber(state, row.name, row.number(0));
    EXPECT_EQ(state.set.blockB.ints[4], 10); // the block's integers are labelled from 0 again
    EXPECT_EQ(state.tables.spectralResponse0.vertices, (std::vector<float>{8, 0, 10, 1, 12, 0}));
    EXPECT_EQ(state.tables.mrtdAltH.vertices, (std::vector<float>{0.5f, 0.13f, 2, 0.96f}));
    EXPECT_EQ(state.tables.mrtdNarrowV.vertices, (std::vector<float>{1, 0.21f, 4, 1.81f}));
    // Tables with a count of 0 or less keep their points.
    EXPECT_EQ(state.tables.reservedTable1.vertices, (std::vector<float>{1, 2, 3, 4}));
    EXPECT_EQ(state.tables.reservedTable2.vertices, (std::vector<float>{5, 6, 7, 8}));
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

class CameraFileMalformed : public ::testing::TestWithParam<DataRow> {};

TEST_P(CameraFileMalformed, IsReportedWithItsLineAndLeavesTheCameraUnchanged) {
    const DataRow& c = GetParam();
    TempDir dir;
    const std::string path = dir.write(
        "bad.par", changedCamera(std::stoi(c.cells[0]), {std::stoi(c.cells[1])}, c.cells[2], c.cells.size() > 5));
    BenchState state;
    MessageLog log;
    ASSERT_TRUE(loadCameraFile(state, shippedFile("camera3.par"), CameraLoadMode::Full, log));
    const CameraState before = state.camera;
    const double sigmaBefore = state.sim.lastNoiseSigma;
    EXPECT_FALSE(loadCameraFile(state, path, CameraLoadMode::Full, log));
    ASSERT_EQ(log.messages.size(), 1u);
    const std::string& message = log.messages[0];
    EXPECT_EQ(message.rfind("File '" + path + "' is malformed.\n Line ", 0), 0u) << message;
    EXPECT_NE(message.find("Line " + c.cells[3] + ":"), std::string::npos) << message;
    EXPECT_NE(message.find(c.cells[4]), std::string::npos) << message;
    EXPECT_EQ(state.camera, before);
    EXPECT_EQ(state.sim.lastNoiseSigma, sigmaBefore);
}
INSTANTIATE_TEST_SUITE_P(Faults, CameraFileMalformed, TERVIX_TABLE_ROWS("camera/malformed.tsv"));

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
    // The table's entries over the range are camera_model_test's; each camera's rises.
    const PointList& table = state.camera.tables.signalTable;
    ASSERT_GE(table.vertexCount(), 2);
    for (int k = 1; k < table.vertexCount(); ++k)
        ASSERT_GT(table.y(k), table.y(k - 1)) << k; // warmer gives more signal
}
INSTANTIATE_TEST_SUITE_P(CamerasAndModes, ShippedCamera,
                         ::testing::Combine(::testing::Range(1, 6), ::testing::ValuesIn(allModes)),
                         [](const ::testing::TestParamInfo<ShippedCamera::ParamType>& info) {
                             return "camera" + std::to_string(std::get<0>(info.param)) + "_" +
                                    modeName(std::get<1>(info.param));
                         });

TEST(CameraFile, TheLargestImageIsAccepted) {
    TempDir dir;
    CameraState state = defaultCameraState();
    MessageLog log;
    EXPECT_TRUE(
        readCameraFile(dir.write("big.par", changedCamera(17, {7, 8}, "2048")), CameraLoadMode::Full, state, log));
    EXPECT_EQ(state.set.detectorColumns * state.set.detectorRows, maxImagePixels);
}

} // namespace
