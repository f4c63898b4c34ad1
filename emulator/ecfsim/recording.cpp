#include "ecfsim/recording.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>

#include "core/clock.h"
#include "core/pathcheck.h"
#include "core/store.h"

namespace ecfsim {

std::string sessionMarkPath(const std::string& memoryPath) {
    return memoryPath + "-sessao";
}

std::string sessionStartPath(const std::string& memoryPath) {
    return memoryPath + "-sessao.db";
}

bool writeFileInPlace(const std::string& path, const std::string& data, std::string* error) {
    std::string tmp = path + ".XXXXXX";
    int fd = mkostemp(tmp.data(), O_CLOEXEC);
    if (fd < 0) {
        *error = path + ": " + std::strerror(errno);
        return false;
    }
    fchmod(fd, 0644);
    size_t done = 0;
    while (done < data.size()) {
        ssize_t n = write(fd, data.data() + done, data.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        done += static_cast<size_t>(n);
    }
    bool ok = done == data.size() && fsync(fd) == 0;
    int e = errno;
    close(fd);
    if (ok && std::rename(tmp.c_str(), path.c_str()) == 0)
        return true;
    *error = path + ": " + std::strerror(ok ? errno : e);
    unlink(tmp.c_str());
    return false;
}

namespace {

Result failed(const std::string& why) {
    Result r;
    r.ok = false;
    r.error = why;
    return r;
}

int64_t lastPaperId(fiscemu::Store& store) {
    std::vector<fiscemu::PaperRow> last = store.paper(0, 1);
    return last.empty() ? 0 : last.back().id;
}

// The mark's three lines: "trace_after N", "paper_after N", "started TIME".
std::string markText(const SessionMark& mark) {
    return "trace_after " + std::to_string(mark.traceAfter) + "\npaper_after " +
           std::to_string(mark.paperAfter) + "\nstarted " + mark.startedAt + "\n";
}

}  // namespace

std::optional<SessionMark> readSessionMark(const std::string& memoryPath) {
    int fd = fiscemu::openRegular(sessionMarkPath(memoryPath), O_RDONLY);
    if (fd < 0)
        return std::nullopt;
    char buf[512];
    ssize_t n = read(fd, buf, sizeof buf - 1);
    close(fd);
    if (n <= 0)
        return std::nullopt;
    std::istringstream in(std::string(buf, static_cast<size_t>(n)));
    SessionMark mark;
    std::string key, started;
    bool trace = false, paper = false;
    while (in >> key) {
        if (key == "trace_after")
            trace = static_cast<bool>(in >> mark.traceAfter);
        else if (key == "paper_after")
            paper = static_cast<bool>(in >> mark.paperAfter);
        else if (key == "started")
            std::getline(in >> std::ws, mark.startedAt);
        else
            return std::nullopt;
    }
    if (!trace || !paper || mark.startedAt.empty())
        return std::nullopt;
    return mark;
}

bool recording(const std::string& memoryPath) {
    return readSessionMark(memoryPath).has_value();
}

Result recordStart(const std::string& memoryPath) {
    if (auto mark = readSessionMark(memoryPath))
        return failed("já há uma sessão aberta desde " + mark->startedAt +
                      " (encerre com 'ecfsim record stop ARQUIVO')");
    std::string error, notice;
    auto dev = openMemory(memoryPath, false, &error, &notice);
    if (!dev)
        return failed(error);
    fiscemu::Store& store = dev->store();
    std::string start = sessionStartPath(memoryPath);
    if (!fiscemu::regularOrMissing(start) ||
        !fiscemu::regularOrMissing(sessionMarkPath(memoryPath)))
        return failed(start + ": há ali algo que não é um arquivo comum");
    unlink(start.c_str());  // left by a start that did not finish
    // A second connection holds the write lock meanwhile, so no call commits
    // between the copy and the positions taken with it (a connection that
    // writes cannot be the source of a copy).
    auto holder = openMemory(memoryPath, false, &error);
    if (!holder || !holder->store().begin())
        return failed(holder ? holder->store().lastError() : error);
    SessionMark mark{store.traceLog().lastId(), lastPaperId(store),
                     fiscemu::isoTime(fiscemu::wallNow())};
    bool copied = store.backupTo(start);
    holder->store().rollback();
    if (!copied)
        return failed("não foi possível copiar a memória: " + store.lastError());
    if (!writeFileInPlace(sessionMarkPath(memoryPath), markText(mark), &error)) {
        unlink(start.c_str());
        return failed(error);
    }
    Result r;
    r.lines.push_back("Sessão aberta em " + mark.startedAt +
                      ": cada chamada à biblioteca é gravada até 'ecfsim record stop ARQUIVO'.");
    return r;
}

}  // namespace ecfsim
