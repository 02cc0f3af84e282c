#include "cli/refusal.h"

#include "cli/exit_status.h"
#include "text/one_line.h"

#include <iostream>

int fail(const std::string& reason) {
    std::cerr << "tervix-cli: " << oneLine(reason) << '\n';
    return exitFailure;
}

int usageError(const std::string& reason) {
    fail(reason);
    return exitUsage;
}

void StderrMessages::message(const std::string& text) {
    fail(text);
    ++said;
}
