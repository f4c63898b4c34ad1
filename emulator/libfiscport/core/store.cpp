// The store's connection: its statements, transactions and failures.
#include "core/store.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <map>
#include <thread>

#include "core/codes.h"
#include "core/store_sql.h"

namespace fiscemu {
namespace storedb {

Value columnValue(sqlite3_stmt* st, int i) {
    int type = sqlite3_column_type(st, i);
    if (type == SQLITE_INTEGER || type == SQLITE_NULL)
        return Value(int64_t{sqlite3_column_int64(st, i)});
    const void* p = sqlite3_column_blob(st, i);
    int n = sqlite3_column_bytes(st, i);
    return Value(std::string(static_cast<const char*>(p ? p : ""), static_cast<size_t>(n)));
}

int codeOf(int rc, int systemErrno) {
    switch (rc & 0xFF) {
        case SQLITE_BUSY:
        case SQLITE_LOCKED:
            return kBusy;
        case SQLITE_FULL:
            return kDiskFull;
        case SQLITE_CORRUPT:
        case SQLITE_NOTADB:
            return kDamaged;
        case SQLITE_IOERR:
            if (systemErrno == ENOSPC || systemErrno == EFBIG)
                return kDiskFull;
            return kStorage;
        default:
            return kStorage;
    }
}

namespace {
// The busy handlers' shared body. A wait starts when SQLite counts from 0
// again (at each statement, and after a wait gave up), or, with
// `restartAfterPause`, also after a pause longer than any step.
int waitFor(int limitMs, int count, bool restartAfterPause) {
    using namespace std::chrono;
    thread_local steady_clock::time_point since, last;
    auto now = steady_clock::now();
    if (count <= 0 || (restartAfterPause && now - last > milliseconds(std::max(10, limitMs / 4))))
        since = now;
    last = now;
    auto waited = now - since;
    if (waited >= milliseconds(limitMs))
        return 0;
    std::this_thread::sleep_for(waited < milliseconds(2) ? microseconds(20) : microseconds(1000));
    return 1;
}
}  // namespace

// A pause here is the machine's load (the thread was not run for a while):
// it is part of the wait, which never starts again because of it.
int waitBriefly(void* limitMs, int count) {
    return waitFor(*static_cast<const int*>(limitMs), count, false);
}

// A checkpoint's successive waits (writer lock, then readers) were seen to
// go on counting from the previous one: a pause between them starts a new
// wait. Used only by the checkpoint thread, whose waits are short.
int waitBrieflyPerLock(void* limitMs, int count) {
    return waitFor(*static_cast<const int*>(limitMs), count, true);
}

const char* setValueSql(const char* table) {
    static const std::map<std::string, std::string> kSql = [] {
        std::map<std::string, std::string> m;
        for (const char* t : {"state", "settings", "meta"})
            m[t] =
                std::string("INSERT INTO ") + t +
                "(key, value) VALUES(?, ?) ON CONFLICT(key) DO UPDATE SET value = excluded.value";
        return m;
    }();
    return kSql.at(table).c_str();
}

std::string memoryUri(const std::string& path) {
    // "file://" takes an absolute path after an empty authority, so a path
    // that begins with "//" stays one; a relative path follows "file:".
    std::string uri = !path.empty() && path[0] == '/' ? "file://" : "file:";
    for (char c : path) {
        if (c == '%' || c == '?' || c == '#') {
            static const char kHex[] = "0123456789ABCDEF";
            uri += '%';
            uri += kHex[static_cast<unsigned char>(c) >> 4];
            uri += kHex[static_cast<unsigned char>(c) & 15];
        } else {
            uri += c;
        }
    }
    return uri + "?psow=0";
}

sqlite3* openConnection(const std::string& path, int flags, std::string* error, int* code) {
    sqlite3* db = nullptr;
    int rc = sqlite3_open_v2(memoryUri(path).c_str(), &db,
                             flags | SQLITE_OPEN_URI | SQLITE_OPEN_NOMUTEX, nullptr);
    if (rc != SQLITE_OK) {
        *error = "cannot open " + path + ": " + (db ? sqlite3_errmsg(db) : "?");
        *code = codeOf(rc, db ? sqlite3_system_errno(db) : 0);
        sqlite3_close(db);
        return nullptr;
    }
    sqlite3_extended_result_codes(db, 1);
    // Every page read is checked cell by cell, not only its header: parts of
    // the roll are read without the quick check at open having read them.
    sqlite3_exec(db, "PRAGMA cell_size_check=ON", nullptr, nullptr, nullptr);
    sqlite3_busy_handler(db, waitBriefly, const_cast<int*>(&Store::kBusyMs));
    return db;
}

void syncDirectoryOf(const std::string& path) {
    size_t slash = path.rfind('/');
    std::string dir = slash == std::string::npos ? "." : path.substr(0, slash + 1);
    int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        fsync(fd);
        close(fd);
    }
}

}  // namespace storedb

