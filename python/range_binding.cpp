#include "camera/camera_file.h"
#include "measurement/range_inputs.h"
#include "measurement/range_notes.h"
#include "measurement/range_prediction.h"
#include "measurement/range_sources.h"
#include "measurement/range_uncertainty.h"
#include "python/core_error.h"
#include "python/module_parts.h"

#include <pybind11/numpy.h>
#include <pybind11/stl.h>
#include <pybind11/stl/filesystem.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace py = pybind11;

namespace {

using Values = py::array_t<double, py::array::c_style | py::array::forcecast>;

// The words the command line takes for an option, from a Python value: a string as it is, a number or
// a sequence of numbers as their shortest exact decimals joined by commas.
std::string optionText(const py::handle& value) {
    if (py::isinstance<py::str>(value))
        return value.cast<std::string>();
    if (!py::isinstance<py::sequence>(value))
        return py::repr(py::float_(py::reinterpret_borrow<py::object>(value))).cast<std::string>();
    std::string text;
    for (const py::handle item : value)
        text += (text.empty() ? "" : ",") + optionText(item);
    return text;
}

template <class T>
T parsed(const py::handle& value, std::optional<T> (*parse)(const std::string&), const char* rule) {
    const auto result = parse(optionText(value));
    if (!result)
        throw py::value_error(rule);
    return *result;
}

RangeScenario scenarioOf(const py::handle& target, std::optional<double> dt, const py::handle& extinction,
                         const py::handle& criteria, const std::string& dimension, const py::handle& probabilities) {
    RangeScenario s;
    s.target = parsed(target, &targetFromText,
                      "target takes \"nato\", \"person\" or (width, height) in metres, each above zero");
    if (dt) {
        if (!std::isfinite(*dt) || *dt == 0.0)
            throw py::value_error("dt takes the target's temperature difference in kelvin, not zero");
        s.target.dt = *dt;
    }
    s.extinction = parsed(extinction, &extinctionFromText,
                          "extinction takes \"clear\", \"humid\", \"haze\" or a coefficient in 1/km not below zero");
    s.criteria = parsed(criteria, &criteriaFromText,
                        "criteria takes \"johnson\", \"2d\" or (N1, N2, N3) for detection, recognition and "
                        "identification, each above zero");
    const auto named = dimensionFromName(dimension);
    if (!named)
        throw py::value_error("dimension takes \"sqrt\" or \"min\"");
    s.dimension = *named;
    if (!py::isinstance<py::sequence>(probabilities) || py::len(probabilities) > 0)
        s.probabilities =
            parsed(probabilities, &probabilitiesFromText, "probabilities must lie strictly between 0 and 1");
    return s;
}

// The published vehicle set, its V50 replaced where asked and then named as given, as tervix-cli
// range --v50 does.
TtpCriteria ttpCriteriaOf(const py::handle& v50) {
    TtpCriteria criteria = vehicleTtpCriteria();
    if (v50.is_none())
        return criteria;
    const auto values = criteriaFromText(optionText(v50));
    if (!values || values->name != "custom")
        throw py::value_error("v50 takes (V1, V2, V3) for detection, recognition and identification, each above zero");
    for (std::size_t k = 0; k < criteria.tasks.size(); ++k)
        criteria.tasks[k].v50 = values->tasks[k].n50;
    criteria.name = "V50 as given";
    criteria.source = "--v50; the probability function of " + vehicleTtpCriteria().source;
    return criteria;
}

// The curves of MRTD arrays: a frequency above zero in each row, NaN where an orientation has no value.
RangeMrtd mrtdOfArrays(const Values& frequency, const std::optional<Values>& horizontal,
                       const std::optional<Values>& vertical, std::optional<double> ifovMrad) {
    if (frequency.ndim() != 1)
        throw py::value_error("frequency must be a one-dimensional array");
    if (!horizontal && !vertical)
        throw py::value_error("give mrtd_h, mrtd_v or both with the frequencies");
    const auto rows = static_cast<std::size_t>(frequency.size());
    for (const auto& values : {horizontal, vertical})
        if (values && (values->ndim() != 1 || static_cast<std::size_t>(values->size()) != rows))
            throw py::value_error("mrtd_h and mrtd_v must have one value per frequency");
    std::vector<MrtdTableRow> table(rows);
    for (std::size_t k = 0; k < rows; ++k) {
        const double f = frequency.data()[k];
        // The same limits as the MRTD table's reader: one rule for a curve however it comes in.
        if (const std::string problem = frequencyProblem(f); !problem.empty())
            throw py::value_error("frequency[" + std::to_string(k) + "]: " + problem);
        for (std::size_t j = 0; j < k; ++j)
            if (table[j].frequency == f)
                throw py::value_error("frequency[" + std::to_string(k) + "] is frequency[" + std::to_string(j) +
                                      "] again");
        table[k].frequency = f;
        for (auto [values, cell] : {std::pair{&horizontal, &table[k].horizontal}, {&vertical, &table[k].vertical}}) {
            if (!*values)
                continue;
            const double v = (*values)->data()[k];
            if (std::isinf(v))
                throw py::value_error("an MRTD must be a number of kelvin, or NaN where there is none");
            if (const std::string problem = v > 0.0 ? mrtdProblem(v) : std::string(); !problem.empty())
                throw py::value_error("mrtd[" + std::to_string(k) + "]: " + problem);
            *cell = v;
        }
    }
    if (ifovMrad && !(std::isfinite(*ifovMrad) && *ifovMrad > 0.0))
        throw py::value_error("ifov_mrad must be a number above zero");
    RangeMrtd mrtd = rangeMrtdOfRows(table);
    mrtd.source = "MRTD arrays";
    mrtd.ifovMrad = ifovMrad;
    return mrtd;
}

py::object orNone(const std::optional<double>& value) {
    return value ? py::object(py::float_(*value)) : py::object(py::none());
}

// A range's number or bracket: range_km is the crossing, or the low end a bracket's measured curve
// proves; bound says it is a bracket.
void putKnown(py::dict& into, const KnownRange& r) {
    into["range_km"] = r.rangeKm;
    into["low_km"] = r.rangeKm;
    into["high_km"] = orNone(r.highKm);
    into["limited_by"] = rangeLimitName(r.limitedBy);
    into["bound"] = r.bracket();
}

// As the range CSV names the column: "range_p90_km" at 0.9.
std::string probabilityKey(double p) {
    char percent[32];
    std::snprintf(percent, sizeof percent, "%g", 100.0 * p);
    return std::string("range_p") + percent + "_km";
}

py::dict predictionDict(const RangePrediction& p) {
    const RangeScenario& s = p.scenario;
    py::list tasks;
    for (const TaskRange& t : p.tasks) {
        py::dict task;
        task["task"] = t.task.task;
        task["n50"] = t.task.n50;
        putKnown(task, t.crossing);
        task["ci95_low_km"] = orNone(t.ci95 ? std::optional(t.ci95->first) : std::nullopt);
        task["ci95_high_km"] = orNone(t.ci95 ? std::optional(t.ci95->second) : std::nullopt);
        task["ci95_bound"] = t.ciBound;
        task["frequency_cy_per_mrad"] = t.crossing.frequency;
        task["cycles"] = t.cycles;
        task["pixels"] = orNone(t.pixels);
        for (const ProbabilityRange& r : t.atProbability)
            task[py::str(probabilityKey(r.probability))] = r.range.rangeKm;
        tasks.append(task);
    }
    py::list ttp;
    for (const TtpRange& t : p.ttp) {
        py::dict task(py::arg("task") = t.task, py::arg("v50") = t.v50,
                      py::arg("unintegrated_share") = orNone(t.unintegratedShare));
        putKnown(task, t);
        ttp.append(task);
    }
    py::dict out;
    out["source"] = p.source;
    out["ifov_mrad"] = orNone(p.ifovMrad);
    out["criteria"] = s.criteria.name;
    out["dimension"] = dimensionName(s.dimension);
    out["target"] = s.target.name;
    out["target_width_m"] = s.target.width;
    out["target_height_m"] = s.target.height;
    out["critical_dimension_m"] = s.criticalDimensionM();
    out["dt_k"] = s.target.dt;
    out["extinction_per_km"] = s.extinction;
    out["mrtd2d"] = p.mrtd.single.empty() ? std::string("both orientations") : p.mrtd.single + " only";
    out["tasks"] = tasks;
    out["ttp_criteria"] = p.ttpCriteria.name;
    out["ttp_source"] = p.ttpCriteria.source;
    out["ttp"] = ttp;
    out["notes"] = rangeNotes(p);
    return out;
}

py::dict predict(const std::optional<Values>& frequency, const std::optional<Values>& mrtdH,
                 const std::optional<Values>& mrtdV, std::optional<double> ifovMrad,
                 const std::optional<std::filesystem::path>& session, int slot,
                 const std::optional<std::filesystem::path>& camera,
                 const std::optional<std::vector<std::filesystem::path>>& cameraFolders, const py::object& target,
                 std::optional<double> dt, const py::object& extinction, const py::object& criteria,
                 const std::string& dimension, const py::object& probabilities, const py::object& v50) {
    if (int(frequency.has_value()) + int(session.has_value()) + int(camera.has_value()) != 1)
        throw py::value_error(
            "predict_ranges takes one source: frequency with mrtd_h and/or mrtd_v, session or camera");
    if (slot < 0 || slot > 5)
        throw py::value_error("the slot must be 1 to 5, or 0 for the first with a value");
    const RangeScenario scenario = scenarioOf(target, dt, extinction, criteria, dimension, probabilities);
    const TtpCriteria ttpCriteria = ttpCriteriaOf(v50);
    std::optional<RangeMrtd> mrtd;
    if (frequency) {
        mrtd = mrtdOfArrays(*frequency, mrtdH, mrtdV, ifovMrad);
    } else {
        // The camera file's own folder, or the session's and then the working folder, as tervix-cli
        // range and the session's report look for the camera file.
        std::vector<std::string> folders;
        RangeSource source = CameraCurvesSource{};
        if (camera) {
            folders = {camera->parent_path().string()};
            source = CameraCurvesSource{camera->filename().string()};
        } else {
            folders = {session->parent_path().string(), "."};
            source = SessionFileSource{session->string(), slot};
        }
        if (cameraFolders) {
            folders.clear();
            for (const auto& folder : *cameraFolders)
                folders.push_back(folder.string());
        }
        std::string error;
        py::gil_scoped_release release;
        mrtd = assembleRangeMrtd(source, folders, error);
        if (!mrtd)
            throw CoreError(error);
    }
    if (hasNoValue(*mrtd))
        throw CoreError("the MRTD source has no value above zero");
    RangePrediction prediction;
    {
        py::gil_scoped_release release;
        prediction = predictRanges(*mrtd, scenario, ttpCriteria);
        addRangeIntervals(prediction, *mrtd);
    }
    return predictionDict(prediction);
}

} // namespace

