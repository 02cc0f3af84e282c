#include "measurement/range_inputs.h"

#include "camera/camera_file.h"
#include "camera/camera_file_lookup.h"
#include "camera/sampling_limit.h"
#include "console/session.h"
#include "measurement/range_sources.h"
#include "text/messages.h"
#include "text/strict_json.h"

#include <filesystem>
#include <tuple>

namespace {

// The camera a found file holds, read as the bench reads it at the start; none, with the reader's
// message, when it does not read as one.
std::optional<CameraState> cameraIn(const FoundCameraFile& file, std::string& error) {
    CameraState camera = defaultCameraState();
    MessageLog log;
    if (readCameraText(file.text, file.path, CameraLoadMode::Full, camera, log))
        return camera;
    error = log.messages.empty() ? "File '" + file.path + "' is not a camera file" : log.messages.front();
    return std::nullopt;
}

// A model observer run's "sampling.pixelAngleMrad", when it gives one: a finite angle above 0 and
// below 1000 mrad, or the reason it is not.
std::optional<double> pixelAngleOfRun(const nlohmann::json& run, std::string& reason) {
    if (!run.contains("sampling") || !run["sampling"].is_object() || !run["sampling"].contains("pixelAngleMrad"))
        return std::nullopt;
    const nlohmann::json& angle = run["sampling"]["pixelAngleMrad"];
    if (angle.is_number() && angle.get<double>() > 0.0 && angle.get<double>() < 1000.0)
        return angle.get<double>();
    reason = "\"sampling.pixelAngleMrad\" is not an angle above 0 and below 1000 mrad";
    return std::nullopt;
}

class Assembler {
public:
    Assembler(const std::vector<std::string>& folders, std::string& error) : folders_(folders), error_(error) {}

    std::optional<RangeMrtd> operator()(const CameraCurvesSource& source) const {
        const auto file = lookUpCameraFile(source.cameraFile, folders_, error_);
        if (!file) {
            if (error_.empty())
                error_ = absent(source.cameraFile);
            return std::nullopt;
        }
        const auto camera = cameraIn(*file, error_);
        if (!camera)
            return std::nullopt;
        RangeMrtd mrtd = rangeMrtdOfCamera(*camera);
        mrtd.source = "camera file " + file->path + " (its curves for the field in use)";
        mrtd.cameraFile = source.cameraFile;
        return mrtd;
    }

    std::optional<RangeMrtd> operator()(const SessionFileSource& source) const {
        MessageLog log;
        const auto session = readSessionFile(source.path, log);
        if (!session) {
            error_ = log.messages.empty() ? "File '" + source.path + "' cannot be read" : log.messages.front();
            return std::nullopt;
        }
        return (*this)(SessionSource{sessionStatistics(*session), source.slot});
    }

    std::optional<RangeMrtd> operator()(const SessionSource& source) const {
        return withPitch(rangeMrtdOfSession(source.groups, source.slot));
    }

    std::optional<RangeMrtd> operator()(const ObjectiveRunsSource& source) const {
        RangeMrtd mrtd;
        for (const ObjectiveRun& run : source.runs)
            take(objectiveCurveOf(run), run.orientation == orientationHorizontal, mrtd);
        if (source.runs.empty())
            return mrtd;
        mrtd.cameraFile = source.runs.back().cameraFile;
        mrtd.source = "the model observer's last run on " + mrtd.cameraFile;
        return withPitch(std::move(mrtd));
    }

