#include "text/strict_json.h"

#include "text/utf8.h"

#include <cmath>
#include <limits>
#include <set>
#include <vector>

using nlohmann::json;

namespace {

// A hostile file's key or number can be megabytes long; a message shows its start.
std::string shown(const std::string& text) {
    constexpr std::size_t longest = 40;
    return text.size() <= longest ? text : text.substr(0, longest) + "...";
}

} // namespace

std::optional<json> parseStrictJson(const std::string& text, std::string& reason) {
    if (text.empty()) {
        reason = "the file is empty";
        return std::nullopt;
    }
    if (const std::size_t bad = firstNonUtf8Byte(text); bad != std::string::npos) {
        reason = "the text is not UTF-8 (byte " + std::to_string(bad + 1) + ")";
        return std::nullopt;
    }
    // The keys of each object still open, innermost last; a key always belongs to the innermost.
    std::vector<std::set<std::string>> open;
    std::string twice;
    auto watch = [&open, &twice](int, json::parse_event_t event, json& parsed) {
        if (event == json::parse_event_t::object_start)
            open.emplace_back();
        else if (event == json::parse_event_t::object_end && !open.empty())
            open.pop_back();
        else if (event == json::parse_event_t::key && !open.empty() && twice.empty() &&
                 !open.back().insert(parsed.get<std::string>()).second)
            twice = parsed.get<std::string>();
        return true;
    };
    try {
        json parsed = json::parse(text, watch);
        if (!twice.empty()) {
            reason = "the key " + json(shown(twice)).dump(-1, ' ', false, json::error_handler_t::replace) +
                     " appears twice in one object";
            return std::nullopt;
        }
        return parsed;
    } catch (const json::out_of_range& error) {
        // The parser's own words name the number: "number overflow parsing '1e400'".
        const std::string what = error.what();
        const std::size_t quote = what.find('\'');
        reason =
            "a number is out of range" +
            (quote == std::string::npos ? std::string()
                                        : " (" + shown(what.substr(quote + 1, what.rfind('\'') - quote - 1)) + ")");
    } catch (const json::exception&) {
        reason = "the text is not complete JSON";
    }
    return std::nullopt;
}

bool strictJson::need(bool condition, std::string& reason, const std::string& what) {
    if (!condition)
        reason = what;
    return condition;
}

bool strictJson::needTexts(const nlohmann::json& item, std::initializer_list<const char*> keys, const std::string& at,
                           std::string& reason) {
    for (const char* key : keys)
        if (!need(item.contains(key) && item[key].is_string(), reason, at + " has no text \"" + key + "\""))
            return false;
    return true;
}

bool strictJson::isInt(const json& value) {
    if (value.is_number_unsigned())
        return value.get<unsigned long long>() <= static_cast<unsigned long long>(std::numeric_limits<int>::max());
    return value.is_number_integer() && value.get<long long>() >= std::numeric_limits<int>::min() &&
           value.get<long long>() <= std::numeric_limits<int>::max();
}

bool strictJson::isNumber(const json& value) {
    return value.is_number() && std::isfinite(value.get<double>());
}
