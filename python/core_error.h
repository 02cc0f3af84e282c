#pragma once

#include <pybind11/pybind11.h>

#include <stdexcept>
#include <string>

// A file or record the core refuses. Python sees it as tervix.Error, its text the core's message on
// one line, as tervix-cli says it; wrong arguments are Python's own ValueError and TypeError.
class CoreError : public std::runtime_error {
public:
    explicit CoreError(const std::string& message);
};

// Makes tervix.Error the module's exception for CoreError.
void registerCoreError(pybind11::module_& module);
