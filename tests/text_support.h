#pragma once

// Text helpers for tests, without the test framework, so that the Qt Test programs can share them.
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace testing_support {

inline std::string testDataFile(const std::string& name) {
    return std::string(TERVIX_TEST_DATA_DIR) + "/" + name;
}

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

// A row of a table under tests/data: tab-separated cells, the first the row's name.
struct DataRow {
    std::string name;
    std::vector<std::string> cells; // after the name
    double number(std::size_t k) const { return std::stod(cells.at(k)); }
    double operator[](std::size_t k) const { return number(k); }
    // A cell with each written "\n", "\r" and "\t" a line end, a carriage return or a tab.
    std::string text(std::size_t k) const {
        std::string out = cells.at(k);
        for (auto [written, meant] : {std::pair{"\\n", '\n'}, {"\\r", '\r'}, {"\\t", '\t'}})
            for (std::size_t at = out.find(written); at != std::string::npos; at = out.find(written, at + 1))
                out.replace(at, 2, 1, meant);
        return out;
    }
    std::vector<double> numbers(std::size_t k) const {
        std::vector<double> values;
        std::istringstream in(cells.at(k));
        for (double v; in >> v;)
            values.push_back(v);
        return values;
    }
};

// The rows of a table under tests/data; blank lines and lines starting with '#' are notes. A missing
// or empty table throws, so that no test passes on no rows at all.
inline std::vector<DataRow> dataRows(const std::string& name) {
    std::vector<DataRow> rows;
    for (const std::string& line : splitLines(readText(testDataFile(name)))) {
        if (line.empty() || line[0] == '#')
            continue;
        DataRow& row = rows.emplace_back();
        for (std::size_t start = 0, end = 0; end != std::string::npos; start = end + 1) {
            end = line.find('\t', start);
            row.cells.push_back(line.substr(start, end == std::string::npos ? end : end - start));
        }
        row.name = row.cells.front();
        row.cells.erase(row.cells.begin());
    }
    return rows.empty() ? throw std::runtime_error("no rows in " + name) : rows;
}

// A parameterised test's rows from a table under tests/data, named by their first cells (for the
// GoogleTest programs, with test_support.h).
#define TERVIX_TABLE_ROWS(table)                                                                                       \
    ::testing::ValuesIn(::testing_support::dataRows(table)), ::testing_support::RowNamedByName {}

// Camera 1's file with the blank-separated tokens (from 0; -1 the whole line) of line `line` (from 1)
// replaced, and optionally ended after that line; `text` to change another text instead.
inline std::string changedCamera(int line, const std::vector<int>& tokens, const std::string& value, bool end = false,
                                 const std::string& text = readText(shippedFile("camera1.par"))) {
    std::vector<std::string> lines = splitLines(text);
    std::string& changed = lines.at(static_cast<std::size_t>(line - 1));
    for (int token : tokens) {
        std::istringstream in(changed);
        std::vector<std::string> words;
        for (std::string word; in >> word;)
            words.push_back(token >= 0 && words.size() == static_cast<std::size_t>(token) ? value : word);
        std::string out(changed.rfind(' ', 0) == 0 ? 1 : 0, ' ');
        out.append(joinLines(words, " "));
        changed = token < 0 ? value : out;
    }
    if (end)
        lines.resize(static_cast<std::size_t>(line));
    return joinLines(lines);
}

} // namespace testing_support
