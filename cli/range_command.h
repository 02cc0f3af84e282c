#pragma once

#include <optional>
#include <string>
#include <vector>

class CommandWords;

// `tervix-cli range`: the detection, recognition and identification ranges of one MRTD source under a
// scenario, with their intervals, and the TTP metric's beside them. One line and 1 on bad input.
int runRangeCommand(const CommandWords& words);

// The tasks a range run with these scenario options predicts, in its order; none, with the message
// the run itself would give, when it would refuse them.
struct RangeTaskNames {
    std::vector<std::string> tasks, ttpTasks;
};
std::optional<RangeTaskNames> rangeTaskNames(const CommandWords& words, std::string& error);
