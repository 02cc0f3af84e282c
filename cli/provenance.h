#pragma once

#include "cli/command_words.h"
#include "text/sha256.h"

#include <nlohmann/json.hpp>

#include <optional>
#include <string>
#include <string_view>

// What a result needs to name where it came from: the program, its version and build, the command
// line that made it, and each input file with its SHA-256, so that a result can be traced to the
// bytes it was made from and a study can tell a result of its own inputs from another's.

// The file at path as a provenance names it: {"path": absolute path, "sha256": ...}; none, with the
// reason, when it cannot be read.
std::optional<nlohmann::json> inputRecord(const std::string& path, std::string& error);
// The same from the bytes already read.
nlohmann::json inputRecord(const std::string& path, std::string_view bytes);

// {"program", "version", "build", "commandLine"}; the caller adds "inputs" and its settings.
nlohmann::json provenanceJson(const CommandWords& words);
