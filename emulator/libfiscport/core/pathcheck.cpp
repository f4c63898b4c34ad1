#include "core/pathcheck.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace fiscemu {

namespace {

PathKind kindOf(mode_t mode) {
    if (S_ISREG(mode))
        return PathKind::Regular;
    if (S_ISDIR(mode))
        return PathKind::Directory;
    if (S_ISFIFO(mode))
        return PathKind::Fifo;
    if (S_ISCHR(mode) || S_ISBLK(mode))
        return PathKind::Device;
    return PathKind::Socket;
}

PathInfo failure(int err) {
    PathInfo info;
    info.error = err;
    info.kind = err == ENOENT         ? PathKind::Missing
                : err == ELOOP        ? PathKind::LinkLoop
                : err == ENAMETOOLONG ? PathKind::TooLong
                                      : PathKind::Unreachable;
    return info;
}

const char* phrase(PathKind k) {
    switch (k) {
        case PathKind::Missing:
            return "missing";
        case PathKind::Regular:
            return "a regular file";
        case PathKind::LinkToRegular:
            return "a symbolic link to a regular file";
        case PathKind::Directory:
            return "a directory";
        case PathKind::Fifo:
            return "a FIFO";
        case PathKind::Device:
            return "a device node";
        case PathKind::Socket:
            return "a socket";
        case PathKind::LinkToOther:
            return "a symbolic link";
        case PathKind::DanglingLink:
            return "a symbolic link to nothing";
        case PathKind::LinkLoop:
            return "a loop of symbolic links";
        case PathKind::TooLong:
            return "a path too long";
        case PathKind::Unreachable:
            return "unreachable";
    }
    return "?";
}

}  // namespace

PathInfo inspectPath(const std::string& path) {
    struct stat st {};
    if (lstat(path.c_str(), &st) != 0)
        return failure(errno);
    PathInfo info;
    if (!S_ISLNK(st.st_mode)) {
        info.kind = kindOf(st.st_mode);
        return info;
    }
    struct stat target {};
    if (stat(path.c_str(), &target) != 0) {
        info = failure(errno);
        if (info.kind == PathKind::Missing)
            info.kind = PathKind::DanglingLink;
        return info;
    }
    info.kind = S_ISREG(target.st_mode) ? PathKind::LinkToRegular : PathKind::LinkToOther;
    info.target = kindOf(target.st_mode);
    return info;
}

bool regularOrMissing(const std::string& path) {
    struct stat st {};
    if (lstat(path.c_str(), &st) == 0)
        return S_ISREG(st.st_mode);
    return errno == ENOENT;
}

std::string describePath(const PathInfo& info) {
    if (info.kind == PathKind::LinkToOther)
        return std::string("a symbolic link to ") + phrase(info.target);
    if (info.kind == PathKind::TooLong || info.kind == PathKind::Unreachable)
        return std::string(phrase(info.kind)) + " (" + std::strerror(info.error) + ")";
    return phrase(info.kind);
}

int openRegular(const std::string& path, int flags) {
    // Looked at first, so that nothing else is even opened: opening a device
    // node can act on the device, and a FIFO's open waits for its other end.
    struct stat before {};
    if (lstat(path.c_str(), &before) != 0)
        return -1;
    if (!S_ISREG(before.st_mode)) {
        errno = EINVAL;
        return -1;
    }
    // Whatever took its place meanwhile is neither followed nor waited for.
    int fd = ::open(path.c_str(), flags | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return errno == ELOOP ? (errno = EINVAL, -1) : -1;
    struct stat st {};
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        close(fd);
        errno = EINVAL;
        return -1;
    }
    int fl = fcntl(fd, F_GETFL);
    if (fl >= 0)
        fcntl(fd, F_SETFL, fl & ~O_NONBLOCK);
    return fd;
}

}  // namespace fiscemu
