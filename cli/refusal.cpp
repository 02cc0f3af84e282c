#include "cli/refusal.h"

#include <iostream>

namespace {

// A line end and the indent after it become one space.
std::string oneLine(const std::string& text) {
    std::string line;
    for (std::size_t k = 0; k < text.size(); ++k) {
        if (text[k] != '\n') {
            line += text[k];
            continue;
        }
        while (k + 1 < text.size() && text[k + 1] == ' ')
            ++k;
        if (k + 1 < text.size())
            line += ' ';
    }
    return line;
}

} // namespace

int fail(const std::string& reason) {
    std::cerr << "tervix-cli: " << oneLine(reason) << '\n';
    return 1;
}

void StderrMessages::message(const std::string& text) {
    fail(text);
    ++said;
}
