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

std::string jsonQuoted(const std::string& text) {
    return json(shown(text)).dump(-1, ' ', false, json::error_handler_t::replace);
}

// Builds the document as it is read, so that each value is placed once: the parser's own way with a
// filter (a callback) searches the whole enclosing list after every object, which makes a list of
// n objects cost n squared. Each open object keeps its keys to find one named twice, and every open
// list or object its place, so that a refusal says where in the document it is.
class StrictBuilder : public json::json_sax_t {
public:
    json document;
    std::string reason;

    bool null() override { return place(nullptr); }
    bool boolean(bool value) override { return place(value); }
    bool number_integer(number_integer_t value) override { return place(value); }
    bool number_unsigned(number_unsigned_t value) override { return place(value); }
    bool number_float(number_float_t value, const string_t&) override { return place(value); }
    bool string(string_t& value) override { return place(std::move(value)); }
    bool binary(binary_t&) override { return refuse("the text holds binary data"); }
    bool start_object(std::size_t) override { return open(json::object()); }
    bool start_array(std::size_t) override { return open(json::array()); }
    bool end_object() override { return close(); }
    bool end_array() override { return close(); }
    bool key(string_t& name) override {
        Frame& frame = open_.back();
        if (!frame.keys.insert(name).second)
            return refuse("the key " + jsonQuoted(name) + " appears twice in " +
                          (open_.size() == 1 ? std::string("the top object") : pathTo(open_.size() - 1, false)));
        frame.key = std::move(name);
        return true;
    }
    bool parse_error(std::size_t, const std::string& token, const nlohmann::detail::exception& error) override {
        // The parser names an overflowing number as "number overflow parsing '1e400'"; anything else
        // is text that is not JSON.
        if (error.id == 406)
            return refuse("the number " + shown(token) + " at " + pathTo(open_.size(), true) +
                          " is beyond the largest a number may be (1.8e308)");
        return refuse("the text is not complete JSON");
    }

private:
    struct Frame {
        json* node;
        std::set<std::string> keys; // an object's, so far
        std::string key;            // an object's latest
    };

    // The place of the value the first depth open containers lead to ("readings[3].deltaT"): each
    // one's open element, its last, or with pending the one the innermost is about to take.
    std::string pathTo(std::size_t depth, bool pending) const {
        std::string path;
        for (std::size_t k = 0; k < depth; ++k) {
            const Frame& frame = open_[k];
            if (frame.node->is_object())
                path += (path.empty() ? "" : ".") + shown(frame.key);
            else
                path += "[" + std::to_string(frame.node->size() - (pending && k + 1 == depth ? 0 : 1)) + "]";
        }
        return path.empty() ? "the top" : path;
    }
    json* placed(json value) {
        if (open_.empty()) {
            document = std::move(value);
            return &document;
        }
        json& parent = *open_.back().node;
        if (parent.is_array()) {
            parent.push_back(std::move(value));
            return &parent.back();
        }
        return &(parent[open_.back().key] = std::move(value));
    }
    bool place(json value) {
        placed(std::move(value));
        return true;
    }
    bool open(json container) {
        open_.push_back({placed(std::move(container)), {}, {}});
        return true;
    }
    bool close() {
        open_.pop_back();
        return true;
    }
    bool refuse(std::string why) {
        if (reason.empty())
            reason = std::move(why);
        return false;
    }

    std::vector<Frame> open_; // innermost last
};

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
    StrictBuilder builder;
    if (json::sax_parse(text, &builder) && builder.reason.empty())
        return std::move(builder.document);
    reason = builder.reason.empty() ? "the text is not complete JSON" : builder.reason;
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
