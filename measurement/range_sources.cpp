#include "measurement/range_sources.h"

#include "camera/camera_file.h"
#include "camera/mrtd_curve.h"
#include "camera/sampling_limit.h"
#include "console/temperature_grid.h"
#include "sim/spatial_frequencies.h"

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
    return samplingLimit(camera, false).pixelAngleMrad;
}

RangeMrtd rangeMrtdOfCamera(const CameraState& camera) {
    RangeMrtd mrtd;
    mrtd.horizontal = samplesOf(mrtdCurveOf(camera, false));
    mrtd.vertical = samplesOf(mrtdCurveOf(camera, true));
    mrtd.horizontalEnd = CurveEnd{samplingLimit(camera.set, false).nyquist, RangeLimit::Sampling};
    mrtd.verticalEnd = CurveEnd{samplingLimit(camera.set, true).nyquist, RangeLimit::Sampling};
    mrtd.ifovMrad = ifovMradOf(camera.set);
    mrtd.source = "camera file curves";
    return mrtd;
}

CurveEnd sixFrequencyEnd(const MrtdSamples& samples, double nyquist) {
    const double last = samples.empty() ? 0.0 : samples.back().frequency;
    bool between = false;
    for (const FrequencyChoice& choice : frequencyChoices)
        between = between || (choice.frequency > last && choice.frequency <= nyquist);
    return {nyquist, between ? RangeLimit::Measurement : RangeLimit::Sampling};
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
    auto same = [&](const SessionGroup& g) {
        return g.slot == first->slot && g.cameraFile == first->cameraFile && g.imageModel == first->imageModel;
    };
    for (const SessionGroup& g : groups) {
        if (!same(g) || !g.mean || !(*g.mean > 0.0))
            continue;
        MrtdSample s{g.frequency, *g.mean, g.ci95, {}};
        for (const ObserverMrtd& o : g.perObserver)
            if (o.mrtd && *o.mrtd > 0.0)
                s.observers.emplace_back(o.observer, *o.mrtd);
        (g.orientation == orientationHorizontal ? mrtd.vertical : mrtd.horizontal).push_back(s);
    }
    // A frequency past a curve's last value that the observers did not recognise at the bench's
    // largest difference ends it.
    for (const SessionGroup& g : groups) {
        const bool horizontalBars = g.orientation == orientationHorizontal;
        const MrtdSamples& samples = horizontalBars ? mrtd.vertical : mrtd.horizontal;
        auto& end = horizontalBars ? mrtd.verticalEnd : mrtd.horizontalEnd;
        if (same(g) && !g.mean && g.notRecognized > 0 && !samples.empty() && g.frequency > samples.back().frequency &&
            (!end || g.frequency < end->frequency))
            end = CurveEnd{g.frequency, RangeLimit::Measurement, temperatureGridLimit};
    }
    return mrtd;
}

namespace {

bool resolvedOutcome(RunOutcome outcome) {
    return outcome == RunOutcome::Resolved || outcome == RunOutcome::CutAtRange;
}

// One frequency of a run as the curve takes it, whether it came from memory or from JSON.
struct ObjectiveRow {
    double frequency = 0.0;
    RunOutcome outcome = RunOutcome::NotResolved;
    double mean = 0.0;
    std::vector<double> values;
    std::optional<std::pair<double, double>> ci95;
};

// The curve of the rows (ascending), its end and its reference below, scaled to the first mean.
ObjectiveCurve curveOfRows(std::vector<ObjectiveRow> rows, double nyquist, const MrtdCurve& reference) {
    std::sort(rows.begin(), rows.end(), [](const auto& a, const auto& b) { return a.frequency < b.frequency; });
    ObjectiveCurve curve;
    std::size_t lastResolved = rows.size();
    for (std::size_t k = 0; k < rows.size(); ++k) {
        const ObjectiveRow& r = rows[k];
        if (!resolvedOutcome(r.outcome) || !(r.mean > 0.0))
            continue;
        MrtdSample s{r.frequency, r.mean, r.ci95, {}};
        // Repeat k is one run of the observer with its own seed: the repeats are the mean's units.
        for (std::size_t v = 0; v < r.values.size(); ++v)
            if (r.values[v] > 0.0)
                s.observers.emplace_back("repeat " + std::to_string(v + 1), r.values[v]);
        curve.samples.push_back(s);
        lastResolved = k;
    }
    if (lastResolved == rows.size())
        return curve;
    if (lastResolved + 1 < rows.size()) {
        const ObjectiveRow& next = rows[lastResolved + 1];
        curve.end = next.outcome == RunOutcome::BeyondSamplingLimit
                        ? CurveEnd{nyquist, RangeLimit::Sampling}
                        : CurveEnd{next.frequency, RangeLimit::Measurement, temperatureGridLimit};
    } else if (nyquist > rows.back().frequency) {
        curve.end = CurveEnd{nyquist, RangeLimit::Measurement};
    }
    const MrtdSample& lowest = curve.samples.front();
    if (!reference.empty() && reference.back().first == lowest.frequency && reference.back().second > 0.0)
        for (const auto& [f, m] : reference)
            curve.below.emplace_back(f, m * lowest.mrtd / reference.back().second);
    return curve;
}

const nlohmann::json* member(const nlohmann::json& object, const char* key) {
    return object.is_object() && object.contains(key) ? &object[key] : nullptr;
}

} // namespace

