#include "console/startup.h"

#include "console/data_files.h"
#include "text/messages.h"
#include "text/tokens.h"

#include <filesystem>
#include <system_error>

bool loadCameraFile(BenchState& state, const std::string& path, CameraLoadMode mode, MessageSink& messages) {
    if (!readCameraFile(path, mode, state.camera, messages))
        return false;
    CameraModelContext context = state.model();
    RefreshCameraModel(context);
    return true;
}

void constructApplication(BenchState& state, MessageSink& messages) {
    state.camera = defaultCameraState();
    // A missing start camera ends the start that follows, which says so; saying it here too would
    // show the same message twice.
    std::error_code error;
    if (std::filesystem::exists(startCameraFile, error))
        loadCameraFile(state, startCameraFile, CameraLoadMode::Standard, messages);
    CameraModelContext context = state.model();
    buildStartupKernels(context);
}

bool startApplication(BenchState& state, const std::string& programPath, MessageSink& messages) {
    state.programDirectory = programDirectoryFromPath(programPath, '/');
    state.cameraFileName = startCameraFile;
    // Without the table beside the program the bench goes on with its own values; a table that is
    // there but refused (a pipe, a device, too large) is said.
    const std::string atmosphere = dataFilePath(state.programDirectory, atmosphereFileName);
    std::error_code absent;
    std::string error;
    if (std::filesystem::exists(atmosphere, absent) && !readAtmosphereFile(atmosphere, state.atmosphere, error))
        messages.message(error);
    if (!loadCameraFile(state, state.cameraFileName, CameraLoadMode::Full, messages))
        return false;
    CameraModelContext context = state.model();
    horizontalBlurModel(context);
    verticalBlurModel(context);
    return true;
}
