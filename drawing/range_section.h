#pragma once

#include "console/objective_run.h"
#include "console/session_statistics.h"
#include "drawing/report_pages.h"

#include <string>
#include <vector>

// The report's range section for each slot with readings or an objective run: the scenario with its
// criteria named (the standard target at 2 K in clear air, Johnson's criteria, the square root of
// the target's area), a table of each task's range with its 95 % interval, frequency, cycles and
// pixels from the observers and another from the objective run, what the reader must be told, and
// the chance of each task against range beside the crossing of the MRTD with the dimmed target.
// The curves are assembled as everywhere else (assembleRangeMrtd), the camera files found in the
// folders giving the detector's angular pitch; false, with the reason, when one is refused.
bool addRangeSections(ReportPages& pages, const std::vector<SessionGroup>& groups,
                      const std::vector<ObjectiveRun>& objectiveRuns, const std::vector<std::string>& cameraFolders,
                      std::string& error);
