#include "console/session_input.h"

#include "camera/camera_file_lookup.h"
#include "text/bounded_text_file.h"
#include "text/hex_text.h"
#include "text/sha256.h"
#include "text/strict_json.h"
#include "text/utf8.h"

#include <nlohmann/json.hpp>

#include <algorithm>

namespace {

// Any file the bench reads is within a camera file's limit, the largest of its kinds.
constexpr std::size_t inputReadLimit = std::size_t(32) << 20;

std::optional<std::string> readInput(const std::string& path) {
    std::string text, problem;
    if (!readBoundedFile(path, inputReadLimit, "an input file", text, problem))
        return std::nullopt;
    return text;
}

bool isSha256(const std::string& text) {
    return text.size() == 64 && text.find_first_not_of("0123456789abcdef") == std::string::npos;
}

} // namespace

std::optional<SessionInput> frozenInput(const std::string& kind, const std::string& file, const std::string& path) {
    const auto text = readInput(path);
    if (!text)
        return std::nullopt;
    return SessionInput{kind, file, sha256Hex(*text), text->size(), text->substr(0, frozenInputLimit)};
}

std::vector<InputOnDisk> inputsOnDisk(const std::vector<SessionInput>& inputs,
                                      const std::vector<std::string>& folders) {
    std::vector<InputOnDisk> states;
    for (const SessionInput& input : inputs) {
        const bool bare = input.kind == inputTarget && input.file.find('.') == std::string::npos;
        std::string problem;
        const auto found = lookUpCameraFile(bare ? input.file + ".tag" : input.file, folders, problem);
        states.push_back(!found                                   ? InputOnDisk::Missing
                         : sha256Hex(found->text) == input.sha256 ? InputOnDisk::Same
                                                                  : InputOnDisk::Differs);
    }
    return states;
}

const char* inputOnDiskText(InputOnDisk state) {
    switch (state) {
    case InputOnDisk::Same:
        return "the same as the stored copy";
    case InputOnDisk::Differs:
        return "differs from the stored copy";
    case InputOnDisk::Missing:
        break;
    }
    return "missing";
}

nlohmann::json inputJson(const SessionInput& input) {
    nlohmann::json item = {{"kind", input.kind}, {"file", input.file}, {"sha256", input.sha256}, {"size", input.size}};
    if (firstNonUtf8Byte(input.text) == std::string_view::npos)
        item["text"] = input.text;
    else
        // A copy that is not UTF-8 (a file in another 8-bit encoding, or cut inside a character)
        // cannot stand in JSON as text: it is kept as hex digits, byte for byte.
        item["hex"] = hexText(input.text);
    return item;
}

bool readInputs(const nlohmann::json& list, std::vector<SessionInput>& inputs, std::string& reason) {
    using strictJson::need;
    if (!need(list.is_array(), reason, "\"inputs\" is not a list"))
        return false;
    for (std::size_t k = 0; k < list.size(); ++k) {
        const nlohmann::json& item = list[k];
        const std::string at = "input " + std::to_string(k + 1);
        if (!need(item.is_object(), reason, at + " is not an object"))
            return false;
        if (!strictJson::needTexts(item, {"kind", "file", "sha256"}, at, reason))
            return false;
        const bool plain = item.contains("text") && item["text"].is_string() && !item.contains("hex");
        const bool coded = item.contains("hex") && item["hex"].is_string() && !item.contains("text");
        const auto copy = plain   ? std::optional(item["text"].get<std::string>())
                          : coded ? bytesOfHex(item["hex"].get<std::string>())
                                  : std::nullopt;
        if (!need(copy.has_value(), reason, at + " holds neither a \"text\" nor a \"hex\" copy of the file"))
            return false;
        const std::string kind = item["kind"].get<std::string>(), &text = *copy;
        const nlohmann::json& size = item.value("size", nlohmann::json());
        if (!need(kind == inputCamera || kind == inputTarget || kind == inputAtmosphere, reason,
                  at + ": \"kind\" is not \"camera\", \"target\" or \"atmosphere\"") ||
            !need(!item["file"].get<std::string>().empty(), reason, at + ": \"file\" is empty") ||
            !need(isSha256(item["sha256"].get<std::string>()), reason, at + ": \"sha256\" is not 64 hex digits") ||
            !need(size.is_number_unsigned() && size.get<std::size_t>() >= text.size() &&
                      text.size() == std::min(size.get<std::size_t>(), frozenInputLimit),
                  reason, at + ": \"size\" does not fit the copy of the text"))
            return false;
        inputs.push_back(
            {kind, item["file"].get<std::string>(), item["sha256"].get<std::string>(), size.get<std::size_t>(), text});
    }
    return true;
}
