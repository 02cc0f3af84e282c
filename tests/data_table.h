#pragma once

// Row tables kept as text files under tests/data: one row a line, fields split by " | ", "\n" and "\t"
// in a field a line end and a tab; blank lines and lines starting with "#" (notes) are skipped.
#include "test_support.h"

#include <utility>
#include <vector>

namespace testing_support {

using TableRow = std::vector<std::string>;

inline std::vector<TableRow> dataTable(const std::string& name) {
    std::vector<TableRow> rows;
    for (std::string line : splitLines(readText(testDataFile(name)))) {
        if (line.empty() || line[0] == '#')
            continue;
        for (auto [escape, character] : {std::pair{"\\n", '\n'}, {"\\t", '\t'}})
            for (std::size_t at = 0; (at = line.find(escape, at)) != std::string::npos; ++at)
                line.replace(at, 2, 1, character);
        TableRow& row = rows.emplace_back();
        std::size_t from = 0;
        for (std::size_t bar; (bar = line.find(" | ", from)) != std::string::npos; from = bar + 3)
            row.push_back(line.substr(from, bar - from));
        row.push_back(line.substr(from));
    }
    return rows;
}

// Names a row after its first field, with its index in front, as rows may share a first field.
inline std::string dataRowName(const ::testing::TestParamInfo<TableRow>& info) {
    return std::to_string(info.index) + "_" + rowName(info.param[0]);
}

} // namespace testing_support
