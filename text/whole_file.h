#pragma once

#include <string>
#include <string_view>

// Replaces the file at path with bytes, whole or not at all: a reader, a crash or a full disk never
// leaves a truncated file behind. The bytes go to a temporary file beside the target, which is flushed
// to the disk and then renamed over the target; on any failure the old file stays as it was and the
// temporary is removed. A symbolic link is written through: the file it points to is replaced and the
// link stays. A target that is a device or a pipe (/dev/stdout) is written directly, since it cannot be
// replaced. On failure, error names the file and the cause.
bool writeWholeFile(const std::string& path, std::string_view bytes, std::string& error);
