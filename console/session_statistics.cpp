#include "console/session_statistics.h"

#include "console/statistics.h"
#include "text/csv_writer.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <tuple>

namespace {

using GroupKey = std::tuple<int, std::string, std::string, std::string, double>;

GroupKey keyOf(const SessionReading& r) {
    return {r.slot, r.cameraFile, r.imageModel, r.orientation, r.frequency};
}

struct ObserverSums {
    double plus = 0.0;
    double minus = 0.0;
    int plusCount = 0;
    int minusCount = 0;
};

nlohmann::json orNull(const std::optional<double>& value) {
    return value ? nlohmann::json(*value) : nlohmann::json();
}

} // namespace

std::optional<std::pair<double, double>> positiveInterval95(double mean, double sd, int count) {
    if (count < 2 || !(mean > 0.0))
        return std::nullopt;
    const double spread = studentQuantile(0.975, count - 1) * (sd / mean) / std::sqrt(static_cast<double>(count));
    return std::pair{mean * std::exp(-spread), mean * std::exp(spread)};
}

std::vector<bool> blindReadings(const Session& session) {
    std::vector<bool> blind;
    bool on = false;
    std::size_t next = 0;
    for (const SessionReading& r : session.readings) {
        for (; next < session.events.size() && session.events[next].time <= r.time; ++next)
            on = session.events[next].event == eventBlindOn;
        blind.push_back(on);
    }
    return blind;
}

std::vector<SessionGroup> sessionStatistics(const Session& session) {
    struct Collect {
        int readings = 0;
        int notRecognized = 0;
        int struck = 0;
        std::vector<std::string> order; // observer keys in the order of their first reading
        std::map<std::string, ObserverSums> sums;
        std::map<std::string, std::string> names; // each key's name at its first reading
    };
    std::map<GroupKey, Collect> collected;
    for (const SessionReading& r : session.readings) {
        Collect& c = collected[keyOf(r)];
        if (r.struck) {
            ++c.struck;
            continue;
        }
        ++c.readings;
        // People are counted by identifier: two spellings of one person are one observer.
        const std::string key = observerKey(session.observers, r.observer);
        if (!c.sums.count(key)) {
            c.order.push_back(key);
            c.names[key] = r.observer;
        }
        ObserverSums& s = c.sums[key];
        if (!r.deltaT) {
            ++c.notRecognized;
            continue;
        }
        if (r.half == halfPlus) {
            s.plus += *r.deltaT;
            ++s.plusCount;
        } else {
            s.minus += *r.deltaT;
            ++s.minusCount;
        }
    }

    std::vector<SessionGroup> groups;
    for (const auto& [key, c] : collected) {
        if (c.readings == 0)
            continue;
        SessionGroup g;
        std::tie(g.slot, g.cameraFile, g.imageModel, g.orientation, g.frequency) = key;
        g.readings = c.readings;
        g.notRecognized = c.notRecognized;
        g.struck = c.struck;
        std::vector<double> values;
        int qualified = 0;
        for (const std::string& key : c.order) {
            const ObserverSums& s = c.sums.at(key);
            const std::string& name = c.names.at(key);
            ObserverMrtd o{name, {}, {}, {}, {}, s.plusCount, s.minusCount};
            if (rosterEntry(session.observers, name))
                o.identifier = key;
            if (s.plusCount > 0)
                o.plus = s.plus / s.plusCount;
            if (s.minusCount > 0)
                o.minus = s.minus / s.minusCount;
            if (o.plus && o.minus) {
                o.mrtd = (*o.plus - *o.minus) / 2.0;
                values.push_back(*o.mrtd);
            }
            if (s.plusCount >= standardReadingsPerHalf && s.minusCount >= standardReadingsPerHalf)
                ++qualified;
            g.perObserver.push_back(o);
        }
        g.observers = static_cast<int>(values.size());
        g.meetsStandard = qualified >= standardObservers;
        const SampleStatistics statistics = sampleStatistics(values);
        if (statistics.count >= 1)
            g.mean = statistics.mean;
        if (statistics.count >= 2)
            g.sd = statistics.sd;
        g.ci95 = positiveInterval95(statistics.mean, statistics.sd, statistics.count);
        groups.push_back(std::move(g));
    }
    return groups;
}

