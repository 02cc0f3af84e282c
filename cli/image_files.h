#pragma once

#include "sim/sim_state.h"

#include <cstdint>
#include <string>
#include <vector>

// Writers of the images the command-line tool produces. Buffers hold rows bottom-up, as the
// simulation keeps them; the files show them the right way up. Each returns false when the file
// cannot be written.
bool writeDisplayImagePng(const SimState& sim, const std::string& path);
bool writeGreyFramePng(const std::vector<std::uint8_t>& frame, int width, int height, const std::string& path);
bool writeSensorImagePfm(const SimState& sim, const std::string& path);
