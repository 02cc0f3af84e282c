#pragma once

#include "console/bench_state.h"

#include <string>

class MessageSink;

// The camera file a run starts with, from the working directory.
inline constexpr const char* startCameraFile = "camera1.par";

// The application object's construction: the start camera in mode Standard (a missing file leaves
// the defaults and is left to the start to report, once), then the kernels, a non-zero blur mode
// taking the stored width.
void constructApplication(BenchState& state, MessageSink& messages);

// The start of a run: the program's directory from its own path, "Atmosphere.ini" from there (or
// from the installed data folder, see console/data_files.h), the start camera in mode Full from
// the working directory, then both kernels by their models.
// Returns false when the camera file cannot be loaded; the run then ends.
bool startApplication(BenchState& state, const std::string& programPath, MessageSink& messages);
