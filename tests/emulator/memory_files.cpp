#include "memory_files.h"

#include <sqlite3.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "core/device.h"
#include "fiscport.h"

namespace emutest {

namespace fs = std::filesystem;

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

double runQueueSeconds() {
    // "time on a processor, time waiting for one, timeslices", nanoseconds.
    std::ifstream f("/proc/thread-self/schedstat");
    long long onCpu = 0, waiting = -1;
    if (!(f >> onCpu >> waiting))
        return -1;
    return static_cast<double>(waiting) / 1e9;
}

size_t pageSizeOf(const std::string& fileBytes) {
    if (fileBytes.size() < 100)
        return 0;
    size_t size =
        static_cast<unsigned char>(fileBytes[16]) << 8 | static_cast<unsigned char>(fileBytes[17]);
    return size == 1 ? 65536 : size;
}

namespace {
uint32_t bigEndian32(const std::string& bytes, size_t at) {
    uint32_t v = 0;
    for (size_t i = 0; i < 4; ++i)
        v = v << 8 | static_cast<unsigned char>(bytes[at + i]);
    return v;
}
}  // namespace

std::vector<uint32_t> walFramePages(const std::string& walBytes) {
    // A 32-byte header (page size at 8, salts at 16), then frames of a
    // 24-byte header (page number at 0, salts at 8) and one page.
    std::vector<uint32_t> pages;
    if (walBytes.size() < 32)
        return pages;
    const size_t frame = 24 + bigEndian32(walBytes, 8);
    const std::string salt = walBytes.substr(16, 8);
    for (size_t at = 32; at + frame <= walBytes.size(); at += frame) {
        if (walBytes.compare(at + 8, 8, salt) != 0)
            break;
        pages.push_back(bigEndian32(walBytes, at));
    }
    return pages;
}

bool writeFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

std::map<std::string, std::string> folderFiles(const std::string& dir) {
    std::map<std::string, std::string> files;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(dir, ec)) {
        std::string name = entry.path().filename().string();
        if (name.size() > 4 && name.compare(name.size() - 4, 4, "-shm") == 0)
            continue;
        if (entry.is_regular_file(ec))
            files[name] = readFile(entry.path().string());
    }
    return files;
}

namespace {

std::string columnText(sqlite3_stmt* st, int i) {
    switch (sqlite3_column_type(st, i)) {
        case SQLITE_INTEGER:
            return "i" + std::to_string(sqlite3_column_int64(st, i));
        case SQLITE_FLOAT:
            return "f" + std::to_string(sqlite3_column_double(st, i));
        case SQLITE_NULL:
            return "n";
        default: {
            const void* p = sqlite3_column_blob(st, i);
            int n = sqlite3_column_bytes(st, i);
            return (sqlite3_column_type(st, i) == SQLITE_TEXT ? "t" : "b") +
                   std::string(static_cast<const char*>(p ? p : ""), static_cast<size_t>(n));
        }
    }
}

// Rows of a query, columns joined by a separator no column holds unescaped.
std::vector<std::string> queryRows(sqlite3* db, const std::string& sql, bool* ok) {
    std::vector<std::string> rows;
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr) != SQLITE_OK) {
        *ok = false;
        return rows;
    }
    int rc;
    while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
        std::string row;
        for (int i = 0; i < sqlite3_column_count(st); ++i) {
            std::string c = columnText(st, i);
            row += std::to_string(c.size()) + ":" + c + "|";
        }
        rows.push_back(row);
    }
    if (rc != SQLITE_DONE)
        *ok = false;
    sqlite3_finalize(st);
    return rows;
}

// A connection that only reads, opened for writing all the same: a read-only
// connection cannot fold the write-ahead log back and leaves it behind.
sqlite3* openExisting(const std::string& path) {
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
        sqlite3_close(db);
        return nullptr;
    }
    sqlite3_busy_timeout(db, 5000);
    return db;
}

}  // namespace

std::string dumpTables(const std::string& dbPath) {
    sqlite3* db = openExisting(dbPath);
    if (!db)
        return "";
    bool ok = true;
    std::string out;
    sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
    std::vector<std::string> tables =
        queryRows(db, "SELECT name FROM sqlite_master WHERE type='table' ORDER BY name", &ok);
    for (const std::string& t : tables) {
        // The name comes back as "<len>:t<name>|".
        std::string name = t.substr(t.find(":t") + 2);
        name.pop_back();
        out += "[" + name + "]\n";
        for (const std::string& row : queryRows(db, "SELECT * FROM \"" + name + "\"", &ok))
            out += row + "\n";
    }
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close(db);
    return ok ? out : "";
}

