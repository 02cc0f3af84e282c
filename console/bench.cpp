#include "console/bench.h"

#include "console/data_files.h"
#include "console/target_loader.h"
#include "sim/image_model_behaviour.h"
#include "sim/render.h"
#include "sim/scene.h"
#include "sim/truncated_pi.h"
#include "target/target.h"
#include "text/messages.h"
#include "text/visible_text.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <utility>

Bench::Bench(BenchState& state, MessageSink& messages, ConsoleWindow* window)
    : state_(state), messages_(messages), window_(window), recorder_(messages) {
    state_.console.barScale = frequencyChoices[0].barScale;
    takeCameraZoom();
}

double Bench::zoomInHundredths(double zoom) {
    // Rounded, not cut: a zoom of 1.3 is 129.99... hundredths as a float and must come back as 1.3.
    return static_cast<double>(std::lround(zoom * 100.0)) / 100.0;
}

void Bench::takeCameraZoom() {
    electronicZoom_ = zoomInHundredths(state_.camera.set.electronicZoom);
    opticalZoom_ = zoomInHundredths(state_.camera.set.opticalZoom);
}

std::string Bench::cameraFileOf(int index) {
    return "camera" + std::to_string(index + 1) + ".par";
}

std::string temperatureDifferenceText(float kelvin) {
    char text[32];
    std::snprintf(text, sizeof text, "%+.3f K", static_cast<double>(kelvin));
    return text;
}

double leadingNumber(const std::string& text) {
    std::size_t start = 0;
    while (start < text.size() && (text[start] == ' ' || text[start] == '\t'))
        ++start;
    double value = 0.0;
    const char* first = text.data() + start;
    if (start < text.size() && text[start] == '+')
        ++first;
    std::from_chars(first, text.data() + text.size(), value);
    return std::isfinite(value) ? value : 0.0;
}

namespace {

const char* orientationOf(const ConsoleValues& console) {
    return console.horizontalBars ? orientationHorizontal : orientationVertical;
}

} // namespace

PixelZoom nextFrame(BenchState& state, bool jitter, std::vector<std::uint8_t>& frame, const FrameReadRegion& read) {
    const ImageModelBehaviour& model = imageModelBehaviour(state.sim.imageModel);
    if (read && model.buildViewFrameRegion) {
        // The jitter first, as its stretch says which part is read; its draws and the frame's come
        // from generators of their own, so the order changes neither.
        const PixelZoom zoom =
            jitter ? applyJitter({}, state.camera.set, state.sim.imageWidth, state.sim.imageHeight, state.random)
                   : PixelZoom{};
        model.buildViewFrameRegion(state.sim, state.camera.set, state.random, frame, read(zoom));
        return zoom;
    }
    BuildViewFrame(state.sim, state.camera.set, state.random, frame);
    if (!jitter)
        return {};
    return applyJitter({}, state.camera.set, state.sim.imageWidth, state.sim.imageHeight, state.random);
}

void Bench::redrawView() {
    ++sceneGeneration_;
    RenderImage(renderBusy_, RenderMode::CameraView, false, state_.target, state_.sim, state_.camera.set);
    if (window_)
        window_->presentFrame(false);
}

void Bench::renderCameraView(Target& target) {
    RenderImage(renderBusy_, RenderMode::CameraView, false, target, state_.sim, state_.camera.set);
}

void Bench::remapView() {
    if (renderBusy_ != 0)
        return;
    ++sceneGeneration_;
    mapToDisplay(state_.sim, state_.camera.set, true, false);
    if (window_)
        window_->presentFrame(false);
}

void Bench::updateScene() {
    UpdateScene(state_.target, state_.sim, state_.camera.set, state_.camera.tables.currentSpectralResponse(),
                state_.console);
    redrawView();
}

void Bench::updateTargetExtent() {
    ::updateTargetExtent(state_.target, stepIndex_);
    updateScene();
}

void Bench::autoLevelContrast() {
    if (automaticDisplay_)
        AutoLevelContrast(levelContrast_, state_.camera.set, state_.sim);
}

void Bench::setAutomaticDisplay(bool automatic) {
    automaticDisplay_ = automatic;
    if (automatic)
        autoLevelContrast();
    else
        ApplyLevelContrast(levelContrast_, state_.camera.set, state_.sim);
    remapView();
}

