// Token splitting, joining and editing as the file names and paths use them, multi-byte text whole.
#include "text/tokens.h"

#include "test_support.h"

#include <gtest/gtest.h>

namespace {

using testing_support::DataRow;

class Tokens : public ::testing::TestWithParam<DataRow> {};

// Each row of tokens.tsv runs one token function on its text; the cells are taken as written.
TEST_P(Tokens, GiveTheWrittenResult) {
    const std::string& kind = GetParam().cells[0];
    const TokenList a(GetParam().cells.begin() + 1, GetParam().cells.end());
    if (kind == "split") {
        EXPECT_EQ(splitTokens(a[0], a[1], std::stoi(a[2])), TokenList(a.begin() + 3, a.end()));
    } else if (kind == "join") {
        EXPECT_EQ(joinTokens(TokenList(a.begin() + 1, a.end()), '/'), a[0]);
    } else if (kind == "directory") {
        EXPECT_EQ(programDirectoryFromPath(a[0]), a[1]);
    } else if (kind == "reverse") {
        EXPECT_EQ(reverseCharacters(a[0]), a[1]);
    } else {
        ASSERT_TRUE(kind == "replace" || kind == "remove") << kind;
        std::string text = a[0];
        if (kind == "replace")
            replaceToken(text, std::stoi(a[1]), a[2], a[3], a[3][0]);
        else
            removeToken(text, std::stoi(a[1]), a[3], a[3][0]);
        EXPECT_EQ(text, a[4]);
    }
}
INSTANTIATE_TEST_SUITE_P(Cases, Tokens, TERVIX_TABLE_ROWS("tokens.tsv"));

} // namespace
