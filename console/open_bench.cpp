#include "console/open_bench.h"

#include "console/bench.h"
#include "target/target_file.h"
#include "text/messages.h"

namespace {

bool readAtmosphere(const BenchSource& source, AtmosphereTable& atmosphere, MessageSink& messages) {
    std::string error;
    if (source.text ? readAtmosphereText(*source.text, source.path, atmosphere, error)
                    : readAtmosphereFile(source.path, atmosphere, error))
        return true;
    messages.message(error);
    return false;
}

bool readCamera(const BenchSource& source, BenchState& state, MessageSink& messages) {
    if (!source.text)
        return loadCameraFile(state, source.path, CameraLoadMode::Full, messages);
    if (!readCameraText(*source.text, source.path, CameraLoadMode::Full, state.camera, messages))
        return false;
    CameraModelContext context = state.model();
    RefreshCameraModel(context);
    return true;
}

bool readTarget(const BenchSource& source, Target& target, int stepIndex, MessageSink& messages) {
    if (!source.text)
        return readTargetFile(source.path, target, stepIndex, messages);
    return readTargetText(*source.text, target, stepIndex, source.path, messages);
}

} // namespace

BenchOpenFault openBench(Bench& console, const BenchSources& sources) {
    BenchState& state = console.state();
    if (sources.atmosphere && !readAtmosphere(*sources.atmosphere, state.atmosphere, console.messages()))
        return BenchOpenFault::Atmosphere;
    if (sources.seed)
        state.random.seed(*sources.seed);
    if (!readCamera(sources.camera, state, console.messages()))
        return BenchOpenFault::Camera;
    if (sources.adjustCamera)
        sources.adjustCamera(state.camera.set);
    console.takeCameraZoom();
    if (sources.imageModel)
        console.setImageModel(*sources.imageModel);
    console.activateCamera();
    if (!readTarget(sources.target, state.target, console.stepIndex(), console.messages()))
        return BenchOpenFault::Target;
    console.updateScene();
    return BenchOpenFault::None;
}
