#pragma once

#include "console/bench_console.h"
#include "target/target_file.h"
#include "text/messages.h"

#include "test_support.h"

#include <gtest/gtest.h>

namespace testing_support {

// A started bench on a shipped camera and the standard target, optionally on a quarter of the
// detector at the same pixel angle, to keep the slower measurements short; in either image model.
struct ObserverBench {
    BenchState state;
    MessageLog log;
    BenchConsole console{state, log};

    explicit ObserverBench(const std::string& camera, std::uint32_t seed = 1, bool quarter = false,
                           ImageModel model = ImageModel::Specified) {
        state.random.seed(seed);
        console.setImageModel(model);
        readAtmosphereFile(shippedFile("Atmosphere.ini"), state.atmosphere);
        EXPECT_TRUE(loadCameraFile(state, camera.find('/') == std::string::npos ? shippedFile(camera) : camera,
                                   CameraLoadMode::Full, log));
        if (quarter) {
            CameraSet& c = state.camera.set;
            c.detectorColumns /= 2;
            c.detectorRows /= 2;
            c.fovCurrentH /= 2;
            c.fovCurrentV /= 2;
        }
        console.activateCamera();
        EXPECT_TRUE(readTargetFile(shippedFile("mira.tag"), state.target, 0));
        console.updateScene();
    }
    ~ObserverBench() { EXPECT_TRUE(log.messages.empty()) << log.messages.front(); }
};

} // namespace testing_support