void Bench::setDisplayWindow(int level, int contrast) {
    automaticDisplay_ = false;
    levelContrast_ = {std::clamp(level, 0, sliderRange), std::clamp(contrast, 0, sliderRange)};
    ApplyLevelContrast(levelContrast_, state_.camera.set, state_.sim);
    remapView();
}

void Bench::setElectronicZoom(double zoom) {
    electronicZoom_ = zoomInHundredths(zoom);
    setTemperatureOnGrid(temperatureOnGrid_);
}

void Bench::setMagnifier(int factor) {
    magnifier_ = factor == 2 || factor == 4 || factor == 8 ? factor : 1;
}

ReadingDisplay Bench::display() const {
    return {automaticDisplay_, levelContrast_.level, levelContrast_.contrast, electronicZoom_, magnifier_};
}

void Bench::displayReset() {
    const CameraSet& c = state_.camera.set;
    ViewScales scales;
    if (c.matrixDetector != 0) {
        if (c.doubleColumns != 0 && c.doubleRows == 0)
            scales.rowScale = 2;
        if (c.doubleRows != 0 && c.doubleColumns == 0)
            scales.columnScale = 2;
    }
    state_.sim.scales = scales;
    if (window_)
        window_->layoutChanged();
}

void Bench::start(bool withView) {
    state_.console.consoleReady = true;
    renderBusy_ = 0;
    if (!withView)
        return;
    temperatureOnGrid_ = 0.0f;
    state_.console.temperatureDifference = 0.0f;
    displayReset();
}

void Bench::activateCamera() {
    CameraSet& c = state_.camera.set;
    c.atmTemperature = 0.0f;
    CameraModelContext context = state_.model();
    activateCameraModel(context);
    renderBusy_ = 0;
    if (c.keepElectronicZoom == 0)
        c.electronicZoom = 1.0f;
    // The bench's zoom is what the activated camera holds, so that the next step of the difference,
    // which gives it back to the camera, leaves the field of view alone.
    takeCameraZoom();
    displayReset();
    ApplyLevelContrast(levelContrast_, c, state_.sim);
    updateScene();
}

void Bench::showTemperatureDifference() {
    state_.console.temperatureDifference = temperatureOnGrid_;
    if (viewValue_ && !blind_ && window_)
        window_->showTemperatureValue(temperatureDifferenceText(state_.console.temperatureDifference));
}

void Bench::setTemperatureOnGrid(double kelvin) {
    temperatureOnGrid_ = nearestGridDifference(kelvin);
    CameraSet& c = state_.camera.set;
    c.electronicZoom = static_cast<float>(electronicZoom_);
    c.opticalZoom = static_cast<float>(opticalZoom_);
    // The value is on the grid before the render, so the image shows the value recorded.
    state_.console.temperatureDifference = temperatureOnGrid_;
    showNewDifference();
    showTemperatureDifference();
}

void Bench::setTemperatureDifference(double kelvin) {
    state_.console.temperatureDifference = static_cast<float>(kelvin);
    showNewDifference();
}

void Bench::showNewDifference() {
    ++sceneGeneration_;
    UpdateScene(state_.target, state_.sim, state_.camera.set, state_.camera.tables.currentSpectralResponse(),
                state_.console);
    RenderImage(renderBusy_, RenderMode::CameraView, false, state_.target, state_.sim, state_.camera.set);
    followDisplayWindow();
    if (window_)
        window_->presentFrame(false);
}

bool Bench::followDisplayWindow() {
    // The render mapped the image through the old display window; only a window that moved needs
    // the mapping again.
    const double low = state_.sim.windowLow, high = state_.sim.windowHigh;
    autoLevelContrast();
    if (renderBusy_ != 0 || (state_.sim.windowLow == low && state_.sim.windowHigh == high))
        return false;
    mapToDisplay(state_.sim, state_.camera.set, true, false);
    return true;
}

void Bench::selectFrequency(int index) {
    index = std::clamp(index, 0, static_cast<int>(frequencyChoices.size()) - 1);
    frequencyIndex_ = index;
    showBars(frequencyChoices[static_cast<std::size_t>(index)].barScale);
}

void Bench::setSpatialFrequency(double cyclesPerMrad) {
    const int index = frequencyIndexOf(cyclesPerMrad);
    if (index >= 0)
        selectFrequency(index);
    else if (cyclesPerMrad > 0.0)
        showBars(static_cast<float>(4.0 / cyclesPerMrad));
}

