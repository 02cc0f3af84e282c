#include "cli/provenance.h"

#include "text/bounded_text_file.h"
#include "text/version.h"

#include <filesystem>

namespace {

// The largest file a command reads as an input (a camera file's own limit); a hash reads it whole.
constexpr TextFileLimits inputFileLimits{"an input file", 32u << 20, 32u << 20};

} // namespace

nlohmann::json inputRecord(const std::string& path, std::string_view bytes) {
    std::error_code error;
    const auto absolute = std::filesystem::absolute(path, error);
    return {{"path", error ? path : absolute.lexically_normal().string()}, {"sha256", sha256Hex(bytes)}};
}

std::optional<nlohmann::json> inputRecord(const std::string& path, std::string& error) {
    TextFileFault fault = TextFileFault::None;
    std::string reason;
    const auto text = readBoundedTextFile(path, inputFileLimits, fault, reason);
    if (!text) {
        error = "'" + path + "' " + reason;
        return std::nullopt;
    }
    return inputRecord(path, *text);
}

nlohmann::json provenanceJson(const CommandWords& words) {
    return {{"program", "tervix-cli"},
            {"version", tervixVersion},
            {"build", tervixBuild},
            {"commandLine", words.commandLine()}};
}
