#pragma once

#include "target/target.h"

#include <string>

// Reads a target file into the current target, then rebuilds the distance order and the extent.
// The target is emptied first, a kept-aside list included: the target loader reads a file only when
// it does not reuse the kept-aside list, and the console drops that list after the loader anyway.
// Returns false when the file cannot be opened; the target is then empty. An item whose geometry
// cannot be read whole gets none and is not drawn.
bool readTargetFile(const std::string& path, Target& target, int stepIndex);
// The same for a target file's text.
void readTargetText(std::string text, Target& target, int stepIndex);
