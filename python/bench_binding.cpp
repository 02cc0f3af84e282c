#include "console/session.h"
#include "console/temperature_grid.h"
#include "measurement/range_sources.h"
#include "python/module_parts.h"
#include "sim/spatial_frequencies.h"

#include <pybind11/numpy.h>
#include <pybind11/stl.h>
#include <pybind11/stl/filesystem.h>

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace py = pybind11;

namespace {

// A buffer of rows kept bottom-up, `step` values a pixel, as a 2-D array with the top row first, as
// the picture is seen and as the tool's image files show it.
template <class T>
py::array_t<T> topRowFirst(const T* pixels, int width, int height, int step) {
    py::array_t<T> image({height, width});
    auto out = image.template mutable_unchecked<2>();
    const auto rowLength = static_cast<std::size_t>(width) * static_cast<std::size_t>(step);
    for (int row = 0; row < height; ++row) {
        const T* in = pixels + static_cast<std::size_t>(height - 1 - row) * rowLength;
        for (int column = 0; column < width; ++column)
            out(row, column) = in[static_cast<std::size_t>(column) * static_cast<std::size_t>(step)];
    }
    return image;
}

std::string modelNameList() {
    std::string list;
    for (std::size_t k = 0; k < imageModelNames.size(); ++k)
        list += std::string(k == 0 ? "" : k + 1 < imageModelNames.size() ? ", " : " or ") + imageModelNames[k].name;
    return list;
}

PythonBench makeBench(const std::filesystem::path& camera, const std::filesystem::path& target,
                      const std::optional<std::filesystem::path>& atmosphere, const std::string& model,
                      const std::string& orientation) {
    PythonBench made;
    BenchCase& c = made.benchCase;
    const auto imageModel = imageModelFromName(model);
    if (!imageModel)
        throw py::value_error("the model must be " + modelNameList());
    if (orientation != orientationVertical && orientation != orientationHorizontal)
        throw py::value_error(std::string("the orientation must be ") + orientationVertical + " or " +
                              orientationHorizontal);
    c.sources.camera.path = camera.string();
    c.sources.target.path = target.string();
    if (atmosphere)
        c.sources.atmosphere = BenchSource{atmosphere->string(), std::nullopt};
    c.sources.imageModel = imageModel;
    c.orientation = orientation == orientationHorizontal ? BarOrientation::Horizontal : BarOrientation::Vertical;
    py::gil_scoped_release release;
    const OpenedBench opened(c);
    made.ifovMrad = ifovMradOf(opened.state.camera.set);
    py::gil_scoped_acquire acquire;
    opened.warn();
    return made;
}

py::dict render(const PythonBench& self, double frequency, double dt, std::optional<std::uint32_t> seed, bool randomise,
                bool withFrame) {
    if (frequencyIndexOf(frequency) < 0)
        throw py::value_error("the frequency must be one of " + frequencyLabelList() + " cycles/mrad");
    if (!(std::fabs(dt) <= temperatureGridLimit)) {
        const std::string gridLimit = py::str(py::float_(temperatureGridLimit));
        throw py::value_error("the temperature difference must be a number from -" + gridLimit + " to " + gridLimit +
                              " K");
    }
    BenchCase c = self.benchCase;
    c.frequency = frequency;
    c.temperatureDifference = dt;
    c.randomise = randomise;
    c.sources.seed = seed;
    std::optional<OpenedBench> opened;
    std::vector<std::uint8_t> frame;
    {
        py::gil_scoped_release release;
        opened.emplace(c);
        if (withFrame)
            nextFrame(opened->state, false, frame);
    }
    opened->warn();
    const SimState& sim = opened->state.sim;
    py::dict images;
    images["sensor"] = topRowFirst(sim.sceneImage.data(), sim.imageWidth, sim.imageHeight, 1);
    images["display"] = topRowFirst(sim.displayImage.data(), sim.imageWidth, sim.imageHeight, 3);
    if (withFrame)
        images["frame"] = topRowFirst(frame.data(), sim.imageWidth, sim.imageHeight, 1);
    return images;
}

} // namespace

py::class_<PythonBench> bindBench(py::module_& module) {
    py::class_<PythonBench> bench(module, "Bench", R"(The test bench on a camera file, a target file and an atmosphere.

The files are read once here, so that a fault in them shows at once (tervix.Error);
each render and each measurement then opens a bench of its own on the same files,
as each run of tervix-cli does: the same arguments give the same numbers.)");
    bench.def(py::init(&makeBench), py::arg("camera"), py::arg("target"), py::arg("atmosphere") = py::none(),
              py::arg("model") = imageModelName(defaultImageModel), py::arg("orientation") = orientationVertical,
              R"(Opens the bench.

camera: the camera file (*.par); target: the target file (*.tag), the standard
four-bar target being mira.tag beside the shipped cameras; atmosphere: the
atmosphere table (Atmosphere.ini), or None to go without one as the window does
when it finds none; model: the image model, "physical" (the default) or
"specified", the bit-exact image; orientation: the bars, "vertical" (the standard
target) or "horizontal". Raises tervix.Error with the reader's message when a file
cannot be read, ValueError for an unknown model or orientation.)");
    bench.def_property_readonly(
        "camera", [](const PythonBench& b) { return b.benchCase.sources.camera.path; }, "The camera file.");
    bench.def_property_readonly(
        "target", [](const PythonBench& b) { return b.benchCase.sources.target.path; }, "The target file.");
    bench.def_property_readonly(
        "atmosphere",
        [](const PythonBench& b) {
            return b.benchCase.sources.atmosphere ? std::optional(b.benchCase.sources.atmosphere->path) : std::nullopt;
        },
        "The atmosphere table, or None.");
    bench.def_property_readonly(
        "model", [](const PythonBench& b) { return imageModelName(*b.benchCase.sources.imageModel); },
        "The image model's name.");
    bench.def_property_readonly(
        "orientation",
        [](const PythonBench& b) {
            return b.benchCase.orientation == BarOrientation::Horizontal ? orientationHorizontal : orientationVertical;
        },
        "The bars' orientation: vertical or horizontal.");
    bench.def_property_readonly(
        "ifov_mrad", [](const PythonBench& b) { return b.ifovMrad; },
        "The detector's angular pitch in mrad (the field of view over the columns), for predict_ranges.");
    bench.def("render", &render, py::arg("frequency") = frequencyChoices[0].frequency, py::arg("dt") = 0.0,
              py::arg("seed") = py::none(), py::arg("randomise") = false, py::arg("frame") = false,
              R"(Renders the camera's image of the target, as tervix-cli render does.

frequency: the bars' spatial frequency in cycles/mrad, one of tervix.frequencies;
dt: the bars' temperature difference in kelvin, set on the trackbar's 0.004 K grid
within +-2 K; seed: the noise generator's seed, None to keep the generator's own;
randomise: place the target at random; frame: also draw one frame with fresh noise,
as the view shows it.

Returns a dict of NumPy arrays, rows top first, as the picture is seen:
"sensor" (float32) the sensor's signal, "display" (uint8) the 8-bit display image,
and with frame=True "frame" (uint8).)");
    bench.def("__repr__", [](const PythonBench& b) {
        return "tervix.Bench(" + py::repr(py::str(b.benchCase.sources.camera.path)).cast<std::string>() + ", " +
               py::repr(py::str(b.benchCase.sources.target.path)).cast<std::string>() + ")";
    });
    return bench;
}
