#pragma once

#include "measurement/range_prediction.h"

#include <nlohmann/json.hpp>

#include <string>

// A range prediction as the command line writes it: JSON, the printed table and CSV with one row per
// task. Ranges in km; a task the criteria lack is absent.
nlohmann::json rangeJson(const RangePrediction& prediction);
std::string rangeTable(const RangePrediction& prediction);
std::string rangeCsv(const RangePrediction& prediction);
