#pragma once

#include <nlohmann/json.hpp>

#include <initializer_list>
#include <optional>
#include <string>

// JSON as a file the bench wrote it, read strictly and in time linear in its length: the text must be
// UTF-8, every number finite and no object may name a key twice (a reader that lets the last one win
// would let a second "format" or "deltaT" hide behind the first). A text that breaks a rule gives
// nothing and a reason that says which, and where: "the file is empty", "the text is not UTF-8 (byte
// 12)", "the number 1e400 at readings[3].deltaT is beyond the largest a number may be (1.8e308)",
// "the key \"deltaT\" appears twice in readings[3]", "the text is not complete JSON".
std::optional<nlohmann::json> parseStrictJson(const std::string& text, std::string& reason);

// The checks a strict reader makes of what it found, each leaving the reason at the first fault.
namespace strictJson {
// condition, or false with what as the reason.
bool need(bool condition, std::string& reason, const std::string& what);
// Each key present with a text value, or false with "<at> has no text \"<key>\"" for the first not.
bool needTexts(const nlohmann::json& item, std::initializer_list<const char*> keys, const std::string& at,
               std::string& reason);
// A whole number within int's range.
bool isInt(const nlohmann::json& value);
// A number (every number parseStrictJson gives is finite).
bool isNumber(const nlohmann::json& value);
} // namespace strictJson
