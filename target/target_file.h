#pragma once

#include "target/target.h"

#include <string>

class MessageSink;

// Most layers and objects a target may hold, and most vertices of one polygon: beyond these a render
// of the camera view takes longer than a frame period on the bench's machine (see the user guide's
// limits), so such a file is refused rather than drawn at a crawl.
inline constexpr int maxTargetItems = 100000;
inline constexpr int maxPolygonVertices = 1 << 20;

// Reads a target file into the current target, then rebuilds the distance order and the extent.
// The target is emptied first, a kept-aside list included: the target loader reads a file only when
// it does not reuse the kept-aside list, and the console drops that list after the loader anyway.
// Returns false when the file cannot be opened (no message when it is absent) or is refused (with a
// message: not a regular file, beyond the limits, UTF-16 text); the target is then empty. An item
// whose geometry cannot be read whole gets none and is not drawn.
bool readTargetFile(const std::string& path, Target& target, int stepIndex, MessageSink& messages);
// The same for a target file's text; path only names the file in messages.
bool readTargetText(std::string text, Target& target, int stepIndex, const std::string& path, MessageSink& messages);