void Bench::showBars(float barScale) {
    state_.console.targetOffsetX = 0.0;
    state_.console.targetOffsetY = 0.0;
    state_.console.targetPhaseX = 0.0;
    state_.console.targetPhaseY = 0.0;
    temperatureOnGrid_ = 0.0f;
    showTemperatureDifference();
    state_.console.barScale = barScale;
    ::updateTargetExtent(state_.target, stepIndex_);
    // The new bars' extent is known from their projection alone: a randomised target is drawn once,
    // where it lands, and the frame is shown once, after the display window followed the new image
    // (a render shown at the centre, again where it landed and again in the moved window held a
    // 60 Hz camera's frame back).
    if (randomisePosition_) {
        UpdateScene(state_.target, state_.sim, state_.camera.set, state_.camera.tables.currentSpectralResponse(),
                    state_.console);
        randomiseOffsets();
    }
    showNewDifference();
}

void Bench::selectOrientation(bool horizontalBars) {
    const bool changed = state_.console.horizontalBars != horizontalBars;
    state_.console.horizontalBars = horizontalBars;
    selectFrequency(frequencyIndex_);
    if (changed && blind_)
        offerNextHalf();
    if (changed)
        resultsReplaced();
}

void Bench::setObserver(const std::string& name) {
    if (name == observer_)
        return;
    observer_ = name;
    resultsReplaced();
}

void Bench::randomiseTargetPosition() {
    randomiseOffsets();
    updateTargetExtent();
}

void Bench::randomiseOffsets() {
    const CameraSet& c = state_.camera.set;
    const SimState& sim = state_.sim;
    ConsoleValues& console = state_.console;
    console.targetOffsetX = (std::sin(c.fovCurrentH * truncatedPi / 360.0) / c.opticalZoom -
                             (static_cast<double>(sim.sceneMaxX) - sim.sceneMinX)) *
                            0.5;
    console.targetOffsetY = (std::sin(c.fovCurrentV * truncatedPi / 360.0) / c.opticalZoom -
                             (static_cast<double>(sim.sceneMaxY) - sim.sceneMinY)) *
                            0.5;
    console.targetOffsetX *= (state_.random.next() % 1000) / 1000.0;
    console.targetOffsetY *= (state_.random.next() % 1000) / 1000.0;
    if (state_.random.next() % 2 != 0)
        console.targetOffsetX = -console.targetOffsetX;
    if (state_.random.next() % 2 != 0)
        console.targetOffsetY = -console.targetOffsetY;
    if (imageModelBehaviour(state_.sim.imageModel).subPixelPhase) {
        console.targetPhaseX = state_.random.fresh().uniform() - 0.5;
        console.targetPhaseY = state_.random.fresh().uniform() - 0.5;
    }
}

void Bench::toggleRandomisePosition(std::uint32_t tickCount) {
    randomisePosition_ = !randomisePosition_;
    if (randomisePosition_)
        state_.random.seed(tickCount);
}

void Bench::setRandomisePosition(bool on) {
    randomisePosition_ = on;
}

void Bench::toggleViewValue() {
    viewValue_ = !viewValue_;
    // Off takes the number away rather than leaving the last one standing; on shows the current one.
    if (viewValue_)
        showTemperatureDifference();
    else if (window_)
        window_->showTemperatureValue(std::string());
}

void Bench::setImageModel(ImageModel model) {
    if (state_.sim.imageModel == model)
        return;
    state_.sim.imageModel = model;
    CameraModelContext context = state_.model();
    RefreshCameraModel(context);
    ApplyLevelContrast(levelContrast_, state_.camera.set, state_.sim);
    updateScene();
}

void Bench::setTargetPhase(double dx, double dy) {
    state_.console.targetPhaseX = dx;
    state_.console.targetPhaseY = dy;
    updateScene();
}

void Bench::selectCamera(int index) {
    index = std::clamp(index, 0, cameraSlots - 1);
    if (window_) {
        window_->showResultList(index);
        window_->showView(false);
    }
    // A camera file that does not load leaves the old camera in use, so its slot stays the selected
    // one: results recorded next belong to the camera that measured them.
    if (loadCameraFile(state_, cameraFileOf(index), CameraLoadMode::SwitchCamera, messages_)) {
        cameraIndex_ = index;
        inputsInUse_[0] = 0; // the file as loaded now is what the next reading measures
    } else if (window_)
        window_->showResultList(cameraIndex_);
    activateCamera();
    if (window_)
        window_->showView(true);
    autoLevelContrast();
    updateScene();
    showTemperatureDifference();
    if (blind_)
        offerNextHalf();
}

