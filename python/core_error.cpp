#include "python/core_error.h"

#include "text/one_line.h"

CoreError::CoreError(const std::string& message) : std::runtime_error(oneLine(message)) {}

void registerCoreError(pybind11::module_& module) {
    auto& error = pybind11::register_exception<CoreError>(module, "Error", PyExc_Exception);
    error.attr("__doc__") = "A file or record the bench refuses: absent, unreadable, too large or not what it "
                            "should be. The text is the bench's own message, on one line, as tervix-cli prints it.";
}
