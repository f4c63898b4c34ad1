// Opening a memory: creating it whole, the checks at open, the one-time
// upgrade of an older format, copies and the factory reset.
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "core/chain.h"
#include "core/clock.h"
#include "core/codes.h"
#include "core/pathcheck.h"
#include "core/store.h"
#include "core/store_sql.h"

namespace fiscemu {

namespace {

using namespace storedb;

// 1: no hash chain (upgraded once at open); later ones in store_sql.h.
const int kSchemaVersion = kFormatOpenSalesApart;

const char* const kSchema = R"sql(
CREATE TABLE IF NOT EXISTS meta(key TEXT PRIMARY KEY, value TEXT);
CREATE TABLE IF NOT EXISTS settings(key TEXT PRIMARY KEY, value INTEGER);
CREATE TABLE IF NOT EXISTS faults(function TEXT PRIMARY KEY, code INTEGER NOT NULL);
CREATE TABLE IF NOT EXISTS state(key TEXT PRIMARY KEY, value);
CREATE TABLE IF NOT EXISTS tax_rates(pos INTEGER PRIMARY KEY, programmed INTEGER, type TEXT,
  rate INTEGER, total INTEGER);
CREATE TABLE IF NOT EXISTS pay_types(pos INTEGER PRIMARY KEY, name TEXT, total INTEGER,
  managerial INTEGER);
CREATE TABLE IF NOT EXISTS vouchers(pos INTEGER PRIMARY KEY, name TEXT, discount INTEGER,
  surcharge INTEGER, cancel INTEGER, payment INTEGER, linked INTEGER, related INTEGER,
  count INTEGER, cancel_count INTEGER, sales INTEGER, surcharges INTEGER, discounts INTEGER,
  cancellations INTEGER);
CREATE TABLE IF NOT EXISTS users(n INTEGER PRIMARY KEY, line1 BLOB, line2 BLOB, line3 BLOB,
  store INTEGER, equipment INTEGER, cgc BLOB, im BLOB, ie BLOB, first_time INTEGER,
  last_time INTEGER, cro INTEGER, gt INTEGER);
CREATE TABLE IF NOT EXISTS totals(totaliser INTEGER PRIMARY KEY, amount INTEGER);
CREATE TABLE IF NOT EXISTS pending_links(seq INTEGER PRIMARY KEY, coo INTEGER, pay_type INTEGER,
  amount INTEGER, used INTEGER, issued INTEGER, last_coo INTEGER);
CREATE TABLE IF NOT EXISTS doc_items(seq INTEGER PRIMARY KEY, code BLOB, description BLOB,
  quantity INTEGER, price INTEGER, total INTEGER, discount INTEGER, totaliser INTEGER,
  cancelled INTEGER);
CREATE TABLE IF NOT EXISTS doc_payments(seq INTEGER PRIMARY KEY, position INTEGER, name BLOB,
  amount INTEGER, condition INTEGER, omit INTEGER, cancelled INTEGER);
CREATE TABLE IF NOT EXISTS fiscal_memory(z INTEGER PRIMARY KEY, ymd INTEGER, time INTEGER,
  coo INTEGER, cro INTEGER, gt INTEGER, gross INTEGER, cancellations INTEGER,
  discounts INTEGER, surcharges INTEGER, net INTEGER, details TEXT, hash BLOB);
CREATE TRIGGER IF NOT EXISTS fiscal_memory_no_update BEFORE UPDATE ON fiscal_memory
  BEGIN SELECT RAISE(ABORT, 'fiscal memory is append-only'); END;
CREATE TRIGGER IF NOT EXISTS fiscal_memory_no_delete BEFORE DELETE ON fiscal_memory
  BEGIN SELECT RAISE(ABORT, 'fiscal memory is append-only'); END;
CREATE TABLE IF NOT EXISTS paper(id INTEGER PRIMARY KEY, time TEXT, station TEXT, coo INTEGER,
  line BLOB);
)sql";

const char* const kNoUpdateTrigger = R"sql(
CREATE TRIGGER IF NOT EXISTS fiscal_memory_no_update BEFORE UPDATE ON fiscal_memory
  BEGIN SELECT RAISE(ABORT, 'fiscal memory is append-only'); END;
)sql";

