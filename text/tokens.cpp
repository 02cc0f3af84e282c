#include "text/tokens.h"

#include <algorithm>
#include <cstdio>

TokenList splitTokens(std::string_view text, std::string_view delimiters, int maxCount) {
    TokenList result;
    auto isDelimiter = [&](char c) { return delimiters.find(c) != std::string_view::npos; };
    std::size_t pos = 0;
    while (pos < text.size() && isDelimiter(text[pos]))
        ++pos;
    while (true) {
        if (maxCount > 0 && static_cast<int>(result.size()) == maxCount) {
            if (pos < text.size())
                result.emplace_back(text.substr(pos));
            break;
        }
        std::size_t end = pos;
        while (end < text.size() && !isDelimiter(text[end]))
            ++end;
        if (end == pos)
            break;
        result.emplace_back(text.substr(pos, end - pos));
        pos = end;
        while (pos < text.size() && isDelimiter(text[pos]))
            ++pos;
    }
    return result;
}

std::string joinTokens(const TokenList& list, char joinChar) {
    std::string result;
    for (std::size_t i = 0; i < list.size(); ++i) {
        if (i > 0)
            result += joinChar;
        result += list[i];
    }
    return result;
}

std::string reverseCharacters(std::string_view text) {
    // Continuation bytes (10xxxxxx) stay behind their lead byte, so each character reverses as a unit.
    std::string result;
    result.reserve(text.size());
    std::size_t end = text.size();
    while (end > 0) {
        std::size_t start = end - 1;
        while (start > 0 && (static_cast<unsigned char>(text[start]) & 0xC0) == 0x80 && end - start < 4)
            --start;
        result.append(text.substr(start, end - start));
        end = start;
    }
    return result;
}

void replaceToken(std::string& text, int n, std::string_view newToken, std::string_view delimiters, char joinChar) {
    if (n == 0)
        return;
    bool fromEnd = n < 0;
    std::string work = fromEnd ? reverseCharacters(text) : text;
    std::string token = fromEnd ? reverseCharacters(newToken) : std::string(newToken);
    std::size_t k = static_cast<std::size_t>(fromEnd ? -n : n);
    TokenList list = splitTokens(work, delimiters, static_cast<int>(k));
    if (list.size() < k) {
        while (list.size() < k - 1)
            list.emplace_back();
        list.push_back(token);
    } else {
        list[k - 1] = token;
    }
    work = joinTokens(list, joinChar);
    text = fromEnd ? reverseCharacters(work) : work;
}

void removeToken(std::string& text, int n, std::string_view delimiters, char joinChar) {
    if (n <= 0)
        return;
    std::string work = reverseCharacters(text);
    TokenList list = splitTokens(work, delimiters, n);
    if (static_cast<int>(list.size()) >= n) {
        list.erase(list.begin() + (n - 1));
        work = joinTokens(list, joinChar);
    }
    text = reverseCharacters(work);
}

std::string programDirectoryFromPath(std::string_view programPath, char separator) {
    std::string path(programPath);
    std::string delimiters(1, separator);
    replaceToken(path, -1, "camera1.par", delimiters, separator);
    removeToken(path, 1, delimiters, separator);
    // An absolute path loses its leading separator in the token round trip; put it back.
    if (!programPath.empty() && programPath.front() == separator && (path.empty() || path.front() != separator))
        path.insert(path.begin(), separator);
    if (path.empty() || path.back() != separator)
        path += separator;
    return path;
}

std::string messageNumber(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", value);
    return text;
}
