#pragma once

// Text helpers for tests, without the test framework, so that the Qt Test programs can share them.
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace testing_support {

inline std::string shippedFile(const std::string& name) {
    return std::string(TERVIX_SHIPPED_DATA_DIR) + "/" + name;
}

inline std::string readText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream buffer;
    buffer << in.rdbuf();
    return buffer.str();
}

// Lines of a text without their line ends, and back.
inline std::vector<std::string> splitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::string line;
    std::istringstream in(text);
    while (std::getline(in, line))
        lines.push_back(line);
    return lines;
}

inline std::string joinLines(const std::vector<std::string>& lines, const std::string& end = "\n") {
    std::string text;
    for (std::size_t k = 0; k < lines.size(); ++k)
        text += lines[k] + (k + 1 < lines.size() ? end : "");
    return text;
}

// Replaces the blank-separated token at index (from 0) of a line.
inline std::string withToken(const std::string& line, std::size_t index, const std::string& value) {
    std::vector<std::string> tokens;
    std::istringstream in(line);
    std::string token;
    while (in >> token)
        tokens.push_back(token);
    if (index < tokens.size())
        tokens[index] = value;
    std::string out = line.size() && line[0] == ' ' ? " " : "";
    for (std::size_t k = 0; k < tokens.size(); ++k)
        out += (k ? " " : "") + tokens[k];
    return out;
}

// Camera 1's file with other zoom settings: line 6 holds the electronic (token 12) and optical
// (token 13) zoom, line 17 whether an activation keeps the electronic zoom (token 1).
inline std::string zoomedCameraText(const std::string& electronicZoom, const std::string& opticalZoom,
                                    bool keepElectronicZoom) {
    std::vector<std::string> lines = splitLines(readText(shippedFile("camera1.par")));
    lines[5] = withToken(withToken(lines[5], 12, electronicZoom), 13, opticalZoom);
    lines[16] = withToken(lines[16], 1, keepElectronicZoom ? "1" : "0");
    return joinLines(lines) + "\n";
}

} // namespace testing_support