// A file-size limit (ulimit -f) must give the disk-full answer, not kill the
// program: SIGXFSZ is ignored unless the program chose a handler of its own.
void ignoreFileSizeSignal() {
    static std::once_flag once;
    std::call_once(once, [] {
        struct sigaction old {};
        if (sigaction(SIGXFSZ, nullptr, &old) == 0 && old.sa_handler == SIG_DFL)
            signal(SIGXFSZ, SIG_IGN);
    });
}

}  // namespace

using namespace storedb;

// A new memory is built whole under a private name and then linked in place,
// which fails when a file appeared meanwhile: no process ever sees a
// half-made memory, and an existing file is never overwritten.
bool Store::createMemory(const std::string& path, std::string* error, int* code) {
    std::string tmp = path + ".new.XXXXXX";
    int fd = mkostemp(tmp.data(), O_CLOEXEC);
    if (fd < 0) {
        *error = "cannot create " + path + ": " + std::strerror(errno);
        *code = (errno == ENOSPC || errno == EFBIG) ? kDiskFull : kStorage;
        return false;
    }
    fchmod(fd, 0644);
    close(fd);
    auto cleanup = [&] {
        for (const char* suffix : {"", "-wal", "-shm", "-journal"})
            unlink((tmp + suffix).c_str());
    };
    {
        std::unique_ptr<Store> fresh;
        sqlite3* db = openConnection(tmp, SQLITE_OPEN_READWRITE, error, code);
        if (!db)
            return cleanup(), false;
        fresh.reset(new Store(db, tmp));
        // Pages the size of the sector SQLite assumes (4 KiB): with
        // powersafe overwrite off, a commit rewrites every page sharing a
        // sector with a changed one, so smaller pages only add unchanged
        // frames (an item sale wrote 15 frames of 1 KiB, now 4 of 4 KiB).
        // Memories made before keep their 1 KiB pages.
        // Nobody sees the file under its private name, so it is written
        // without a journal or a sync, and synced once, by the write that
        // turns on the WAL, before it is linked into place.
        if (!fresh->exec("PRAGMA page_size=4096") || !fresh->exec("PRAGMA journal_mode=OFF") ||
            !fresh->exec("PRAGMA synchronous=OFF") || !fresh->begin() || !fresh->createSchema() ||
            !fresh->commit() || !fresh->exec("PRAGMA synchronous=FULL") ||
            !fresh->exec("PRAGMA journal_mode=WAL")) {
            *error = "cannot create " + path + ": " + fresh->lastError();
            *code = fresh->lastCode();
            fresh.reset();
            return cleanup(), false;
        }
    }  // closing the last connection moves everything into the file and syncs it
    int rc = link(tmp.c_str(), path.c_str());
    int linkErrno = errno;
    cleanup();
    if (rc != 0 && linkErrno != EEXIST) {
        *error = "cannot create " + path + ": " + std::strerror(linkErrno);
        *code = (linkErrno == ENOSPC || linkErrno == EFBIG) ? kDiskFull : kStorage;
        return false;
    }
    syncDirectoryOf(path);
    return true;
}

