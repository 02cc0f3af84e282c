#pragma once

#include "console/objective_run.h"
#include "measurement/model_observer.h"

#include <string>
#include <vector>

// What a run of the model observer was started on that its result does not hold.
struct ObjectiveRunSource {
    int slot = 1; // 1 ... 5
    std::string cameraFile;
    std::string cameraSha256; // empty when the file could not be read to hash it
    std::string imageModel;
};

// The observer's result as the session records it, with the settings it ran with and this bench's
// version; the time is the bench's to stamp.
ObjectiveRun objectiveRunOf(const ObjectiveMrtd& result, const ObserverSettings& settings,
                            const ObjectiveRunSource& source);
// The result's frequencies alone, as the plots draw them.
std::vector<RunFrequency> runFrequenciesOf(const ObjectiveMrtd& result);
