#pragma once

// Holds a JSON value to an expected one: every field the expected value names must be there, numbers
// within 1e-9, everything else equal; fields it leaves out are not compared.
#include <nlohmann/json.hpp>

#include <gtest/gtest.h>

namespace testing_support {

inline void expectJsonHolds(const nlohmann::json& actual, const nlohmann::json& expected, const std::string& at = "") {
    if (expected.is_number() && actual.is_number()) {
        EXPECT_NEAR(actual.get<double>(), expected.get<double>(), 1e-9) << at;
    } else if (!expected.is_structured() || expected.type() != actual.type() ||
               (expected.is_array() && expected.size() != actual.size())) {
        EXPECT_EQ(actual, expected) << at;
    } else if (expected.is_array()) {
        for (std::size_t k = 0; k < expected.size(); ++k)
            expectJsonHolds(actual[k], expected[k], at + "/" + std::to_string(k));
    } else {
        for (const auto& [key, value] : expected.items())
            expectJsonHolds(actual.contains(key) ? actual[key] : nlohmann::json("(missing)"), value, at + "/" + key);
    }
}

} // namespace testing_support
