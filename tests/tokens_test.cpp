#include "text/tokens.h"

#include <gtest/gtest.h>

TEST(Tokens, SplitSkipsRunsOfDelimitersAndKeepsTheRemainderPastTheLimit) {
    EXPECT_EQ(splitTokens("\\a\\\\b\\", "\\"), (TokenList{"a", "b"}));
    EXPECT_EQ(splitTokens("a\\b\\c", "\\", 1), (TokenList{"a", "b\\c"}));
    EXPECT_EQ(splitTokens("a\\b\\c", "\\", 3), (TokenList{"a", "b", "c"}));
    EXPECT_EQ(splitTokens("a\\b", "\\", 2), (TokenList{"a", "b"})); // nothing remains past the limit
    EXPECT_EQ(splitTokens("a b;c", " ;"), (TokenList{"a", "b", "c"}));
    EXPECT_TRUE(splitTokens("", "\\").empty());
    EXPECT_TRUE(splitTokens("\\\\\\", "\\").empty());
}

TEST(Tokens, JoinPutsTheCharacterBetweenNeighboursOnly) {
    EXPECT_EQ(joinTokens({}, '/'), "");
    EXPECT_EQ(joinTokens({"a"}, '/'), "a");
    EXPECT_EQ(joinTokens({"a", "", "c"}, '/'), "a//c");
}

TEST(Tokens, ReplaceAndRemoveCountFromEitherEnd) {
    std::string text = "c:\\bench\\tervix.exe";
    replaceToken(text, -1, "camera1.par", "\\", '\\');
    EXPECT_EQ(text, "c:\\bench\\camera1.par");
    removeToken(text, 1, "\\", '\\');
    EXPECT_EQ(text, "c:\\bench");

    std::string trailing = "a\\b\\";
    replaceToken(trailing, -1, "x", "\\", '\\');
    EXPECT_EQ(trailing, "a\\x"); // the last non-empty component, and the trailing delimiter is lost

    std::string single = "alone";
    removeToken(single, 1, "\\", '\\');
    EXPECT_EQ(single, "");

    std::string first = "a/b/c";
    replaceToken(first, 2, "x", "/", '/');
    EXPECT_EQ(first, "a/x/c");
    std::string padded = "a";
    replaceToken(padded, 3, "x", "/", '/');
    EXPECT_EQ(padded, "a//x"); // empty tokens fill up to the position

    std::string shortText = "a";
    removeToken(shortText, 2, "/", '/');
    EXPECT_EQ(shortText, "a"); // fewer tokens than n: unchanged
}

TEST(Tokens, ProgramDirectoryKeepsMultiByteCharactersAndTheRoot) {
    EXPECT_EQ(programDirectoryFromPath("/opt/tervix/bin/tervix"), "/opt/tervix/bin/");
    EXPECT_EQ(programDirectoryFromPath("/home/ölçüm/Prüfstand €/tervix"), "/home/ölçüm/Prüfstand €/");
    EXPECT_EQ(programDirectoryFromPath("/home/测试/热像/tervix"), "/home/测试/热像/");
    EXPECT_EQ(programDirectoryFromPath("/tervix"), "/");
    EXPECT_EQ(reverseCharacters("aé€😀"), "😀€éa");
}
