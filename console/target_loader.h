#pragma once

#include "sim/sim_state.h"

#include <string>
#include <vector>

struct BenchState;
class MessageSink;

// What the target loader asks of the console that runs it: the bench it reads into, the console's
// step, and the few console handlers it runs.
class TargetLoaderHost {
public:
    virtual ~TargetLoaderHost() = default;
    virtual BenchState& state() = 0;
    virtual MessageSink& messages() = 0;
    virtual int stepIndex() const = 0;
    virtual void setDistanceText(const std::string& text) = 0;
    // The difference on the grid, kelvin, set without rendering it.
    virtual void placeTemperatureOnGrid(double kelvin) = 0;
    virtual void updateTargetExtent() = 0;
};

// Where the loader draws its preview; the target loader's dialog provides one.
class TargetPreview {
public:
    virtual ~TargetPreview() = default;
    // The preview's size in pixels, taken as the detector format of a preview render.
    virtual int previewWidth() const = 0;
    virtual int previewHeight() const = 0;
    // Sets up the drawing surface; false (after its message) when no pixel format can be had.
    virtual bool setUp() = 0;
    // Draws the rendered preview (DisplayImage, RGB bytes).
    virtual void draw(const SimState& sim) = 0;
    // The files listed and the labels of the loaded target's items.
    virtual void loaded(const std::vector<std::string>& /*targetFiles*/,
                        const std::vector<std::string>& /*objectLabels*/) {}
};

// The target loader's steps, run inside Load/Edit before its dialog is ever shown: list the target
// files, load the standard target (or reuse the console's list when a camera file named it), label
// the objects, render the preview and end with OK.
class TargetLoader {
public:
    TargetLoader(TargetLoaderHost& console, std::string galleryFile, std::string consoleFieldText);

    void run(const std::string& directory, TargetPreview* preview);
    void load(TargetPreview* preview);

    std::string galleryFile;
    std::string heldTargetName;
    std::string consoleFieldText;
    double consoleTemperature = 0.0; // kelvin, on the grid
    int subDialogOpen = 0;
    bool previewOn = true;
    bool autoFormatting = true;
    std::vector<std::string> targetFiles;  // controlId::targetFileList
    std::vector<std::string> objectLabels; // controlId::objectList

private:
    void drawPreview(TargetPreview* preview);

    TargetLoaderHost& console_;
    std::string directory_;
};

// The "*.tag" files of a directory, in byte order of their names.
std::vector<std::string> listTargetFiles(const std::string& directory);
// The objects list's label of each item of the target.
std::vector<std::string> objectLabelsOf(const std::vector<struct TargetItem>& items);

inline constexpr const char* targetNotFoundMessage = "Target file is not found";

// The standard target's file: Load/Edit picks it from the folder, the command line reads it when no
// target is named.
inline constexpr const char* standardTargetFile = "mira.tag";
// The standard target's file as Load/Edit knows it: its name, or the same with a capital first letter.
bool isStandardTargetFile(const std::string& name);