std::unique_ptr<Store> Store::open(const std::string& path, std::string* error, int* code,
                                   bool whole) {
    ignoreFileSizeSignal();
    std::string err;
    int c = kStorage;
    auto failed = [&]() -> std::unique_ptr<Store> {
        if (error)
            *error = err;
        if (code)
            *code = c;
        return nullptr;
    };
    // Looked at before anything opens it: a directory, a FIFO, a device
    // node or a link to one is never opened (opening a FIFO can wait for
    // ever, a device node can act), a link loop or a link to nothing is
    // never created through.
    PathInfo info = inspectPath(path);
    if (info.kind == PathKind::Missing) {
        // A WAL without its memory is a memory whose file was lost: a new file
        // beside it would take in the old WAL's pages.
        struct stat wal {};
        if (lstat((path + "-wal").c_str(), &wal) == 0)
            return c = kDamaged,
                   err = path + " is missing but its " + path +
                         "-wal remains: the memory's file was lost or moved",
                   failed();
        if (!createMemory(path, &err, &c))
            return failed();
        info = inspectPath(path);
    }
    switch (info.kind) {
        case PathKind::Regular:
        case PathKind::LinkToRegular:
            break;
        case PathKind::Directory:
        case PathKind::Fifo:
        case PathKind::Device:
        case PathKind::Socket:
        case PathKind::LinkToOther:
            return c = kDamaged,
                   err = path +
                         " is not a printer memory (not a regular file: " + describePath(info) +
                         ")",
                   failed();
        default:
            return err = "cannot read " + path + ": it is " + describePath(info), failed();
    }
    // SQLite's companions too: a FIFO in place of the WAL would hold its
    // first read for ever. They sit beside the file a link leads to.
    std::string real = path;
    if (info.kind == PathKind::LinkToRegular) {
        char* resolved = realpath(path.c_str(), nullptr);
        if (resolved)
            real = resolved;
        std::free(resolved);
    }
    for (const char* suffix : {"-wal", "-shm", "-journal"}) {
        PathInfo companion = inspectPath(real + suffix);
        if (companion.kind != PathKind::Missing && companion.kind != PathKind::Regular)
            return c = kDamaged,
                   err = real + suffix + " is " + describePath(companion) +
                         ", not a regular file: the memory beside it is not used",
                   failed();
    }
    struct stat st {};
    if (stat(path.c_str(), &st) != 0)
        return err = "cannot read " + path + ": " + std::strerror(errno), failed();
    if (!S_ISREG(st.st_mode))
        return c = kDamaged, err = path + " is not a printer memory (not a regular file)", failed();
    if (st.st_size == 0)
        return c = kDamaged, err = path + " is empty: it is not a printer memory", failed();
    sqlite3* db = openConnection(path, SQLITE_OPEN_READWRITE, &err, &c);
    if (!db)
        return failed();
    std::unique_ptr<Store> store(new Store(db, path));
    if (!store->checkMemory(&err, &c, whole))
        return failed();
    store->changedElsewhere();
    return store;
}

// Everything is checked before anything is written: a file that is not a
// printer memory is left exactly as it was found.
bool Store::checkMemory(std::string* error, int* code, bool whole) {
    auto failWith = [&](int c, const std::string& what) {
        *code = c;
        *error = path_ + ": " + what;
        return false;
    };
    std::vector<std::string> problems = openProblems(whole);
    if (!problems.empty()) {
        if (code_ != kDamaged)
            return failWith(code_, error_);
        std::string all;
        for (const std::string& p : problems)
            all += (all.empty() ? "" : "; ") + p;
        return failWith(kDamaged, "damaged (SQLite quick check): " + all);
    }
    int version = 0;
    {
        sqlite3_stmt* st = nullptr;
        int rc =
            sqlite3_prepare_v2(db_, "SELECT value FROM meta WHERE key='schema'", -1, &st, nullptr);
        if (rc == SQLITE_OK && sqlite3_step(st) == SQLITE_ROW)
            version = sqlite3_column_int(st, 0);
        else if (rc == SQLITE_OK)
            rc = sqlite3_errcode(db_);
        sqlite3_finalize(st);
        int c = codeOf(rc, sqlite3_system_errno(db_));
        if (rc != SQLITE_OK && rc != SQLITE_ROW && rc != SQLITE_DONE && c != kStorage)
            return failWith(c, sqlite3_errmsg(db_));
    }
    if (version < 1 || version > kSchemaVersion)
        return failWith(kDamaged,
                        version > kSchemaVersion
                            ? "written by a newer library (format " + std::to_string(version) + ")"
                            : "not a printer memory (no format record)");
    if (!exec("PRAGMA journal_mode=WAL") || !exec("PRAGMA synchronous=FULL"))
        return failWith(code_, error_);
    if (version < kFormatChained && !upgradeChain())
        return failWith(code_, "cannot add the hash chain: " + error_);
    problems = chainProblems();
    if (!problems.empty()) {
        std::string all;
        for (const std::string& p : problems)
            all += (all.empty() ? "" : "; ") + p;
        return failWith(kDamaged, all);
    }
    return true;
}

