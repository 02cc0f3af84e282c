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

// The camera file's curves for the field of view in use, and its angular pitch.
RangeMrtd rangeMrtdOfCamera(const CameraState& camera);

// A session's observers: the group means per frequency of one slot (its first camera file and image
// model, the camera file named in cameraFile), vertical bars giving the horizontal curve, with each
// observer's value kept for resampling. The first slot of the groups when slot is 0.
RangeMrtd rangeMrtdOfSession(const std::vector<SessionGroup>& groups, int slot = 0);

// A model observer's run's means per frequency with their 95 % intervals, in the orientation
// measured, and each repeat's value kept for resampling.
MrtdSamples samplesOfObjective(const ObjectiveRun& run);
// The same from the JSON `tervix-cli mrtd --json` writes; none, with the reason, when it is not that.
std::optional<MrtdSamples> samplesOfObjectiveJson(const nlohmann::json& json, std::string& error);

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

// The angular pitch of the detector in mrad: the current horizontal field over the columns.
double ifovMradOf(const CameraSet& camera);
