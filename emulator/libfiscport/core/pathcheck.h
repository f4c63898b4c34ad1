// What a path names before anything is opened or written there. The memory,
// its companions, the trace and the readings are only ever regular files:
// the library and ecfsim never open a device node, a FIFO or a directory
// for writing, never wait on opening one (a FIFO's open waits for its other
// end), and never follow a symbolic link into anything but a regular file.
#pragma once

#include <sys/types.h>

#include <string>

namespace fiscemu {

enum class PathKind {
    Missing,        // no such file (ENOENT)
    Regular,        // a regular file
    LinkToRegular,  // a symbolic link that leads to a regular file
    Directory,
    Fifo,
    Device,  // a character or block device node
    Socket,
    LinkToOther,   // a symbolic link that leads to one of the four above
    DanglingLink,  // a symbolic link that leads to nothing
    LinkLoop,      // too many levels of symbolic links (ELOOP)
    TooLong,       // the path or one of its names is too long (ENAMETOOLONG)
    Unreachable,   // any other failure (no permission, a part is no folder, ...)
};

struct PathInfo {
    PathKind kind = PathKind::Missing;
    PathKind target = PathKind::Missing;  // what a LinkToOther leads to
    int error = 0;                        // the errno of LinkLoop, TooLong and Unreachable
};

// Looks at `path` without opening it (lstat, then stat through a link).
PathInfo inspectPath(const std::string& path);

// A regular file, directly or through a link.
inline bool leadsToRegular(PathKind k) {
    return k == PathKind::Regular || k == PathKind::LinkToRegular;
}

// A regular file or nothing at all: the only things a name the library
// writes under may be before it writes.
bool regularOrMissing(const std::string& path);

// An English phrase for what the path is ("a FIFO", "a symbolic link to a
// directory", "a loop of symbolic links"), for the library's error texts.
std::string describePath(const PathInfo& info);

// Opens an existing regular file that is not a symbolic link, without ever
// waiting (O_NONBLOCK, cleared once it is known to be a regular file) and
// close-on-exec; `flags` are the access flags (O_RDONLY, O_RDWR | O_APPEND,
// ...; never O_CREAT). Returns -1 with errno ENOENT when there is no such
// file, and EINVAL when the name is anything but a regular file (nothing of
// it was opened then, unless it was swapped in between the look and the open).
int openRegular(const std::string& path, int flags);

}  // namespace fiscemu
