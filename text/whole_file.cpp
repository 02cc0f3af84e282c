#include "text/whole_file.h"

#include <atomic>
#include <cerrno>
#include <cstring>
#include <filesystem>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string failure(const std::string& path, int code) {
    return "cannot write '" + path + "': " + std::strerror(code);
}

// The file a chain of symbolic links ends at, or path itself when it is no link. A link whose target
// is missing yields that missing name, so that writing through it creates the file it names.
bool resolveLinks(const std::string& path, std::string& resolved, int& code) {
    namespace fs = std::filesystem;
    fs::path current = path;
    for (int hop = 0; hop < 40; ++hop) { // the kernel's own limit on a chain of links
        struct stat info {};
        if (lstat(current.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) {
            resolved = current.string();
            return true;
        }
        std::error_code error;
        const fs::path next = fs::read_symlink(current, error);
        if (error) {
            code = error.value();
            return false;
        }
        current = next.is_absolute() ? next : current.parent_path() / next;
    }
    code = ELOOP;
    return false;
}

bool writeAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const long written = wholeFileSystemCalls().write(fd, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR)
            continue;
        if (written == 0)
            errno = ENOSPC; // a write that takes nothing never ends; a full disk is the likely cause
        if (written <= 0)
            return false;
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

} // namespace

bool namesSameFile(const std::string& one, const std::string& other) {
    struct stat a {
    }, b{};
    if (::stat(one.c_str(), &a) == 0 && ::stat(other.c_str(), &b) == 0)
        return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
    std::error_code error;
    const auto canonicalOne = std::filesystem::weakly_canonical(one, error);
    const auto canonicalOther = std::filesystem::weakly_canonical(other, error);
    return !error && canonicalOne == canonicalOther;
}

WholeFileSystemCalls& wholeFileSystemCalls() {
    static WholeFileSystemCalls calls{
        [](int fd, const void* data, unsigned long size) -> long { return ::write(fd, data, size); },
        [](int fd) { return ::fsync(fd); }};
    return calls;
}

bool writeWholeFile(const std::string& path, std::string_view bytes, std::string& error) {
    std::string target;
    int code = 0;
    if (!resolveLinks(path, target, code)) {
        error = failure(path, code);
        return false;
    }
    struct stat existing {};
    const bool exists = ::stat(target.c_str(), &existing) == 0;
    if (exists && S_ISDIR(existing.st_mode)) {
        error = failure(path, EISDIR);
        return false;
    }
    if (exists && !S_ISREG(existing.st_mode)) {
        error = "cannot write '" + path + "': it is a device or a pipe, not a regular file";
        return false;
    }

    const std::filesystem::path targetPath(target);
    const std::filesystem::path folder = targetPath.has_parent_path() ? targetPath.parent_path() : ".";
    // A name no other writer in this or another process picks; O_EXCL refuses any that exists.
    static std::atomic<unsigned> counter{0};
    std::string temporary;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        std::string name = targetPath.filename().string();
        name.insert(0, 1, '.');
        name += '.';
        name += std::to_string(::getpid());
        name += '.';
        name += std::to_string(counter++);
        name += ".part";
        temporary = (folder / name).string();
        // 0666 less the umask, as any newly created file; an existing file's own mode is kept below.
        fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST)
            break;
    }
    if (fd < 0) {
        error = failure(path, errno);
        return false;
    }
    bool ok = (!exists || ::fchmod(fd, existing.st_mode & 07777) == 0) && writeAll(fd, bytes) &&
              wholeFileSystemCalls().fsync(fd) == 0;
    code = errno;
    if (::close(fd) != 0 && ok) {
        ok = false;
        code = errno;
    }
    if (ok && ::rename(temporary.c_str(), target.c_str()) != 0) {
        ok = false;
        code = errno;
    }
    if (!ok) {
        ::unlink(temporary.c_str());
        error = failure(path, code);
        return false;
    }
    // The rename itself lasts only once the folder's entry is on the disk.
    const int folderFd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folderFd >= 0) {
        wholeFileSystemCalls().fsync(folderFd);
        ::close(folderFd);
    }
    return true;
}