std::unique_ptr<CameraSwitch> Bench::cameraSwitch(int index) {
    auto prepared = std::make_unique<CameraSwitch>();
    prepared->index = index;
    prepared->state = state_;
    // Its own noise: the live image draws on from the bench's generator meanwhile.
    prepared->state.random.seed(static_cast<std::uint32_t>(state_.random.next()) << 15 ^
                                static_cast<std::uint32_t>(state_.random.next()));
    prepared->bench = std::make_unique<Bench>(prepared->state, prepared->messages);
    prepared->state.console = state_.console; // as this bench has it, not as a new bench starts
    prepared->bench->takeControlsOf(*this);
    prepared->bench->blind_ = false; // the half to offer comes from this bench's session, after
    prepared->sceneGeneration = sceneGeneration_;
    return prepared;
}

bool Bench::adoptCameraSwitch(CameraSwitch& prepared) {
    if (prepared.sceneGeneration != sceneGeneration_)
        return false;
    const bool blind = blind_;
    takeControlsOf(*prepared.bench);
    blind_ = blind;
    state_.camera = std::move(prepared.state.camera);
    state_.sim = std::move(prepared.state.sim);
    state_.target = std::move(prepared.state.target);
    state_.console = prepared.state.console;
    state_.random = prepared.state.random;
    ++sceneGeneration_;
    for (const std::string& text : prepared.messages.messages)
        messages_.message(text);
    if (window_) {
        window_->showResultList(cameraIndex_);
        window_->layoutChanged();
        window_->presentFrame(false);
    }
    showTemperatureDifference();
    if (blind_)
        offerNextHalf();
    return true;
}

void Bench::takeControlsOf(const Bench& other) {
    temperatureOnGrid_ = other.temperatureOnGrid_;
    levelContrast_ = other.levelContrast_;
    electronicZoom_ = other.electronicZoom_;
    opticalZoom_ = other.opticalZoom_;
    frequencyIndex_ = other.frequencyIndex_;
    cameraIndex_ = other.cameraIndex_;
    stepIndex_ = other.stepIndex_;
    viewValue_ = other.viewValue_;
    randomisePosition_ = other.randomisePosition_;
    automaticDisplay_ = other.automaticDisplay_;
    magnifier_ = other.magnifier_;
    renderBusy_ = other.renderBusy_;
    blind_ = other.blind_;
    targetFile_ = other.targetFile_;
    distanceText_ = other.distanceText_;
}

void Bench::onDistanceEdit(const std::string& text) {
    if (text.empty())
        return;
    if (leadingNumber(text) >= 1.0)
        updateScene();
}

void Bench::onAtmosphereTemperatureEdit(const std::string& text) {
    if (text.empty())
        return;
    state_.camera.set.atmTemperature = static_cast<float>(leadingNumber(text));
    updateScene();
}

void Bench::onAtmosphereCoefficientEdit(const std::string& text) {
    if (text.empty())
        return;
    double value = leadingNumber(text);
    if (value < 0.0)
        return;
    state_.camera.set.atmCoefficient = static_cast<float>(value);
    updateScene();
}

void Bench::setDistanceText(const std::string& text) {
    distanceText_ = text;
    onDistanceEdit(text);
}

void Bench::placeTemperatureOnGrid(double kelvin) {
    temperatureOnGrid_ = nearestGridDifference(kelvin);
}

template <class Event>
void Bench::tell(Event event) {
    for (BenchListener* listener : listeners_)
        event(*listener);
}

bool Bench::record(const Observation& observation) {
    const double difference = state_.console.temperatureDifference;
    SessionReading r;
    r.time = isoUtcNow();
    // An observation naming another observer makes them the current one first, as the window's
    // observer box would have.
    if (!observation.observer.empty())
        setObserver(observation.observer);
    // Blind mode carries over when another observer takes the bench: the session names who reads
    // blind from their first reading on (the note before named the previous observer).
    if (blind_ && blindObserver_ != observer_) {
        recorder_.note({r.time, observer_, eventBlindOn});
        blindObserver_ = observer_;
    }
    if (const std::string problem = lengthProblem(observer_, observerNameLimit, "The observer's name");
        !problem.empty()) {
        messages_.message(problem);
        return false;
    }
    r.observer = observer_;
    r.slot = cameraIndex_ + 1;
    r.cameraFile = cameraFileOf(cameraIndex_);
    r.imageModel = imageModelName(imageModel());
    r.orientation = orientationOf(state_.console);
    r.frequency = frequencyChoices[static_cast<std::size_t>(frequencyIndex_)].frequency;
    r.half = halfOf(difference);
    // The difference as the trackbar shows it, on its grid, without the single precision's tail.
    if (observation.recognised)
        r.deltaT = std::round(difference * temperatureGridStepsPerKelvin) / temperatureGridStepsPerKelvin;
    r.display = display();
    r.inputs = inputsInUse();
    const std::size_t index = recorder_.session().readings.size();
    const bool written = recorder_.record(r);
    if (blind_)
        offerNextHalf();
    if (recorder_.session().readings.size() > index) {
        // The newest reading is the last resultsOf would replay: the lists take it alone.
        if (r.orientation == orientationOf(state_.console))
            applyReading(results_, r);
        tell([index](BenchListener& l) { l.readingRecorded(index); });
    }
    return written;
}

