#include "camera/camera_file.h"

#include "camera/camera_fields.h"

#include "camera/detector_format.h"
#include "text/bounded_text_file.h"
#include "text/messages.h"
#include "text/text_scanner.h"
#include "text/tokens.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <map>
#include <numbers>
#include <tuple>

namespace {

// Reads the values in file order into a copy of the camera. The first fault stops the reading and
// is kept with its line, so the message can say where the file went wrong.
class CameraFileReader {
public:
    CameraFileReader(TextScanner& in, CameraLoadMode mode) : in_(in), mode_(mode) {}

    bool ok() const { return error_.empty(); }
    const std::string& error() const { return error_; }
    int errorLine() const { return errorLine_; }
    bool switching() const { return mode_ == CameraLoadMode::SwitchCamera; }
    bool full() const { return mode_ == CameraLoadMode::Full; }

    void fail(const std::string& what, int line = 0) {
        if (!ok())
            return;
        error_ = what;
        errorLine_ = line > 0 ? line : in_.line();
    }
    int lineOf(const std::string& field) const {
        auto it = lines_.find(field);
        return it == lines_.end() ? 0 : it->second;
    }

    // keep: the token is consumed and the field left as it was.
    template <class T>
    void number(T& field, const std::string& name, bool keep = false) {
        if (!ok())
            return;
        in_.skipWhiteSpace();
        lines_[name] = in_.line();
        if constexpr (std::is_floating_point_v<T>) {
            auto value = in_.scanFloat();
            if (!value)
                return missing(name);
            // A float field must hold the value as a finite float, not only a finite double.
            double limit = std::is_same_v<T, float> ? FLT_MAX : DBL_MAX;
            if (!std::isfinite(*value) || std::fabs(*value) > limit)
                return fail("the value of " + name + " is not a finite number");
            if (!keep)
                field = static_cast<T>(*value);
        } else {
            auto value = in_.scanInt();
            if (!value)
                return missing(name);
            if (!keep) {
                if constexpr (std::is_same_v<T, bool>)
                    field = *value != 0;
                else
                    field = *value;
            }
        }
    }
    template <class T, std::size_t N>
    void numbers(std::array<T, N>& fields, const std::string& name, std::size_t from = 0, std::size_t to = N) {
        for (std::size_t k = from; k < to; ++k)
            number(fields[k], name + "[" + std::to_string(k) + "]");
    }
    void block(CameraBlock& block, const std::string& name) {
        numbers(block.floats, name);
        numbers(block.ints, name, 0, 5);
    }
    void table(PointList& table, const std::string& name) {
        if (!ok())
            return;
        in_.skipWhiteSpace();
        lines_[name] = in_.line();
        auto count = in_.scanInt();
        if (!count)
            return fail(in_.atEnd() ? "the file ends before the point count of " + name
                                    : "the point count of " + name + " is not a number");
        if (*count == 1)
            return fail("the point count of " + name + " is 1; a table needs at least 2 points");
        // Each number takes at least two characters, so a count the rest of the file cannot hold is a fault.
        if (*count > maxTablePoints || (*count > 0 && static_cast<std::size_t>(*count) * 4 > in_.remaining() + 1))
            return fail("the point count " + std::to_string(*count) + " of " + name + " is larger than the file holds");
        if (*count < 2)
            return; // a count of 0 or less keeps the points the table had
        switch (readPointTable(in_, table, *count)) {
        case PointTableRead::Ok:
            return;
        case PointTableRead::Missing:
            return fail(name + " has fewer than the " + std::to_string(*count) + " points its count announces");
        case PointTableRead::NotFinite:
            return fail("a point of " + name + " is not a finite number");
        }
    }
    void skipLine() {
        if (ok())
            in_.readLine();
    }
    std::string readLine() {
        if (!ok())
            return {};
        auto line = in_.readLine();
        if (!line)
            fail("the file ends before the target name line");
        return line.value_or("");
    }

private:
    void missing(const std::string& name) {
        fail(in_.atEnd() ? "the file ends before the value of " + name : "the value of " + name + " is not a number");
    }

