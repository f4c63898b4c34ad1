// Paths that are not regular files, made inside a test's own folder: a
// folder, a FIFO, a device node (only as root, where mknod is allowed), a
// loop of symbolic links, links to each of them and a link to nothing. And a
// snapshot of a folder, to show that nothing in it was touched. Nothing here
// ever looks outside the folder it is given.
#pragma once

#include <dirent.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace emutest {

struct OddPath {
    std::string what;  // "FIFO", "link to a FIFO", ...
    std::string path;
};

// The folder "odd" inside `root`, made if it is not there yet: where a test
// makes its odd paths, apart from its memory.
inline std::string oddFolder(const std::string& root) {
    std::string d = root + "/odd";
    mkdir(d.c_str(), 0755);
    return d;
}

// Makes each kind of odd path in `dir` (which must exist), every name
// ending in `suffix`. A device node needs root and a system that lets it
// make one; when it cannot be made, `skipped` says why and the list goes
// without it.
inline std::vector<OddPath> makeOddPaths(const std::string& dir, std::string* skipped,
                                         const std::string& suffix = "") {
    std::vector<OddPath> out;
    auto at = [&](const std::string& name) { return dir + "/" + name + suffix; };
    auto add = [&](const std::string& what, const std::string& name) {
        out.push_back({what, at(name)});
    };
    auto link = [&](const std::string& target, const std::string& name) {
        return symlink((target + suffix).c_str(), at(name).c_str()) == 0;
    };
    if (mkdir(at("pasta").c_str(), 0755) == 0)
        add("directory", "pasta");
    if (mkfifo(at("fifo").c_str(), 0644) == 0)
        add("FIFO", "fifo");
    bool device = false;
    if (geteuid() != 0) {
        *skipped = "device node not tried: mknod needs root";
    } else if (mknod(at("nulo").c_str(), S_IFCHR | 0666, makedev(1, 3)) != 0) {
        *skipped = std::string("device node not made: mknod: ") + std::strerror(errno);
    } else {
        device = true;
        add("device node", "nulo");
    }
    if (link("laco-b", "laco-a") && link("laco-a", "laco-b"))
        add("loop of links", "laco-a");
    if (link("fifo", "link-fifo"))
        add("link to a FIFO", "link-fifo");
    if (link("pasta", "link-pasta"))
        add("link to a directory", "link-pasta");
    if (device && link("nulo", "link-nulo"))
        add("link to a device node", "link-nulo");
    if (link("nada", "link-nada"))
        add("link to nothing", "link-nada");
    return out;
}

// Every name in `dir` (not recursing), with its type, and for a regular
// file its bytes, for a link what it holds: equal snapshots mean nothing was
// created, removed, replaced or written. FIFOs and device nodes are only
// looked at (lstat), never opened.
inline std::map<std::string, std::string> folderSnapshot(const std::string& dir) {
    std::map<std::string, std::string> out;
    DIR* d = opendir(dir.c_str());
    if (!d)
        return out;
    while (struct dirent* e = readdir(d)) {
        std::string name = e->d_name;
        if (name == "." || name == "..")
            continue;
        std::string path = dir + "/" + name;
        struct stat st {};
        if (lstat(path.c_str(), &st) != 0)
            continue;
        std::string what;
        if (S_ISREG(st.st_mode)) {
            std::ifstream f(path, std::ios::binary);
            std::stringstream s;
            s << f.rdbuf();
            what = "file:" + s.str();
        } else if (S_ISLNK(st.st_mode)) {
            char buf[4096];
            ssize_t n = readlink(path.c_str(), buf, sizeof buf);
            what = "link:" + std::string(buf, n > 0 ? static_cast<size_t>(n) : 0);
        } else {
            what = "node:" + std::to_string(st.st_mode & S_IFMT) + ":" +
                   std::to_string(st.st_rdev) + ":" + std::to_string(st.st_ino);
        }
        out[name] = what;
    }
    closedir(d);
    return out;
}

// The names of a snapshot, for messages.
inline std::string namesOf(const std::map<std::string, std::string>& snapshot) {
    std::string out;
    for (const auto& [name, what] : snapshot)
        out += name + " ";
    return out;
}

// Runs `body` in a child process that is killed after `seconds` (a call that
// waits for ever on a FIFO would otherwise hang the test); returns the
// child's exit status, or -1 when it was killed or did not exit.
inline int inChildWithin(int seconds, const std::function<int()>& body) {
    pid_t pid = fork();
    if (pid == 0) {
        alarm(static_cast<unsigned>(seconds));
        _exit(body());
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace emutest
