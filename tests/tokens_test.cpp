// Token splitting, joining and editing as the file names and paths use them, multi-byte text whole.
#include "text/tokens.h"

#include "test_support.h"

#include <gtest/gtest.h>

namespace {

struct SplitCase {
    const char* name;
    const char* text;
    const char* delimiters;
    int limit; // 0: no limit
    TokenList expected;
};

const SplitCase splitCases[] = {
    {"runs of delimiters are skipped", "\\a\\\\b\\", "\\", 0, {"a", "b"}},
    {"the remainder past the limit stays whole", "a\\b\\c", "\\", 1, {"a", "b\\c"}},
    {"a limit equal to the count", "a\\b\\c", "\\", 3, {"a", "b", "c"}},
    {"nothing remains past the limit", "a\\b", "\\", 2, {"a", "b"}},
    {"several delimiter characters", "a b;c", " ;", 0, {"a", "b", "c"}},
    {"an empty text", "", "\\", 0, {}},
    {"only delimiters", "\\\\\\", "\\", 0, {}},
};

class TokensSplit : public ::testing::TestWithParam<SplitCase> {};

struct JoinCase {
    const char* name;
    TokenList tokens;
    const char* expected;
};

const JoinCase joinCases[] = {
    {"no tokens", {}, ""},
    {"one token", {"a"}, "a"},
    {"an empty token between two", {"a", "", "c"}, "a//c"},
};

class TokensJoin : public ::testing::TestWithParam<JoinCase> {};

struct EditCase {
    const char* name;
    const char* text;
    bool replace; // replaceToken, else removeToken
    int position; // from the end when negative
    const char* replacement;
    char delimiter;
    const char* expected;
};

const EditCase editCases[] = {
    {"replace the last component", "c:\\bench\\tervix.exe", true, -1, "camera1.par", '\\', "c:\\bench\\camera1.par"},
    {"remove the last component", "c:\\bench\\camera1.par", false, 1, "", '\\', "c:\\bench"},
    // The last non-empty component is replaced, and the trailing delimiter is lost.
    {"replace past a trailing delimiter", "a\\b\\", true, -1, "x", '\\', "a\\x"},
    {"remove the only component", "alone", false, 1, "", '\\', ""},
    {"replace counted from the front", "a/b/c", true, 2, "x", '/', "a/x/c"},
    {"replace beyond the end pads with empty tokens", "a", true, 3, "x", '/', "a//x"},
    {"remove with fewer tokens than asked leaves the text", "a", false, 2, "", '/', "a"},
};

class TokensEdit : public ::testing::TestWithParam<EditCase> {};

struct DirectoryCase {
    const char* name;
    const char* path;
    const char* expected;
};

const DirectoryCase directoryCases[] = {
    {"plain", "/opt/tervix/bin/tervix", "/opt/tervix/bin/"},
    {"Latin letters beyond ASCII", "/home/ölçüm/Prüfstand €/tervix", "/home/ölçüm/Prüfstand €/"},
    {"CJK letters", "/home/测试/热像/tervix", "/home/测试/热像/"},
    {"the root", "/tervix", "/"},
};

class TokensProgramDirectory : public ::testing::TestWithParam<DirectoryCase> {};

TEST_P(TokensSplit, Splits) {
    const SplitCase& c = GetParam();
    EXPECT_EQ(splitTokens(c.text, c.delimiters, c.limit), c.expected);
}
INSTANTIATE_TEST_SUITE_P(Cases, TokensSplit, ::testing::ValuesIn(splitCases), testing_support::RowNamedByName{});

TEST_P(TokensJoin, PutsTheCharacterBetweenNeighboursOnly) {
    EXPECT_EQ(joinTokens(GetParam().tokens, '/'), GetParam().expected);
}
INSTANTIATE_TEST_SUITE_P(Cases, TokensJoin, ::testing::ValuesIn(joinCases), testing_support::RowNamedByName{});

TEST_P(TokensEdit, CountsFromEitherEnd) {
    const EditCase& c = GetParam();
    std::string text = c.text;
    const std::string delimiters(1, c.delimiter);
    if (c.replace)
        replaceToken(text, c.position, c.replacement, delimiters, c.delimiter);
    else
        removeToken(text, c.position, delimiters, c.delimiter);
    EXPECT_EQ(text, c.expected);
}
INSTANTIATE_TEST_SUITE_P(Cases, TokensEdit, ::testing::ValuesIn(editCases), testing_support::RowNamedByName{});

TEST_P(TokensProgramDirectory, KeepsMultiByteCharactersAndTheRoot) {
    EXPECT_EQ(programDirectoryFromPath(GetParam().path), GetParam().expected);
}
INSTANTIATE_TEST_SUITE_P(Paths, TokensProgramDirectory, ::testing::ValuesIn(directoryCases),
                         testing_support::RowNamedByName{});

TEST(Tokens, ReverseKeepsMultiByteCharactersWhole) {
    EXPECT_EQ(reverseCharacters("aé€😀"), "😀€éa");
}

} // namespace
