#include "measurement/range_sources.h"

#include "camera/camera_file.h"
#include "camera/mrtd_curve.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <map>
#include <numbers>

namespace {

MrtdSamples samplesOf(const PointList& points) {
    MrtdSamples samples;
    for (int k = 0; k < points.vertexCount(); ++k)
        if (points.y(k) > 0.0f)
            samples.push_back({points.x(k), points.y(k), std::nullopt, {}});
    std::sort(samples.begin(), samples.end(), [](const auto& a, const auto& b) { return a.frequency < b.frequency; });
    return samples;
}

std::optional<double> number(std::string text) {
    text.erase(0, text.find_first_not_of(" \t\r"));
    text.erase(text.find_last_not_of(" \t\r") + 1);
    double value = 0.0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || !std::isfinite(value))
        return std::nullopt;
    return value;
}

// The text's lines, counted from 1 as an editor counts them, blank ones included.
std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
        lines.push_back(text.substr(start, end - start));
    if (start < text.size())
        lines.push_back(text.substr(start));
    return lines;
}

} // namespace

double ifovMradOf(const CameraSet& camera) {
    return camera.fovCurrentH * std::numbers::pi / 180.0 * 1000.0 / std::max(1, camera.sensorWidth);
}

RangeMrtd rangeMrtdOfCamera(const CameraState& camera) {
    RangeMrtd mrtd;
    mrtd.horizontal = samplesOf(mrtdCurveOf(camera, false));
    mrtd.vertical = samplesOf(mrtdCurveOf(camera, true));
    mrtd.ifovMrad = ifovMradOf(camera.set);
    mrtd.source = "camera file curves";
    return mrtd;
}

RangeMrtd rangeMrtdOfSession(const std::vector<SessionGroup>& groups, int slot) {
    RangeMrtd mrtd;
    const SessionGroup* first = nullptr;
    for (const SessionGroup& g : groups)
        if ((slot == 0 || g.slot == slot) && g.mean) {
            first = &g;
            break;
        }
    if (!first)
        return mrtd;
    mrtd.cameraFile = first->cameraFile;
    mrtd.source = "session, Camera" + std::to_string(first->slot) + " " + first->cameraFile + ", " + first->imageModel +
                  " image model";
    for (const SessionGroup& g : groups) {
        if (g.slot != first->slot || g.cameraFile != first->cameraFile || g.imageModel != first->imageModel ||
            !g.mean || !(*g.mean > 0.0))
            continue;
        MrtdSample s{g.frequency, *g.mean, g.ci95, {}};
        for (const ObserverMrtd& o : g.perObserver)
            if (o.mrtd && *o.mrtd > 0.0)
                s.observers.emplace_back(o.observer, *o.mrtd);
        (g.orientation == orientationHorizontal ? mrtd.vertical : mrtd.horizontal).push_back(s);
    }
    return mrtd;
}

MrtdSamples samplesOfObjective(const ObjectiveRun& run) {
    MrtdSamples samples;
    for (const RunFrequency& r : run.frequencies) {
        if (!r.mrtd.hasMean())
            continue;
        MrtdSample s{r.frequency, r.mrtd.mean, std::nullopt, {}};
        if (r.mrtd.valued > 1)
            s.ci95 = std::pair{r.mrtd.ciLow, r.mrtd.ciHigh};
        // Repeat k is one run of the observer across every frequency (its own seed), so the repeats
        // resample together as a session's observers do.
        for (std::size_t k = 0; k < r.repeats.size(); ++k) {
            const RunHalf& m = r.repeats[k].mrtd;
            if (m.outcome != RunOutcome::NotResolved && m.value > 0.0)
                s.observers.emplace_back("repeat " + std::to_string(k + 1), m.value);
        }
        samples.push_back(s);
    }
    return samples;
}

