#pragma once

#include <string>
#include <string_view>

// The path that names standard output for every output a command writes (--csv -, --plot -), so that
// a result can go straight into a pipe. A file really named "-" is written as ./-.
inline constexpr std::string_view standardOutputPath = "-";

bool isStandardOutput(const std::string& path);

// Writes an output: to standard output, whole and flushed, for "-"; through writeWholeFile for a
// file, so that no file named "-" is ever made by accident. On failure, error names the output and the
// cause.
bool writeOutputFile(const std::string& path, std::string_view bytes, std::string& error);
