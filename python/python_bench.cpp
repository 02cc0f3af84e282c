#include "python/python_bench.h"

#include "python/core_error.h"
#include "text/one_line.h"

#include <pybind11/pybind11.h>

OpenedBench::OpenedBench(const BenchCase& benchCase) {
    const BenchOpenFault fault = applyBenchCase(bench, benchCase);
    if (fault == BenchOpenFault::None)
        return;
    // An absent target file is the one fault its reader does not word.
    if (log.messages.empty() && fault == BenchOpenFault::Target)
        throw CoreError("cannot read the target file " + benchCase.sources.target.path);
    throw CoreError(log.messages.empty() ? std::string("the bench cannot be opened") : log.messages.front());
}

void OpenedBench::warn() const {
    for (const std::string& message : log.messages)
        if (PyErr_WarnEx(PyExc_UserWarning, oneLine(message).c_str(), 1) != 0)
            throw pybind11::error_already_set();
}
