#pragma once

#include "test_support.h"

#include <stdexcept>

namespace testing_support {

// A row of a table under tests/data: a name, then numbers. Tables of expected values live there
// rather than in the tests that read them.
struct DataRow {
    std::string name;
    std::vector<double> values;
    double operator[](std::size_t k) const { return values.at(k); }
};

// The rows of a table, one a line, blank lines and lines starting with # left out. A missing or
// empty table throws, so that a test cannot pass on no rows at all.
inline std::vector<DataRow> dataRows(const std::string& table) {
    std::ifstream in(testDataFile("tables/" + table));
    std::vector<DataRow> rows;
    for (std::string line; std::getline(in, line);) {
        std::istringstream fields(line);
        DataRow row;
        if (line.empty() || line[0] == '#' || !(fields >> row.name))
            continue;
        for (double value; fields >> value;)
            row.values.push_back(value);
        rows.push_back(row);
    }
    if (rows.empty())
        throw std::runtime_error("no rows in " + table);
    return rows;
}

} // namespace testing_support
