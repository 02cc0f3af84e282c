#include "cli/objective_mrtd_output.h"

#include "text/csv_writer.h"

#include <array>
#include <cmath>
#include <cstdio>
#include <vector>

namespace {

nlohmann::json summaryJson(const RepeatSummary& s) {
    nlohmann::json j;
    const bool valued = s.valued > 0;
    j["mean"] = valued ? nlohmann::json(s.mean) : nlohmann::json(nullptr);
    j["sd"] = s.valued > 1 ? nlohmann::json(s.sd) : nlohmann::json(nullptr);
    j["ci95"] = s.valued > 1 ? nlohmann::json::array({s.ciLow, s.ciHigh}) : nlohmann::json(nullptr);
    j["resolved"] = s.resolved;
    j["repeats"] = s.repeats;
    j["outcome"] = outcomeText(s.outcome);
    j["values"] = s.values;
    return j;
}

nlohmann::json screenJson(const ScreenViewing& v) {
    return {{"screenPixelMm", v.screenPixel},   {"distanceM", v.distance}, {"magnification", v.magnification},
            {"peakLuminance", v.peakLuminance}, {"gamma", v.gamma},        {"blackLuminance", v.blackLuminance}};
}

nlohmann::json profileJson(const ObserverProfile& profile) {
    if (profile.name.empty())
        return nullptr;
    return {{"file", profile.name},
            {"thresholdFactor", profile.thresholdFactor},
            {"noiseEfficiency", profile.noiseEfficiency}};
}

nlohmann::json displayWindowJson(const std::optional<LevelContrast>& window) {
    if (!window)
        return nullptr;
    return {{"level", window->level}, {"contrast", window->contrast}};
}

// The observer and its screen as fields a notebook can filter on, with the sentence beside them.
nlohmann::json viewingJson(const std::string& words, const ObserverSettings& settings) {
    nlohmann::json v = screenJson(settings.viewing);
    v["words"] = words;
    v["profile"] = profileJson(settings.profile);
    v["displayWindow"] = displayWindowJson(settings.displayWindow);
    return v;
}

// One row's cells, in the column order of the header below; empty where there is no value. The
// aligned table rounds to 4 decimals for reading; the CSV keeps every digit.
std::vector<std::string> cells(const std::string& observer, const FrequencyResult& r, bool rounded) {
    auto number = [rounded](double v, bool known) {
        if (!known || !std::isfinite(v))
            return std::string();
        if (!rounded)
            return csvNumber(v);
        char text[32];
        std::snprintf(text, sizeof text, "%.4f", v);
        return std::string(text);
    };
    std::vector<std::string> row{observer, number(r.frequency, true)};
    for (const RepeatSummary* s : {&r.mrtd, &r.plus, &r.minus}) {
        row.push_back(number(s->mean, s->valued > 0));
        row.push_back(number(s->sd, s->valued > 1));
        row.push_back(number(s->ciLow, s->valued > 1));
        row.push_back(number(s->ciHigh, s->valued > 1));
        row.push_back(std::to_string(s->resolved));
        row.push_back(std::to_string(s->repeats));
        row.push_back(outcomeText(s->outcome));
    }
    row.push_back(number(r.classic, true));
    row.push_back(number(r.classicHuman, true));
    row.push_back(number(r.cameraCurve, r.cameraCurve > 0.0));
    return row;
}

// The columns of the table and the CSV: the MRTD and its two halves (the target hotter and colder
// than the background), each with its spread, interval and how many repeats resolved the bars.
std::vector<std::string> header() {
    std::vector<std::string> h{"observer", "frequency_cy_per_mrad"};
    for (const char* q : {"mrtd", "mrtd_plus", "mrtd_minus"})
        for (const char* c :
             {"_k", "_sd_k", "_ci95_low_k", "_ci95_high_k", "_resolved_count", "_repeats_count", "_outcome"})
            h.push_back(std::string(q) + c);
    h.push_back("classic_k");
    h.push_back("classic_human_k");
    h.push_back("camera_curve_k");
    return h;
}

} // namespace

nlohmann::json observerProvenanceJson(const ObserverSettings& settings) {
    return {{"name", observerName(settings.observer)},
            {"thresholdSnr", settings.thresholdSnr},
            {"integrationTime", settings.integrationTime},
            {"repeats", settings.repeats},
            {"grid", settings.grid},
            {"viewing", screenJson(settings.viewing)},
            {"profile", profileJson(settings.profile)},
            {"displayWindow", displayWindowJson(settings.displayWindow)}};
}

nlohmann::json objectiveMrtdJson(const ObjectiveMrtd& result, const ObserverSettings& settings) {
    nlohmann::json rows = nlohmann::json::array();
    for (const FrequencyResult& r : result.frequencies) {
        nlohmann::json j;
        j["frequency"] = r.frequency;
        j["outcome"] = outcomeText(r.mrtd.outcome);
        j["mrtd"] = summaryJson(r.mrtd);
        j["mrtdPlus"] = summaryJson(r.plus);
        j["mrtdMinus"] = summaryJson(r.minus);
        j["classic"] = std::isfinite(r.classic) ? nlohmann::json(r.classic) : nlohmann::json(nullptr);
        j["classicHuman"] = std::isfinite(r.classicHuman) ? nlohmann::json(r.classicHuman) : nlohmann::json(nullptr);
        j["cameraCurve"] = r.cameraCurve > 0.0 ? nlohmann::json(r.cameraCurve) : nlohmann::json(nullptr);
        rows.push_back(j);
    }
    nlohmann::json below = nlohmann::json::array();
    for (const auto& [f, mrtd] : result.referenceBelow)
        below.push_back({{"frequency", f}, {"mrtd", mrtd}});
    return {{"observer", observerName(result.observer)},
            {"viewing", viewingJson(result.viewing, settings)},
            {"sampling", {{"pixelAngleMrad", result.sampling.pixelAngleMrad}, {"nyquist", result.sampling.nyquist}}},
            {"frequencies", rows},
            {"referenceBelow", below},
            {"cancelled", result.cancelled}};
}

std::string objectiveMrtdTable(const ObjectiveMrtd& result) {
    std::vector<std::vector<std::string>> lines{header()};
    for (const FrequencyResult& r : result.frequencies)
        lines.push_back(cells(observerName(result.observer), r, true));
    std::vector<std::size_t> widths(lines.front().size(), 0);
    for (const auto& line : lines)
        for (std::size_t k = 0; k < line.size(); ++k)
            widths[k] = std::max(widths[k], std::max<std::size_t>(line[k].size(), 1));
    char sampling[160];
    std::snprintf(sampling, sizeof sampling, "# pixel angle %.4f mrad across the bars: Nyquist %.3f cycles/mrad\n",
                  result.sampling.pixelAngleMrad, result.sampling.nyquist);
    std::string text = "# " + result.viewing + "\n" + sampling;
    for (const auto& line : lines) {
        for (std::size_t k = 0; k < line.size(); ++k) {
            const std::string cell = line[k].empty() ? "-" : line[k];
            text += cell + std::string(widths[k] - cell.size() + (k + 1 < line.size() ? 2 : 0), ' ');
        }
        while (!text.empty() && text.back() == ' ')
            text.pop_back();
        text += '\n';
    }
    return text;
}

std::string objectiveMrtdCsv(const ObjectiveMrtd& result) {
    CsvWriter csv(header());
    for (const FrequencyResult& r : result.frequencies)
        csv.row(cells(observerName(result.observer), r, false));
    return csv.text();
}
