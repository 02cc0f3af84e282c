#include "text/whole_file.h"

#include "test_support.h"

using namespace testing_support;

namespace {

class WholeFile : public ::testing::TestWithParam<DataRow> {};

TEST_P(WholeFile, ReplacesTheFileWholeOrLeavesItAsItWas) {
    const DataRow& row = GetParam();
    TempDir dir;
    dir.write("old.txt", "old");
    std::filesystem::create_symlink("old.txt", dir.path("link.txt"));
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

} // namespace
