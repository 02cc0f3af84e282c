#pragma once

#include <optional>
#include <string>
#include <vector>

// A camera file that a record names (a session's reading, a model observer's run), found by that
// name in folders the caller trusts (beside the session, the working folder, the program's) and read
// whole within cameraFileLimits. A record holds the file's name alone, as the bench writes it
// ("camera1.par"); a name with a folder in it would let a hand-edited session pull any file, device
// or pipe of the machine into a report or a range, so it is refused rather than followed.
struct FoundCameraFile {
    std::string path; // the folder's file of the name
    std::string text; // the whole file
};

// The first folder's file of the name. Nullopt with an empty error when no folder holds one; with
// one line naming the file and the rule it broke when the name is not a plain file name or the file
// is refused ("File 'FOLDER/NAME' is not a regular file (a folder, pipe or device); a camera file
// must be one", "... is larger than the 32 MB a camera file may have").
std::optional<FoundCameraFile> lookUpCameraFile(const std::string& name, const std::vector<std::string>& folders,
                                                std::string& error);
