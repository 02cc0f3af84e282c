#include "text/bounded_file.h"

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

std::string sizeText(std::size_t bytes) {
    if (bytes >= (1u << 20) && bytes % (1u << 20) == 0)
        return std::to_string(bytes >> 20) + " MB";
    if (bytes >= 1024 && bytes % 1024 == 0)
        return std::to_string(bytes >> 10) + " kB";
    return std::to_string(bytes) + " bytes";
}

bool readBoundedFile(const std::string& path, std::size_t limit, const std::string& what, std::string& text,
                     std::string& problem) {
    auto refuse = [&problem](std::string why) {
        problem = std::move(why);
        return false;
    };
    auto kindOrSize = [&](const struct stat& info) -> bool {
        if (!S_ISREG(info.st_mode))
            return refuse("is not a regular file");
        if (static_cast<unsigned long long>(info.st_size) > limit)
            return refuse("is larger than the " + sizeText(limit) + " " + what + " may have");
        return true;
    };
    struct stat before {};
    if (::stat(path.c_str(), &before) != 0)
        return refuse(errno == ENOENT ? "does not exist" : std::string("cannot be read: ") + std::strerror(errno));
    if (!kindOrSize(before))
        return false;
    // Between the check and the opening the name may come to name a pipe; without blocking, the
    // opening returns and the check on the opened file refuses it.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return refuse(std::string("cannot be read: ") + std::strerror(errno));
    struct stat opened {};
    bool ok =
        ::fstat(fd, &opened) == 0 ? kindOrSize(opened) : refuse(std::string("cannot be read: ") + std::strerror(errno));
    text.clear();
    char buffer[65536];
    while (ok) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            ok = refuse(std::string("cannot be read: ") + std::strerror(errno));
        else if (got == 0)
            break;
        else if (text.size() + static_cast<std::size_t>(got) > limit) // grown since it was measured
            ok = refuse("is larger than the " + sizeText(limit) + " " + what + " may have");
        else
            text.append(buffer, static_cast<std::size_t>(got));
    }
    ::close(fd);
    return ok;
}
