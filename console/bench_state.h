#pragma once

#include "atmosphere/atmosphere_table.h"
#include "camera/camera_file.h"
#include "camera/camera_set.h"
#include "sim/camera_model.h"
#include "sim/console_values.h"
#include "sim/random_generator.h"
#include "sim/sim_state.h"
#include "target/target.h"

#include <string>

class MessageSink;

// The process-wide records of one bench, owned together: the camera, the atmosphere, the images and
// kernels, the target and the console's values. Tests build a fresh one each.
struct BenchState {
    CameraState camera = defaultCameraState();
    AtmosphereTable atmosphere;
    SimState sim;
    Target target;
    ConsoleValues console;
    RandomGenerator random;
    std::string programDirectory;
    std::string cameraFileName;

    CameraModelContext model() { return {camera, sim, atmosphere, random}; }
};

// Reads a camera file and, when it loads, refreshes the camera model.
bool loadCameraFile(BenchState& state, const std::string& path, CameraLoadMode mode, MessageSink& messages);

inline constexpr const char* atmosphereFileName = "Atmosphere.ini";
