#include "text/text_scanner.h"

#include <algorithm>
#include <charconv>
#include <limits>

TextScanner::TextScanner(std::string text) : text_(std::move(text)) {}

bool isLineSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

void TextScanner::skipWhiteSpace() {
    while (pos_ < text_.size() && isLineSpace(text_[pos_]))
        ++pos_;
}

std::size_t TextScanner::skipSign(bool& negative) {
    skipWhiteSpace();
    std::size_t start = pos_;
    negative = false;
    if (start < text_.size() && (text_[start] == '+' || text_[start] == '-')) {
        negative = text_[start] == '-';
        ++start;
    }
    return start;
}

std::optional<double> TextScanner::scanFloat() {
    bool negative = false;
    const std::size_t start = skipSign(negative);
    // A second sign would be accepted by the number parser below; formatted input refuses it.
    if (start >= text_.size() || text_[start] == '+' || text_[start] == '-')
        return std::nullopt;
    double value = 0.0;
    const char* first = text_.data() + start;
    const char* last = text_.data() + text_.size();
    auto [end, error] = std::from_chars(first, last, value, std::chars_format::general);
    if (end == first)
        return std::nullopt;
    pos_ = static_cast<std::size_t>(end - text_.data());
    if (error == std::errc::result_out_of_range) {
        // Only a negative exponent underflows; anything else out of range overflows.
        std::string_view number(first, static_cast<std::size_t>(end - first));
        bool underflow = number.find("e-") != std::string_view::npos || number.find("E-") != std::string_view::npos;
        value = underflow ? 0.0 : std::numeric_limits<double>::infinity();
    }
    return negative ? -value : value;
}

std::optional<int> TextScanner::scanInt() {
    bool negative = false;
    const std::size_t start = skipSign(negative);
    std::size_t digitsEnd = start;
    while (digitsEnd < text_.size() && text_[digitsEnd] >= '0' && text_[digitsEnd] <= '9')
        ++digitsEnd;
    if (digitsEnd == start)
        return std::nullopt;
    pos_ = digitsEnd;
    long long value = 0;
    auto [end, error] = std::from_chars(text_.data() + start, text_.data() + digitsEnd, value);
    (void)end;
    if (error != std::errc())
        return std::nullopt;
    if (negative)
        value = -value;
    if (value < std::numeric_limits<int>::min() || value > std::numeric_limits<int>::max())
        return std::nullopt;
    return static_cast<int>(value);
}

std::optional<std::string> TextScanner::readLine(std::size_t maxChars) {
    if (pos_ >= text_.size())
        return std::nullopt;
    std::size_t end = text_.find('\n', pos_);
    end = end == std::string::npos ? text_.size() : end + 1;
    if (maxChars != std::string::npos)
        end = std::min(end, pos_ + maxChars);
    std::string line = text_.substr(pos_, end - pos_);
    pos_ = end;
    return line;
}

int TextScanner::line() const {
    if (pos_ < countedTo_) {
        countedTo_ = 0;
        countedLines_ = 0;
    }
    countedLines_ += static_cast<int>(std::count(text_.begin() + static_cast<std::ptrdiff_t>(countedTo_),
                                                 text_.begin() + static_cast<std::ptrdiff_t>(pos_), '\n'));
    countedTo_ = pos_;
    return 1 + countedLines_;
}

std::string trimRight(std::string_view text) {
    std::size_t end = text.size();
    while (end > 0 && (text[end - 1] == ' ' || text[end - 1] == '\t' || text[end - 1] == '\n' || text[end - 1] == '\r'))
        --end;
    return std::string(text.substr(0, end));
}

std::string trimBoth(std::string_view text) {
    std::size_t begin = 0;
    while (begin < text.size() && isLineSpace(text[begin]))
        ++begin;
    std::size_t end = text.size();
    while (end > begin && isLineSpace(text[end - 1]))
        --end;
    return std::string(text.substr(begin, end - begin));
}