using namespace storedb;

Store::Store(sqlite3* db, std::string path)
    : db_(db), path_(std::move(path)), trace_(std::make_unique<TraceLog>(path_)) {
    sqlite3_busy_handler(db_, waitBriefly, &busyMs_);
    struct stat st {};
    if (stat(path_.c_str(), &st) == 0) {
        dev_ = st.st_dev;
        ino_ = st.st_ino;
    }
}

std::vector<std::string> Store::companionPaths() const {
    return {path_,          path_ + "-wal",   path_ + "-shm", path_ + "-journal",
            trace_->path(), trace_->oldPath()};
}

Store::~Store() {
    disconnect();
}

void Store::disconnect() {
    stopCheckpointer();
    for (auto& [sql, st] : statements_)
        sqlite3_finalize(st);
    statements_.clear();
    byAddress_.clear();
    sqlite3_close(db_);
    db_ = nullptr;
    verifiedPaper_ = -1;
}

// The connection as Store::open leaves it, without the checks at open: the
// file is the one checked then (same device and inode), and everything is
// read again at the next call (its data_version is new to this store).
bool Store::reconnect() {
    if (db_)
        return true;
    struct stat st {};
    if (stat(path_.c_str(), &st) != 0 || st.st_dev != dev_ || st.st_ino != ino_) {
        error_ = path_ + " is no longer the memory that was opened";
        code_ = kStorage;
        return false;
    }
    std::string err;
    int code = kStorage;
    db_ = openConnection(path_, SQLITE_OPEN_READWRITE, &err, &code);
    if (!db_) {
        error_ = err;
        code_ = code;
        return false;
    }
    sqlite3_busy_handler(db_, waitBriefly, &busyMs_);
    if (!exec("PRAGMA synchronous=FULL")) {
        disconnect();
        return false;
    }
    dataVersion_ = -1;
    framesAtWake_ = 0;
    if (checkpointing_)
        startCheckpointer();
    return true;
}

// SQLite reports a write refused for lack of room (ENOSPC, EFBIG) as a plain
// write error and its errno does not survive the rollback that follows: a
// write error while the folder has under 1 MiB free, or while a file-size
// limit is within 1 MiB of one of the memory's files, is the disk being full.
bool Store::nearSpaceLimits() const {
    const int64_t margin = 1024 * 1024;
    size_t slash = path_.rfind('/');
    std::string dir = slash == std::string::npos ? "." : path_.substr(0, slash + 1);
    struct statvfs fs {};
    if (statvfs(dir.c_str(), &fs) == 0 &&
        static_cast<int64_t>(fs.f_bavail) * static_cast<int64_t>(fs.f_frsize) < margin)
        return true;
    struct rlimit lim {};
    if (getrlimit(RLIMIT_FSIZE, &lim) != 0 || lim.rlim_cur == RLIM_INFINITY)
        return false;
    for (const std::string& f : {path_, path_ + "-wal", path_ + "-journal"}) {
        struct stat st {};
        if (stat(f.c_str(), &st) == 0 &&
            static_cast<int64_t>(st.st_size) + margin >= static_cast<int64_t>(lim.rlim_cur))
            return true;
    }
    return false;
}

bool Store::setCode(int rc) {
    code_ = codeOf(rc, sqlite3_system_errno(db_));
    if (code_ == kStorage && (rc & 0xFF) == SQLITE_IOERR && nearSpaceLimits())
        code_ = kDiskFull;
    return false;
}

bool Store::fail(const std::string& what) {
    setCode(sqlite3_extended_errcode(db_));
    error_ = what + ": " + sqlite3_errmsg(db_);
    return false;
}

bool Store::exec(const char* sql) {
    char* msg = nullptr;
    int rc = sqlite3_exec(db_, sql, nullptr, nullptr, &msg);
    if (rc != SQLITE_OK) {
        setCode(rc);
        error_ = msg ? msg : "sqlite error";
        sqlite3_free(msg);
        return false;
    }
    return true;
}

