// The target file reader: keywords, inherited temperature and distance, the shapes, broken
// geometry dropped while the rest reads. The shipped targets: the standard one is printed whole by
// cli_test, the vehicle rendered by the golden cases.
#include "camera/camera_file.h"
#include "target/target_file.h"
#include "text/messages.h"

#include "test_support.h"

#include <filesystem>
#include <sstream>

#include <sys/stat.h>

#include <gtest/gtest.h>

using testing_support::TempDir;

namespace {

Target readText(const TempDir& dir, const std::string& text) {
    Target target;
    MessageLog log;
    EXPECT_TRUE(readTargetFile(dir.write("t.tag", text), target, 0, log));
    return target;
}

// The target as one line: its height and drawing order, then each item's kind, temperature,
// distance, name, vertices and depth.
std::string describe(const Target& t) {
    const char* kinds[] = {"layer", "rectangle", "polygon", "3d polygon", "ellipse"};
    std::ostringstream out;
    out << "height " << t.targetHeight << ", order";
    for (int i : t.distanceOrder)
        out << ' ' << i;
    for (const TargetItem& item : t.items) {
        out << " | " << (item.isObject ? "object " : "") << kinds[static_cast<int>(item.kind) + 1] << ' '
            << item.temperature << " C " << item.distance << " m '" << item.name << "' " << item.vertexCount << 'x'
            << item.dimension << ':';
        for (float v : item.vertices)
            out << ' ' << v;
        if (item.dimension == 3)
            out << " z " << item.minCoord[2] << ".." << item.maxCoord[2];
        if (!item.projected3D.empty())
            out << " edges " << item.projected3D.size() / 3;
    }
    return out.str();
}

class TargetText : public ::testing::TestWithParam<testing_support::DataRow> {};

TEST_P(TargetText, ReadsAsWritten) {
    TempDir dir;
    EXPECT_EQ(describe(readText(dir, GetParam().text(0))), GetParam().cells[1]);
}
INSTANTIATE_TEST_SUITE_P(Cases, TargetText, TERVIX_TABLE_ROWS("target_texts.tsv"));

TEST(TargetFile, AFileThatCannotBeOpenedLeavesAnEmptyTarget) {
    Target target;
    target.items.emplace_back();
    target.targetHeight = 3.0f;
    MessageLog log;
    EXPECT_FALSE(readTargetFile("/nonexistent/mira.tag", target, 0, log));
    EXPECT_TRUE(target.items.empty());
    EXPECT_EQ(target.targetHeight, 3.0f);
}

// The loader marks the console's list as kept aside before it reads a file; the read replaces the
// whole target, so neither the list nor its mark may survive into the new one.
TEST(TargetFile, AReadReplacesTheTargetAndAnyKeptAsideList) {
    TempDir dir;
    const std::string path = dir.write("t.tag", "layer\nobject\nname\nnew\nrectangle\n0 0 1 1\n");
    MessageLog log;
    for (bool fromFile : {true, false}) {
        SCOPED_TRACE(fromFile);
        Target target;
        target.items.resize(3);
        target.items[0].name = "old";
        keepTargetAside(target);
        if (fromFile)
            ASSERT_TRUE(readTargetFile(path, target, 0, log));
        else
            ASSERT_TRUE(readTargetText(testing_support::readText(path), target, 0, path, log));
        EXPECT_FALSE(target.hasKeptAside || target.forceClear || target.items[0].keptAside);
        EXPECT_TRUE(target.keptAsideTarget.empty());
        ASSERT_EQ(target.items.size(), 2u);
        EXPECT_EQ(target.items[1].name, "new");
    }
}

// Files no camera or target ever was, each refused at once with a message that says why.
class HostileFile : public ::testing::TestWithParam<testing_support::DataRow> {};

TEST_P(HostileFile, IsRefusedWithItsReason) {
    const auto& row = GetParam();
    const std::string& source = row.cells[1];
    TempDir dir;
    std::string path = dir.path("hostile");
    if (source == "file")
        path = testing_support::testDataFile("hostile/" + row.cells[3]);
    else if (source == "path")
        path = row.cells[3];
    else if (source == "fifo")
        ASSERT_EQ(mkfifo(path.c_str(), 0600), 0);
    else if (source == "sparse")
        std::filesystem::resize_file(dir.write("hostile", ""), std::stoull(row.cells[2]));
    else {
        std::string text = row.text(3);
        for (int k = std::stoi(row.cells[2]); k > 0; --k)
            text += row.text(4);
        dir.write("hostile", text);
    }
    MessageLog log;
    if (row.cells[0] == "camera") {
        CameraState camera = defaultCameraState();
        EXPECT_FALSE(readCameraFile(path, CameraLoadMode::Full, camera, log));
        EXPECT_EQ(camera, defaultCameraState());
    } else {
        Target target;
        target.items.resize(2);
        EXPECT_FALSE(readTargetFile(path, target, 0, log));
        EXPECT_TRUE(target.items.empty() && target.distanceOrder.empty());
    }
    ASSERT_EQ(log.messages.size(), 1u);
    EXPECT_NE(log.messages[0].find("File '" + path + "' " + row.cells[5]), std::string::npos) << log.messages[0];
}
INSTANTIATE_TEST_SUITE_P(Files, HostileFile, TERVIX_TABLE_ROWS("hostile/files.tsv"));

} // namespace
