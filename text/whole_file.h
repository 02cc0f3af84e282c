#pragma once

#include <string>
#include <string_view>

// Replaces the file at path with bytes, whole or not at all: a reader, a crash or a full disk never
// leaves a truncated file behind. The bytes go to a temporary file beside the target, which is flushed
// to the disk and then renamed over the target; on any failure the old file stays as it was and the
// temporary is removed. A symbolic link is written through: the file it points to is replaced and the
// link stays. A device or a pipe (/dev/full, a FIFO) is refused: it cannot be replaced whole, and a
// write into it cannot be taken back. After the rename the folder is flushed too, so the new name
// survives a power cut. On failure, error names the file and the cause.
bool writeWholeFile(const std::string& path, std::string_view bytes, std::string& error);

// Whether two paths name one file: the same device and inode (through links, hard or symbolic), or
// the same canonical path. An output that is one of the inputs would destroy what is read.
bool namesSameFile(const std::string& one, const std::string& other);

// The system calls a whole-file write makes to put bytes on the disk, replaceable so that a test
// can stand in a disk that fills up or watch the flushes; ::write and ::fsync otherwise.
struct WholeFileSystemCalls {
    long (*write)(int fd, const void* data, unsigned long size);
    int (*fsync)(int fd);
};
WholeFileSystemCalls& wholeFileSystemCalls();