    TextScanner& in_;
    CameraLoadMode mode_;
    std::string error_;
    int errorLine_ = 0;
    std::map<std::string, int> lines_;
};

bool keeps(const CameraFileReader& r, KeptWhen kept) {
    switch (kept) {
    case KeptWhen::Never:
        return false;
    case KeptWhen::SwitchingCamera:
        return r.switching();
    case KeptWhen::NotFull:
        return !r.full();
    case KeptWhen::Always:
        return true;
    }
    return false;
}

template <class T>
void readField(CameraFileReader& r, CameraState& state, const SetField<T>& field) {
    const bool keep = keeps(r, field.kept);
    forEachNumber(state.set, field, [&](std::size_t i, auto& number) { r.number(number, field.label(i), keep); });
}
template <class T>
void readField(CameraFileReader& r, CameraState& state, const StateField<T>& field) {
    r.number(state.*(field.member), field.name, keeps(r, field.kept));
}
void readField(CameraFileReader& r, CameraState& state, const TableField& field) {
    r.table(state.tables.*(field.member), field.name);
}
void readField(CameraFileReader& r, CameraState& state, LineField line) {
    switch (line) {
    case LineField::Description:
        r.readLine();
        break;
    case LineField::Skipped:
        r.skipLine();
        break;
    case LineField::TargetName:
        state.cameraTargetName = trimRight(r.readLine());
        break;
    }
}

void readValues(CameraFileReader& r, CameraState& state) {
    forEachCameraFileField([&](const auto& field) { readField(r, state, field); });
}

bool inOpenRange(float v, float low, float high) {
    return v > low && v < high;
}

// Values that are numbers but impossible for a camera, checked once the whole file is read.
void checkValues(CameraFileReader& r, const CameraState& state) {
    const CameraSet& c = state.set;
    if (!(c.tempMax > c.tempMin))
        return r.fail("the temperature range " + messageNumber(c.tempMin) + " to " + messageNumber(c.tempMax) +
                          " is empty (tempMax must be above tempMin)",
                      r.lineOf("tempMax"));
    if (!(c.tempMin > lowestTemperature) || !(c.tempMax <= highestTemperature))
        return r.fail("the temperature range must lie above " + messageNumber(lowestTemperature) + " and at most " +
                          messageNumber(highestTemperature) + " degrees Celsius",
                      r.lineOf("tempMin"));
    if (c.contrastMin == c.contrastMax)
        return r.fail("the contrast limits are equal", r.lineOf("contrastMax"));
    if (c.levelMin == c.levelMax)
        return r.fail("the level limits are equal", r.lineOf("levelMax"));
    if (!inOpenRange(c.fovCurrentH, 0.0f, 180.0f))
        return r.fail("the field of view fovCurrentH must lie between 0 and 180 degrees", r.lineOf("fovCurrentH"));
    if (!inOpenRange(c.fovCurrentV, 0.0f, 180.0f))
        return r.fail("the field of view fovCurrentV must lie between 0 and 180 degrees", r.lineOf("fovCurrentV"));
    for (std::size_t k = 0; k < 3; ++k)
        for (std::size_t a = 0; a < 2; ++a)
            if (!inOpenRange(c.fovTable[k][a], 0.0f, 180.0f))
                return r.fail("the field of view fovTable[" + std::to_string(k) + "][" + std::to_string(a) +
                                  "] must lie between 0 and 180 degrees",
                              r.lineOf("fovTable[" + std::to_string(k) + "][" + std::to_string(a) + "]"));
    if (c.sensorWidth < 1 || c.sensorWidth > maxDetectorSize || c.sensorHeight < 1 || c.sensorHeight > maxDetectorSize)
        return r.fail("the detector size sensorWidth x sensorHeight must lie between 1 and " +
                          std::to_string(maxDetectorSize),
                      r.lineOf("sensorWidth"));
    DetectorFormat format = activatedFormat(c);
    if (format.width < 1 || format.width > maxDetectorSize || format.height < 1 || format.height > maxDetectorSize) {
        const char* field = c.matrixDetector != 0 ? "detectorColumns" : "scanLines";
        return r.fail("the detector format " + std::to_string(format.width) + " x " + std::to_string(format.height) +
                          " is outside 1 to " + std::to_string(maxDetectorSize) + " pixels per side",
                      r.lineOf(field));
    }
    auto zoomedInRange = [&](int pixels) {
        int n = zoomedPixels(pixels, c.electronicZoom);
        return n >= 1 && n <= maxDetectorSize;
    };
    if (!(c.electronicZoom > 0.0f) || !zoomedInRange(format.width) || !zoomedInRange(format.height) ||
        !zoomedInRange(c.sensorWidth) || !zoomedInRange(c.sensorHeight))
        return r.fail("the electronic zoom must be positive and give 1 to " + std::to_string(maxDetectorSize) +
                          " pixels per side",
                      r.lineOf("electronicZoom"));
    // The image the camera view renders: the format, or more pixels at an electronic zoom below 1.
    const double zoom = std::min(1.0, static_cast<double>(c.electronicZoom));
    const int imageWidth = zoomedPixels(format.width, zoom), imageHeight = zoomedPixels(format.height, zoom);
    const double imagePixels = static_cast<double>(imageWidth) * imageHeight;
    const std::string image = "the image of " + std::to_string(imageWidth) + " x " + std::to_string(imageHeight);
    const std::string square = std::to_string(maxImageSide) + " x " + std::to_string(maxImageSide);
    if (imagePixels > maxImagePixels)
        return r.fail(image + " pixels is larger than the " + std::to_string(static_cast<long long>(maxImagePixels)) +
                          " pixels (" + square + ") a camera may have: its render would take more than 0.2 s",
                      r.lineOf(c.matrixDetector != 0 ? "detectorColumns" : "scanLines"));
    if (imagePixels * c.frameRate > maxPixelRate)
        return r.fail(image + " pixels at " + messageNumber(c.frameRate) + " Hz is more than the " +
                          std::to_string(static_cast<long long>(maxPixelRate)) + " pixels per second (" + square +
                          " at " + messageNumber(liveRateOfMaxImage) + " Hz) the live view shows",
                      r.lineOf("frameRate"));
    for (auto [fov, pixels, name] : {std::tuple{c.fovCurrentH, format.width, "fovCurrentH"},
                                     std::tuple{c.fovCurrentV, format.height, "fovCurrentV"}}) {
        const double mrad = fov / pixels * std::numbers::pi / 180.0 * 1000.0;
        if (mrad < minPixelAngle)
            return r.fail(std::string("the pixel angle of ") + name + " over the detector format is " +
                              messageNumber(mrad) + " mrad, below the " + messageNumber(minPixelAngle) +
                              " mrad a pixel may have",
                          r.lineOf(name));
    }
    if (!(c.opticalZoom > 0.0f))
        return r.fail("the optical zoom must be positive", r.lineOf("opticalZoom"));
    if (!(c.frameRate > 0.0f && c.frameRate <= 1000.0f))
        return r.fail("the frame rate must lie above 0 and at most 1000 frames per second", r.lineOf("frameRate"));
    // The MRTD curves give ranges: each point a frequency and a difference a camera can have, the
    // frequencies rising (a value of 0 is a frequency not measured).
    for (auto [name, table] : {std::pair{"mrtdWideH", &state.tables.mrtdWideH},
                               {"mrtdWideV", &state.tables.mrtdWideV},
                               {"mrtdNarrowH", &state.tables.mrtdNarrowH},
                               {"mrtdNarrowV", &state.tables.mrtdNarrowV},
                               {"mrtdMediumH", &state.tables.mrtdMediumH},
                               {"mrtdAltH", &state.tables.mrtdAltH}})
        for (int k = 0; k < table->vertexCount(); ++k) {
            const double f = table->x(k), mrtd = table->y(k);
            std::string problem = f != 0.0 ? frequencyProblem(f) : "";
            if (problem.empty() && k > 0 && !(f > table->x(k - 1)))
                problem = "the frequency " + messageNumber(f) + " does not rise above the one before";
            if (problem.empty() && mrtd != 0.0)
                problem = mrtdProblem(mrtd);
            if (!problem.empty())
                return r.fail(std::string("point ") + std::to_string(k + 1) + " of " + name + ": " + problem,
                              r.lineOf(name));
        }
    const char* responseName = c.spectralResponseIndex != 0 ? "spectralResponse1" : "spectralResponse0";
    const PointList& response =
        c.spectralResponseIndex != 0 ? state.tables.spectralResponse1 : state.tables.spectralResponse0;
    if (response.vertexCount() < 2)
        return r.fail(std::string("the spectral response in use, ") + responseName + ", has fewer than 2 points",
                      r.lineOf("spectralResponseIndex"));
    for (int k = 0; k < response.vertexCount(); ++k)
        if (!(response.x(k) > 0.0f) || !(response.x(k) <= longestWavelength) ||
            (k > 0 && !(response.x(k) > response.x(k - 1))))
            return r.fail(std::string("the wavelengths of ") + responseName +
                              " must be ascending, above 0 and at most " + messageNumber(longestWavelength) + " um",
                          r.lineOf(responseName));
}

} // namespace

