#pragma once

// Runs a command as a shell would and keeps its status, its stdout and its stderr apart.
#include "text_support.h"

#include <cstdio>
#include <filesystem>
#include <string>

#include <sys/wait.h>
#include <unistd.h>

namespace testing_support {

struct CliRun {
    int status = -1;
    std::string out, err;
};

// Runs `command` in the working folder `folder` (the test's own when empty).
inline CliRun runCommand(const std::string& command, const std::string& folder = {}) {
    static int runs = 0;
    const std::filesystem::path errors = std::filesystem::temp_directory_path() /
                                         ("tervix_stderr_" + std::to_string(::getpid()) + "_" + std::to_string(++runs));
    CliRun run;
    FILE* pipe =
        popen(((folder.empty() ? "" : "cd '" + folder + "' && ") + command + " 2>" + errors.string()).c_str(), "r");
    char buffer[4096];
    for (std::size_t n; pipe && (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        run.out.append(buffer, n);
    const int status = pipe ? pclose(pipe) : -1;
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.err = readText(errors.string());
    std::filesystem::remove(errors);
    return run;
}

// Runs the command-line tool with `arguments`, after the environment assignments `environment`.
inline CliRun runCli(const std::string& arguments, const std::string& folder = {},
                     const std::string& environment = {}) {
    return runCommand(environment + " " + TERVIX_CLI_PATH + " " + arguments, folder);
}

} // namespace testing_support
