#include "text/whole_file.h"

#include "test_support.h"

#include <sys/stat.h>

using namespace testing_support;

namespace {

class WholeFile : public ::testing::TestWithParam<DataRow> {};

TEST_P(WholeFile, ReplacesTheFileWholeOrLeavesItAsItWas) {
    const DataRow& row = GetParam();
    TempDir dir;
    dir.write("old.txt", "old");
    std::filesystem::create_symlink("old.txt", dir.path("link.txt"));
    std::filesystem::create_symlink("/dev/full", dir.path("device.txt"));
    ASSERT_EQ(::mkfifo(dir.path("fifo.txt").c_str(), 0600), 0);
    const std::string path = row.cells[0][0] == '/' ? row.cells[0] : dir.path(row.cells[0]);
    if (row.cells[0].size() > 200)
        dir.write(row.cells[0], "old");
    const bool link = std::filesystem::is_symlink(path);
    std::string error;
    EXPECT_EQ(writeWholeFile(path, "new", error), row.cells.size() == 1) << error;
    if (row.cells.size() == 1) {
        EXPECT_EQ(readText(path), "new");
        EXPECT_EQ(std::filesystem::is_symlink(path), link); // a link is written through, not replaced
    } else {
        EXPECT_NE(error.find(path), std::string::npos) << error;
        EXPECT_NE(error.find(row.cells[1]), std::string::npos) << error;
        if (row.cells[0].size() > 200) {
            EXPECT_EQ(readText(path), "old"); // the old file of that name stays
        }
    }
    // No temporary is left behind, whatever happened.
    for (const auto& entry : std::filesystem::directory_iterator(dir.root()))
        EXPECT_EQ(entry.path().extension(), ".txt") << entry.path();
    if (path != dir.path("old.txt") && path != dir.path("link.txt")) {
        EXPECT_EQ(readText(dir.path("old.txt")), "old");
    }
}

INSTANTIATE_TEST_SUITE_P(Rows, WholeFile, TERVIX_TABLE_ROWS("whole_file/writes.txt"));

// A disk that fills up, standing in for the system's write; and the flushes of a write that succeeds.
int flushes = 0;
TEST(WholeFile, AFullDiskLeavesTheOldFileAndAWriteIsFlushedFileAndFolder) {
    TempDir dir;
    const std::string path = dir.write("old.txt", "old");
    const WholeFileSystemCalls system = wholeFileSystemCalls();
    wholeFileSystemCalls().write = [](int, const void*, unsigned long) -> long { return errno = ENOSPC, -1; };
    std::string error;
    EXPECT_FALSE(writeWholeFile(path, "new", error));
    EXPECT_EQ(error, "cannot write '" + path + "': No space left on device");
    EXPECT_EQ(readText(path), "old");
    wholeFileSystemCalls() = system;
    wholeFileSystemCalls().fsync = [](int fd) {
        struct stat info {};
        if (::fstat(fd, &info) == 0)
            flushes += S_ISREG(info.st_mode) ? 1 : S_ISDIR(info.st_mode) ? 100 : 0;
        return ::fsync(fd);
    };
    EXPECT_TRUE(writeWholeFile(path, "new", error));
    wholeFileSystemCalls() = system;
    EXPECT_EQ(flushes, 101); // the file, then its folder
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.root()), {}), 1);
}

} // namespace
