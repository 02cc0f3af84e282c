#include "text/whole_file.h"

#include "data_table.h"

using namespace testing_support;

namespace {

class WholeFile : public ::testing::TestWithParam<TableRow> {};

TEST_P(WholeFile, ReplacesTheFileWholeOrLeavesItAsItWas) {
    const TableRow& row = GetParam();
    TempDir dir;
    dir.write("old.txt", "old");
    std::filesystem::create_symlink("old.txt", dir.path("link.txt"));
    const std::string path = row[1][0] == '/' ? row[1] : dir.path(row[1]);
    if (row[1].size() > 200)
        dir.write(row[1], "old");
    const bool link = std::filesystem::is_symlink(path);
    std::string error;
    EXPECT_EQ(writeWholeFile(path, "new", error), row.size() == 2) << error;
    if (row.size() == 2) {
        EXPECT_EQ(readText(path), "new");
        EXPECT_EQ(std::filesystem::is_symlink(path), link); // a link is written through, not replaced
    } else {
        EXPECT_NE(error.find(path), std::string::npos) << error;
        EXPECT_NE(error.find(row[2]), std::string::npos) << error;
        if (row[1].size() > 200) {
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

INSTANTIATE_TEST_SUITE_P(Rows, WholeFile, ::testing::ValuesIn(dataTable("whole_file/writes.txt")),
                         [](const ::testing::TestParamInfo<TableRow>& info) { return info.param[0]; });

} // namespace
