#pragma once

#include <optional>
#include <string>
#include <vector>

// A file a command reads or writes, as its words name it: the option ("--csv", or the positional
// argument's name) and the path.
struct NamedFile {
    std::string option;
    std::string path;
};

// The one rule every command keeps before it writes a byte: no output may be one of its inputs (the
// same device and inode, through links hard or symbolic, or the same canonical path for a file not
// there yet), nor another of its outputs. The refusal for the first that is, in one line ("--csv
// 'x.csv' is the input --mrtd 'x.csv'; name another file"); none when every output is a file of its
// own. Standard output ("-") is checked only against the other outputs: it takes one of them.
std::optional<std::string> outputOverInput(const std::vector<NamedFile>& inputs, const std::vector<NamedFile>& outputs);