// What a call can reach is checked whole at every open: every table but the
// paper roll, and the roll's lines printed since the last complete check
// (the newest among them are the pages the next line is added to). The
// roll's older lines were checked once; calls never read them again, and a
// reader that does meets SQLite's checks of every page it reads. Without a
// mark, or with one the roll no longer reaches (a reset elsewhere), the
// whole file is checked as `verify` checks it, and so it is when the file's
// length is not what its header says (a file cut short loses old pages the
// partial check would not read).
std::vector<std::string> Store::openProblems(bool whole) {
    verifiedPaper_ = -1;
    const int64_t mark = verifiedPaperMark();
    const int64_t newest = newestPaperId();
    if (whole || mark < 0 || newest < 0 || mark > newest || !fileHoldsItsPages()) {
        std::vector<std::string> problems = integrityProblems();
        if (problems.empty())
            verifiedPaper_ = newest < 0 ? -1 : newest;
        return problems;
    }
    std::vector<std::string> problems = tableProblems();
    // The newest lines are read even when the mark covers them: the next
    // line goes into their pages. More than any page of the roll holds.
    const int64_t kNewestLines = 1024;
    if (problems.empty())
        problems = paperProblemsAfter(std::min(mark, std::max<int64_t>(newest - kNewestLines, 0)));
    if (problems.empty() && newest > mark)
        verifiedPaper_ = newest;
    return problems;
}

// The mark of the last complete check, -1 when there is none or it cannot
// be read (the complete check then says why).
int64_t Store::verifiedPaperMark() {
    sqlite3_stmt* st = nullptr;
    int64_t mark = -1;
    if (sqlite3_prepare_v2(db_, "SELECT value FROM meta WHERE key='verified_paper'", -1, &st,
                           nullptr) == SQLITE_OK &&
        sqlite3_step(st) == SQLITE_ROW) {
        // `meta` keeps its values as text: only a whole decimal number counts.
        const char* text = reinterpret_cast<const char*>(sqlite3_column_text(st, 0));
        const size_t size = text ? std::strlen(text) : 0;
        int64_t value = -1;
        auto [end, ec] = std::from_chars(text, text + size, value);
        if (size > 0 && ec == std::errc() && end == text + size && value >= 0)
            mark = value;
    }
    sqlite3_finalize(st);
    return mark;
}

// SQLite writes the file in whole pages and, where the header's page count
// is valid (its change counter matches the count's), never holds fewer
// pages than that count. A file that breaks either was cut or grown by
// something else; one that WAL frames complete after a power cut in a
// checkpoint also fails, and the whole check then finds it sound.
bool Store::fileHoldsItsPages() {
    // Read through SQLite's own handle: opening and closing the file beside
    // it would drop the locks every connection of this process holds on it.
    sqlite3_file* file = nullptr;
    unsigned char header[100];
    sqlite3_int64 size = 0;
    if (sqlite3_file_control(db_, "main", SQLITE_FCNTL_FILE_POINTER, &file) != SQLITE_OK || !file ||
        !file->pMethods || file->pMethods->xFileSize(file, &size) != SQLITE_OK ||
        file->pMethods->xRead(file, header, sizeof header, 0) != SQLITE_OK)
        return false;
    auto be32 = [&](int at) {
        return uint32_t{header[at]} << 24 | uint32_t{header[at + 1]} << 16 |
               uint32_t{header[at + 2]} << 8 | uint32_t{header[at + 3]};
    };
    const uint32_t pageSize = header[16] << 8 | header[17];
    const sqlite3_int64 page = pageSize == 1 ? 65536 : pageSize;
    if (page < 512 || size % page != 0)
        return false;
    const bool countValid = be32(24) == be32(92) && be32(28) != 0;
    return !countValid || size >= static_cast<sqlite3_int64>(be32(28)) * page;
}

int64_t Store::newestPaperId() {
    sqlite3_stmt* st = nullptr;
    int64_t newest = -1;
    if (sqlite3_prepare_v2(db_, "SELECT coalesce(max(id), 0) FROM paper", -1, &st, nullptr) ==
            SQLITE_OK &&
        sqlite3_step(st) == SQLITE_ROW)
        newest = sqlite3_column_int64(st, 0);
    sqlite3_finalize(st);
    return newest;
}

