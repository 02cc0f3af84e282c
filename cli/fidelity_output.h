#pragma once

#include "measurement/model_fidelity_report.h"

#include <nlohmann/json.hpp>

#include <string>

// The image model's fidelity report for reading, and for machines.
std::string modelFidelityText(const ModelFidelity& report);
nlohmann::json modelFidelityJson(const ModelFidelity& report);
