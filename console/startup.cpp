#include "console/bench_state.h"

#include "text/messages.h"
#include "text/tokens.h"

bool loadCameraFile(BenchState& state, const std::string& path, CameraLoadMode mode, MessageSink& messages) {
    if (!readCameraFile(path, mode, state.camera, messages))
        return false;
    CameraModelContext context = state.model();
    RefreshCameraModel(context);
    return true;
}

void constructApplication(BenchState& state, MessageSink& messages) {
    state.camera = defaultCameraState();
    loadCameraFile(state, startCameraFile, CameraLoadMode::Standard, messages);
    CameraModelContext context = state.model();
    buildStartupKernels(context);
}

bool startApplication(BenchState& state, const std::string& programPath, MessageSink& messages) {
    state.programDirectory = programDirectoryFromPath(programPath, '/');
    state.cameraFileName = startCameraFile;
    readAtmosphereFile(state.programDirectory + atmosphereFileName, state.atmosphere);
    if (!loadCameraFile(state, state.cameraFileName, CameraLoadMode::Full, messages))
        return false;
    CameraModelContext context = state.model();
    horizontalBlurModel(context);
    verticalBlurModel(context);
    return true;
}
