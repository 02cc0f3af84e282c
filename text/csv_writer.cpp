#include "text/csv_writer.h"

#include <cassert>
#include <charconv>
#include <cmath>

CsvWriter::CsvWriter(std::vector<std::string> header) : columns_(header.size()), text_(csvRow(header)) {}

void CsvWriter::row(const std::vector<std::string>& cells) {
    assert(cells.size() == columns_);
    text_ += csvRow(cells);
}

std::string csvRow(const std::vector<std::string>& cells) {
    std::string line;
    for (std::size_t k = 0; k < cells.size(); ++k)
        line.append(k ? "," : "").append(csvField(cells[k]));
    return line + '\n';
}

std::string csvField(const std::string& text) {
    if (text.find_first_of(",\"\n\r") == std::string::npos)
        return text;
    std::string out = "\"";
    for (char c : text)
        out += c == '"' ? std::string("\"\"") : std::string(1, c);
    return out + "\"";
}

std::string csvNumber(double value) {
    if (!std::isfinite(value))
        return {};
    char text[32];
    const auto end = std::to_chars(text, text + sizeof text, value).ptr;
    return std::string(text, end);
}

std::string csvNumber(const std::optional<double>& value) {
    return value ? csvNumber(*value) : std::string();
}

std::string csvBool(bool value) {
    return value ? "true" : "false";
}
