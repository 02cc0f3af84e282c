#include "camera/camera_file_lookup.h"

#include "camera/camera_file.h"

#include <filesystem>

std::optional<FoundCameraFile> lookUpCameraFile(const std::string& name, const std::vector<std::string>& folders,
                                                std::string& error) {
    error.clear();
    if (name.empty() || name == "." || name == ".." || name.find('/') != std::string::npos) {
        error = "the camera file '" + name +
                "' is named with a folder; a record names its camera file alone, as the "
                "bench writes it";
        return std::nullopt;
    }
    for (const std::string& folder : folders) {
        const std::string path = (std::filesystem::path(folder) / name).string();
        TextFileFault fault = TextFileFault::None;
        std::string reason;
        std::optional<std::string> text = readBoundedTextFile(path, cameraFileLimits, fault, reason);
        if (text)
            return FoundCameraFile{path, std::move(*text)};
        if (fault != TextFileFault::Absent) {
            error = "File '" + path + "' " + reason;
            return std::nullopt;
        }
    }
    return std::nullopt;
}