// SQLite's quick check of the schema and of every table but the paper roll.
std::vector<std::string> Store::tableProblems() {
    std::vector<std::string> tables = {"sqlite_schema"};
    sqlite3_stmt* st = nullptr;
    int rc = sqlite3_prepare_v2(
        db_, "SELECT name FROM sqlite_schema WHERE type='table' AND name<>'paper'", -1, &st,
        nullptr);
    while (rc == SQLITE_OK && sqlite3_step(st) == SQLITE_ROW)
        tables.push_back(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)));
    sqlite3_finalize(st);
    std::vector<std::string> out;
    for (const std::string& table : tables) {
        std::string quoted;
        for (char c : table)
            quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
        out = quickCheck("PRAGMA quick_check(\"" + quoted + "\")");
        if (!out.empty())
            break;
    }
    return out;
}

// Reads every line printed after `mark`, each column of each row, so that
// each page holding them passes SQLite's page and cell checks; the lines'
// numbers must rise (a page whose cells were wiped holds lines numbered 0).
std::vector<std::string> Store::paperProblemsAfter(int64_t mark) {
    sqlite3_stmt* st = nullptr;
    int rc = sqlite3_prepare_v2(
        db_, "SELECT id, time, station, coo, line FROM paper WHERE id > ? ORDER BY id", -1, &st,
        nullptr);
    int64_t previous = mark;
    bool inOrder = true;
    if (rc == SQLITE_OK) {
        sqlite3_bind_int64(st, 1, mark);
        while (inOrder && (rc = sqlite3_step(st)) == SQLITE_ROW) {
            const int64_t id = sqlite3_column_int64(st, 0);
            inOrder = id > previous;
            previous = id;
            for (int column = 1; column < 5; ++column)
                sqlite3_column_blob(st, column);
        }
    }
    sqlite3_finalize(st);
    if (!inOrder) {
        code_ = kDamaged;
        return {"paper roll: line " + std::to_string(previous) + " out of order after line " +
                std::to_string(mark)};
    }
    if (rc == SQLITE_DONE || rc == SQLITE_OK) {
        code_ = kStorage;
        return {};
    }
    setCode(rc);
    error_ = sqlite3_errmsg(db_);
    if (code_ == kDamaged)
        return {"paper roll after line " + std::to_string(mark) + ": " + error_};
    return {error_};
}

std::vector<std::string> Store::integrityProblems() {
    return quickCheck("PRAGMA quick_check(20)");
}

std::vector<std::string> Store::quickCheck(const std::string& pragma) {
    std::vector<std::string> out;
    sqlite3_stmt* st = nullptr;
    int rc = sqlite3_prepare_v2(db_, pragma.c_str(), -1, &st, nullptr);
    if (rc == SQLITE_OK) {
        while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
            const unsigned char* t = sqlite3_column_text(st, 0);
            std::string line = t ? reinterpret_cast<const char*>(t) : "";
            if (line != "ok")
                out.push_back(line);
        }
    }
    // The check found damage (41), or could not run (busy, I/O: its own code).
    code_ = out.empty() ? kStorage : kDamaged;
    if (rc != SQLITE_DONE) {
        setCode(rc);
        error_ = sqlite3_errmsg(db_);
        out.push_back(error_);
    }
    sqlite3_finalize(st);
    return out;
}

std::vector<std::string> Store::chainProblems() {
    // The records and the chain's head are read in one snapshot: read one
    // after the other while another process closes a day, a sound memory
    // would look as if its newest record had been deleted.
    const bool ownSnapshot = sqlite3_get_autocommit(db_) != 0;
    if (ownSnapshot && !beginRead())
        return {"memory cannot be read: " + error_};
    std::vector<FiscalRecord> records = fiscalMemory();
    std::string head = chainHead();
    if (ownSnapshot)
        rollback();
    return fiscemu::chainProblems(records, head);
}

