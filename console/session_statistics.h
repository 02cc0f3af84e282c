#pragma once

#include "console/session.h"

#include <optional>
#include <string>
#include <utility>
#include <vector>

// One observer's values in a group: the means of their recognised readings of each half and their
// MRTD, half the distance between them, when both halves were recognised.
struct ObserverMrtd {
    std::string observer;   // the name at the observer's first reading in the group
    std::string identifier; // the roster's; empty for a name not on it
    std::optional<double> plus;
    std::optional<double> minus;
    std::optional<double> mrtd;
    int plusReadings = 0;  // recognised
    int minusReadings = 0; // recognised
};

// The readings of one slot, camera file, image model, orientation and frequency, summed up across
// observers.
struct SessionGroup {
    int slot = 1;
    std::string cameraFile;
    std::string imageModel;
    std::string orientation;
    double frequency = 0.0;
    std::vector<ObserverMrtd> perObserver;         // in the order of their first reading
    int observers = 0;                             // observers with an MRTD
    std::optional<double> mean;                    // of the observers' MRTDs
    std::optional<double> sd;                      // sample deviation (n - 1), from two observers on
    std::optional<std::pair<double, double>> ci95; // positiveInterval95, from two observers on
    int readings = 0;                              // counted, not struck
    int notRecognized = 0;                         // counted, not struck
    int struck = 0;                                // struck out: in no other number here
    // At least three observers, each with at least three recognised readings of each half.
    bool meetsStandard = false;
};

inline constexpr int standardObservers = 3;
inline constexpr int standardReadingsPerHalf = 3;

// The 95 % interval of a mean MRTD from count observers, taken on the logarithmic scale and
// carried back by the delta method: mean * exp(-+ t(0.975, n - 1) (sd / mean) / sqrt(n)). An MRTD is
// a positive temperature difference and its spread grows with it, so the interval must not reach
// below zero as the symmetric one does with few observers. None below two values or when the mean
// is not positive (the logarithm has no value there).
std::optional<std::pair<double, double>> positiveInterval95(double mean, double sd, int count);

// Which readings were taken blind: after a "blind on" event and before the next "blind off", by
// their times. Readings and events are each kept in the order they happened.
std::vector<bool> blindReadings(const Session& session);

// The groups ordered by slot, camera file, image model, orientation and frequency. Struck readings
// enter no number but the group's struck count; a group of struck readings only is left out.
std::vector<SessionGroup> sessionStatistics(const Session& session);

// The groups as the command line writes them: a JSON list, CSV with one row per group, and the
// text table it prints.
std::string statisticsJson(const std::vector<SessionGroup>& groups);
std::string statisticsCsv(const std::vector<SessionGroup>& groups);
std::string statisticsTable(const std::vector<SessionGroup>& groups);
// What `tervix-cli session --json` prints and the window's "Export JSON" writes: {"groups": the
// list above, "objectiveRuns": every model observer's run as the session file holds it}.
std::string sessionJson(const Session& session);
// One line per run, after the table: when, which slot, camera file, image model, bars and observer,
// and the mean MRTD at each frequency (cycles/mrad).
std::string objectiveRunsTable(const std::vector<ObjectiveRun>& runs);
