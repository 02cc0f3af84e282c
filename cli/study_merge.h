#pragma once

class CommandWords;

// `tervix-cli study --merge DIR [--csv OUT] [--plot OUT]`: every job's row from this manifest's
// results alone, the others named (missing, failed with their logs, stale, malformed). Exit status 0
// when every job has its result, 3 when not.
int mergeStudy(const CommandWords& words);
