#pragma once

#include "camera/camera_set.h"
#include "sim/image_model.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

class Bench;

// Where one record of a bench comes from: a file, or a text in hand whose path only names it.
struct BenchSource {
    std::string path;
    std::optional<std::string> text;
};

// What a bench opens on.
struct BenchSources {
    BenchSource camera;
    BenchSource target;
    std::optional<BenchSource> atmosphere; // none: the atmosphere stays as it is
    std::optional<std::uint32_t> seed;     // none: the generator keeps its seed
    std::optional<ImageModel> imageModel;  // chosen once the camera is read; none: the console's stays
    // Changes to the camera after its file is read and before it is activated.
    std::function<void(CameraSet&)> adjustCamera;
};

enum class BenchOpenFault { None, Atmosphere, Camera, Target };

// Opens the console's bench as the console stands after its start: the atmosphere, the generator's
// seed, the camera in mode Full (the zoom trackbars following it), the image model, the camera activated, the target
// read, the scene updated. Stops at the first record that cannot be read and says which; an
// atmosphere or camera file's fault, and a target file's unless it is absent, has then gone to the
// console's messages already.
BenchOpenFault openBench(Bench& console, const BenchSources& sources);