std::string frequencyProblem(double cyclesPerMrad) {
    if (std::isfinite(cyclesPerMrad) && cyclesPerMrad > 0.0 && cyclesPerMrad <= maxSpatialFrequency)
        return {};
    return "the frequency " + messageNumber(cyclesPerMrad) + " lies outside the 0 to " +
           messageNumber(maxSpatialFrequency) + " cycles/mrad a spatial frequency may have";
}

std::string mrtdProblem(double kelvin) {
    if (std::isfinite(kelvin) && kelvin > 0.0 && kelvin <= maxTemperatureDifference)
        return {};
    return "the MRTD " + messageNumber(kelvin) + " lies outside the 0 to " + messageNumber(maxTemperatureDifference) +
           " K an MRTD may have";
}

PointTableRead readPointTable(TextScanner& in, PointList& table, int count) {
    PointList points;
    points.vertices.reserve(static_cast<std::size_t>(count) * 2);
    for (int k = 0; k < 2 * count; ++k) {
        auto value = in.scanFloat();
        if (!value)
            return PointTableRead::Missing;
        if (!std::isfinite(*value) || std::fabs(*value) > FLT_MAX)
            return PointTableRead::NotFinite;
        points.vertices.push_back(static_cast<float>(*value));
    }
    table = std::move(points);
    return PointTableRead::Ok;
}