std::optional<MrtdSamples> samplesOfObjectiveJson(const nlohmann::json& json, std::string& error) {
    if (!json.is_object() || !json.contains("frequencies") || !json["frequencies"].is_array()) {
        error = "not the JSON of tervix-cli mrtd --json (no \"frequencies\" list)";
        return std::nullopt;
    }
    MrtdSamples samples;
    std::map<double, std::size_t> seen; // frequency, row
    const auto& rows = json["frequencies"];
    for (std::size_t k = 0; k < rows.size(); ++k) {
        const auto& row = rows[k];
        const std::string at = "frequencies[" + std::to_string(k) + "]";
        const auto* f = row.is_object() && row.contains("frequency") ? &row["frequency"] : nullptr;
        const auto* m = row.is_object() && row.contains("mrtd") && row["mrtd"].is_object() ? &row["mrtd"] : nullptr;
        if (!f || !f->is_number() || !m) {
            error = at + " has no \"frequency\" and \"mrtd\"";
            return std::nullopt;
        }
        const double frequency = f->get<double>();
        if (const std::string problem = frequencyProblem(frequency); !problem.empty()) {
            error = at + ".frequency: " + problem;
            return std::nullopt;
        }
        if (const auto [first, fresh] = seen.emplace(frequency, k); !fresh) {
            error = at + ".frequency " + f->dump() + " is frequencies[" + std::to_string(first->second) + "]'s again";
            return std::nullopt;
        }
        // A frequency the observer did not resolve has no mean above zero, and no value.
        if (!m->contains("mean") || !(*m)["mean"].is_number() || !((*m)["mean"].get<double>() > 0.0))
            continue;
        MrtdSample s{frequency, (*m)["mean"].get<double>(), std::nullopt, {}};
        if (const std::string problem = mrtdProblem(s.mrtd); !problem.empty()) {
            error = at + ".mrtd.mean: " + problem;
            return std::nullopt;
        }
        if (m->contains("ci95") && (*m)["ci95"].is_array() && (*m)["ci95"].size() == 2 && (*m)["ci95"][0].is_number() &&
            (*m)["ci95"][1].is_number()) {
            s.ci95 = std::pair{(*m)["ci95"][0].get<double>(), (*m)["ci95"][1].get<double>()};
            // An interval runs from its low end to its high one and holds the mean.
            if (!(s.ci95->first <= s.mrtd && s.mrtd <= s.ci95->second) ||
                !(std::abs(s.ci95->second - s.ci95->first) <= maxTemperatureDifference)) {
                error = at + ".mrtd.ci95 " + (*m)["ci95"].dump() + " is no interval from low to high around the mean " +
                        (*m)["mean"].dump() + " within the span an MRTD may have";
                return std::nullopt;
            }
        }
        samples.push_back(s);
    }
    std::sort(samples.begin(), samples.end(), [](const auto& a, const auto& b) { return a.frequency < b.frequency; });
    return samples;
}

RangeMrtd rangeMrtdOfRows(const std::vector<MrtdTableRow>& rows) {
    RangeMrtd mrtd;
    mrtd.source = "MRTD table";
    for (const MrtdTableRow& row : rows)
        for (auto [value, samples] : {std::pair{row.horizontal, &mrtd.horizontal}, {row.vertical, &mrtd.vertical}})
            if (value && *value > 0.0)
                samples->push_back({row.frequency, *value, std::nullopt, {}});
    for (MrtdSamples* s : {&mrtd.horizontal, &mrtd.vertical})
        std::sort(s->begin(), s->end(), [](const auto& a, const auto& b) { return a.frequency < b.frequency; });
    return mrtd;
}

std::optional<RangeMrtd> rangeMrtdOfCsv(const std::string& text, std::string& error) {
    std::vector<MrtdTableRow> rows;
    std::map<double, int> seen; // frequency, line
    int lineNumber = 0;
    for (const std::string& line : linesOf(text)) {
        ++lineNumber;
        if (line.find_first_not_of(" \t\r") == std::string::npos)
            continue;
        std::vector<std::string> cells;
        std::size_t start = 0;
        for (std::size_t comma; (comma = line.find(',', start)) != std::string::npos; start = comma + 1)
            cells.push_back(line.substr(start, comma - start));
        cells.push_back(line.substr(start));
        const std::string at = "line " + std::to_string(lineNumber);
        const auto f = number(cells[0]);
        if (!f && lineNumber == 1)
            continue; // the header
        if (!f || cells.size() < 2 || cells.size() > 3) {
            error = at + " is not 'frequency, mrtdH, mrtdV'";
            return std::nullopt;
        }
        if (const std::string problem = frequencyProblem(*f); !problem.empty()) {
            error = at + ": " + problem;
            return std::nullopt;
        }
        if (const auto [first, fresh] = seen.emplace(*f, lineNumber); !fresh) {
            error = at + ": the frequency " + cells[0] + " is line " + std::to_string(first->second) + "'s again";
            return std::nullopt;
        }
        MrtdTableRow row{*f, std::nullopt, std::nullopt};
        for (std::size_t k = 1; k < cells.size(); ++k) {
            const char* column = k == 1 ? "mrtdH" : "mrtdV";
            const bool blank = cells[k].find_first_not_of(" \t\r") == std::string::npos;
            const auto value = number(cells[k]);
            if (!blank && !value) {
                error = at + ": " + column + " is not a number";
                return std::nullopt;
            }
            // An empty cell, or a value not above zero, is a frequency without a value.
            if (!value || !(*value > 0.0))
                continue;
            if (const std::string problem = mrtdProblem(*value); !problem.empty()) {
                error = at + ": " + column + ": " + problem;
                return std::nullopt;
            }
            (k == 1 ? row.horizontal : row.vertical) = value;
        }
        rows.push_back(row);
    }
    return rangeMrtdOfRows(rows);
}
