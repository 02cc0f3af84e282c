#include "cli/range_output.h"

#include "measurement/range_notes.h"
#include "text/csv_writer.h"

#include <cstdio>

namespace {

nlohmann::json orNull(const std::optional<double>& value) {
    return value ? nlohmann::json(*value) : nlohmann::json(nullptr);
}

std::string probabilityKey(double p) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", p);
    return text;
}

std::string fixed(double value, int decimals) {
    char text[32];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

std::string intervalText(const TaskRange& t) {
    if (!t.ci95)
        return "-";
    return kmText(t.ci95->first) + " ... " + kmText(t.ci95->second, t.ciBound);
}

// A range's number or bracket: rangeKm is the crossing, or the low end a bracket's measured curve
// proves; bound says it is a bracket.
nlohmann::json knownJson(const KnownRange& r) {
    return {{"rangeKm", r.rangeKm},
            {"lowKm", r.rangeKm},
            {"highKm", orNull(r.highKm)},
            {"limitedBy", rangeLimitName(r.limitedBy)},
            {"bound", r.bracket()}};
}

} // namespace

nlohmann::json rangeJson(const RangePrediction& p) {
    const RangeScenario& s = p.scenario;
    nlohmann::json tasks = nlohmann::json::array();
    for (const TaskRange& t : p.tasks) {
        nlohmann::json ranges = nlohmann::json::object();
        for (const ProbabilityRange& r : t.atProbability)
            ranges[probabilityKey(r.probability)] = knownJson(r.range);
        nlohmann::json task = knownJson(t.crossing);
        task.update(
            {{"task", t.task.task},
             {"n50", t.task.n50},
             {"ci95Km", t.ci95 ? nlohmann::json::array({t.ci95->first, t.ci95->second}) : nlohmann::json(nullptr)},
             {"ci95Bound", t.ciBound},
             {"frequency", t.crossing.frequency},
             {"cycles", t.cycles},
             {"pixels", orNull(t.pixels)},
             {"ranges", ranges}});
        tasks.push_back(task);
    }
    nlohmann::json ttp = nlohmann::json::array();
    for (const TtpRange& t : p.ttp) {
        nlohmann::json task = knownJson(t);
        task.update({{"task", t.task}, {"v50", t.v50}, {"unintegratedShare", orNull(t.unintegratedShare)}});
        ttp.push_back(task);
    }
    const auto& end = p.mrtd.end;
    return {{"criteria", s.criteria.name},
            {"dimension", dimensionName(s.dimension)},
            {"target",
             {{"name", s.target.name},
              {"width", s.target.width},
              {"height", s.target.height},
              {"criticalDimension", s.criticalDimensionM()}}},
            {"dt", s.target.dt},
            {"extinction", s.extinction},
            {"source", p.source},
            {"ifovMrad", orNull(p.ifovMrad)},
            {"mrtd2d", p.mrtd.single.empty() ? "both orientations" : p.mrtd.single + " only"},
            {"curveEnd", end ? nlohmann::json{{"frequency", end->frequency}, {"limitedBy", rangeLimitName(end->limit)}}
                             : nlohmann::json(nullptr)},
            {"tasks", tasks},
            {"ttpCriteria",
             {{"name", p.ttpCriteria.name},
              {"source", p.ttpCriteria.source},
              {"exponent", {p.ttpCriteria.exponentA, p.ttpCriteria.exponentB}}}},
            {"ttp", ttp},
            {"notes", rangeNotes(p)}};
}