// A memory written before the chain existed receives it once, in one
// transaction, over its records as they are; the act is recorded in `meta`.
bool Store::upgradeChain() {
    if (!begin())
        return false;
    bool ok = true;
    sqlite3_stmt* cols = prepare(
        "SELECT COUNT(*) FROM pragma_table_info('fiscal_memory') "
        "WHERE name='hash'");
    bool hasColumn = cols && sqlite3_step(cols) == SQLITE_ROW && sqlite3_column_int(cols, 0) > 0;
    if (cols)
        sqlite3_reset(cols);
    ok = cols != nullptr;
    if (ok && !hasColumn)
        ok = exec("ALTER TABLE fiscal_memory ADD COLUMN hash BLOB");
    ok = ok && exec("DROP TRIGGER IF EXISTS fiscal_memory_no_update");
    std::vector<FiscalRecord> records = ok ? fiscalMemory() : std::vector<FiscalRecord>{};
    std::string previous = chainStart();
    for (size_t i = 0; ok && i < records.size(); ++i) {
        if (records[i].z != static_cast<int64_t>(i + 1)) {
            error_ = "fiscal memory numbering has a gap at Z " + std::to_string(records[i].z);
            code_ = kDamaged;
            ok = false;
            break;
        }
        std::string hash = chainHash(records[i], previous);
        sqlite3_stmt* up = prepare("UPDATE fiscal_memory SET hash=? WHERE z=?");
        ok = up != nullptr;
        if (ok) {
            sqlite3_bind_blob(up, 1, hash.data(), static_cast<int>(hash.size()), SQLITE_TRANSIENT);
            sqlite3_bind_int64(up, 2, records[i].z);
            ok = sqlite3_step(up) == SQLITE_DONE || fail("fiscal memory hash");
        }
        previous = hash;
    }
    ok = ok && exec(kNoUpdateTrigger);
    if (ok) {
        sqlite3_stmt* m = prepare(setValueSql("meta"));
        auto put = [&](const char* key, const std::string& value, bool blob) {
            if (!m)
                return false;
            sqlite3_reset(m);
            sqlite3_clear_bindings(m);
            sqlite3_bind_text(m, 1, key, -1, SQLITE_TRANSIENT);
            if (blob)
                sqlite3_bind_blob(m, 2, value.data(), static_cast<int>(value.size()),
                                  SQLITE_TRANSIENT);
            else
                sqlite3_bind_text(m, 2, value.c_str(), -1, SQLITE_TRANSIENT);
            return sqlite3_step(m) == SQLITE_DONE || fail("meta");
        };
        ok = put("fm_head", previous, true) &&
             put("chain_upgrade",
                 isoTime(wallNow()) + ": hash chain computed over " +
                     std::to_string(records.size()) + " existing records",
                 false) &&
             put("schema", std::to_string(kFormatChained), false);
    }
    if (!ok) {
        std::string e = error_;
        int c = code_;
        rollback();
        error_ = e;
        code_ = c;
        return false;
    }
    return commit();
}

bool Store::backupTo(const std::string& dest) {
    // The copy is a new regular file made here (never an existing name, nor
    // one a link leads through), and SQLite finds no companion of its own
    // name that it would open.
    for (const char* suffix : {"-journal", "-wal"}) {
        struct stat st {};
        if (lstat((dest + suffix).c_str(), &st) == 0 || errno != ENOENT) {
            error_ = dest + suffix + " already exists";
            code_ = kStorage;
            return false;
        }
    }
    int fd = ::open(dest.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd < 0) {
        error_ = "copy to " + dest + ": " + std::strerror(errno);
        code_ = errno == ENOSPC || errno == EFBIG ? kDiskFull : kStorage;
        return false;
    }
    close(fd);
    sqlite3* out = nullptr;
    int rc = sqlite3_open_v2(dest.c_str(), &out, SQLITE_OPEN_READWRITE, nullptr);
    if (rc == SQLITE_OK) {
        sqlite3_backup* b = sqlite3_backup_init(out, "main", db_, "main");
        if (!b) {
            rc = sqlite3_errcode(out);
        } else {
            rc = sqlite3_backup_step(b, -1);
            int end = sqlite3_backup_finish(b);
            rc = rc == SQLITE_DONE ? end : rc;
        }
    }
    if (rc != SQLITE_OK) {
        error_ = "copy to " + dest + ": " + (out ? sqlite3_errmsg(out) : "?");
        code_ = codeOf(rc, out ? sqlite3_system_errno(out) : 0);
    }
    sqlite3_close(out);
    if (rc != SQLITE_OK) {
        unlink(dest.c_str());
        return false;
    }
    syncDirectoryOf(dest);
    return true;
}

