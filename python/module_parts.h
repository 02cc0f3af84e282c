#pragma once

#include "python/python_bench.h"

#include <pybind11/pybind11.h>

// The module's parts, one file each, so that a change to one area of the core touches one of them.

// tervix.Bench: its constructor, what it was opened on, and rendering.
pybind11::class_<PythonBench> bindBench(pybind11::module_& module);
// tervix.Bench.measure_mrtd: the model observer.
void bindObserver(pybind11::class_<PythonBench>& bench);
// tervix.predict_ranges.
void bindRanges(pybind11::module_& module);
// tervix.read_session.
void bindSession(pybind11::module_& module);
