#pragma once

#include "target/target.h"

#include <string>

class MessageSink;

// Most layers and objects a target may hold: each painted item is sampled at every edge pixel it
// covers, so items stacked over one place cost the most. 10000 stacked rectangles took 0.16 s to
// render on the bench's machine, the standard target 0.03 s; half as many keep a render that takes
// the most items and vertices together under the 0.2 s an Apply may take.
inline constexpr int maxTargetItems = 5000;
// Most vertices of all the target's polygons together: a pixel's test walks every edge of the polygon.
// 20000 vertices took 0.13 s to render, 100000 0.65 s.
inline constexpr int maxPolygonVertices = 20000;

// Reads a target file into the current target, then rebuilds the distance order and the extent.
// The target is emptied first, a kept-aside list included: the target loader reads a file only when
// it does not reuse the kept-aside list, and the console drops that list after the loader anyway.
// Returns false when the file cannot be opened (no message when it is absent) or is refused (with a
// message: not a regular file, beyond the limits, UTF-16 text); the target is then empty. An item
// whose geometry cannot be read whole gets none and is not drawn.
bool readTargetFile(const std::string& path, Target& target, int stepIndex, MessageSink& messages);
// The same for a target file's text; path only names the file in messages.
bool readTargetText(std::string text, Target& target, int stepIndex, const std::string& path, MessageSink& messages);
