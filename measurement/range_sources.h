#pragma once

#include "camera/camera_set.h"
#include "console/objective_run.h"
#include "console/session_statistics.h"
#include "measurement/range_mrtd.h"

#include <nlohmann/json.hpp>

#include <optional>
#include <string>
#include <vector>

// Where a range's MRTD curves come from.

// The camera file's curves for the field of view in use, each ending at the Nyquist frequency of its
// direction (nothing past it is resolved, whatever the file's curve claims), and its angular pitch.
RangeMrtd rangeMrtdOfCamera(const CameraState& camera);

// A session's observers: the group means per frequency of one slot (its first camera file and image
// model, the camera file named in cameraFile), vertical bars giving the horizontal curve, with each
// observer's value kept for the intervals. A frequency above the last with a value that no observer
// recognised at the bench's largest difference ends its curve. The first slot of the groups when slot
// is 0.
RangeMrtd rangeMrtdOfSession(const std::vector<SessionGroup>& groups, int slot = 0);

// One orientation of a model observer's run: the means of the frequencies resolved (by at least half
// the repeats), each with its repeats' values; where the curve ends (the first frequency above the
// last resolved one: not resolved at the bench's largest difference, or past the sampling limit; the
// Nyquist frequency when the list simply stopped); and the observer's reference below the lowest
// frequency, scaled to the mean measured there.
struct ObjectiveCurve {
    MrtdSamples samples;
    std::optional<CurveEnd> end;
    MrtdCurve below;
};
ObjectiveCurve objectiveCurveOf(const ObjectiveRun& run);
// The same from the JSON `tervix-cli mrtd --json` writes; none, with the reason, when it is not that.
// A run of an earlier release names no outcomes: each frequency with a mean counts, its interval is
// the one it gives, and its end is not known.
std::optional<ObjectiveCurve> objectiveCurveOfJson(const nlohmann::json& json, std::string& error);

// Where a curve of the bench's six frequencies ends, when no frequency above its last value was
// found unresolved: at the Nyquist frequency, limited by the sampling when none of the six lies
// between them, else by the measurement.
CurveEnd sixFrequencyEnd(const MrtdSamples& samples, double nyquist);

// One row of an MRTD table: a frequency in cycles/mrad and each orientation's value in kelvin, none
// where it has none.
struct MrtdTableRow {
    double frequency = 0.0;
    std::optional<double> horizontal, vertical;
};
// The curves of a table's rows: a value counts only above zero, and each curve ascends in frequency.
RangeMrtd rangeMrtdOfRows(const std::vector<MrtdTableRow>& rows);

// "f, mrtdH, mrtdV" rows (a header line of words is passed over; an empty cell or one not above zero
// is no value); none, with the line at fault, when a row is malformed.
std::optional<RangeMrtd> rangeMrtdOfCsv(const std::string& text, std::string& error);

// The angular pitch of the detector in mrad: the current horizontal field over the image's columns.
double ifovMradOf(const CameraSet& camera);
