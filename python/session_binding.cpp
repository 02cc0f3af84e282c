#include "console/session.h"
#include "python/core_error.h"
#include "python/module_parts.h"
#include "text/messages.h"

#include <pybind11/stl.h>
#include <pybind11/stl/filesystem.h>

#include <filesystem>
#include <optional>
#include <string>

namespace py = pybind11;

namespace {

// One reading as one flat record: the display and the strike-out as columns of their own, None where
// the file has none, so that a list of them is a table.
py::dict record(const SessionReading& r) {
    py::dict d;
    d["time"] = r.time;
    d["observer"] = r.observer;
    d["slot"] = r.slot;
    d["camera_file"] = r.cameraFile;
    d["image_model"] = r.imageModel;
    d["orientation"] = r.orientation;
    d["frequency_cy_per_mrad"] = r.frequency;
    d["half"] = r.half;
    d["delta_t_k"] = r.deltaT;
    d["recognised"] = r.deltaT.has_value();
    const std::optional<ReadingDisplay>& shown = r.display;
    d["display_automatic"] = shown ? py::object(py::bool_(shown->automatic)) : py::none();
    d["display_level"] = shown ? py::object(py::int_(shown->level)) : py::none();
    d["display_contrast"] = shown ? py::object(py::int_(shown->contrast)) : py::none();
    d["display_zoom"] = shown ? py::object(py::float_(shown->zoom)) : py::none();
    d["display_magnifier"] = shown ? py::object(py::int_(shown->magnifier)) : py::none();
    d["struck"] = r.struck.has_value();
    d["struck_time"] = r.struck ? py::object(py::str(r.struck->time)) : py::none();
    d["struck_by"] = r.struck ? py::object(py::str(r.struck->by)) : py::none();
    d["struck_reason"] = r.struck ? py::object(py::str(r.struck->reason)) : py::none();
    return d;
}

py::list readSession(const std::filesystem::path& path) {
    MessageLog log;
    std::optional<Session> session;
    {
        py::gil_scoped_release release;
        session = readSessionFile(path.string(), log);
    }
    if (!session)
        throw CoreError(log.messages.empty() ? path.string() + " cannot be read" : log.messages.front());
    py::list readings;
    for (const SessionReading& reading : session->readings)
        readings.append(record(reading));
    return readings;
}

} // namespace

void bindSession(py::module_& module) {
    module.def("read_session", &readSession, py::arg("path"),
               R"(Reads a session file the bench wrote: one dict per reading, in the order they were taken.

Each has the time (ISO 8601, UTC), observer, slot (1 to 5), camera_file,
image_model, orientation of the bars, frequency_cy_per_mrad, half ("plus" or
"minus"), delta_t_k (None when the bars were not recognised) and recognised; how
the image was shown (display_automatic, display_level, display_contrast,
display_zoom, display_magnifier; None in files written before it was kept); and
struck with struck_time, struck_by and struck_reason for a reading struck out,
which counts in no statistic. Raises tervix.Error with the bench's message when the
file cannot be read or is not a session.)");
}
