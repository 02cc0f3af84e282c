#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

// Reads a text file the way formatted stream input does: numbers are taken wherever they stand,
// white space and line ends between them are skipped, and a value that does not convert leaves the
// text where it was for the next read. Line reads take at most a given number of characters.
class TextScanner {
public:
    explicit TextScanner(std::string text);

    // "%f": skips white space, then takes the longest number at the position.
    std::optional<double> scanFloat();
    // "%d": skips white space, then an optionally signed decimal integer. A number that does not
    // fit 32 bits is consumed and reported as not converted.
    std::optional<int> scanInt();
    // Like a line read into a buffer of maxChars + 1: up to and including the line end, at most
    // maxChars characters. Returns nullopt at the end of the text.
    std::optional<std::string> readLine(std::size_t maxChars = std::string::npos);

    // Skips white space and line ends, so that line() names the next token's line.
    void skipWhiteSpace();
    bool atEnd() const { return pos_ >= text_.size(); }
    // 1-based line number of the next unread character.
    int line() const;
    // Characters not read yet.
    std::size_t remaining() const { return text_.size() - pos_; }

private:
    // Skips white space and an optional sign; returns where the digits start, without consuming.
    std::size_t skipSign(bool& negative);

    std::string text_;
    std::size_t pos_ = 0;
    // Line ends counted so far, up to countedTo_: the reader only moves forward, so each call of
    // line() counts only what was read since the last, and a large file is counted once.
    mutable std::size_t countedTo_ = 0;
    mutable int countedLines_ = 0;
};

bool isLineSpace(char c);
// Removes trailing blanks, tabs and line ends.
std::string trimRight(std::string_view text);
// Removes white space at both ends.
std::string trimBoth(std::string_view text);
