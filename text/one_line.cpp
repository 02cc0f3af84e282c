#include "text/one_line.h"

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