sqlite3_stmt* Store::prepare(const std::string& sql) {
    auto it = statements_.find(sql);
    if (it != statements_.end()) {
        sqlite3_reset(it->second);
        sqlite3_clear_bindings(it->second);
        return it->second;
    }
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &st, nullptr) != SQLITE_OK) {
        fail("prepare " + sql);
        return nullptr;
    }
    statements_[sql] = st;
    return st;
}

sqlite3_stmt* Store::prepare(const char* sql) {
    auto it = byAddress_.find(sql);
    if (it != byAddress_.end()) {
        sqlite3_reset(it->second);
        sqlite3_clear_bindings(it->second);
        return it->second;
    }
    sqlite3_stmt* st = prepare(std::string(sql));
    if (st)
        byAddress_[sql] = st;
    return st;
}

// A statement without rows (a transaction's start or end), kept prepared:
// not compiled again at every call as sqlite3_exec would.
bool Store::run(const char* sql) {
    sqlite3_stmt* st = prepare(sql);
    if (!st)
        return false;
    int rc = sqlite3_step(st);
    if (rc != SQLITE_DONE) {
        setCode(rc);
        error_ = sqlite3_errmsg(db_);
    }
    sqlite3_reset(st);
    return rc == SQLITE_DONE;
}

// Closed only while the checkpoint thread makes the WAL start over: a writer
// waits here for the moment that takes, and is woken when it ends, not at
// SQLite's next poll.
bool Store::passRestartGate() {
    std::unique_lock<std::timed_mutex> gate(restartGate_, std::defer_lock);
    if (gate.try_lock_for(std::chrono::milliseconds(busyMs_)))
        return true;
    code_ = kBusy;
    error_ = "the memory's checkpoint held it too long";
    return false;
}

bool Store::begin() {
    return passRestartGate() && run("BEGIN IMMEDIATE");
}

std::unique_lock<std::timed_mutex> Store::holdWritersBack() {
    return std::unique_lock<std::timed_mutex>(restartGate_);
}

bool Store::writersHeldBack() {
    if (!restartGate_.try_lock())
        return true;
    restartGate_.unlock();
    return false;
}

void Store::setBusyTimeout(int ms) {
    busyMs_ = ms;
}

bool Store::beginRead() {
    if (!run("BEGIN"))
        return false;
    // The snapshot starts with the first read.
    sqlite3_stmt* st = prepare("SELECT value FROM meta WHERE key='schema'");
    if (!st)
        return rollback(), false;
    int rc = sqlite3_step(st);
    sqlite3_reset(st);
    if (rc != SQLITE_ROW && rc != SQLITE_DONE) {
        setCode(rc);
        error_ = std::string("read: ") + sqlite3_errmsg(db_);
        rollback();
        return false;
    }
    return true;
}
bool Store::commit() {
    // The mark of what the open checked goes with the first change made
    // after it, costing no commit of its own.
    const bool marking = verifiedPaper_ >= 0 && sqlite3_txn_state(db_, "main") == SQLITE_TXN_WRITE;
    if (marking && !writeVerifiedMark(verifiedPaper_)) {
        rollback();
        return false;
    }
    if (run("COMMIT")) {
        paperMarkUncommitted_ = false;
        formatBeforeCommit_ = 0;
        if (marking)
            verifiedPaper_ = -1;
        return true;
    }
    rollback();
    return false;
}

// Keeps the failure that led here: a rollback of a transaction SQLite already
// ended must not turn a disk-full or busy answer into another one.
void Store::rollback() {
    // A statement left mid-way (a failed step) would keep the snapshot alive.
    for (auto& [sql, st] : statements_)
        sqlite3_reset(st);
    if (paperMarkUncommitted_)
        paperMarked_ = paperMarkUncommitted_ = false;
    if (formatBeforeCommit_) {
        format_ = formatBeforeCommit_;
        formatBeforeCommit_ = 0;
    }
    std::string e = error_;
    int c = code_;
    if (sqlite3_get_autocommit(db_) == 0)
        run("ROLLBACK");
    error_ = e;
    code_ = c;
}

bool Store::changedElsewhere() {
    sqlite3_stmt* st = prepare("PRAGMA data_version");
    if (!st || sqlite3_step(st) != SQLITE_ROW)
        return true;
    int64_t v = sqlite3_column_int64(st, 0);
    sqlite3_reset(st);
    bool changed = v != dataVersion_;
    // What the open checked may no longer be what the roll holds.
    if (changed && dataVersion_ != -1)
        verifiedPaper_ = -1;
    dataVersion_ = v;
    if (changed)
        paperMarked_ = false;  // another process may have reset the memory
    return changed;
}

}  // namespace fiscemu
