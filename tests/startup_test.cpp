#include "console/bench_state.h"
#include "console/startup.h"
#include "text/messages.h"

#include "test_support.h"

#include <cmath>

#include <gtest/gtest.h>

using namespace testing_support;

TEST(Startup, TheCameraComesFromTheWorkingDirectoryAndTheAtmosphereFromTheProgramDirectory) {
    TempDir work;
    TempDir program;
    copyShipped(work, {"camera4.par"});
    std::filesystem::rename(work.path("camera4.par"), work.path("camera1.par"));
    program.write("Atmosphere.ini", "0 0 0 0 0 0 0\n0 0 0 0 0 0 0\n1 1 1 1 1 1 1\n1\n0 0.5 0.6 0.7 0 0 0 0\n4\n");
    ScopedWorkingDirectory cwd(work.root());
    BenchState state;
    MessageLog log;
    constructApplication(state, log);
    EXPECT_TRUE(log.messages.empty());
    // At construction the atmosphere is still clear: camera4's class 3 adds nothing yet.
    EXPECT_NEAR(state.camera.hBlurWidth, 0.11, 1e-6);
    ASSERT_TRUE(startApplication(state, program.path("tervix"), log));
    EXPECT_EQ(state.programDirectory, program.root().string() + "/");
    EXPECT_EQ(state.cameraFileName, "camera1.par");
    EXPECT_FLOAT_EQ(state.atmosphere.atmosphereBlur[2], 0.6f);
    EXPECT_EQ(state.atmosphere.row6, 4);
    EXPECT_NEAR(state.camera.hBlurWidth, std::hypot(0.11, 0.6), 0.011); // class 3 now blurs too
    EXPECT_GT(state.sim.kernelXHalfWidth, 0);
}
