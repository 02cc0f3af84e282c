#include "cli/refusal.h"

#include "text/one_line.h"

#include <iostream>

int fail(const std::string& reason) {
    std::cerr << "tervix-cli: " << oneLine(reason) << '\n';
    return 1;
}

void StderrMessages::message(const std::string& text) {
    fail(text);
    ++said;
}
