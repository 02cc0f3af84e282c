#pragma once

#include <string>
#include <string_view>
#include <vector>

using TokenList = std::vector<std::string>;

// Splits text on any of the delimiter characters; runs of delimiters never give empty tokens.
// When maxCount tokens are taken and text remains, the remainder (delimiters included) becomes
// one last element. maxCount <= 0 means no limit.
TokenList splitTokens(std::string_view text, std::string_view delimiters, int maxCount = 0);
std::string joinTokens(const TokenList& list, char joinChar);
// The n-th token (1-based; negative n counts from the end) becomes newToken.
void replaceToken(std::string& text, int n, std::string_view newToken, std::string_view delimiters, char joinChar);
// Removes the n-th token counted from the end.
void removeToken(std::string& text, int n, std::string_view delimiters, char joinChar);
// Reverses the characters of a UTF-8 text while keeping each multi-byte character intact.
std::string reverseCharacters(std::string_view text);

// A number as a message quotes it, in at most six significant digits: "0.05", "1e+308", "-273".
std::string messageNumber(double value);

// The directory of the program, ending in the join character, derived from its own path.
std::string programDirectoryFromPath(std::string_view programPath, char separator = '/');