std::string rangeTable(const RangePrediction& p) {
    const RangeScenario& s = p.scenario;
    std::string text = "source: " + p.source + "\n";
    text += "target: " + s.target.name + " " + fixed(s.target.width, 2) + " x " + fixed(s.target.height, 2) +
            " m, critical dimension " + fixed(s.criticalDimensionM(), 3) + " m (" + dimensionName(s.dimension) +
            "), dT " + fixed(s.target.dt, 2) + " K, extinction " + fixed(s.extinction, 3) + " /km\n";
    text += "criteria: " + s.criteria.name + "\n";
    if (p.mrtd.end)
        text += "curve ends: " + fixed(p.mrtd.end->frequency, 3) + " cycles/mrad (" +
                rangeLimitName(p.mrtd.end->limit) + ")\n";
    text += "\n";
    char line[256];
    std::snprintf(line, sizeof line, "%-15s %5s %13s %-11s %20s %10s %7s %7s", "task", "N50", "range_km", "limited_by",
                  "ci95_km", "f_cy/mrad", "cycles", "pixels");
    text += line;
    for (double probability : s.probabilities) {
        std::snprintf(line, sizeof line, " %13s", ("P=" + probabilityKey(probability)).c_str());
        text += line;
    }
    text += "\n";
    for (const TaskRange& t : p.tasks) {
        std::snprintf(line, sizeof line, "%-15s %5.2f %13s %-11s %20s %10.3f %7.2f %7s", t.task.task.c_str(),
                      t.task.n50, rangeText(t.crossing).c_str(), rangeLimitName(t.crossing.limitedBy),
                      intervalText(t).c_str(), t.crossing.frequency, t.cycles,
                      t.pixels ? fixed(*t.pixels, 1).c_str() : "-");
        text += line;
        for (const ProbabilityRange& r : t.atProbability) {
            std::snprintf(line, sizeof line, " %13s", rangeText(r.range).c_str());
            text += line;
        }
        text += "\n";
    }
    text += "\nTTP metric (" + p.ttpCriteria.name + ", E = " + fixed(p.ttpCriteria.exponentA, 2) + " + " +
            fixed(p.ttpCriteria.exponentB, 2) + " V/V50):\n";
    for (const TtpRange& t : p.ttp) {
        std::snprintf(line, sizeof line, "%-15s V50 %5.1f %13s km  %s\n", t.task.c_str(), t.v50, rangeText(t).c_str(),
                      rangeLimitName(t.limitedBy));
        text += line;
    }
    for (const std::string& note : rangeNotes(p))
        text += "note: " + note + "\n";
    return text;
}

// The CSV's columns: N50 and the cycles in cycles across the critical dimension, the pixels across
// it, the range at each probability under its percentage ("range_p50_km").
std::string rangeCsv(const RangePrediction& p) {
    std::vector<std::string> header{"task",
                                    "n50_cycles",
                                    "range_km",
                                    "low_km",
                                    "high_km",
                                    "limited_by",
                                    "bound",
                                    "ci95_low_km",
                                    "ci95_high_km",
                                    "frequency_cy_per_mrad",
                                    "critical_dimension_cycles",
                                    "critical_dimension_pixels"};
    for (double probability : p.scenario.probabilities) {
        header.push_back("range_p" + probabilityKey(100.0 * probability) + "_km");
        header.push_back("high_p" + probabilityKey(100.0 * probability) + "_km");
    }
    CsvWriter csv(header);
    for (const TaskRange& t : p.tasks) {
        std::vector<std::string> row{t.task.task,
                                     csvNumber(t.task.n50),
                                     csvNumber(t.crossing.rangeKm),
                                     csvNumber(t.crossing.rangeKm),
                                     csvNumber(t.crossing.highKm),
                                     rangeLimitName(t.crossing.limitedBy),
                                     csvBool(t.crossing.bracket()),
                                     t.ci95 ? csvNumber(t.ci95->first) : "",
                                     t.ci95 ? csvNumber(t.ci95->second) : "",
                                     csvNumber(t.crossing.frequency),
                                     csvNumber(t.cycles),
                                     csvNumber(t.pixels)};
        for (const ProbabilityRange& r : t.atProbability) {
            row.push_back(csvNumber(r.range.rangeKm));
            row.push_back(csvNumber(r.range.highKm));
        }
        csv.row(row);
    }
    return csv.text();
}
