#include "core/tracelog.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core/clock.h"
#include "core/pathcheck.h"

namespace fiscemu {

namespace {

const char kHeader[] = "#trace base=";

// The base id written in a trace file's first line, and where the rows start.
bool readHeader(int fd, int64_t* base, int64_t* rowsAt) {
    char buf[64];
    ssize_t n = pread(fd, buf, sizeof buf - 1, 0);
    if (n <= 0)
        return false;
    buf[n] = 0;
    if (std::strncmp(buf, kHeader, sizeof kHeader - 1) != 0)
        return false;
    char* end = nullptr;
    long long b = std::strtoll(buf + sizeof kHeader - 1, &end, 10);
    if (!end || *end != '\n')
        return false;
    *base = b;
    *rowsAt = end - buf + 1;
    return true;
}

bool writeAll(int fd, const std::string& s) {
    size_t done = 0;
    while (done < s.size()) {
        ssize_t n = write(fd, s.data() + done, s.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

// A new trace file with its header, under a private name next to `path`.
std::string makeFile(const std::string& path, int64_t base) {
    std::string tmpl = path + ".new.XXXXXX";
    int fd = mkostemp(tmpl.data(), O_CLOEXEC);
    if (fd < 0)
        return {};
    fchmod(fd, 0644);
    bool ok = writeAll(fd, kHeader + std::to_string(base) + "\n");
    close(fd);
    if (!ok) {
        unlink(tmpl.c_str());
        return {};
    }
    return tmpl;
}

// The id the next file continues from: the end of the old one, if any.
int64_t baseAfter(const std::string& oldPath) {
    int fd = openRegular(oldPath, O_RDONLY);
    if (fd < 0)
        return 0;
    int64_t base = 0, rowsAt = 0;
    struct stat st {};
    int64_t next = 0;
    if (readHeader(fd, &base, &rowsAt) && fstat(fd, &st) == 0)
        next = base + st.st_size - rowsAt;
    close(fd);
    return next;
}

// A field of a row: tabs and line ends become spaces.
void appendClean(std::string* line, const std::string& s) {
    size_t from = line->size();
    *line += s;
    for (size_t i = from; i < line->size(); ++i) {
        char& c = (*line)[i];
        if (c == '\t' || c == '\n' || c == '\r')
            c = ' ';
    }
}

// The reason field: every byte kept, none of them a field or line end.
void appendEscaped(std::string* line, const std::string& s) {
    static const char kHex[] = "0123456789ABCDEF";
    for (char c : s) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '\\')
            *line += "\\\\";
        else if (c == '\t')
            *line += "\\t";
        else if (c == '\n')
            *line += "\\n";
        else if (c == '\r')
            *line += "\\r";
        else if (byte < 0x20 || byte == 0x7F)
            *line += std::string("\\x") + kHex[byte >> 4] + kHex[byte & 15];
        else
            *line += c;
    }
}

int hexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

// The reverse of appendEscaped; an escape it does not know is kept as written.
std::string unescaped(const std::string& s) {
    std::string out;
    out.reserve(s.size());
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] != '\\' || i + 1 == s.size()) {
            out += s[i];
            continue;
        }
        const char next = s[i + 1];
        if (next == '\\' || next == 't' || next == 'n' || next == 'r') {
            out += next == 't' ? '\t' : next == 'n' ? '\n' : next == 'r' ? '\r' : '\\';
            ++i;
        } else if (next == 'x' && i + 3 < s.size() && hexValue(s[i + 2]) >= 0 &&
                   hexValue(s[i + 3]) >= 0) {
            out += static_cast<char>(hexValue(s[i + 2]) * 16 + hexValue(s[i + 3]));
            i += 3;
        } else {
            out += s[i];
        }
    }
    return out;
}

// The "name=value" fields after the one at `tab`; fields of other names (or
// none, in rows written before them) are left aside.
void readFacts(const std::string& line, size_t tab, CallFacts* facts) {
    while ((tab = line.find('\t', tab + 1)) != std::string::npos) {
        const char* field = line.c_str() + tab + 1;
        if (std::strncmp(field, "clock=", 6) == 0)
            facts->clock = std::strtoll(field + 6, nullptr, 10);
        else if (std::strncmp(field, "paper=", 6) == 0)
            facts->paperLines = std::strtoll(field + 6, nullptr, 10);
    }
}