bool Bench::recordObjectiveRun(ObjectiveRun run) {
    if (run.time.empty())
        run.time = isoUtcNow();
    const std::size_t index = recorder_.session().objectiveRuns.size();
    const bool written = recorder_.addObjectiveRun(run);
    tell([index](BenchListener& l) { l.objectiveRunAdded(index); });
    return written;
}

const ObjectiveRun* Bench::objectiveRun(int slot, const std::string& orientation) const {
    return latestObjectiveRun(recorder_.session().objectiveRuns, slot, orientation);
}

void Bench::addListener(BenchListener& listener) {
    listeners_.push_back(&listener);
}

void Bench::removeListener(BenchListener& listener) {
    std::erase(listeners_, &listener);
}

bool Bench::undoLastReading() {
    const auto& readings = recorder_.session().readings;
    for (std::size_t k = readings.size(); k-- > 0;)
        if (readings[k].observer == observer_ && !readings[k].struck)
            return strike(k, {isoUtcNow(), observer_, undoneReason});
    return false;
}

bool Bench::acceptableReason(const std::string& reason, const char* action) {
    std::string problem = lengthProblem(reason, reasonLimit, "The reason");
    if (reason.find_first_not_of(" \t") == std::string::npos)
        problem = std::string("A reading is ") + action + " only with a reason.";
    if (!problem.empty())
        messages_.message(problem);
    return problem.empty();
}

bool Bench::strikeReading(std::size_t index, const std::string& by, const std::string& reason) {
    return acceptableReason(reason, "struck out") && strike(index, {isoUtcNow(), by, reason});
}

bool Bench::reinstateReading(std::size_t index, const std::string& reason) {
    if (!acceptableReason(reason, "reinstated"))
        return false;
    const bool written = recorder_.reinstate(index, isoUtcNow(), observer_, reason);
    if (index < recorder_.session().readings.size() && !recorder_.session().readings[index].struck) {
        results_ = resultsOf(recorder_.session(), observer_, orientationOf(state_.console));
        tell([index](BenchListener& l) { l.readingStruck(index); });
    }
    return written;
}

bool Bench::addObserver(const SessionObserver& observer) {
    const bool added = recorder_.addObserver(observer);
    if (added)
        tell([](BenchListener& l) { l.stateChanged(); });
    return added;
}

std::vector<std::size_t> Bench::inputsInUse() {
    const std::array<std::pair<const char*, std::pair<std::string, std::string>>, 3> files{{
        {inputCamera, {cameraFileOf(cameraIndex_), cameraFileOf(cameraIndex_)}},
        {inputTarget, {targetFile_, targetPath_}},
        {inputAtmosphere, {atmosphereFileName, dataFilePath(state_.programDirectory, atmosphereFileName)}},
    }};
    std::vector<std::size_t> numbers;
    for (std::size_t k = 0; k < files.size(); ++k) {
        const auto& [kind, file] = files[k];
        std::size_t& number = inputsInUse_[k];
        if (number == 0 && !file.second.empty())
            if (const auto input = frozenInput(kind, file.first, file.second))
                number = recorder_.addInput(*input);
        if (number > 0)
            numbers.push_back(number);
    }
    return numbers;
}

bool Bench::strike(std::size_t index, const StruckMark& mark) {
    const auto& readings = recorder_.session().readings;
    const bool counted = index < readings.size() && !readings[index].struck;
    const bool written = recorder_.strike(index, mark);
    if (!counted || !readings[index].struck)
        return written;
    results_ = resultsOf(recorder_.session(), observer_, orientationOf(state_.console));
    tell([index](BenchListener& l) { l.readingStruck(index); });
    return written;
}

