#pragma once

#include "console/objective_run.h"
#include "console/session_statistics.h"
#include "measurement/range_mrtd.h"
#include "text/bounded_text_file.h"

#include <optional>
#include <string>
#include <variant>
#include <vector>

// The one way a range's MRTD curves are put together, shared by the command line, the Range dialog
// and the report. A source is one of the kinds below; the files it names are read here within their
// limits, and the detector's angular pitch comes from the camera file the curves belong to, looked
// up by name in the folders the caller trusts (lookUpCameraFile), whatever the source.

// A camera file's curves for the field of view in use; the name alone, looked up in the folders.
struct CameraCurvesSource {
    std::string cameraFile;
};
// A session file's observers, or the observers of the session at hand; slot 1 ... 5, or 0 for the
// first slot with a value.
struct SessionFileSource {
    std::string path;
    int slot = 0;
};
struct SessionSource {
    std::vector<SessionGroup> groups;
    int slot = 0;
};
// The model observer's runs at hand, each giving the curve of the orientation it measured (a later
// run of the same orientation wins); the runs name the camera file they ran on.
struct ObjectiveRunsSource {
    std::vector<ObjectiveRun> runs; // of one camera file, at most one per orientation
};
// The JSON files `tervix-cli mrtd --json` writes, one per orientation measured; either may be empty.
struct ObjectiveJsonSource {
    std::string verticalBars;   // the horizontal MRTD
    std::string horizontalBars; // the vertical MRTD
};
// A table of "frequency, mrtdH, mrtdV" rows.
struct MrtdTableSource {
    std::string path;
};
using RangeSource = std::variant<CameraCurvesSource, SessionFileSource, SessionSource, ObjectiveRunsSource,
                                 ObjectiveJsonSource, MrtdTableSource>;

// The model observer's JSON is a few kilobytes, an MRTD table a few lines; anything far larger is
// not one.
inline constexpr TextFileLimits objectiveJsonLimits{"an objective MRTD file", 16u << 20, 16u << 20};
inline constexpr TextFileLimits mrtdTableLimits{"an MRTD table", 1u << 20, 64u << 10};

// The curves with their source named, and the pitch when the curves' camera file is found. Nothing,
// with one line naming the file and what is wrong with it, when a file of the source is absent,
// refused or not what it should be, or when the curves' camera file is refused (a pipe, a device,
// too large, named with a folder); a camera file that no folder holds leaves the pitch unknown.
// Curves without a value above zero are returned as they are (hasNoValue).
std::optional<RangeMrtd> assembleRangeMrtd(const RangeSource& source, const std::vector<std::string>& cameraFolders,
                                           std::string& error);