bool readCameraFile(const std::string& path, CameraLoadMode mode, CameraState& camera, MessageSink& messages) {
    TextFileFault fault = TextFileFault::None;
    std::string reason;
    auto text = readBoundedTextFile(path, cameraFileLimits, fault, reason);
    if (fault == TextFileFault::Absent) {
        messages.message("File '" + path + "' is absent.\n Can't start the system");
        return false;
    }
    if (!text) {
        messages.message("File '" + path + "' " + reason + ".\n The camera in use is unchanged.");
        return false;
    }
    return readCameraText(std::move(*text), path, mode, camera, messages);
}

bool readCameraText(std::string text, const std::string& path, CameraLoadMode mode, CameraState& camera,
                    MessageSink& messages) {
    if (const std::string reason = utf16Reason(text); !reason.empty()) {
        messages.message("File '" + path + "' " + reason + ".\n The camera in use is unchanged.");
        return false;
    }
    TextScanner in(std::move(text));
    CameraState loaded = camera;
    CameraFileReader reader(in, mode);
    readValues(reader, loaded);
    if (reader.ok())
        checkValues(reader, loaded);
    if (!reader.ok()) {
        messages.message("File '" + path + "' is malformed.\n Line " + std::to_string(reader.errorLine()) + ": " +
                         reader.error() + ".\n The camera in use is unchanged.");
        return false;
    }
    loaded.set.backgroundTemperature = 0.0f;
    if (loaded.set.reserved24 == 0)
        loaded.set.reserved24 = 1;
    camera = std::move(loaded);
    return true;
}
