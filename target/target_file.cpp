#include "target/target_file.h"

#include "camera/camera_file.h"

#include "text/bounded_text_file.h"
#include "text/messages.h"
#include "text/text_scanner.h"
#include "text/tokens.h"

#include <algorithm>
#include <cctype>
#include <cfloat>
#include <cmath>
#include <optional>

namespace {

// A name line is read to at most this many characters; the rest of a longer one reads as the next line.
constexpr std::size_t maxTargetLineChars = 4095;
// A target file is a few kilobytes; a polygon's numbers may share one line, and a line holds the
// largest polygon with room to spare.
constexpr TextFileLimits targetFileLimits{"a target file", 16u << 20, 1u << 20};

// The file was refused: the reading stops and the target is emptied.
struct Refused {
    std::string reason;
};

std::string lowerCase(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

std::optional<float> finiteFloat(TextScanner& in) {
    auto value = in.scanFloat();
    if (!value || !std::isfinite(*value) || std::fabs(*value) > FLT_MAX)
        return std::nullopt;
    return static_cast<float>(*value);
}

// The number after a keyword's line, none when no number follows; one that is not finite, or a
// temperature past absolute zero or above the hottest a camera may view, is a fault, not a scene.
std::optional<float> announcedNumber(TextScanner& in, const char* field) {
    const auto value = in.scanFloat();
    if (!value)
        return std::nullopt;
    const std::string at =
        std::string("has the ") + field + " " + messageNumber(*value) + " on line " + std::to_string(in.line());
    const bool temperature = std::string(field) == "temperature";
    if (temperature && !(*value > lowestTemperature && *value <= highestTemperature))
        throw Refused{at + ", outside the " + messageNumber(lowestTemperature) + " to " +
                      messageNumber(highestTemperature) + " degrees Celsius a target may be at"};
    if (!std::isfinite(*value) || std::fabs(*value) > FLT_MAX)
        throw Refused{at + ", which is no finite number"};
    return static_cast<float>(*value);
}

// Reads count vertices of dimension coordinates; false when the file cannot hold them, a number is
// missing or one is not finite. The numbers that were there are consumed either way.
// polygonVertices counts the vertices of the target's polygons read so far; null for a box.
bool readVertices(TextScanner& in, TargetItem& item, int count, int dimension, int* polygonVertices) {
    std::size_t values = static_cast<std::size_t>(count) * static_cast<std::size_t>(dimension);
    if (values * 2 > in.remaining() + 1)
        return false;
    if (polygonVertices) {
        if (count > maxPolygonVertices - *polygonVertices)
            throw Refused{"has polygons of more than the " + std::to_string(maxPolygonVertices) +
                          " vertices a target may have (line " + std::to_string(in.line()) + ")"};
        *polygonVertices += count;
    }
    item.vertices.assign(values, 0.0f);
    for (std::size_t k = 0; k < values; ++k) {
        auto value = finiteFloat(in);
        if (!value)
            return false;
        item.vertices[k] = *value;
    }
    return true;
}

void readShape(TextScanner& in, TargetItem& item, TargetItemKind kind, int& polygonVertices) {
    item.clearGeometry();
    int count = 0;
    int dimension = 2;
    switch (kind) {
    case TargetItemKind::Rectangle:
    case TargetItemKind::Ellipse:
        count = 2; // two corners of the box
        break;
    case TargetItemKind::Polygon3D:
        dimension = 3;
        [[fallthrough]];
    default: {
        auto n = in.scanInt();
        if (!n || *n < 1)
            return;
        count = *n;
    }
    }
    const bool box = kind == TargetItemKind::Rectangle || kind == TargetItemKind::Ellipse;
    if (!readVertices(in, item, count, dimension, box ? nullptr : &polygonVertices)) {
        item.clearGeometry();
        return;
    }
    item.kind = kind;
    item.dimension = dimension;
    item.vertexCount = count;
    if (kind == TargetItemKind::Rectangle) {
        // The two corners become the four vertices (x0,y0), (x0,y1), (x1,y1), (x1,y0).
        float x0 = item.vertices[0], y0 = item.vertices[1], x1 = item.vertices[2], y1 = item.vertices[3];
        item.vertices = {x0, y0, x0, y1, x1, y1, x1, y0};
        item.vertexCount = 4;
    }
    item.projected2D.assign(static_cast<std::size_t>(item.vertexCount) * 2, 0.0f);
    if (kind != TargetItemKind::Ellipse)
        item.projected3D.assign(static_cast<std::size_t>(item.vertexCount) * 3, 0.0f);
}

// A file replaces the whole target, a kept-aside list included: no reader keeps one across a read.
void emptyTarget(Target& target) {
    const bool force = target.forceClear;
    target.forceClear = true;
    clearTarget(target);
    target.forceClear = force;
}

// The items of a target file's text, then the distance order and the extent.
void readItems(std::string text, Target& target, int stepIndex) {
    TextScanner in(std::move(text));
    target.targetHeight = 0.0f;
    TargetItem* current = nullptr;
    float previousTemperature = 0.0f; // the root's, for objects before any layer
    float runningDistance = 0.0f;
    int polygonVertices = 0;

    while (auto rawLine = in.readLine(maxTargetLineChars)) {
        std::string line = lowerCase(trimBoth(*rawLine));
        if (line == "height") {
            if (auto value = announcedNumber(in, "height"))
                target.targetHeight = *value;
            continue;
        }
        if (line == "layer" || line == "sublayer" || line == "object") {
            if (current)
                previousTemperature = current->temperature;
            if (target.items.size() >= static_cast<std::size_t>(maxTargetItems))
                throw Refused{"has more than the " + std::to_string(maxTargetItems) +
                              " layers and objects a target may have"};
            TargetItem& item = target.items.emplace_back();
            if (line != "layer") {
                item.isObject = true;
                item.temperature = previousTemperature;
                item.distance = runningDistance;
            }
            current = &item;
            continue;
        }
        if (!current)
            continue;
        if (line == "name") {
            auto nameLine = in.readLine(maxTargetLineChars);
            current->name = trimRight(nameLine.value_or(""));
        } else if (line == "temperature") {
            if (auto value = announcedNumber(in, "temperature"))
                current->temperature = *value;
        } else if (line == "distance") {
            if (auto value = announcedNumber(in, "distance")) {
                current->distance = *value;
                runningDistance = *value;
            }
        } else if (line == "rectangle") {
            readShape(in, *current, TargetItemKind::Rectangle, polygonVertices);
        } else if (line == "polygon" || line == "convex polygon") {
            readShape(in, *current, TargetItemKind::Polygon, polygonVertices);
        } else if (line == "3d polygon" || line == "3d convex polygon") {
            readShape(in, *current, TargetItemKind::Polygon3D, polygonVertices);
        } else if (line == "ellipse") {
            readShape(in, *current, TargetItemKind::Ellipse, polygonVertices);
        }
    }
    rebuildDistanceOrder(target);
    updateTargetExtent(target, stepIndex);
}

} // namespace

bool readTargetFile(const std::string& path, Target& target, int stepIndex, MessageSink& messages) {
    emptyTarget(target);
    TextFileFault fault = TextFileFault::None;
    std::string reason;
    auto text = readBoundedTextFile(path, targetFileLimits, fault, reason);
    if (fault == TextFileFault::Absent)
        return false; // the loader's own message names a missing standard target
    if (!text) {
        messages.message("File '" + path + "' " + reason + ".\n The target is empty.");
        return false;
    }
    return readTargetText(std::move(*text), target, stepIndex, path, messages);
}

bool readTargetText(std::string text, Target& target, int stepIndex, const std::string& path, MessageSink& messages) {
    emptyTarget(target);
    std::string reason = utf16Reason(text);
    if (reason.empty()) {
        try {
            readItems(std::move(text), target, stepIndex);
            return true;
        } catch (const Refused& refused) {
            reason = refused.reason;
        }
    }
    emptyTarget(target);
    target.targetHeight = 0.0f;
    messages.message("File '" + path + "' " + reason + ".\n The target is empty.");
    return false;
}
