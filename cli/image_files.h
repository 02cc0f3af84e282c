#pragma once

#include "sim/sim_state.h"

#include <cstdint>
#include <string>
#include <vector>

class QImage;

// Writers of the images the command-line tool produces, each whole or not at all. Buffers hold rows
// bottom-up, as the simulation keeps them; the files show them the right way up. Each returns false
// when the file cannot be written, with error naming the file and the cause.
bool writePng(const QImage& image, const std::string& path, std::string& error);
bool writeDisplayImagePng(const SimState& sim, const std::string& path, std::string& error);
bool writeGreyFramePng(const std::vector<std::uint8_t>& frame, int width, int height, const std::string& path,
                       std::string& error);
bool writeSensorImagePfm(const SimState& sim, const std::string& path, std::string& error);
