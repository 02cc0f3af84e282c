#pragma once

// Holds a JSON value to an expected one: every field the expected value names must be there, numbers
// within 1e-9, everything else equal; fields it leaves out are not compared.
#include <nlohmann/json.hpp>

#include <gtest/gtest.h>

namespace testing_support {

inline void expectJsonHolds(const nlohmann::json& actual, const nlohmann::json& expected, const std::string& at = "") {
    if (expected.is_object()) {
        for (const auto& [key, value] : expected.items())
            if (actual.is_object() && actual.contains(key))
                expectJsonHolds(actual[key], value, at + "/" + key);
            else
                ADD_FAILURE() << at << "/" << key << " is missing";
    } else if (expected.is_array()) {
        ASSERT_TRUE(actual.is_array() && actual.size() == expected.size()) << at << ": " << actual.dump();
        for (std::size_t k = 0; k < expected.size(); ++k)
            expectJsonHolds(actual[k], expected[k], at + "/" + std::to_string(k));
    } else if (expected.is_number() && actual.is_number()) {
        EXPECT_NEAR(actual.get<double>(), expected.get<double>(), 1e-9) << at;
    } else {
        EXPECT_EQ(actual, expected) << at;
    }
}

} // namespace testing_support
