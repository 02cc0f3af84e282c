#pragma once

class CommandWords;

// `tervix-cli range`: the detection, recognition and identification ranges of one MRTD source under a
// scenario, with their intervals, and the TTP metric's beside them. One line and 1 on bad input.
int runRangeCommand(const CommandWords& words);
