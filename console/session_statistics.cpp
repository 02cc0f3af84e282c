#include "console/session_statistics.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <map>
#include <tuple>

namespace {

// t(0.975, df) for df = 1 ... 30.
constexpr std::array<double, 30> tTable{12.706204736, 4.302652730, 3.182446305, 2.776445105, 2.570581836, 2.446911851,
                                        2.364624252,  2.306004135, 2.262157163, 2.228138852, 2.200985160, 2.178812830,
                                        2.160368656,  2.144786688, 2.131449546, 2.119905299, 2.109815578, 2.100922040,
                                        2.093024054,  2.085963447, 2.079613845, 2.073873068, 2.068657610, 2.063898562,
                                        2.059538553,  2.055529439, 2.051830516, 2.048407142, 2.045229642, 2.042272456};

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

std::string cell(const std::optional<double>& value) {
    if (!value)
        return "";
    char text[40];
    std::snprintf(text, sizeof text, "%.6g", *value);
    return text;
}

// A CSV field in quotes when it holds a separator, a quote or a line end.
std::string quoted(const std::string& text) {
    if (text.find_first_of(",\"\n\r") == std::string::npos)
        return text;
    std::string out = "\"";
    for (char c : text)
        out += c == '"' ? std::string("\"\"") : std::string(1, c);
    return out + "\"";
}

} // namespace

double studentT975(int degreesOfFreedom) {
    const int df = std::max(degreesOfFreedom, 1);
    if (df <= static_cast<int>(tTable.size()))
        return tTable[static_cast<std::size_t>(df - 1)];
    // Beyond the table the Cornish-Fisher expansion about the normal quantile is good to 2e-6.
    const double z = 1.959963984540054;
    const double n = df;
    const double z3 = z * z * z, z5 = z3 * z * z, z7 = z5 * z * z;
    return z + (z3 + z) / (4.0 * n) + (5.0 * z5 + 16.0 * z3 + 3.0 * z) / (96.0 * n * n) +
           (3.0 * z7 + 19.0 * z5 + 17.0 * z3 - 15.0 * z) / (384.0 * n * n * n);
}

std::vector<SessionGroup> sessionStatistics(const Session& session) {
    struct Collect {
        int readings = 0;
        int notRecognized = 0;
        std::vector<std::string> order;
        std::map<std::string, ObserverSums> sums;
    };
    std::map<GroupKey, Collect> collected;
    for (const SessionReading& r : session.readings) {
        Collect& c = collected[keyOf(r)];
        ++c.readings;
        if (!c.sums.count(r.observer))
            c.order.push_back(r.observer);
        ObserverSums& s = c.sums[r.observer];
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
        SessionGroup g;
        std::tie(g.slot, g.cameraFile, g.imageModel, g.orientation, g.frequency) = key;
        g.readings = c.readings;
        g.notRecognized = c.notRecognized;
        std::vector<double> values;
        int qualified = 0;
        for (const std::string& name : c.order) {
            const ObserverSums& s = c.sums.at(name);
            ObserverMrtd o{name, {}, {}, {}, s.plusCount, s.minusCount};
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
        if (!values.empty()) {
            double sum = 0.0;
            for (double v : values)
                sum += v;
            const double mean = sum / static_cast<double>(values.size());
            g.mean = mean;
            if (values.size() >= 2) {
                double squares = 0.0;
                for (double v : values)
                    squares += (v - mean) * (v - mean);
                const double n = static_cast<double>(values.size());
                const double sd = std::sqrt(squares / (n - 1.0));
                const double half = studentT975(g.observers - 1) * sd / std::sqrt(n);
                g.sd = sd;
                g.ci95 = std::pair{mean - half, mean + half};
            }
        }
        groups.push_back(std::move(g));
    }
    return groups;
}

std::string statisticsJson(const std::vector<SessionGroup>& groups) {
    nlohmann::json list = nlohmann::json::array();
    for (const SessionGroup& g : groups) {
        nlohmann::json observers = nlohmann::json::array();
        for (const ObserverMrtd& o : g.perObserver)
            observers.push_back({{"observer", o.observer},
                                 {"plus", orNull(o.plus)},
                                 {"minus", orNull(o.minus)},
                                 {"mrtd", orNull(o.mrtd)}});
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
                        {"meetsStandard", g.meetsStandard},
                        {"perObserver", observers}});
    }
    return list.dump(2) + "\n";
}

std::string statisticsCsv(const std::vector<SessionGroup>& groups) {
    std::string out = "slot,cameraFile,imageModel,orientation,frequency,observers,mean,sd,ci95Low,ci95High,readings,"
                      "notRecognized,meetsStandard\n";
    for (const SessionGroup& g : groups) {
        std::optional<double> low, high;
        if (g.ci95) {
            low = g.ci95->first;
            high = g.ci95->second;
        }
        out += std::to_string(g.slot) + ',' + quoted(g.cameraFile) + ',' + quoted(g.imageModel) + ',' + g.orientation +
               ',' + cell(g.frequency) + ',' + std::to_string(g.observers) + ',' + cell(g.mean) + ',' + cell(g.sd) +
               ',' + cell(low) + ',' + cell(high) + ',' + std::to_string(g.readings) + ',' +
               std::to_string(g.notRecognized) + ',' + (g.meetsStandard ? "true" : "false") + '\n';
    }
    return out;
}
