#include "console/target_loader.h"

#include "console/bench_state.h"
#include "sim/render.h"
#include "target/target_file.h"
#include "text/messages.h"

#include <algorithm>
#include <cctype>
#include <filesystem>

std::vector<std::string> listTargetFiles(const std::string& directory) {
    std::vector<std::string> names;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(directory.empty() ? "." : directory, error)) {
        std::string name = entry.path().filename().string();
        // "*.tag" as the file system matches it: the extension in any case.
        if (name.size() > 4) {
            std::string extension = name.substr(name.size() - 4);
            std::transform(extension.begin(), extension.end(), extension.begin(),
                           [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
            if (extension == ".tag")
                names.push_back(name);
        }
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<std::string> objectLabelsOf(const std::vector<TargetItem>& items) {
    std::vector<std::string> labels;
    int layers = 0;
    for (const TargetItem& item : items) {
        if (!item.isObject) {
            ++layers;
            labels.push_back(item.name.empty() ? "Layer " + std::to_string(layers) : item.name);
            continue;
        }
        if (!item.name.empty()) {
            labels.push_back("  " + item.name);
            continue;
        }
        switch (item.kind) {
        case TargetItemKind::Rectangle:
            labels.emplace_back("  rectangle");
            break;
        case TargetItemKind::Polygon:
            labels.emplace_back("  polygon");
            break;
        case TargetItemKind::Polygon3D:
            labels.emplace_back("  3d polygon");
            break;
        case TargetItemKind::Ellipse:
            labels.emplace_back("  ellipse");
            break;
        default:
            labels.emplace_back("  object"); // an object that got no geometry
        }
    }
    return labels;
}

bool isStandardTargetFile(const std::string& name) {
    std::string capitalised = standardTargetFile;
    capitalised.front() = static_cast<char>(std::toupper(static_cast<unsigned char>(capitalised.front())));
    return name == standardTargetFile || name == capitalised;
}

TargetLoader::TargetLoader(TargetLoaderHost& console, std::string file, std::string fieldText)
    : galleryFile(std::move(file)), consoleFieldText(std::move(fieldText)), console_(console) {}

void TargetLoader::run(const std::string& directory, TargetPreview* preview) {
    BenchState& state = console_.state();
    subDialogOpen = 0;
    if (!state.camera.cameraTargetName.empty()) {
        heldTargetName = state.camera.cameraTargetName;
        state.camera.cameraTargetName.clear();
    } else {
        heldTargetName = galleryFile;
    }
    if (preview) {
        state.sim.previewWidth = std::max(1, preview->previewWidth());
        state.sim.previewHeight = std::max(1, preview->previewHeight());
    }
    directory_ = directory;
    targetFiles = listTargetFiles(directory);
    if (autoFormatting) {
        console_.setDistanceText("1000");
        console_.placeTemperatureOnGrid(consoleTemperature);
    }
    load(preview);
    if (preview)
        preview->loaded(targetFiles, objectLabels);
    // Without a pixel format the preview stays undrawn; the target is loaded all the same.
    if (preview)
        preview->setUp();
    // OK: the window and text colours taken from the camera go back to it unchanged.
}

void TargetLoader::load(TargetPreview* preview) {
    BenchState& state = console_.state();
    Target& target = state.target;
    auto standard = std::find_if(targetFiles.begin(), targetFiles.end(), isStandardTargetFile);
    std::string name;
    if (standard != targetFiles.end()) {
        name = *standard;
    } else {
        console_.messages().message(targetNotFoundMessage);
        name = targetFiles.empty() ? std::string() : targetFiles.back();
    }
    galleryFile = name;
    const bool consoleListAside = !target.items.empty() && target.items.front().keptAside;
    const bool reuse = consoleListAside && galleryFile == heldTargetName;
    if (!reuse) {
        heldTargetName.clear();
        target.forceClear = true;
        std::string file = galleryFile;
        if (file.find('.') == std::string::npos)
            file += ".tag";
        readTargetFile(directory_.empty() ? file : directory_ + "/" + file, target, console_.stepIndex(),
                       console_.messages());
        target.forceClear = false;
    }
    objectLabels = objectLabelsOf(target.items);
    for (TargetItem& item : target.items)
        item.shown = true;
    console_.updateTargetExtent();
    drawPreview(preview);
    if (reuse) {
        rebuildDistanceOrder(target);
        console_.updateTargetExtent();
        drawPreview(preview);
    }
}

void TargetLoader::drawPreview(TargetPreview* preview) {
    if (!previewOn)
        return;
    BenchState& state = console_.state();
    RenderImage(subDialogOpen, RenderMode::LoaderPreview, autoFormatting, state.target, state.sim, state.camera.set);
    if (preview)
        preview->draw(state.sim);
}