bool readFile(const std::string& path, int64_t afterId, std::vector<TraceRow>* out) {
    int fd = openRegular(path, O_RDONLY);
    if (fd < 0)
        return false;
    int64_t base = 0, rowsAt = 0;
    struct stat st {};
    if (!readHeader(fd, &base, &rowsAt) || fstat(fd, &st) != 0) {
        close(fd);
        return false;
    }
    // A row's id is base + 1 + its offset after the header.
    int64_t size = st.st_size;
    if (afterId >= base + size - rowsAt) {
        close(fd);
        return true;
    }
    // Start at the row whose id is afterId (or the first row) and skip it.
    int64_t from = rowsAt;
    bool skipFirst = false;
    if (afterId > base) {
        from = afterId - base - 1 + rowsAt;
        skipFirst = true;
    }
    std::string data(static_cast<size_t>(size - from), '\0');
    ssize_t n = pread(fd, data.data(), data.size(), from);
    close(fd);
    if (n < 0)
        return false;
    data.resize(static_cast<size_t>(n));
    size_t pos = 0;
    if (skipFirst) {
        size_t nl = data.find('\n');
        if (nl == std::string::npos)
            return true;
        pos = nl + 1;
    }
    while (pos < data.size()) {
        size_t nl = data.find('\n', pos);
        if (nl == std::string::npos)
            break;  // a row still being written
        std::string line = data.substr(pos, nl - pos);
        TraceRow r;
        r.id = base + 1 + from - rowsAt + static_cast<int64_t>(pos);
        size_t t1 = line.find('\t');
        size_t t2 = t1 == std::string::npos ? t1 : line.find('\t', t1 + 1);
        size_t t3 = t2 == std::string::npos ? t2 : line.find('\t', t2 + 1);
        if (t3 != std::string::npos && r.id > afterId) {
            r.time = line.substr(0, t1);
            r.function = line.substr(t1 + 1, t2 - t1 - 1);
            r.args = line.substr(t2 + 1, t3 - t2 - 1);
            size_t t4 = line.find('\t', t3 + 1);
            r.result = line.substr(t3 + 1, t4 == std::string::npos ? t4 : t4 - t3 - 1);
            if (t4 != std::string::npos)
                r.micros = std::strtoll(line.c_str() + t4 + 1, nullptr, 10);
            size_t t5 = t4 == std::string::npos ? t4 : line.find('\t', t4 + 1);
            if (t5 != std::string::npos) {
                // The reason holds no tab (escaped): the facts follow it.
                size_t t6 = line.find('\t', t5 + 1);
                r.reason =
                    unescaped(line.substr(t5 + 1, t6 == std::string::npos ? t6 : t6 - t5 - 1));
                readFacts(line, t5, &r.facts);
            }
            out->push_back(std::move(r));
        }
        pos = nl + 1;
    }
    return true;
}

}  // namespace

namespace {
// A reason for the terminal: control bytes shown as \xHH, so that none acts
// on the terminal nor breaks the line; accents stay as they are.
std::string withoutControls(const std::string& text) {
    std::string out;
    for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\x%02X", byte);
            out += buf;
        } else {
            out += c;
        }
    }
    return out;
}
}  // namespace

std::string traceLine(const TraceRow& r) {
    std::string line = r.time + "  " + r.function + "(" + r.args + ") = " + r.result;
    if (!r.reason.empty())
        line += "  — " + withoutControls(r.reason);
    return line + "\n";
}

TraceLog::TraceLog(std::string memoryPath) : path_(std::move(memoryPath) + "-trace") {}

TraceLog::~TraceLog() {
    closeFd();
}

void TraceLog::closeFd() {
    if (fd_ >= 0)
        close(fd_);
    fd_ = -1;
}

bool TraceLog::openCurrent() {
    closeFd();
    for (int attempt = 0; attempt < 3; ++attempt) {
        // Only a regular file of that name, never through a link: a FIFO,
        // a device node or a directory there loses the row, and is neither
        // opened nor replaced.
        int fd = openRegular(path_, O_RDWR | O_APPEND);
        if (fd < 0 && errno == ENOENT) {
            // Created whole under another name, then linked in: a reader or
            // another writer never sees a file without its header.
            std::string tmp = makeFile(path_, baseAfter(oldPath()));
            if (tmp.empty())
                return false;
            int rc = link(tmp.c_str(), path_.c_str());
            unlink(tmp.c_str());
            if (rc != 0 && errno != EEXIST)
                return false;
            continue;
        }
        if (fd < 0)
            return false;
        int64_t rowsAt = 0;
        struct stat st {};
        if (!readHeader(fd, &base_, &rowsAt) || fstat(fd, &st) != 0) {
            close(fd);
            return false;
        }
        fd_ = fd;
        dev_ = st.st_dev;
        ino_ = st.st_ino;
        return true;
    }
    return false;
}

