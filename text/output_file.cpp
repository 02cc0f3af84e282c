#include "text/output_file.h"

#include "text/whole_file.h"

#include <cstdio>

bool isStandardOutput(const std::string& path) {
    return path == standardOutputPath;
}

bool writeOutputFile(const std::string& path, std::string_view bytes, std::string& error) {
    if (!isStandardOutput(path))
        return writeWholeFile(path, bytes, error);
    // stdio, not a raw write: what the command printed before through std::cout (synchronised with
    // stdio) stays in order, and a closed pipe (head) is an error here, not a lost tail.
    if (std::fwrite(bytes.data(), 1, bytes.size(), stdout) != bytes.size() || std::fflush(stdout) != 0) {
        error = "cannot write to standard output";
        return false;
    }
    return true;
}
