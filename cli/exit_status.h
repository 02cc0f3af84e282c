#pragma once

// What tervix-cli's exit status tells a script: done, refused or failed on what it read or wrote, or
// called wrongly (an unknown command or option, a missing argument, a value out of its range), so
// that a batch can tell a typo in its own command line from a bad input file.
enum ExitStatus : int {
    exitSuccess = 0,
    exitFailure = 1,
    exitUsage = 2,
    // A study's merge wrote its table and plot, but some jobs have no result yet: a script waiting
    // for a cluster tries again rather than reading a partial table as final.
    exitIncomplete = 3,
};
