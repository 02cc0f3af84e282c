#pragma once

#include <string>

// A CSV field as RFC 4180 writes it: in quotes when it holds a separator, a quote or a line end, each
// quote doubled, so that a camera file's name or a note with commas stays one cell.
inline std::string csvField(const std::string& text) {
    if (text.find_first_of(",\"\n\r") == std::string::npos)
        return text;
    std::string out = "\"";
    for (char c : text)
        out += c == '"' ? std::string("\"\"") : std::string(1, c);
    return out + "\"";
}