bool Store::copyDamaged(const std::string& path, const std::string& dest, std::string* error) {
    auto copy = [&](const std::string& from, const std::string& to) {
        // Only a regular file is read: a FIFO would hold the copy for ever.
        int in = openRegular(from, O_RDONLY);
        if (in < 0) {
            if (errno == ENOENT)
                return true;  // nothing of that name to keep
            *error = from + " is " + describePath(inspectPath(from)) + ", not a regular file";
            return false;
        }
        int outFd = ::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        bool ok = outFd >= 0;
        char buf[65536];
        ssize_t n = 0;
        while (ok && (n = read(in, buf, sizeof buf)) > 0)
            ok = write(outFd, buf, static_cast<size_t>(n)) == n;
        ok = ok && n == 0 && fsync(outFd) == 0;
        close(in);
        if (outFd >= 0)
            close(outFd);
        if (!ok)
            *error = "copy of " + from + " to " + to + ": " + std::strerror(errno);
        return ok;
    };
    struct stat st {};
    if (lstat(path.c_str(), &st) != 0 && lstat((path + "-wal").c_str(), &st) != 0) {
        *error = path + ": nothing to copy";
        return false;
    }
    if (!copy(path, dest) || !copy(path + "-wal", dest + "-wal"))
        return false;
    syncDirectoryOf(dest);
    return true;
}

bool Store::discardFiles(const std::string& path, std::string* error) {
    // Only regular files are removed: a node or a link of that name is the
    // user's, not the memory's.
    for (const char* suffix : {"-wal", "-shm", "-journal", ""}) {
        std::string f = path + suffix;
        if (!regularOrMissing(f)) {
            *error = "cannot remove " + f + ": it is " + describePath(inspectPath(f)) +
                     ", not a regular file";
            return false;
        }
    }
    for (const char* suffix : {"-wal", "-shm", "-journal", ""}) {
        std::string f = path + suffix;
        if (unlink(f.c_str()) != 0 && errno != ENOENT) {
            *error = "cannot remove " + f + ": " + std::strerror(errno);
            return false;
        }
    }
    syncDirectoryOf(path);
    return true;
}

bool Store::createSchema() {
    if (!exec(kSchema))
        return false;
    sqlite3_stmt* st = prepare("SELECT value FROM meta WHERE key='schema'");
    if (!st)
        return false;
    bool fresh = sqlite3_step(st) != SQLITE_ROW;
    sqlite3_reset(st);
    if (!fresh)
        return true;
    return writeFactory(systemNow());
}

bool Store::writeFactory(int64_t now) {
    PrinterState st = factoryState(now);
    Settings set;
    forceSettings_ = true;
    bool ok = saveStateImpl(PrinterState{}, st, true, false) && saveSettings(set, set);
    forceSettings_ = false;
    if (!ok)
        return false;
    if (!writeMetaNumber("schema", kSchemaVersion))
        return false;
    // A new roll has nothing unchecked.
    verifiedPaper_ = -1;
    return writeVerifiedMark(0);
}

bool Store::writeVerifiedMark(int64_t paperId) {
    return writeMetaNumber("verified_paper", paperId);
}

bool Store::writeMetaNumber(const char* key, int64_t value) {
    sqlite3_stmt* s = prepare(setValueSql("meta"));
    if (!s)
        return false;
    sqlite3_bind_text(s, 1, key, -1, SQLITE_STATIC);
    sqlite3_bind_int64(s, 2, value);
    return sqlite3_step(s) == SQLITE_DONE || fail("meta");
}

bool Store::resetToFactory(int64_t now) {
    paperMarked_ = false;
    for (auto& [sql, st] : statements_)
        sqlite3_finalize(st);
    statements_.clear();
    byAddress_.clear();
    static const char* const kTables[] = {
        "meta",      "settings",     "faults",        "state",  "tax_rates",
        "pay_types", "vouchers",     "users",         "totals", "pending_links",
        "doc_items", "doc_payments", "fiscal_memory", "paper",  "trace"};
    for (const char* t : kTables) {
        std::string sql = std::string("DROP TABLE IF EXISTS ") + t;
        if (!exec(sql.c_str()))
            return false;
    }
    return exec(kSchema) && writeFactory(now);
}

}  // namespace fiscemu