namespace {

nlohmann::json groupsJson(const std::vector<SessionGroup>& groups) {
    nlohmann::json list = nlohmann::json::array();
    for (const SessionGroup& g : groups) {
        nlohmann::json observers = nlohmann::json::array();
        for (const ObserverMrtd& o : g.perObserver) {
            observers.push_back({{"observer", o.observer},
                                 {"plus", orNull(o.plus)},
                                 {"minus", orNull(o.minus)},
                                 {"mrtd", orNull(o.mrtd)}});
            if (!o.identifier.empty())
                observers.back()["identifier"] = o.identifier;
        }
        nlohmann::json ci = g.ci95 ? nlohmann::json::array({g.ci95->first, g.ci95->second}) : nlohmann::json();
        list.push_back({{"slot", g.slot},
                        {"cameraFile", g.cameraFile},
                        {"imageModel", g.imageModel},
                        {"orientation", g.orientation},
                        {"frequency", g.frequency},
                        {"observers", g.observers},
                        {"mrtd", {{"mean", orNull(g.mean)}, {"sd", orNull(g.sd)}, {"ci95", ci}}},
                        {"readings", g.readings},
                        {"notRecognized", g.notRecognized},
                        {"struck", g.struck},
                        {"meetsStandard", g.meetsStandard},
                        {"perObserver", observers}});
    }
    return list;
}

} // namespace

std::string statisticsJson(const std::vector<SessionGroup>& groups) {
    return groupsJson(groups).dump(2) + "\n";
}

std::string sessionJson(const Session& session) {
    nlohmann::json runs = nlohmann::json::array();
    for (const ObjectiveRun& run : session.objectiveRuns)
        runs.push_back(objectiveRunJson(run));
    return nlohmann::json{{"groups", groupsJson(sessionStatistics(session))}, {"objectiveRuns", std::move(runs)}}.dump(
               2) +
           "\n";
}

std::string objectiveRunsTable(const std::vector<ObjectiveRun>& runs) {
    std::string out;
    for (const ObjectiveRun& run : runs) {
        out += run.time + "  Camera" + std::to_string(run.slot) + " " + run.cameraFile + ", " + run.imageModel +
               " image model, " + run.orientation + " bars, " + run.observer + " observer:";
        char value[64];
        for (const RunFrequency& f : run.frequencies) {
            if (f.mrtd.hasMean())
                std::snprintf(value, sizeof value, " %g: %.3f K", f.frequency, f.mrtd.mean);
            else
                std::snprintf(value, sizeof value, " %g: -", f.frequency);
            out += value;
        }
        out += "\n";
    }
    return out;
}

// The columns of the statistics' CSV, the window's export and the command line's alike.
std::string statisticsCsv(const std::vector<SessionGroup>& groups) {
    CsvWriter csv({"slot_number", "camera_file", "image_model", "orientation", "frequency_cy_per_mrad",
                   "observers_count", "mrtd_k", "mrtd_sd_k", "ci95_low_k", "ci95_high_k", "readings_count",
                   "not_recognized_count", "meets_standard"});
    for (const SessionGroup& g : groups)
        csv.row({std::to_string(g.slot), g.cameraFile, g.imageModel, g.orientation, csvNumber(g.frequency),
                 std::to_string(g.observers), csvNumber(g.mean), csvNumber(g.sd),
                 csvNumber(g.ci95 ? std::optional(g.ci95->first) : std::nullopt),
                 csvNumber(g.ci95 ? std::optional(g.ci95->second) : std::nullopt), std::to_string(g.readings),
                 std::to_string(g.notRecognized), csvBool(g.meetsStandard)});
    return csv.text();
}

std::string statisticsTable(const std::vector<SessionGroup>& groups) {
    char line[256];
    std::snprintf(line, sizeof line, "%-5s %-14s %-10s %-10s %9s %9s %9s %19s %8s %6s\n", "slot", "camera file",
                  "model", "bars", "frequency", "observers", "mean [K]", "95 % interval [K]", "readings", "meets");
    std::string out = line;
    for (const SessionGroup& g : groups) {
        char mean[32] = "-", interval[48] = "-";
        if (g.mean)
            std::snprintf(mean, sizeof mean, "%.3f", *g.mean);
        if (g.ci95)
            std::snprintf(interval, sizeof interval, "%.3f ... %.3f", g.ci95->first, g.ci95->second);
        std::snprintf(line, sizeof line, "%-5d %-14s %-10s %-10s %9g %9d %9s %19s %8d %6s\n", g.slot,
                      g.cameraFile.c_str(), g.imageModel.c_str(), g.orientation.c_str(), g.frequency, g.observers, mean,
                      interval, g.readings, g.meetsStandard ? "yes" : "no");
        out += line;
    }
    return out;
}
