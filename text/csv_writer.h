#pragma once

#include <optional>
#include <string>
#include <vector>

// Every CSV the bench writes, from the command line and from the window alike: one header row, then
// rows of the same length, RFC 4180 quoting, numbers at the shortest precision that reads back to the
// same double, so that a notebook gets the value the bench computed and not a rounded one. A table's
// column names live beside the table's code; numeric columns carry their unit in the name
// (frequency_cy_per_mrad, mrtd_k, range_km).
class CsvWriter {
public:
    explicit CsvWriter(std::vector<std::string> header);
    // Cells are written as given, quoted where they need it; a row's length is the header's.
    void row(const std::vector<std::string>& cells);
    const std::string& text() const { return text_; }

private:
    std::size_t columns_;
    std::string text_;
};

// One row's line, fields quoted where they need it, ending in a line feed: for a table too large to
// hold twice (a study's merge), written row by row under a header made the same way.
std::string csvRow(const std::vector<std::string>& cells);
// A field as RFC 4180 writes it: in quotes when it holds a separator, a quote or a line end, each
// quote doubled, so that a camera file's name or a note with commas stays one cell.
std::string csvField(const std::string& text);
// A number's shortest round-trip text; an empty cell for none, or for a value that is not finite.
std::string csvNumber(double value);
std::string csvNumber(const std::optional<double>& value);
std::string csvBool(bool value);
