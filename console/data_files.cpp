#include "console/data_files.h"

#include <filesystem>
#include <system_error>

#ifndef TERVIX_INSTALLED_DATA_DIR
#define TERVIX_INSTALLED_DATA_DIR "../share/tervix/"
#endif

const char* installedDataDirectory() {
    return TERVIX_INSTALLED_DATA_DIR;
}

std::string dataFilePath(const std::string& programDirectory, const std::string& name) {
    std::error_code error;
    const std::string beside = programDirectory + name;
    if (std::filesystem::is_regular_file(beside, error))
        return beside;
    const std::string installed = programDirectory + installedDataDirectory() + name;
    if (std::filesystem::is_regular_file(installed, error))
        return installed;
    return beside;
}
