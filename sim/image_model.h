#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

// Which image model renders the bench's pictures. Specified is the bench's long-standing model, kept
// bit-exact; Physical samples the scene by exact pixel areas, blurs with the optics' Gaussian alone
// and draws fresh normal noise every frame.
enum class ImageModel { Specified, Physical };

// The model a bench renders with until another is chosen (a new profile of the window, the command
// line without --model): the specified model's noise is stronger than the camera file's NETD,
// repeats, and turns some bar-gap pairs over (see the user guide).
inline constexpr ImageModel defaultImageModel = ImageModel::Physical;

// Each model's name, as the session file, the command line and the window's settings spell it, and
// its label in the window's menu. The one place both are written.
struct ImageModelNames {
    ImageModel model;
    const char* name;
    const char* label;
};
inline constexpr std::array<ImageModelNames, 2> imageModelNames{{
    {ImageModel::Specified, "specified", "Specified"},
    {ImageModel::Physical, "physical", "Physical"},
}};

constexpr const ImageModelNames& namesOf(ImageModel model) {
    for (const ImageModelNames& names : imageModelNames)
        if (names.model == model)
            return names;
    return imageModelNames.front();
}
constexpr const char* imageModelName(ImageModel model) {
    return namesOf(model).name;
}
// The model of a name; none for a word that names no model.
constexpr std::optional<ImageModel> imageModelFromName(std::string_view name) {
    for (const ImageModelNames& names : imageModelNames)
        if (name == names.name)
            return names.model;
    return std::nullopt;
}

// What the physical model keeps between renders and frames.
struct PhysicalModelState {
    double blurWidthX = 0.0; // the optics' Gaussian sigma in mrad, as the camera model set it
    double blurWidthY = 0.0;
    double noiseSigma = 0.0; // temporal noise in signal units at the current background
    // Working buffers of the render, kept so that a live image does not reallocate them.
    std::vector<int> cellSlot;   // per padded pixel: index of its sub-pixel cells, or -1
    std::vector<float> cells;    // the sub-pixel cells of the pixels that hold some
    std::vector<int> cellPixels; // the pixels that hold cells, in the order their cells were taken
    std::vector<float> blurred;  // the horizontal pass's output
};
