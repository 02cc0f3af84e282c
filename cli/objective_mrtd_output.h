#pragma once

#include "measurement/model_observer.h"

#include <nlohmann/json.hpp>

#include <string>

// The model observer's results as the command-line tool writes them: the same columns in JSON, in
// an aligned table (under a line naming the observer and its screen) and in CSV. Per frequency: the
// observer's name, the MRTD and its two halves, each with mean, standard deviation, 95 % interval,
// resolved repeats, repeats and outcome; the classic formula and classicHuman; the camera file's
// curve. The JSON adds each frequency's outcome, the repeats' values, the pixel angle and Nyquist
// frequency across the bars, and the observer's reference curve below the lowest frequency; the
// table names the pixel angle and Nyquist frequency in its head. The JSON's "viewing" gives the
// screen, the observer profile and the display window as fields, and the sentence the table heads
// with as "words".
nlohmann::json objectiveMrtdJson(const ObjectiveMrtd& result, const ObserverSettings& settings);
// The observer with every setting that moves its readings, as an objective MRTD's provenance names it.
nlohmann::json observerProvenanceJson(const ObserverSettings& settings);
std::string objectiveMrtdTable(const ObjectiveMrtd& result);
std::string objectiveMrtdCsv(const ObjectiveMrtd& result);
