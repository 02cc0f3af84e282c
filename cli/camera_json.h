#pragma once

#include "console/bench_state.h"

#include <nlohmann/json.hpp>

// A float as the shortest decimal that reads back as the same float.
double shortestDouble(float value);

// The camera in use as JSON: the record's fields, the stored tables, the values beside them and
// the atmosphere table; with the model, the derived kernels, ranges and window too.
nlohmann::json cameraJson(const BenchState& state, bool withModel);
// The current target as JSON.
nlohmann::json targetJson(const Target& target);