void Bench::setBlind(bool on) {
    if (on == blind_)
        return;
    blind_ = on;
    blindObserver_ = observer_;
    recorder_.note({isoUtcNow(), observer_, on ? eventBlindOn : eventBlindOff});
    if (!on && viewValue_)
        showTemperatureDifference();
    else if (on && window_)
        window_->showTemperatureValue(std::string());
    if (on)
        offerNextHalf();
    resultsReplaced();
}

bool Bench::offerNextHalf() {
    const HalvesRead read = halvesRead(recorder_.session(), observer_, cameraIndex_ + 1, orientationOf(state_.console));
    std::vector<std::pair<int, bool>> open; // frequency index, minus half
    for (int i = 0; i < frequencyCount; ++i)
        for (int minus : {0, 1})
            if (!read[static_cast<std::size_t>(i)][static_cast<std::size_t>(minus)])
                open.emplace_back(i, minus == 1);
    if (open.empty())
        return false;
    const auto [index, minus] = open[std::uniform_int_distribution<std::size_t>(0, open.size() - 1)(blindDraw_)];
    selectFrequency(index);
    // The middle of -max ... 0 or of 0 ... +max: the observer approaches the threshold from well
    // inside the half, wherever it lies.
    setTemperatureOnGrid((minus ? -temperatureGridLimit : temperatureGridLimit) / 2);
    return true;
}

void Bench::startSession(const std::string& folder, const std::string& createdIsoTime) {
    recorder_.start(folder, createdIsoTime);
    sessionReplaced();
}

void Bench::resumeSession(Session session, const std::string& path, bool unsaved) {
    recorder_.resume(std::move(session), path, unsaved);
    sessionReplaced();
}

bool Bench::saveSessionAs(const std::string& path) {
    const bool saved = recorder_.saveAs(path);
    tell([](BenchListener& l) { l.stateChanged(); }); // the file's status and the rows it holds
    return saved;
}

void Bench::sessionReplaced() {
    inputsInUse_.fill(0); // the other session holds inputs of its own
    // An observer still blind goes on blind in the other session, and its file says so.
    if (blind_)
        recorder_.note({isoUtcNow(), observer_, eventBlindOn});
    blindObserver_ = observer_;
    resultsReplaced();
}

void Bench::resultsReplaced() {
    results_ = resultsOf(recorder_.session(), observer_, orientationOf(state_.console));
    tell([](BenchListener& l) { l.stateChanged(); });
}

void Bench::loadEdit(const std::string& directory, TargetPreview* preview) {
    state_.console.galleryOpen = true;
    TargetLoader loader(*this, targetFile_, distanceText_);
    if (window_)
        window_->releaseView();
    keepTargetAside(state_.target);
    loader.run(directory, preview);
    // The loader set the grid's difference to none; the bench takes it.
    state_.console.temperatureDifference = temperatureOnGrid_;

    // The list under the root is the chosen one; a kept-aside list that differs from it goes.
    if (state_.target.hasKeptAside) {
        state_.target.keptAsideTarget.clear();
        state_.target.hasKeptAside = false;
    }
    for (TargetItem& item : state_.target.items)
        item.keptAside = false;
    targetFile_ = loader.galleryFile;
    targetPath_ = targetFile_.empty() ? std::string()
                                      : (directory.empty() ? std::string() : directory + "/") + targetFile_ +
                                            (targetFile_.find('.') == std::string::npos ? ".tag" : "");
    inputsInUse_[1] = 0;
    rebuildDistanceOrder(state_.target);
    setDistanceText(loader.consoleFieldText);
    if (window_ && !window_->acquireView())
        return;
    state_.console.galleryOpen = false;
    if (window_)
        window_->focusTrackbars();
    activateCamera();
    updateScene();
    RenderImage(renderBusy_, RenderMode::CameraView, false, state_.target, state_.sim, state_.camera.set);
    autoLevelContrast();
    updateScene();
    showTemperatureDifference();
    if (window_)
        window_->invalidate();
}

void Bench::adoptFieldOfView(int fovChoice) {
    state_.camera.set.fovIndex = fovChoice;
}

void Bench::destroy() {
    state_.target.forceClear = true;
    clearTarget(state_.target);
    state_.target.forceClear = false;
    BuildKernel(0.0, BlurDirection::Horizontal, state_.camera.set, state_.sim);
    BuildKernel(0.0, BlurDirection::Vertical, state_.camera.set, state_.sim);
}
