#include "cli/camera_json.h"

#include "camera/camera_fields.h"

#include <charconv>
#include <string>
#include <type_traits>

double shortestDouble(float value) {
    char text[32];
    auto [end, error] = std::to_chars(text, text + sizeof text, value);
    if (error != std::errc())
        return value;
    double result = 0.0;
    std::from_chars(text, end, result);
    return result;
}

namespace {

nlohmann::json toJson(float v) {
    return shortestDouble(v);
}
nlohmann::json toJson(std::int32_t v) {
    return v;
}
nlohmann::json toJson(bool v) {
    return v ? 1 : 0;
}
nlohmann::json toJson(const CameraBlock& b);
template <class T, std::size_t N>
nlohmann::json toJson(const std::array<T, N>& values) {
    nlohmann::json array = nlohmann::json::array();
    for (const T& v : values)
        array.push_back(toJson(v));
    return array;
}
nlohmann::json toJson(const CameraBlock& b) {
    return {{"floats", toJson(b.floats)}, {"ints", toJson(b.ints)}};
}

nlohmann::json pointsJson(const PointList& list) {
    nlohmann::json points = nlohmann::json::array();
    for (int k = 0; k < list.vertexCount(); ++k)
        points.push_back({shortestDouble(list.x(k)), shortestDouble(list.y(k))});
    return points;
}

nlohmann::json floatsJson(const std::vector<float>& values) {
    nlohmann::json array = nlohmann::json::array();
    for (float v : values)
        array.push_back(shortestDouble(v));
    return array;
}

// A record member under its name, once: with the first of its parts. The numbers beside the record
// and the lines are written apart, or not at all.
template <class T>
void addField(nlohmann::json& camera, nlohmann::json&, const CameraState& state, const SetField<T>& field) {
    if (field.from == 0)
        camera[field.name] = toJson(state.set.*(field.member));
}
void addField(nlohmann::json&, nlohmann::json& tables, const CameraState& state, const TableField& field) {
    tables[field.name] = pointsJson(state.tables.*(field.member));
}
template <class Other>
void addField(nlohmann::json&, nlohmann::json&, const CameraState&, const Other&) {}

} // namespace

nlohmann::json cameraJson(const BenchState& state, bool withModel) {
    nlohmann::json camera = nlohmann::json::object();
    nlohmann::json tables = nlohmann::json::object();
    forEachCameraFileField([&](const auto& field) { addField(camera, tables, state.camera, field); });
    const AtmosphereTable& a = state.atmosphere;
    nlohmann::json out = {
        {"camera", camera},
        {"tables", tables},
        {"cameraTargetName", state.camera.cameraTargetName},
        {"hBlurWidth", state.camera.hBlurWidth},
        {"vBlurWidth", state.camera.vBlurWidth},
        {"atmosphere",
         {{"row1", toJson(a.row1)},
          {"row2", toJson(a.row2)},
          {"row3", toJson(a.row3)},
          {"atmosphereBlur", toJson(a.atmosphereBlur)},
          {"row6", a.row6}}},
    };
    if (withModel) {
        const SimState& s = state.sim;
        out["tables"]["signalTable"] = pointsJson(state.camera.tables.signalTable);
        out["kernelXHalfWidth"] = s.kernelXHalfWidth;
        out["kernelYHalfWidth"] = s.kernelYHalfWidth;
        out["kernelX"] = floatsJson(s.kernelX);
        out["kernelY"] = floatsJson(s.kernelY);
        out["signalMin"] = s.signalMin;
        out["signalMax"] = s.signalMax;
        out["contrastSignalMin"] = s.contrastSignalMin;
        out["contrastSignalMax"] = s.contrastSignalMax;
        out["levelSignalMin"] = s.levelSignalMin;
        out["levelSignalMax"] = s.levelSignalMax;
        out["backgroundSignal"] = shortestDouble(s.backgroundSignal);
        out["windowLow"] = s.windowLow;
        out["windowHigh"] = s.windowHigh;
        out["lastNoiseSigma"] = s.lastNoiseSigma;
    }
    return out;
}

nlohmann::json targetJson(const Target& target) {
    static const char* kindNames[] = {"layer", "rectangle", "polygon", "3d polygon", "ellipse"};
    nlohmann::json items = nlohmann::json::array();
    for (const TargetItem& item : target.items) {
        items.push_back({
            {"isObject", item.isObject},
            {"kind", kindNames[static_cast<int>(item.kind) + 1]},
            {"name", item.name},
            {"temperature", shortestDouble(item.temperature)},
            {"distance", shortestDouble(item.distance)},
            {"vertexCount", item.vertexCount},
            {"dimension", item.dimension},
            {"vertices", floatsJson(item.vertices)},
        });
    }
    return {
        {"targetHeight", shortestDouble(target.targetHeight)},
        {"targetMinX", shortestDouble(target.targetMinX)},
        {"targetMaxX", shortestDouble(target.targetMaxX)},
        {"targetCenterX", shortestDouble(target.targetCenterX)},
        {"items", items},
        {"distanceOrder", target.distanceOrder},
    };
}
