#pragma once

#include <nlohmann/json_fwd.hpp>

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

// A file the bench measured with, frozen when the first reading on it was taken: its kind, its
// name as the readings name it, the SHA-256 and size of the whole file and a copy of its text, so
// that a report made later states what was measured, whatever became of the file since.
inline constexpr const char* inputCamera = "camera";
inline constexpr const char* inputTarget = "target";
inline constexpr const char* inputAtmosphere = "atmosphere";
// The copy keeps a file's first bytes up to this; the bench's own files are a few kilobytes, and a
// session holding three copies of this size stays far within a session file's limit.
inline constexpr std::size_t frozenInputLimit = std::size_t(256) << 10;

struct SessionInput {
    std::string kind; // inputCamera, inputTarget or inputAtmosphere
    std::string file; // the name as the bench uses it ("camera1.par", "Atmosphere.ini")
    std::string sha256;
    std::size_t size = 0; // bytes of the whole file
    std::string text;     // the whole file, or its first frozenInputLimit bytes

    bool copiedWhole() const { return text.size() == size; }
    bool operator==(const SessionInput&) const = default;
};

// The file at path frozen under its name; none when it cannot be read (then nothing is frozen).
std::optional<SessionInput> frozenInput(const std::string& kind, const std::string& file, const std::string& path);

// How the file now on disk stands against the copy, each input looked up by its name alone in the
// folders given (as a record's camera file is, see lookUpCameraFile; a target named without its
// extension as "NAME.tag"): the same bytes, other bytes, or no file of the name (or one refused).
enum class InputOnDisk { Same, Differs, Missing };
std::vector<InputOnDisk> inputsOnDisk(const std::vector<SessionInput>& inputs, const std::vector<std::string>& folders);
// "the same as the stored copy", "differs from the stored copy", "missing".
const char* inputOnDiskText(InputOnDisk state);

// The inputs as the session file keeps them, and their strict reading ("input 2: ...").
nlohmann::json inputJson(const SessionInput& input);
bool readInputs(const nlohmann::json& list, std::vector<SessionInput>& inputs, std::string& reason);
