#include "text/bounded_text_file.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string refusalOf(const struct stat& info, const TextFileLimits& limits) {
    if (!S_ISREG(info.st_mode))
        return std::string("is not a regular file (a folder, pipe or device); ") + limits.kind + " must be one";
    if (static_cast<std::size_t>(info.st_size) > limits.maxBytes)
        return "is larger than the " + sizeText(limits.maxBytes) + " " + limits.kind + " may have";
    return {};
}

// The first line longer than the limit, counted from 1, or 0 when every line fits.
std::size_t firstLongLine(std::string_view text, std::size_t maxChars) {
    std::size_t line = 1;
    for (std::size_t start = 0; start < text.size(); ++line) {
        std::size_t end = text.find('\n', start);
        end = end == std::string_view::npos ? text.size() : end;
        if (end - start > maxChars)
            return line;
        start = end + 1;
    }
    return 0;
}

} // namespace

std::optional<std::string> readBoundedTextFile(const std::string& path, const TextFileLimits& limits,
                                               TextFileFault& fault, std::string& reason) {
    fault = TextFileFault::Refused;
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        fault = errno == ENOENT || errno == ENOTDIR ? TextFileFault::Absent : TextFileFault::Refused;
        reason = std::string("cannot be read: ") + std::strerror(errno);
        return std::nullopt;
    }
    if (reason = refusalOf(info, limits); !reason.empty())
        return std::nullopt;
    // Non-blocking, so that a pipe put in the file's place after the stat cannot hold the bench.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        reason = std::string("cannot be read: ") + std::strerror(errno);
        return std::nullopt;
    }
    std::string text;
    if (::fstat(fd, &info) != 0)
        reason = std::string("cannot be read: ") + std::strerror(errno);
    else
        reason = refusalOf(info, limits);
    if (reason.empty()) {
        // One byte past the limit shows a file that grew since the stat.
        text.resize(std::min(static_cast<std::size_t>(info.st_size), limits.maxBytes) + 1);
        std::size_t filled = 0;
        while (reason.empty()) {
            if (filled == text.size())
                text.resize(std::min(2 * text.size(), limits.maxBytes + 1));
            const ssize_t n = ::read(fd, text.data() + filled, text.size() - filled);
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0)
                reason = std::string("cannot be read: ") + std::strerror(errno);
            if (n <= 0)
                break;
            filled += static_cast<std::size_t>(n);
            if (filled > limits.maxBytes)
                reason = "is larger than the " + sizeText(limits.maxBytes) + " " + limits.kind + " may have";
        }
        text.resize(filled);
    }
    ::close(fd);
    if (reason.empty()) {
        if (const std::size_t line = firstLongLine(text, limits.maxLineChars); line > 0)
            reason = "has a line " + std::to_string(line) + " longer than the " + std::to_string(limits.maxLineChars) +
                     " characters a line of " + limits.kind + " may have";
    }
    if (!reason.empty())
        return std::nullopt;
    fault = TextFileFault::None;
    return text;
}

std::optional<std::string> readBoundedTextFile(const std::string& path, const TextFileLimits& limits,
                                               std::string& error) {
    TextFileFault fault = TextFileFault::None;
    std::string reason;
    std::optional<std::string> text = readBoundedTextFile(path, limits, fault, reason);
    if (!text)
        error = "File '" + path + "' " + (fault == TextFileFault::Absent ? std::string("does not exist") : reason);
    return text;
}

bool readBoundedFile(const std::string& path, std::size_t limit, const std::string& what, std::string& text,
                     std::string& problem) {
    TextFileFault fault = TextFileFault::None;
    std::optional<std::string> read = readBoundedTextFile(path, {what.c_str(), limit, limit}, fault, problem);
    if (!read) {
        if (fault == TextFileFault::Absent)
            problem = "does not exist";
        return false;
    }
    text = std::move(*read);
    return true;
}

std::string sizeText(std::size_t bytes) {
    if (bytes >= (1u << 20) && bytes % (1u << 20) == 0)
        return std::to_string(bytes >> 20) + " MB";
    if (bytes >= 1024 && bytes % 1024 == 0)
        return std::to_string(bytes >> 10) + " kB";
    return std::to_string(bytes) + " bytes";
}

std::string utf16Reason(std::string_view text) {
    auto begins = [&](std::string_view mark) { return text.substr(0, mark.size()) == mark; };
    const char* order = begins("\xFF\xFE") ? "FF FE" : begins("\xFE\xFF") ? "FE FF" : nullptr;
    if (order)
        return std::string("is UTF-16 text (it begins with the byte order mark ") + order +
               "); save it as 8-bit text (ANSI or UTF-8)";
    const std::string_view firstLine = text.substr(0, text.find('\n'));
    if (firstLine.find('\0') != std::string_view::npos)
        return "is UTF-16 text (its first line holds NUL bytes); save it as 8-bit text (ANSI or UTF-8)";
    return {};
}