    std::optional<RangeMrtd> operator()(const ObjectiveJsonSource& source) const {
        RangeMrtd mrtd;
        mrtd.source = "model observer";
        for (auto [path, horizontalBars, bars] : {std::tuple{&source.verticalBars, false, "vertical"},
                                                  std::tuple{&source.horizontalBars, true, "horizontal"}}) {
            if (path->empty())
                continue;
            const auto text = readBoundedTextFile(*path, objectiveJsonLimits, error_);
            if (!text)
                return std::nullopt;
            std::string reason;
            const auto json = parseStrictJson(*text, reason);
            // A run that names its bars must be given as that orientation's curve; older runs name none.
            if (json && json->contains("provenance") && (*json)["provenance"].is_object() &&
                (*json)["provenance"].contains("orientation") && (*json)["provenance"]["orientation"].is_string() &&
                (*json)["provenance"]["orientation"] != bars) {
                error_ = *path + " was measured with " + (*json)["provenance"]["orientation"].get<std::string>() +
                         " bars, where " + bars + " bars are asked for";
                return std::nullopt;
            }
            auto read = json ? objectiveCurveOfJson(*json, reason) : std::nullopt;
            if (!read) {
                error_ = *path + ": " + reason;
                return std::nullopt;
            }
            // The run's pixel angle gives the pixels across the critical dimension; the vertical bars'
            // (the detector's horizontal pitch) is the one a camera file's curves are given with.
            std::string badAngle;
            if (const auto angle = pixelAngleOfRun(*json, badAngle); !badAngle.empty()) {
                error_ = *path + ": " + badAngle;
                return std::nullopt;
            } else if (angle && (!mrtd.ifovMrad || !horizontalBars)) {
                mrtd.ifovMrad = angle;
            }
            take(std::move(*read), horizontalBars, mrtd);
            mrtd.source += " " + *path;
        }
        return mrtd;
    }

    std::optional<RangeMrtd> operator()(const MrtdTableSource& source) const {
        const auto text = readBoundedTextFile(source.path, mrtdTableLimits, error_);
        if (!text)
            return std::nullopt;
        auto mrtd = rangeMrtdOfCsv(*text, error_);
        if (!mrtd) {
            error_ = source.path + ": " + error_;
            return std::nullopt;
        }
        mrtd->source = "MRTD table " + source.path;
        return mrtd;
    }

private:
    // One orientation's curve of a run: horizontal bars give the vertical curve.
    static void take(ObjectiveCurve curve, bool horizontalBars, RangeMrtd& mrtd) {
        (horizontalBars ? mrtd.vertical : mrtd.horizontal) = std::move(curve.samples);
        (horizontalBars ? mrtd.verticalEnd : mrtd.horizontalEnd) = curve.end;
        (horizontalBars ? mrtd.verticalBelow : mrtd.horizontalBelow) = std::move(curve.below);
    }

    // The pitch of the curves' camera file, and its Nyquist frequencies where a curve's own source
    // does not say where it ends: unknown when no folder holds the file or it does not read as a
    // camera, none of the curves when it is refused.
    std::optional<RangeMrtd> withPitch(RangeMrtd mrtd) const {
        if (mrtd.cameraFile.empty())
            return mrtd;
        const auto file = lookUpCameraFile(mrtd.cameraFile, folders_, error_);
        if (!file)
            return error_.empty() ? std::optional(std::move(mrtd)) : std::nullopt;
        std::string unread;
        if (const auto camera = cameraIn(*file, unread)) {
            mrtd.ifovMrad = ifovMradOf(camera->set);
            for (bool horizontalBars : {false, true}) {
                auto& end = horizontalBars ? mrtd.verticalEnd : mrtd.horizontalEnd;
                const MrtdSamples& samples = horizontalBars ? mrtd.vertical : mrtd.horizontal;
                if (!end && !samples.empty())
                    end = sixFrequencyEnd(samples, samplingLimit(camera->set, horizontalBars).nyquist);
            }
        }
        return mrtd;
    }

    std::string absent(const std::string& name) const {
        if (folders_.size() == 1)
            return "File '" + (std::filesystem::path(folders_.front()) / name).string() + "' does not exist";
        std::string where;
        for (const std::string& folder : folders_)
            where += (where.empty() ? "" : ", ") + folder;
        return "the camera file '" + name + "' is in none of the folders " + where;
    }

    const std::vector<std::string>& folders_;
    std::string& error_;
};

} // namespace

std::optional<RangeMrtd> assembleRangeMrtd(const RangeSource& source, const std::vector<std::string>& cameraFolders,
                                           std::string& error) {
    error.clear();
    return std::visit(Assembler(cameraFolders, error), source);
}