void bindRanges(py::module_& module) {
    module.def("predict_ranges", &predict, py::arg("frequency") = py::none(), py::arg("mrtd_h") = py::none(),
               py::arg("mrtd_v") = py::none(), py::kw_only(), py::arg("ifov_mrad") = py::none(),
               py::arg("session") = py::none(), py::arg("slot") = 0, py::arg("camera") = py::none(),
               py::arg("camera_folders") = py::none(), py::arg("target") = "nato", py::arg("dt") = py::none(),
               py::arg("extinction") = "clear", py::arg("criteria") = "johnson", py::arg("dimension") = "sqrt",
               py::arg("probabilities") = py::tuple(), py::arg("v50") = py::none(),
               R"(Predicts detection, recognition and identification ranges from an MRTD, as tervix-cli range does.

The MRTD comes from one source:
- arrays: frequency (cycles/mrad) with mrtd_h (the horizontal MRTD, read on
  vertical bars) and/or mrtd_v, in kelvin, NaN where there is no value; ifov_mrad,
  the detector's angular pitch (Bench.ifov_mrad), adds pixels on target;
- session: a session file, its observers' group means (slot 1 to 5, or 0 for the
  first with a value), with 95 % intervals by resampling the observers;
- camera: a camera file's own curves.
A session's or camera's camera file is looked for beside the session (then in the
working folder) or the camera, unless camera_folders names the folders.

The scenario: target "nato", "person" or (width, height) in metres; dt, the
target's temperature difference in kelvin (the preset's when None); extinction
"clear", "humid", "haze" or a coefficient in 1/km; criteria "johnson", "2d" or
(N1, N2, N3); dimension "sqrt" or "min"; probabilities besides 0.5; v50, the TTP
metric's (V1, V2, V3).

Returns a dict: the source and scenario, "tasks" (one dict per task: "range_km";
"low_km", "high_km" (None where nothing bounds it) and "limited_by" ("crossing",
"sampling" or "measurement"), "bound" being true when the range is a bracket; the
95 % interval "ci95_low_km"/"ci95_high_km" when the source allows one, the
frequency, cycles and pixels at the range, and "range_p<100 P>_km" for each
probability), "ttp" (the TTP metric's ranges, the same way), "ttp_criteria" and
"ttp_source" (the V50s and probability function used) and "notes". Raises tervix.Error when a file of the source is
refused or the MRTD has no value above zero.)");
}
