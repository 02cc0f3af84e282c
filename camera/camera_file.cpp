#include "camera/camera_file.h"

#include "text/messages.h"
#include "text/text_scanner.h"
#include "camera/detector_format.h"

#include <cfloat>
#include <cmath>
#include <cstdio>
#include <map>

namespace {

// A camera file is 32 short lines; anything far larger is not one.
constexpr std::size_t maxCameraFileBytes = 64u << 20;

std::string formatNumber(double v) {
    char text[64];
    std::snprintf(text, sizeof text, "%g", v);
    return text;
}

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

void readValues(CameraFileReader& r, CameraState& state) {
    CameraSet& c = state.set;
    CameraTables& t = state.tables;
    bool sw = r.switching();

    r.readLine(); // file lines 1 and 2 say what camera this is
    r.readLine();
    r.number(c.tempMin, "tempMin");
    r.number(c.tempMax, "tempMax");
    r.skipLine();
    r.number(c.contrastMin, "contrastMin");
    r.number(c.contrastMax, "contrastMax");
    r.skipLine();
    r.number(c.levelMin, "levelMin");
    r.number(c.levelMax, "levelMax");
    r.skipLine();

    r.number(c.netd, "netd");
    r.number(c.fovCurrentH, "fovCurrentH");
    r.number(c.fovCurrentV, "fovCurrentV");
    r.number(c.reserved1, "reserved1");
    r.number(c.reserved2, "reserved2");
    r.number(c.reserved5, "reserved5");
    r.number(c.reserved6, "reserved6");
    r.number(c.atmCoefficient, "atmCoefficient", sw);
    r.number(c.sensorWidth, "sensorWidth");
    r.number(c.sensorHeight, "sensorHeight");
    r.number(c.reserved10, "reserved10");
    r.number(c.polarity, "polarity");
    r.number(c.electronicZoom, "electronicZoom");
    r.number(c.opticalZoom, "opticalZoom");
    r.number(c.reserved3, "reserved3");
    r.number(c.reserved4, "reserved4");
    r.number(c.reserved14, "reserved14");
    r.number(c.backgroundColour, "backgroundColour");
    r.number(c.longWave, "longWave");
    r.numbers(c.reserved7, "reserved7");
    r.number(c.tm, "tm");

    r.table(t.mrtdWideH, "mrtdWideH");
    r.table(t.spectralResponse0, "spectralResponse0");
    for (std::size_t k = 0; k < 3; ++k)
        r.numbers(c.fovTable[k], "fovTable[" + std::to_string(k) + "]");
    r.number(c.threeFields, "threeFields");
    r.number(c.frameRate, "frameRate");
    r.number(c.atmTemperature, "atmTemperature", sw);
    r.number(state.hBlurWidth, "hBlurWidth");
    r.number(c.hBlurMode, "hBlurMode");
    r.number(c.netdMode, "netdMode");

    r.table(t.mrtdWideV, "mrtdWideV");
    r.number(state.vBlurWidth, "vBlurWidth");
    r.number(c.vBlurMode, "vBlurMode");
    r.number(c.backgroundTemperature, "backgroundTemperature", true); // every load starts the scene at 0 °C
    r.number(c.fovIndex, "fovIndex");

    r.table(t.mrtdNarrowH, "mrtdNarrowH");
    r.table(t.mrtdNarrowV, "mrtdNarrowV");
    r.number(c.textColour, "textColour");
    r.number(c.defectGlobal1, "defectGlobal1");
    r.number(c.defectLocal1, "defectLocal1");
    r.number(c.defectGlobal2, "defectGlobal2");
    r.number(c.defectLocal2, "defectLocal2");
    r.number(c.deadPixels1, "deadPixels1");
    r.number(c.deadPixels2, "deadPixels2");
    r.number(c.centralZone, "centralZone");
    r.numbers(c.reserved8, "reserved8");
    r.table(t.spectralResponse1, "spectralResponse1");
    r.table(t.reservedTable1, "reservedTable1");
    r.table(t.reservedTable2, "reservedTable2");
    r.table(t.reservedTable3, "reservedTable3");
    r.table(t.reservedTable4, "reservedTable4");
    r.numbers(c.reserved9, "reserved9");
    r.number(c.reserved11, "reserved11");

    r.number(c.altOptics, "altOptics");
    r.number(c.keepElectronicZoom, "keepElectronicZoom");
    r.numbers(c.reserved15, "reserved15", 0, 3);
    r.number(c.matrixDetector, "matrixDetector");
    r.number(c.doubleColumns, "doubleColumns");
    r.number(c.detectorColumns, "detectorColumns");
    r.number(c.detectorRows, "detectorRows");
    r.number(c.doubleBoth, "doubleBoth");
    r.number(c.doubleRows, "doubleRows");
    r.number(c.scanLines, "scanLines");
    r.number(c.flickerAmplitude, "flickerAmplitude");
    r.number(c.flickerProbability, "flickerProbability");
    r.numbers(c.reserved15, "reserved15", 3, 5);

    r.number(c.blurWidthWide, "blurWidthWide");
    r.number(c.blurWidthAlt, "blurWidthAlt");
    r.number(c.blurWidthMedium, "blurWidthMedium");
    r.number(c.blurWidthNarrow, "blurWidthNarrow");
    r.number(c.reserved16, "reserved16");
    r.number(c.reserved17, "reserved17");
    r.number(c.blurFlag, "blurFlag");
    r.numbers(c.reserved18, "reserved18");
    r.numbers(c.frameNoise, "frameNoise");
    r.number(c.spectralResponseIndex, "spectralResponseIndex");
    r.number(c.viewMargin, "viewMargin");
    r.number(c.blurParam, "blurParam");
    r.number(c.jitterAmplitude, "jitterAmplitude");
    r.number(c.jitterProbability, "jitterProbability");
    r.number(c.reserved19, "reserved19");

    r.numbers(c.blurDivisors[0], "blurDivisors[0]");
    r.numbers(c.blurDivisors[1], "blurDivisors[1]");
    r.number(c.blurDivisorSet, "blurDivisorSet");
    r.numbers(c.reserved22, "reserved22");
    r.table(t.mrtdMediumH, "mrtdMediumH");
    r.table(t.mrtdAltH, "mrtdAltH");

    r.number(c.reserved20, "reserved20", !r.full());
    r.number(c.interlaceShift, "interlaceShift");
    r.numbers(c.reserved21, "reserved21");
    r.number(c.reserved23, "reserved23", sw);
    r.skipLine();
    state.cameraTargetName = trimRight(r.readLine());

    r.number(c.reserved24, "reserved24");
    r.number(c.reserved25, "reserved25");
    r.block(c.blockA, "blockA");
    r.block(c.blockB, "blockB");
    r.numbers(c.blurBlock.floats, "blurBlock");
    r.number(c.blurBlock.ints[0], "blurBlock[24]");
    for (std::size_t k = 1; k < 5; ++k)
        r.number(c.blurBlock.ints[k], "blurBlock[" + std::to_string(24 + k) + "]", sw);
    r.number(c.atmosphereIndex, "atmosphereIndex", sw);
    r.number(c.reserved26, "reserved26", sw);
    r.number(c.reserved12, "reserved12", sw);
    r.number(c.reserved13, "reserved13", sw);
    r.number(state.reservedOuterInt, "reservedOuterInt", sw);
    r.number(state.reservedOuterFloat, "reservedOuterFloat", sw);
    r.number(state.reservedOuterFloat, "reservedOuterFloat", sw);
    r.number(c.reserved27, "reserved27");
    r.number(c.noiseOption, "noiseOption");
}

bool inOpenRange(float v, float low, float high) { return v > low && v < high; }

// Values that are numbers but impossible for a camera, checked once the whole file is read.
void checkValues(CameraFileReader& r, const CameraState& state) {
    const CameraSet& c = state.set;
    if (!(c.tempMax > c.tempMin))
        return r.fail("the temperature range " + formatNumber(c.tempMin) + " to " + formatNumber(c.tempMax) +
                          " is empty (tempMax must be above tempMin)",
                      r.lineOf("tempMax"));
    if (!(c.tempMin > lowestTemperature) || !(c.tempMax <= highestTemperature))
        return r.fail("the temperature range must lie above " + formatNumber(lowestTemperature) + " and at most " +
                          formatNumber(highestTemperature) + " degrees Celsius",
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
    if (c.sensorWidth < 1 || c.sensorWidth > maxDetectorSize || c.sensorHeight < 1 ||
        c.sensorHeight > maxDetectorSize)
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
    if (!(c.opticalZoom > 0.0f))
        return r.fail("the optical zoom must be positive", r.lineOf("opticalZoom"));
    if (!(c.frameRate > 0.0f && c.frameRate <= 1000.0f))
        return r.fail("the frame rate must lie above 0 and at most 1000 frames per second", r.lineOf("frameRate"));
    const char* responseName = c.spectralResponseIndex != 0 ? "spectralResponse1" : "spectralResponse0";
    const PointList& response = c.spectralResponseIndex != 0 ? state.tables.spectralResponse1
                                                             : state.tables.spectralResponse0;
    if (response.vertexCount() < 2)
        return r.fail(std::string("the spectral response in use, ") + responseName + ", has fewer than 2 points",
                      r.lineOf("spectralResponseIndex"));
    for (int k = 0; k < response.vertexCount(); ++k)
        if (!(response.x(k) > 0.0f) || !(response.x(k) <= longestWavelength) ||
            (k > 0 && !(response.x(k) > response.x(k - 1))))
            return r.fail(std::string("the wavelengths of ") + responseName + " must be ascending, above 0 and at most " +
                              formatNumber(longestWavelength) + " um",
                          r.lineOf(responseName));
}

} // namespace

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
    auto text = readTextFile(path, maxCameraFileBytes);
    if (!text) {
        messages.message("File '" + path + "' is absent.\n Can't start the system");
        return false;
    }
    return readCameraText(std::move(*text), path, mode, camera, messages);
}

bool readCameraText(std::string text, const std::string& path, CameraLoadMode mode, CameraState& camera,
                    MessageSink& messages) {
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