ObjectiveCurve objectiveCurveOf(const ObjectiveRun& run) {
    std::vector<ObjectiveRow> rows;
    for (const RunFrequency& r : run.frequencies) {
        ObjectiveRow& row = rows.emplace_back();
        row.frequency = r.frequency;
        row.outcome = r.mrtd.outcome;
        row.mean = r.mrtd.hasMean() ? r.mrtd.mean : 0.0;
        for (const RunRepeat& repeat : r.repeats)
            row.values.push_back(resolvedOutcome(repeat.mrtd.outcome) ? repeat.mrtd.value : 0.0);
        if (r.mrtd.valued > 1)
            row.ci95 = std::pair{r.mrtd.ciLow, r.mrtd.ciHigh};
    }
    return curveOfRows(std::move(rows), run.nyquist.value_or(0.0), run.referenceBelow);
}

std::optional<ObjectiveCurve> objectiveCurveOfJson(const nlohmann::json& json, std::string& error) {
    const auto* frequencies = member(json, "frequencies");
    if (!frequencies || !frequencies->is_array()) {
        error = "not the JSON of tervix-cli mrtd --json (no \"frequencies\" list)";
        return std::nullopt;
    }
    std::vector<ObjectiveRow> rows;
    std::map<double, std::size_t> seen; // frequency, row
    for (std::size_t k = 0; k < frequencies->size(); ++k) {
        const auto& row = (*frequencies)[k];
        const std::string at = "frequencies[" + std::to_string(k) + "]";
        const auto* f = member(row, "frequency");
        const auto* m = member(row, "mrtd");
        if (!f || !f->is_number() || !m || !m->is_object()) {
            error = at + " has no \"frequency\" and \"mrtd\"";
            return std::nullopt;
        }
        ObjectiveRow r;
        r.frequency = f->get<double>();
        if (const std::string problem = frequencyProblem(r.frequency); !problem.empty()) {
            error = at + ".frequency: " + problem;
            return std::nullopt;
        }
        if (const auto [first, fresh] = seen.emplace(r.frequency, k); !fresh) {
            error = at + ".frequency " + f->dump() + " is frequencies[" + std::to_string(first->second) + "]'s again";
            return std::nullopt;
        }
        const auto* mean = member(*m, "mean");
        if (mean && mean->is_number() && mean->get<double>() > 0.0) {
            r.mean = mean->get<double>();
            if (const std::string problem = mrtdProblem(r.mean); !problem.empty()) {
                error = at + ".mrtd.mean: " + problem;
                return std::nullopt;
            }
        }
        // A run of an earlier release names no outcome: a mean is a value.
        r.outcome = r.mean > 0.0 ? RunOutcome::Resolved : RunOutcome::NotResolved;
        if (const auto* outcome = member(row, "outcome"); outcome && outcome->is_string())
            if (const auto named = runOutcomeNamed(outcome->get<std::string>()))
                r.outcome = *named;
        if (const auto* values = member(*m, "values"); values && values->is_array())
            for (const auto& v : *values)
                if (v.is_number())
                    r.values.push_back(v.get<double>());
        const auto* ci = member(*m, "ci95");
        if (r.mean > 0.0 && ci && ci->is_array() && ci->size() == 2 && (*ci)[0].is_number() && (*ci)[1].is_number()) {
            r.ci95 = std::pair{(*ci)[0].get<double>(), (*ci)[1].get<double>()};
            // An interval runs from its low end to its high one and holds the mean.
            if (!(r.ci95->first <= r.mean && r.mean <= r.ci95->second) ||
                !(std::abs(r.ci95->second - r.ci95->first) <= maxTemperatureDifference)) {
                error = at + ".mrtd.ci95 " + ci->dump() + " is no interval from low to high around the mean " +
                        mean->dump() + " within the span an MRTD may have";
                return std::nullopt;
            }
        }
        rows.push_back(std::move(r));
    }
    double nyquist = 0.0;
    const auto* sampling = member(json, "sampling");
    if (const auto* n = sampling ? member(*sampling, "nyquist") : nullptr; n && n->is_number())
        nyquist = n->get<double>();
    MrtdCurve reference;
    if (const auto* below = member(json, "referenceBelow"); below && below->is_array())
        for (const auto& point : *below) {
            const auto *f = member(point, "frequency"), *m = member(point, "mrtd");
            if (f && m && f->is_number() && m->is_number() && m->get<double>() > 0.0)
                reference.emplace_back(f->get<double>(), m->get<double>());
        }
    return curveOfRows(std::move(rows), nyquist, reference);
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
