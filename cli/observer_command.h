#pragma once

#include "measurement/screen_viewing.h"

#include <optional>
#include <string>

class CommandWords;

// `tervix-cli observer fit SESSION [--blind-only] --out PROFILE.json`: the human observer's threshold
// factor and noise efficiency fitted to the session's human readings, each reading seen on its own
// camera (found beside the session, then in the working folder), the standard target and the
// atmosphere, through the laboratory's screen. Prints both with their 95 % intervals and the
// residuals, and writes the profile; one line and 1 when it refuses.
int runObserverCommand(const CommandWords& words, const ScreenViewing& screen, const std::string& target,
                       const std::optional<std::string>& atmosphere);
