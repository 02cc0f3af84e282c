#pragma once

#include "camera/camera_set.h"
#include "camera/temperature_scale.h"
#include "text/bounded_text_file.h"

#include <string>

// A camera file is 32 short lines but for its tables, each on a line of its own: a full table of
// maxTablePoints points with numbers written as "%f" writes them takes about 2 MB. Whoever reads a
// camera file (the bench, the report) reads it within these.
inline constexpr TextFileLimits cameraFileLimits{"a camera file", 32u << 20, 4u << 20};

class MessageSink;

enum class CameraLoadMode { SwitchCamera = 0, Standard = 1, Full = 2 };

// Largest image format a camera may ask for, after any doubling.
inline constexpr int maxDetectorSize = 8192;
// What the bench can show, measured on its machine (a two-core desktop under software OpenGL).
// The most pixels a camera's image may have, as many as a square of this side: an Apply, a frequency
// or a slider step renders it once, which is to take under 0.2 s. 2048 x 2048 rendered in 0.11 s
// (0.19 s at the smallest pixel angle), 4096 x 4096 in 0.36 s.
inline constexpr int maxImageSide = 2048;
inline constexpr double maxImagePixels = static_cast<double>(maxImageSide) * maxImageSide;
// The most pixels per second the live view can show, as many as that square at this frame rate:
// 2048 x 2048 at 30 Hz was shown frame for frame, 4096 x 4096 at 14 of its 30 frames per second.
inline constexpr double liveRateOfMaxImage = 30.0;
inline constexpr double maxPixelRate = maxImagePixels * liveRateOfMaxImage;
// The smallest pixel angle, mrad: the blur kernel reaches three blur widths, so a smaller pixel
// widens the kernel and the padded image a render convolves (at 640 x 512 a render took 0.6 ms at
// 0.1 mrad, 15 ms at 0.01 mrad and 25 ms once the kernel hit its 256-pixel reach).
inline constexpr double minPixelAngle = 0.01;
// Largest point count of one stored table.
inline constexpr int maxTablePoints = 100000;
// The viewable temperatures lie within these, in degrees Celsius: above absolute zero, and low
// enough that the temperature-to-signal table stays a bounded piece of work.
inline constexpr float lowestTemperature = -static_cast<float>(absoluteZeroOffset);
inline constexpr float highestTemperature = 2000.0f;
// Wavelengths of a spectral response lie above 0 and at most this, in µm.
inline constexpr float longestWavelength = 100.0f;
// What an MRTD point may hold, wherever it comes from (a camera file, a table, the model observer's
// runs, a requirement): a spatial frequency above 0 and at most the Nyquist frequency of the smallest
// pixel angle, which no camera the bench reads resolves beyond (cycles/mrad); a difference above 0
// and at most the span of the temperatures a camera may view (K).
inline constexpr double maxSpatialFrequency = 0.5 / minPixelAngle;
inline constexpr double maxTemperatureDifference = double{highestTemperature} - double{lowestTemperature};
// Why a frequency or an MRTD lies outside those ("the frequency 1e+308 lies outside the 0 to 50
// cycles/mrad a spatial frequency may have"); empty when it lies within.
std::string frequencyProblem(double cyclesPerMrad);
std::string mrtdProblem(double kelvin);

// Reads a camera file into the camera in use. The whole file is read into a copy first and adopted
// only when it is well formed, so a malformed file leaves the camera exactly as it was. Returns
// false, after a message, when the file cannot be opened or is malformed. The camera-model
// refresh that follows a load is the caller's.
bool readCameraFile(const std::string& path, CameraLoadMode mode, CameraState& camera, MessageSink& messages);
// The same for a camera file's text; path only names the file in messages.
bool readCameraText(std::string text, const std::string& path, CameraLoadMode mode, CameraState& camera,
                    MessageSink& messages);

enum class PointTableRead { Ok, Missing, NotFinite };

// Reads count points (x y pairs) into the table, replacing its points. When fewer numbers could be
// read, or one is not finite, the table is left unchanged.
class TextScanner;
PointTableRead readPointTable(TextScanner& in, PointList& table, int count);
