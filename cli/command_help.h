#pragma once

#include <string>
#include <vector>

// The tool's help, worded once: each command's --help and the manual page tervix-cli(1) print the
// same rows of the command table, so that neither can describe an option the other lacks.

// One option of a command.
// Whether an option names a file the command reads or one it writes: the outputs are checked against
// the inputs before the command runs.
enum class FileRole { None, Input, Output };

struct CommandOption {
    const char* name;
    const char* valueName; // empty for a flag
    const char* description;
    FileRole role = FileRole::None;
};

// One command's row as its help reads it.
struct CommandHelp {
    const char* name;
    const char* usage;       // the lines after "tervix-cli " in the tool's usage, without the end
    const char* description; // what it does and which files it reads by itself
    const std::vector<CommandOption>* options;
};

// What the tool is, after its usage in "tervix-cli --help".
extern const char* const toolSummary;

// The files a command reads by itself when it takes --target FILE, for its --help; empty for one
// that reads none.
std::string standardFilesText(const CommandHelp& command);

// The manual page, in the man macros of roff.
std::string manualPage(const std::vector<CommandHelp>& commands, const std::string& version);