std::vector<std::string> fiscalRecords(const std::string& dbPath) {
    std::vector<std::string> rows;
    sqlite3* db = openExisting(dbPath);
    if (!db)
        return rows;
    bool ok = true;
    rows = queryRows(db, "SELECT * FROM fiscal_memory ORDER BY z", &ok);
    sqlite3_close(db);
    return rows;
}

std::string quickCheck(const std::string& dbPath) {
    sqlite3* db = openExisting(dbPath);
    if (!db)
        return "cannot open";
    bool ok = true;
    std::vector<std::string> rows = queryRows(db, "PRAGMA quick_check", &ok);
    sqlite3_close(db);
    if (!ok)
        return sqlite3_errstr(SQLITE_CORRUPT);
    if (rows.empty())
        return "no answer";
    // "<len>:t<text>|"
    std::string first = rows.front();
    first = first.substr(first.find(":t") + 2);
    first.pop_back();
    return first;
}

std::string execSql(const std::string& dbPath, const std::string& sql) {
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(dbPath.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
        std::string e = db ? sqlite3_errmsg(db) : "cannot open";
        sqlite3_close(db);
        return e;
    }
    sqlite3_busy_timeout(db, 5000);
    char* msg = nullptr;
    std::string error;
    if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &msg) != SQLITE_OK)
        error = msg ? msg : "error";
    sqlite3_free(msg);
    sqlite3_close(db);
    return error;
}

void releaseLibrary() {
    std::string db = getenv("ECFSIM_DB") ? getenv("ECFSIM_DB") : "";
    setenv("ECFSIM_DB", "/nonexistent-folder-of-the-tests/ecfsim.db", 1);
    ecfLineFeed(1, 0);
    if (db.empty())
        unsetenv("ECFSIM_DB");
    else
        setenv("ECFSIM_DB", db.c_str(), 1);
}

std::string buildHistory(const std::string& db, int days) {
    if (ChangePort(0) != 0)
        return "ChangePort";
    for (int day = 0; day < days; ++day) {
        std::string price = std::to_string(100 + 37 * day);
        int rc = ecfImpCab(0);
        if (rc == 0)
            rc = ecfVenda_Item("789", "Produto", "1", "000", price.c_str(), day % 5);
        if (rc == 0)
            rc = ecfPagamento(0, "00", "100000", 0);
        if (rc == 0)
            rc = ecfFimTrans("OPERADOR");
        if (rc != 0)
            return "day " + std::to_string(day) + ": coupon answered " + std::to_string(rc);
        std::string error;
        auto tool = fiscemu::Device::open(db, &error);
        if (!tool || !tool->nextDay())
            return "next day: " + error;
        tool.reset();
        rc = ecfReducaoZ("OPERADOR");
        if (rc != 0)
            return "day " + std::to_string(day) + ": Z answered " + std::to_string(rc);
    }
    return "";
}

bool ChildRun::exitedWith(int code) const {
    return WIFEXITED(status) && WEXITSTATUS(status) == code;
}

std::string ChildRun::text() const {
    std::string all;
    for (const std::string& l : lines)
        all += l + "\n";
    return all;
}

ChildRun inChild(
    const std::function<int(const std::function<void(const std::string&)>& say)>& work) {
    ChildRun run;
    int fds[2];
    if (pipe(fds) != 0) {
        run.status = -1;
        return run;
    }
    pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        int out = fds[1];
        auto say = [out](const std::string& line) {
            std::string l = line + "\n";
            ssize_t n = write(out, l.data(), l.size());
            (void)n;
        };
        int code = work(say);
        _exit(code);
    }
    close(fds[1]);
    std::string all;
    char buf[4096];
    ssize_t n;
    while ((n = read(fds[0], buf, sizeof buf)) > 0)
        all.append(buf, static_cast<size_t>(n));
    close(fds[0]);
    waitpid(pid, &run.status, 0);
    std::istringstream in(all);
    std::string line;
    while (std::getline(in, line))
        run.lines.push_back(line);
    return run;
}

}  // namespace emutest
