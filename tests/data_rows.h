#pragma once

#include "test_support.h"

#include <stdexcept>

namespace testing_support {

// A row of a table under tests/data/tables (see its README): a name, then numbers.
struct NumberRow {
    std::string name;
    std::vector<double> values;
    double operator[](std::size_t k) const { return values.at(k); }
};

// A missing or empty table throws, so that no test passes on no rows at all.
inline std::vector<NumberRow> numberRows(const std::string& table) {
    std::ifstream in(testDataFile("tables/" + table));
    std::vector<NumberRow> rows;
    for (std::string line; std::getline(in, line);) {
        std::istringstream fields(line);
        NumberRow row;
        if (line.empty() || line[0] == '#' || !(fields >> row.name))
            continue;
        for (double value; fields >> value;)
            row.values.push_back(value);
        rows.push_back(row);
    }
    return rows.empty() ? throw std::runtime_error("no rows in " + table) : rows;
}

// A parameterised test's rows from a table, named by their first fields.
#define TERVIX_TABLE_ROWS(table)                                                                                       \
    ::testing::ValuesIn(::testing_support::numberRows(table)), ::testing_support::RowNamedByName {}

} // namespace testing_support
