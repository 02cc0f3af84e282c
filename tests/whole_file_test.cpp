#include "text/whole_file.h"

#include "test_support.h"

#include <cerrno>
#include <cstring>

using namespace testing_support;

namespace {

// The folder holds "old.txt" with "old" before each row; prepare returns the path the row writes.
struct WholeFileRow {
    const char* name;
    std::string (*prepare)(const TempDir&);
    int cause; // 0: the write succeeds
};

class WholeFile : public ::testing::TestWithParam<WholeFileRow> {};

TEST_P(WholeFile, ReplacesTheFileWholeOrLeavesItAsItWas) {
    const WholeFileRow& row = GetParam();
    TempDir dir;
    dir.write("old.txt", "old");
    const std::string path = row.prepare(dir);
    const bool link = std::filesystem::is_symlink(path);
    std::string error;
    EXPECT_EQ(writeWholeFile(path, "new", error), row.cause == 0) << error;
    if (row.cause == 0) {
        EXPECT_EQ(readText(path), "new");
        EXPECT_EQ(std::filesystem::is_symlink(path), link); // a link is written through, not replaced
    } else {
        EXPECT_NE(error.find(path), std::string::npos) << error;
        EXPECT_NE(error.find(std::strerror(row.cause)), std::string::npos) << error;
    }
    // No temporary is left behind, whatever happened.
    for (const auto& entry : std::filesystem::directory_iterator(dir.root()))
        EXPECT_EQ(entry.path().extension(), ".txt") << entry.path();
    if (path != dir.path("old.txt") && path != dir.path("link.txt")) {
        EXPECT_EQ(readText(dir.path("old.txt")), "old");
    }
}

INSTANTIATE_TEST_SUITE_P(
    Rows, WholeFile,
    ::testing::Values(
        WholeFileRow{"NewFile", [](const TempDir& d) { return d.path("new.txt"); }, 0},
        WholeFileRow{"ReplacesOld", [](const TempDir& d) { return d.path("old.txt"); }, 0},
        WholeFileRow{"ThroughLink",
                     [](const TempDir& d) {
                         std::filesystem::create_symlink("old.txt", d.path("link.txt"));
                         return d.path("link.txt");
                     },
                     0},
        WholeFileRow{"MissingFolder", [](const TempDir& d) { return d.path("missing/out.txt"); }, ENOENT},
        WholeFileRow{"ParentIsAFile", [](const TempDir& d) { return d.path("old.txt/out.txt"); }, ENOTDIR},
        // A name so long that no temporary fits beside it: the old file of that name stays.
        WholeFileRow{"NoRoomForTemporary",
                     [](const TempDir& d) { return d.write(std::string(250, 'a') + ".txt", "old"); }, ENAMETOOLONG},
        WholeFileRow{"FullDevice", [](const TempDir&) { return std::string("/dev/full"); }, ENOSPC}),
    RowNamedByName{});

} // namespace