void TraceLog::rotate(int64_t size) {
    (void)size;
    if (flock(fd_, LOCK_EX | LOCK_NB) != 0)
        return;  // another process is rotating it
    struct stat st {};
    if (lstat(path_.c_str(), &st) == 0 && st.st_dev == dev_ && st.st_ino == ino_ &&
        regularOrMissing(oldPath()))
        std::rename(path_.c_str(), oldPath().c_str());
    flock(fd_, LOCK_UN);
    closeFd();
}

namespace {
// The device, inode and size of the file a name leads to, with no question
// about its times. Linux (from 6.13) stamps the next change of a file whose
// times were asked for with a fine-grained time, and from then on later
// writes to any file get fresh times too: the memory's WAL then had new
// times at every commit, and on a file system without a journal each of its
// syncs also wrote its inode, twice the disk requests of a call (measured).
bool identify(const std::string& path, struct stat* st) {
    struct statx sx {};
    if (statx(AT_FDCWD, path.c_str(), AT_SYMLINK_NOFOLLOW, STATX_INO | STATX_SIZE, &sx) != 0)
        return false;
    st->st_dev = makedev(sx.stx_dev_major, sx.stx_dev_minor);
    st->st_ino = sx.stx_ino;
    st->st_size = static_cast<off_t>(sx.stx_size);
    return true;
}
}  // namespace

bool TraceLog::append(const std::string& time, const std::string& function, const std::string& args,
                      const std::string& result, int64_t micros, const std::string& reason,
                      const CallFacts& facts) {
    struct stat st {};
    // Follow a rotation or a restart made by another process. While the name
    // still leads to the open file, its size is the one just read.
    bool same = fd_ >= 0 && identify(path_, &st) && st.st_dev == dev_ && st.st_ino == ino_;
    if (!same) {
        closeFd();
        if (!openCurrent())
            return false;
        if (fstat(fd_, &st) != 0)
            st.st_size = 0;
    }
    if (st.st_size >= kRotateBytes) {
        rotate(st.st_size);
        if (fd_ < 0 && !openCurrent())
            return false;
    }
    std::string line;
    line.reserve(time.size() + function.size() + args.size() + result.size() + reason.size() + 32);
    appendClean(&line, time);
    line += '\t';
    appendClean(&line, function);
    line += '\t';
    appendClean(&line, args);
    line += '\t';
    appendClean(&line, result);
    const bool withFacts = facts.clock >= 0 || facts.paperLines >= 0;
    if (micros >= 0 || !reason.empty() || withFacts) {
        line += '\t';
        line += std::to_string(micros >= 0 ? micros : -1);
    }
    if (!reason.empty() || withFacts) {
        line += '\t';
        appendEscaped(&line, reason);
    }
    if (facts.clock >= 0)
        line += "\tclock=" + std::to_string(facts.clock);
    if (facts.paperLines >= 0)
        line += "\tpaper=" + std::to_string(facts.paperLines);
    line += '\n';
    // One write: concurrent appenders never interleave within a row.
    ssize_t n = write(fd_, line.data(), line.size());
    return n == static_cast<ssize_t>(line.size());
}

bool TraceLog::appendNow(const std::string& function, const std::string& args,
                         const std::string& result, const std::string& reason) {
    auto now = std::chrono::system_clock::now();
    int64_t ms =
        std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count();
    DateTime t = localFromEpoch(ms / 1000);
    char buf[40];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d.%03d", t.year, t.month, t.day,
                  t.hour, t.minute, t.second, static_cast<int>(ms % 1000));
    return append(buf, function, args, result, -1, reason);
}

std::vector<TraceRow> TraceLog::read(int64_t afterId, int64_t lastN) const {
    std::vector<TraceRow> rows;
    readFile(oldPath(), afterId, &rows);
    readFile(path_, afterId, &rows);
    if (lastN > 0 && static_cast<int64_t>(rows.size()) > lastN)
        rows.erase(rows.begin(), rows.end() - lastN);
    return rows;
}

int64_t TraceLog::lastId() const {
    std::vector<TraceRow> last = read(0, 1);
    return last.empty() ? 0 : last.back().id;
}

bool TraceLog::restart() {
    // Replaces and removes only regular files: anything else of those names
    // is left alone.
    if (!regularOrMissing(path_) || !regularOrMissing(oldPath()))
        return false;
    std::string tmp = makeFile(path_, 0);
    if (tmp.empty())
        return false;
    if (std::rename(tmp.c_str(), path_.c_str()) != 0) {
        unlink(tmp.c_str());
        return false;
    }
    unlink(oldPath().c_str());
    closeFd();
    return true;
}

}  // namespace fiscemu
