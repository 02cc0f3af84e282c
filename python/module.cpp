// The Python module: the Qt-free core for scripts and notebooks. Each area of the core is bound in a
// file of its own (module_parts.h); what the core refuses arrives as tervix.Error.
#include "python/core_error.h"
#include "python/module_parts.h"
#include "sim/spatial_frequencies.h"
#include "text/version.h"

#include <pybind11/pybind11.h>

namespace py = pybind11;

PYBIND11_MODULE(tervix, module) {
    module.doc() = R"(Tervix, the virtual test bench for thermal imaging cameras, from Python.

Open a bench on a camera, a target and an atmosphere (Bench), render its image to
NumPy arrays (Bench.render), measure its MRTD with the model observer
(Bench.measure_mrtd), predict detection, recognition and identification ranges
from MRTD arrays, a session or a camera file (predict_ranges), and read a session's
readings (read_session); tervix.frequencies holds the bench's spatial
frequencies in cycles/mrad. Results are lists of dicts whose keys carry their units,
ready for pandas.DataFrame. Long work runs with the interpreter free for other
threads; Ctrl-C stops a measurement.)";
    module.attr("__version__") = tervixVersion;
    py::tuple frequencies(frequencyChoices.size());
    for (std::size_t k = 0; k < frequencyChoices.size(); ++k)
        frequencies[k] = frequencyChoices[k].frequency;
    module.attr("frequencies") = frequencies;
    registerCoreError(module);
    auto bench = bindBench(module);
    bindObserver(bench);
    bindRanges(module);
    bindSession(module);
}
