#include "core/store.h"

#include <fcntl.h>
#include <signal.h>
#include <sqlite3.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <variant>

#include "core/chain.h"
#include "core/clock.h"
#include "core/codes.h"

namespace fiscemu {

namespace {

using Value = std::variant<int64_t, std::string>;
using Row = std::vector<Value>;
using Rows = std::map<int64_t, Row>;

// 1: no hash chain (upgraded once at open); 2: each fiscal record chained.
const int kSchemaVersion = 2;
// The WAL is checkpointed (outside callers' calls) once it holds this many
// frames (about 256 KiB with SQLite's 4 KiB pages).
const int kCheckpointFrames = 64;

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

struct TableDef {
    const char* name;
    std::vector<const char*> columns;  // first one is the key
};

const TableDef kTaxTable{"tax_rates", {"pos", "programmed", "type", "rate", "total"}};
const TableDef kPayTable{"pay_types", {"pos", "name", "total", "managerial"}};
const TableDef kVoucherTable{
    "vouchers",
    {"pos", "name", "discount", "surcharge", "cancel", "payment", "linked", "related", "count",
     "cancel_count", "sales", "surcharges", "discounts", "cancellations"}};
const TableDef kUserTable{"users",
                          {"n", "line1", "line2", "line3", "store", "equipment", "cgc", "im", "ie",
                           "first_time", "last_time", "cro", "gt"}};
const TableDef kTotalsTable{"totals", {"totaliser", "amount"}};
const TableDef kPendingTable{"pending_links",
                             {"seq", "coo", "pay_type", "amount", "used", "issued", "last_coo"}};
const TableDef kItemTable{"doc_items",
                          {"seq", "code", "description", "quantity", "price", "total", "discount",
                           "totaliser", "cancelled"}};
const TableDef kPaymentTable{
    "doc_payments", {"seq", "position", "name", "amount", "condition", "omit", "cancelled"}};

int64_t I(const Value& v) {
    return std::holds_alternative<int64_t>(v) ? std::get<int64_t>(v) : 0;
}
std::string S(const Value& v) {
    return std::holds_alternative<std::string>(v) ? std::get<std::string>(v) : std::string();
}

// The state's tables as rows, and back.
Rows taxRows(const PrinterState& st) {
    Rows r;
    for (int i = 0; i < kTaxPositions; ++i) {
        const TaxRate& t = st.rates[i];
        r[i] = {int64_t{i}, int64_t{t.programmed}, std::string(1, t.type), int64_t{t.rate},
                t.total};
    }
    return r;
}
Rows payRows(const PrinterState& st) {
    Rows r;
    for (int i = 0; i < kPayPositions; ++i) {
        const PayType& p = st.payTypes[i];
        r[i] = {int64_t{i}, p.name, p.total, p.managerial};
    }
    return r;
}
Rows voucherRows(const PrinterState& st) {
    Rows r;
    for (int i = 0; i < kVoucherPositions; ++i) {
        const Voucher& v = st.vouchers[i];
        r[i] = {int64_t{i},
                v.name,
                int64_t{v.discount},
                int64_t{v.surcharge},
                int64_t{v.cancel},
                int64_t{v.payment},
                int64_t{v.linked},
                int64_t{v.related},
                v.count,
                v.cancelCount,
                v.sales,
                v.surcharges,
                v.discounts,
                v.cancellations};
    }
    return r;
}
Rows userRows(const PrinterState& st) {
    Rows r;
    for (size_t i = 0; i < st.users.size(); ++i) {
        const User& u = st.users[i];
        r[i + 1] = {static_cast<int64_t>(i + 1),
                    u.line1,
                    u.line2,
                    u.line3,
                    int64_t{u.store},
                    int64_t{u.equipment},
                    u.cgc,
                    u.im,
                    u.ie,
                    u.firstTime,
                    u.lastTime,
                    int64_t{u.cro},
                    u.gt};
    }
    return r;
}
Rows totalRows(const PrinterState& st) {
    Rows r;
    for (const auto& [t, v] : st.totals)
        r[t] = {int64_t{t}, v};
    return r;
}
Rows pendingRows(const PrinterState& st) {
    Rows r;
    for (size_t i = 0; i < st.pending.size(); ++i) {
        const PendingLink& p = st.pending[i];
        r[i] = {static_cast<int64_t>(i), int64_t{p.coo},    int64_t{p.payType}, p.amount, p.used,
                int64_t{p.issued},       int64_t{p.lastCoo}};
    }
    return r;
}
Rows itemRows(const PrinterState& st) {
    Rows r;
    for (size_t i = 0; i < st.doc.items.size(); ++i) {
        const Item& it = st.doc.items[i];
        r[i] = {static_cast<int64_t>(i),
                it.code,
                it.description,
                it.quantity,
                it.price,
                it.total,
                it.discount,
                int64_t{it.totaliser},
                int64_t{it.cancelled}};
    }
    return r;
}
Rows paymentRows(const PrinterState& st) {
    Rows r;
    for (size_t i = 0; i < st.doc.payments.size(); ++i) {
        const Payment& p = st.doc.payments[i];
        r[i] = {
            static_cast<int64_t>(i),  int64_t{p.position}, p.name, p.amount, int64_t{p.condition},
            int64_t{p.omitCondition}, int64_t{p.cancelled}};
    }
    return r;
}

// Every single value of the state, named.
template <class F>
void visitScalars(Scalars& s, Document& d, F&& f) {
    f("coo", s.coo);
    f("ccf", s.ccf);
    f("gnf", s.gnf);
    f("crz", s.crz);
    f("cro", s.cro);
    f("cancelled_coupons", s.cancelledCoupons);
    f("managerial_reports", s.mgrReports);
    f("gt", s.gt);
    f("day_open", s.dayOpen);
    f("day_date", s.dayDate);
    f("z_date", s.zDate);
    f("day_opened_at", s.dayOpenedAt);
    f("day_coo_start", s.dayCooStart);
    f("day_gnf_start", s.dayGnfStart);
    f("day_gt_start", s.dayGtStart);
    f("day_cancelled_coupons", s.dayCancelledCoupons);
    f("day_cancelled_nf", s.dayCancelledNf);
    f("day_coupons", s.dayCoupons);
    f("day_gross", s.dayGross);
    f("day_cancel", s.dayCancel);
    f("day_discount", s.dayDiscount);
    f("day_surcharge", s.daySurcharge);
    f("day_nf_cancel", s.dayNfCancel);
    f("day_nf_discount", s.dayNfDiscount);
    f("day_nf_surcharge", s.dayNfSurcharge);
    f("day_change", s.dayChange);
    f("coupon_seconds", s.couponSeconds);
    f("last_doc_kind", s.lastDocKind);
    f("last_doc_coo", s.lastDocCoo);
    f("last_doc_time", s.lastDocTime);
    f("last_coupon_cancelled", s.lastCouponCancelled);
    f("last_coupon_net", s.lastCouponNet);
    f("last_coupon_change", s.lastCouponChange);
    f("last_coupon_shares", s.lastCouponShares);
    f("last_coupon_payments", s.lastCouponPayments);
    f("code_size", s.codeSize);
    f("crypto", s.crypto);
    int64_t kind = d.kind, coo = d.coo, flags = d.flags, freeLines = d.freeLines,
            adjKind = d.adjKind, compl_ = d.complementaryLeft, commercial = d.commercialLines,
            linkIndex = d.linkIndex, linkVoucher = d.linkVoucher;
    f("doc_kind", kind);
    f("doc_coo", coo);
    f("doc_flags", flags);
    f("doc_free_lines", freeLines);
    f("doc_opened", d.opened);
    f("doc_adj_kind", adjKind);
    f("doc_adj_amount", d.adjAmount);
    f("doc_adj_shares", d.adjShares);
    f("doc_complementary_left", compl_);
    f("doc_commercial_lines", commercial);
    f("doc_link_index", linkIndex);
    f("doc_link_voucher", linkVoucher);
    f("doc_link_value", d.linkValue);
    d.kind = static_cast<int>(kind);
    d.coo = static_cast<int>(coo);
    d.flags = static_cast<int>(flags);
    d.freeLines = static_cast<int>(freeLines);
    d.adjKind = static_cast<int>(adjKind);
    d.complementaryLeft = static_cast<int>(compl_);
    d.commercialLines = static_cast<int>(commercial);
    d.linkIndex = static_cast<int>(linkIndex);
    d.linkVoucher = static_cast<int>(linkVoucher);
}

// The state's scalars in the fixed order visitScalars gives them, so two
// states' lists compare field by field without a lookup.
std::vector<std::pair<const char*, Value>> scalarList(const PrinterState& st) {
    std::vector<std::pair<const char*, Value>> list;
    list.reserve(64);
    Scalars s = st.s;
    Document d = st.doc;
    visitScalars(s, d, [&](const char* k, auto& v) { list.emplace_back(k, Value(v)); });
    return list;
}

template <class F>
void visitSettings(Settings& s, F&& f) {
    int64_t power = s.power, paper = s.paper, auth = s.authPaper, drawer = s.drawer, port = s.port,
            model = static_cast<int64_t>(s.model), intervention = s.intervention;
    f("power", power);
    f("paper", paper);
    f("auth_paper", auth);
    f("drawer", drawer);
    f("drawer_opened_at", s.drawerOpenedAt);
    f("drawer_auto_close", s.drawerAutoClose);
    f("port", port);
    f("model", model);
    f("intervention", intervention);
    f("latency_ms", s.latencyMs);
    f("clock_offset", s.clockOffset);
    s.power = power != 0;
    s.paper = static_cast<int>(paper);
    s.authPaper = auth != 0;
    s.drawer = static_cast<int>(drawer);
    s.port = static_cast<int>(port);
    s.model = model == 0 ? Model::V204 : model == 1 ? Model::V300 : Model::V301;
    s.intervention = intervention != 0;
}

void bindValue(sqlite3_stmt* st, int i, const Value& v) {
    if (std::holds_alternative<int64_t>(v)) {
        sqlite3_bind_int64(st, i, std::get<int64_t>(v));
    } else {
        const std::string& s = std::get<std::string>(v);
        // Texts are stored as the printer's bytes, whatever their encoding.
        sqlite3_bind_blob(st, i, s.data(), static_cast<int>(s.size()), SQLITE_TRANSIENT);
    }
}

Value columnValue(sqlite3_stmt* st, int i) {
    int type = sqlite3_column_type(st, i);
    if (type == SQLITE_INTEGER || type == SQLITE_NULL)
        return Value(int64_t{sqlite3_column_int64(st, i)});
    const void* p = sqlite3_column_blob(st, i);
    int n = sqlite3_column_bytes(st, i);
    return Value(std::string(static_cast<const char*>(p ? p : ""), static_cast<size_t>(n)));
}

std::string pcTimeMillis() {
    auto now = std::chrono::system_clock::now();
    int64_t ms =
        std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count();
    char buf[8];
    std::snprintf(buf, sizeof buf, ".%03d", static_cast<int>(ms % 1000));
    return isoTime(ms / 1000) + buf;
}

}  // namespace

std::string isoTime(int64_t epoch) {
    DateTime dt = localFromEpoch(epoch);
    char buf[32];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", dt.year, dt.month, dt.day,
                  dt.hour, dt.minute, dt.second);
    return buf;
}

namespace {

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

sqlite3* openConnection(const std::string& path, int flags, std::string* error, int* code) {
    sqlite3* db = nullptr;
    int rc = sqlite3_open_v2(path.c_str(), &db, flags | SQLITE_OPEN_NOMUTEX, nullptr);
    if (rc != SQLITE_OK) {
        *error = "cannot open " + path + ": " + (db ? sqlite3_errmsg(db) : "?");
        *code = codeOf(rc, db ? sqlite3_system_errno(db) : 0);
        sqlite3_close(db);
        return nullptr;
    }
    sqlite3_extended_result_codes(db, 1);
    sqlite3_busy_timeout(db, Store::kBusyMs);
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

}  // namespace

Store::Store(sqlite3* db, std::string path)
    : db_(db), path_(std::move(path)), trace_(std::make_unique<TraceLog>(path_)) {}

std::vector<std::string> Store::companionPaths() const {
    return {path_,          path_ + "-wal",   path_ + "-shm", path_ + "-journal",
            trace_->path(), trace_->oldPath()};
}

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
        if (!fresh->exec("PRAGMA journal_mode=WAL") || !fresh->exec("PRAGMA synchronous=FULL") ||
            !fresh->begin() || !fresh->createSchema() || !fresh->commit()) {
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

std::unique_ptr<Store> Store::open(const std::string& path, std::string* error, int* code) {
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
    struct stat st {};
    if (stat(path.c_str(), &st) != 0) {
        if (errno != ENOENT)
            return err = "cannot read " + path + ": " + std::strerror(errno), failed();
        // A WAL without its memory is a memory whose file was lost: a new file
        // beside it would take in the old WAL's pages.
        struct stat wal {};
        if (stat((path + "-wal").c_str(), &wal) == 0)
            return c = kDamaged,
                   err = path + " is missing but its " + path +
                         "-wal remains: the memory's file was lost or moved",
                   failed();
        if (!createMemory(path, &err, &c))
            return failed();
        if (stat(path.c_str(), &st) != 0)
            return err = "cannot read " + path + ": " + std::strerror(errno), failed();
    }
    if (!S_ISREG(st.st_mode))
        return c = kDamaged, err = path + " is not a printer memory (not a regular file)", failed();
    if (st.st_size == 0)
        return c = kDamaged, err = path + " is empty: it is not a printer memory", failed();
    sqlite3* db = openConnection(path, SQLITE_OPEN_READWRITE, &err, &c);
    if (!db)
        return failed();
    std::unique_ptr<Store> store(new Store(db, path));
    if (!store->checkMemory(&err, &c))
        return failed();
    store->changedElsewhere();
    return store;
}

// Everything is checked before anything is written: a file that is not a
// printer memory is left exactly as it was found.
bool Store::checkMemory(std::string* error, int* code) {
    auto failWith = [&](int c, const std::string& what) {
        *code = c;
        *error = path_ + ": " + what;
        return false;
    };
    std::vector<std::string> problems = integrityProblems();
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
    if (version < 2 && !upgradeChain())
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

std::vector<std::string> Store::integrityProblems() {
    std::vector<std::string> out;
    sqlite3_stmt* st = nullptr;
    int rc = sqlite3_prepare_v2(db_, "PRAGMA quick_check(20)", -1, &st, nullptr);
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
        sqlite3_stmt* m = prepare("INSERT OR REPLACE INTO meta(key, value) VALUES(?, ?)");
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
             put("schema", std::to_string(kSchemaVersion), false);
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
    struct stat st {};
    if (stat(dest.c_str(), &st) == 0) {
        error_ = dest + " already exists";
        code_ = kStorage;
        return false;
    }
    sqlite3* out = nullptr;
    int rc =
        sqlite3_open_v2(dest.c_str(), &out, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
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
        int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
        if (in < 0)
            return errno == ENOENT;  // nothing of that name to keep
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
    if (stat(path.c_str(), &st) != 0 && stat((path + "-wal").c_str(), &st) != 0) {
        *error = path + ": nothing to copy";
        return false;
    }
    if (!copy(path, dest) || !copy(path + "-wal", dest + "-wal"))
        return false;
    syncDirectoryOf(dest);
    return true;
}

bool Store::discardFiles(const std::string& path, std::string* error) {
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

// Told by SQLite after each commit how many frames the WAL holds: costs the
// caller no system call, and wakes the checkpoint thread only when due.
int Store::walHook(void* self, sqlite3*, const char*, int frames) {
    auto* store = static_cast<Store*>(self);
    if (frames >= kCheckpointFrames) {
        std::lock_guard<std::mutex> lock(store->checkpointMutex_);
        if (!store->checkpointDue_) {
            store->checkpointDue_ = true;
            store->checkpointWake_.notify_one();
        }
    }
    return SQLITE_OK;
}

void Store::startCheckpointer() {
    if (checkpointer_.joinable())
        return;
    exec("PRAGMA wal_autocheckpoint=0");  // also removes SQLite's own hook
    sqlite3_wal_hook(db_, &Store::walHook, this);
    checkpointStop_ = false;
    checkpointer_ = std::thread([this] { checkpointLoop(); });
}

void Store::stopCheckpointer() {
    if (!checkpointer_.joinable())
        return;
    {
        std::lock_guard<std::mutex> lock(checkpointMutex_);
        checkpointStop_ = true;
    }
    checkpointWake_.notify_one();
    checkpointer_.join();
}

// PASSIVE checkpoints take no lock a caller waits for: they copy what no
// reader still needs and leave the rest for the next round.
void Store::checkpointLoop() {
    std::string err;
    int code = 0;
    sqlite3* db = openConnection(path_, SQLITE_OPEN_READWRITE, &err, &code);
    if (!db)
        return;
    // A connection learns the file is in WAL mode at its first read; until
    // then a checkpoint does nothing.
    sqlite3_exec(db, "SELECT count(*) FROM sqlite_master", nullptr, nullptr, nullptr);
    std::unique_lock<std::mutex> lock(checkpointMutex_);
    while (!checkpointStop_) {
        checkpointWake_.wait(lock, [this] { return checkpointStop_ || checkpointDue_; });
        if (checkpointStop_)
            break;
        checkpointDue_ = false;
        lock.unlock();
        sqlite3_wal_checkpoint_v2(db, nullptr, SQLITE_CHECKPOINT_PASSIVE, nullptr, nullptr);
        lock.lock();
    }
    lock.unlock();
    sqlite3_close(db);
}

Store::~Store() {
    stopCheckpointer();
    for (auto& [sql, st] : statements_)
        sqlite3_finalize(st);
    sqlite3_close(db_);
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

bool Store::begin() {
    return exec("BEGIN IMMEDIATE");
}

void Store::setBusyTimeout(int ms) {
    sqlite3_busy_timeout(db_, ms);
}

bool Store::beginRead() {
    if (!exec("BEGIN"))
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
    if (exec("COMMIT"))
        return true;
    rollback();
    return false;
}

// Keeps the failure that led here: a rollback of a transaction SQLite already
// ended must not turn a disk-full or busy answer into another one.
void Store::rollback() {
    // A statement left mid-way (a failed step) would keep the snapshot alive.
    for (auto& [sql, st] : statements_)
        sqlite3_reset(st);
    std::string e = error_;
    int c = code_;
    if (sqlite3_get_autocommit(db_) == 0)
        exec("ROLLBACK");
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
    dataVersion_ = v;
    return changed;
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

namespace {
bool writeRows(sqlite3* db, std::map<std::string, sqlite3_stmt*>& cache, const TableDef& def,
               const Rows& before, const Rows& after, bool full, std::string* err) {
    auto prep = [&](const std::string& sql) -> sqlite3_stmt* {
        auto it = cache.find(sql);
        if (it != cache.end()) {
            sqlite3_reset(it->second);
            sqlite3_clear_bindings(it->second);
            return it->second;
        }
        sqlite3_stmt* s = nullptr;
        if (sqlite3_prepare_v2(db, sql.c_str(), -1, &s, nullptr) != SQLITE_OK)
            return nullptr;
        cache[sql] = s;
        return s;
    };
    std::string cols, marks;
    for (size_t i = 0; i < def.columns.size(); ++i) {
        cols += (i ? "," : "") + std::string(def.columns[i]);
        marks += i ? ",?" : "?";
    }
    std::string upsert =
        std::string("INSERT OR REPLACE INTO ") + def.name + "(" + cols + ") VALUES(" + marks + ")";
    std::string del = std::string("DELETE FROM ") + def.name + " WHERE " + def.columns[0] + "=?";
    for (const auto& [key, row] : after) {
        auto old = before.find(key);
        if (!full && old != before.end() && old->second == row)
            continue;
        sqlite3_stmt* st = prep(upsert);
        if (!st)
            return *err = sqlite3_errmsg(db), false;
        for (size_t i = 0; i < row.size(); ++i)
            bindValue(st, static_cast<int>(i + 1), row[i]);
        if (sqlite3_step(st) != SQLITE_DONE)
            return *err = sqlite3_errmsg(db), false;
    }
    for (const auto& [key, row] : before) {
        if (after.count(key))
            continue;
        sqlite3_stmt* st = prep(del);
        if (!st)
            return *err = sqlite3_errmsg(db), false;
        sqlite3_bind_int64(st, 1, key);
        if (sqlite3_step(st) != SQLITE_DONE)
            return *err = sqlite3_errmsg(db), false;
    }
    return true;
}
}  // namespace

bool Store::saveState(const PrinterState& before, const PrinterState& after) {
    return saveStateImpl(before, after, false);
}

bool Store::saveStateImpl(const PrinterState& before, const PrinterState& after, bool full) {
    const auto ob = scalarList(before), oa = scalarList(after);
    for (size_t i = 0; i < oa.size(); ++i) {
        const auto& [k, v] = oa[i];
        if (!full && ob[i].second == v)
            continue;
        sqlite3_stmt* st = prepare("INSERT OR REPLACE INTO state(key, value) VALUES(?, ?)");
        if (!st)
            return false;
        sqlite3_bind_text(st, 1, k, -1, SQLITE_STATIC);
        bindValue(st, 2, v);
        if (sqlite3_step(st) != SQLITE_DONE)
            return fail("state");
    }
    struct Part {
        const TableDef* def;
        Rows (*rows)(const PrinterState&);
        bool (*same)(const PrinterState&, const PrinterState&);
    };
    // A table whose data did not change is not even turned into rows: a
    // call writes what it changed and compares only that.
    static const Part parts[] = {
        {&kTaxTable, taxRows,
         [](const PrinterState& a, const PrinterState& b) { return a.rates == b.rates; }},
        {&kPayTable, payRows,
         [](const PrinterState& a, const PrinterState& b) { return a.payTypes == b.payTypes; }},
        {&kVoucherTable, voucherRows,
         [](const PrinterState& a, const PrinterState& b) { return a.vouchers == b.vouchers; }},
        {&kUserTable, userRows,
         [](const PrinterState& a, const PrinterState& b) { return a.users == b.users; }},
        {&kTotalsTable, totalRows,
         [](const PrinterState& a, const PrinterState& b) { return a.totals == b.totals; }},
        {&kPendingTable, pendingRows,
         [](const PrinterState& a, const PrinterState& b) { return a.pending == b.pending; }},
        {&kItemTable, itemRows,
         [](const PrinterState& a, const PrinterState& b) { return a.doc.items == b.doc.items; }},
        {&kPaymentTable, paymentRows, [](const PrinterState& a, const PrinterState& b) {
             return a.doc.payments == b.doc.payments;
         }}};
    for (const Part& p : parts) {
        if (!full && p.same(before, after))
            continue;
        Rows b = full ? Rows{} : p.rows(before);
        if (!writeRows(db_, statements_, *p.def, b, p.rows(after), full, &error_))
            return false;
    }
    return true;
}

bool Store::saveSettings(const Settings& before, const Settings& after) {
    std::map<std::string, int64_t> b, a;
    Settings sb = before, sa = after;
    visitSettings(sb, [&](const char* k, int64_t& v) { b[k] = v; });
    visitSettings(sa, [&](const char* k, int64_t& v) { a[k] = v; });
    for (const auto& [k, v] : a) {
        if (b[k] == v && !forceSettings_)
            continue;
        sqlite3_stmt* st = prepare("INSERT OR REPLACE INTO settings(key, value) VALUES(?, ?)");
        if (!st)
            return false;
        sqlite3_bind_text(st, 1, k.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_int64(st, 2, v);
        if (sqlite3_step(st) != SQLITE_DONE)
            return fail("settings");
    }
    return true;
}

bool Store::load(PrinterState* out, Settings* setOut, std::map<std::string, int>* faultsOut) {
    PrinterState st;
    st.users.clear();
    std::map<std::string, Value> scalars;
    {
        sqlite3_stmt* s = prepare("SELECT key, value FROM state");
        if (!s)
            return false;
        while (sqlite3_step(s) == SQLITE_ROW)
            scalars[reinterpret_cast<const char*>(sqlite3_column_text(s, 0))] = columnValue(s, 1);
        sqlite3_reset(s);
    }
    visitScalars(st.s, st.doc, [&](const char* k, auto& v) {
        auto it = scalars.find(k);
        if (it == scalars.end())
            return;
        using T = std::decay_t<decltype(v)>;
        if constexpr (std::is_same_v<T, std::string>)
            v = S(it->second);
        else
            v = I(it->second);
    });
    auto readTable = [&](const TableDef& def, auto&& apply) -> bool {
        std::string cols;
        for (size_t i = 0; i < def.columns.size(); ++i)
            cols += (i ? "," : "") + std::string(def.columns[i]);
        sqlite3_stmt* s =
            prepare("SELECT " + cols + " FROM " + def.name + " ORDER BY " + def.columns[0]);
        if (!s)
            return false;
        while (sqlite3_step(s) == SQLITE_ROW) {
            Row r;
            for (size_t i = 0; i < def.columns.size(); ++i)
                r.push_back(columnValue(s, static_cast<int>(i)));
            apply(r);
        }
        sqlite3_reset(s);
        return true;
    };
    bool ok = true;
    ok &= readTable(kTaxTable, [&](const Row& r) {
        int64_t i = I(r[0]);
        if (i < 0 || i >= kTaxPositions)
            return;
        TaxRate& t = st.rates[i];
        t.programmed = I(r[1]) != 0;
        std::string ty = S(r[2]);
        t.type = ty.empty() ? 'T' : ty[0];
        t.rate = static_cast<int>(I(r[3]));
        t.total = I(r[4]);
    });
    ok &= readTable(kPayTable, [&](const Row& r) {
        int64_t i = I(r[0]);
        if (i < 0 || i >= kPayPositions)
            return;
        st.payTypes[i] = PayType{S(r[1]), I(r[2]), I(r[3])};
    });
    ok &= readTable(kVoucherTable, [&](const Row& r) {
        int64_t i = I(r[0]);
        if (i < 0 || i >= kVoucherPositions)
            return;
        Voucher& v = st.vouchers[i];
        v.name = S(r[1]);
        v.discount = I(r[2]);
        v.surcharge = I(r[3]);
        v.cancel = I(r[4]);
        v.payment = I(r[5]);
        v.linked = I(r[6]);
        v.related = static_cast<int>(I(r[7]));
        v.count = I(r[8]);
        v.cancelCount = I(r[9]);
        v.sales = I(r[10]);
        v.surcharges = I(r[11]);
        v.discounts = I(r[12]);
        v.cancellations = I(r[13]);
    });
    ok &= readTable(kUserTable, [&](const Row& r) {
        User u;
        u.line1 = S(r[1]);
        u.line2 = S(r[2]);
        u.line3 = S(r[3]);
        u.store = static_cast<int>(I(r[4]));
        u.equipment = static_cast<int>(I(r[5]));
        u.cgc = S(r[6]);
        u.im = S(r[7]);
        u.ie = S(r[8]);
        u.firstTime = I(r[9]);
        u.lastTime = I(r[10]);
        u.cro = static_cast<int>(I(r[11]));
        u.gt = I(r[12]);
        st.users.push_back(u);
    });
    ok &= readTable(kTotalsTable,
                    [&](const Row& r) { st.totals[static_cast<int>(I(r[0]))] = I(r[1]); });
    ok &= readTable(kPendingTable, [&](const Row& r) {
        PendingLink p;
        p.coo = static_cast<int>(I(r[1]));
        p.payType = static_cast<int>(I(r[2]));
        p.amount = I(r[3]);
        p.used = I(r[4]);
        p.issued = static_cast<int>(I(r[5]));
        p.lastCoo = static_cast<int>(I(r[6]));
        st.pending.push_back(p);
    });
    ok &= readTable(kItemTable, [&](const Row& r) {
        Item it;
        it.code = S(r[1]);
        it.description = S(r[2]);
        it.quantity = I(r[3]);
        it.price = I(r[4]);
        it.total = I(r[5]);
        it.discount = I(r[6]);
        it.totaliser = static_cast<int>(I(r[7]));
        it.cancelled = I(r[8]);
        st.doc.items.push_back(it);
    });
    ok &= readTable(kPaymentTable, [&](const Row& r) {
        Payment p;
        p.position = static_cast<int>(I(r[1]));
        p.name = S(r[2]);
        p.amount = I(r[3]);
        p.condition = static_cast<int>(I(r[4]));
        p.omitCondition = I(r[5]);
        p.cancelled = I(r[6]);
        st.doc.payments.push_back(p);
    });
    if (!ok)
        return false;
    if (st.users.empty()) {
        error_ = "memory without user records";
        return false;
    }
    Settings set;
    {
        std::map<std::string, int64_t> values;
        sqlite3_stmt* s = prepare("SELECT key, value FROM settings");
        if (!s)
            return false;
        while (sqlite3_step(s) == SQLITE_ROW)
            values[reinterpret_cast<const char*>(sqlite3_column_text(s, 0))] =
                sqlite3_column_int64(s, 1);
        sqlite3_reset(s);
        visitSettings(set, [&](const char* k, int64_t& v) {
            auto it = values.find(k);
            if (it != values.end())
                v = it->second;
        });
    }
    if (faultsOut)
        *faultsOut = faults();
    *out = std::move(st);
    *setOut = set;
    return true;
}

bool Store::appendPaper(const std::string& time, const std::vector<PaperLine>& lines) {
    for (const PaperLine& l : lines) {
        sqlite3_stmt* st =
            prepare("INSERT INTO paper(time, station, coo, line) VALUES(?, ?, ?, ?)");
        if (!st)
            return false;
        char station[2] = {l.station, 0};
        sqlite3_bind_text(st, 1, time.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(st, 2, station, -1, SQLITE_TRANSIENT);
        sqlite3_bind_int64(st, 3, l.coo);
        sqlite3_bind_blob(st, 4, l.bytes.data(), static_cast<int>(l.bytes.size()),
                          SQLITE_TRANSIENT);
        if (sqlite3_step(st) != SQLITE_DONE)
            return fail("paper");
    }
    return true;
}

bool Store::appendFiscalRecord(const FiscalRecord& r) {
    std::string previous = chainHead();
    if (previous.empty())
        previous = chainStart();
    std::string hash = chainHash(r, previous);
    sqlite3_stmt* st = prepare(
        "INSERT INTO fiscal_memory(z, ymd, time, coo, cro, gt, gross, cancellations, discounts, "
        "surcharges, net, details, hash) VALUES(?,?,?,?,?,?,?,?,?,?,?,?,?)");
    if (!st)
        return false;
    int64_t v[] = {r.z,     r.ymd,           r.time,      r.coo,        r.cro, r.gt,
                   r.gross, r.cancellations, r.discounts, r.surcharges, r.net};
    for (int i = 0; i < 11; ++i)
        sqlite3_bind_int64(st, i + 1, v[i]);
    sqlite3_bind_text(st, 12, r.details.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_blob(st, 13, hash.data(), static_cast<int>(hash.size()), SQLITE_TRANSIENT);
    if (sqlite3_step(st) != SQLITE_DONE)
        return fail("fiscal memory");
    sqlite3_stmt* head = prepare("INSERT OR REPLACE INTO meta(key, value) VALUES('fm_head', ?)");
    if (!head)
        return false;
    sqlite3_bind_blob(head, 1, hash.data(), static_cast<int>(hash.size()), SQLITE_TRANSIENT);
    return sqlite3_step(head) == SQLITE_DONE || fail("fiscal memory head");
}

std::string Store::chainHead() {
    sqlite3_stmt* st = prepare("SELECT value FROM meta WHERE key='fm_head'");
    if (!st)
        return {};
    std::string out;
    if (sqlite3_step(st) == SQLITE_ROW)
        out = S(columnValue(st, 0));
    sqlite3_reset(st);
    return out;
}

bool Store::appendTrace(const std::string& function, const std::string& args,
                        const std::string& result, int64_t micros) {
    return trace_->append(pcTimeMillis(), function, args, result, micros);
}

bool Store::setFault(const std::string& function, int code) {
    sqlite3_stmt* st = prepare("INSERT OR REPLACE INTO faults(function, code) VALUES(?, ?)");
    if (!st)
        return false;
    sqlite3_bind_text(st, 1, function.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_int(st, 2, code);
    return sqlite3_step(st) == SQLITE_DONE || fail("fault");
}

bool Store::clearFault(const std::string& function) {
    sqlite3_stmt* st = prepare("DELETE FROM faults WHERE function = ?");
    if (!st)
        return false;
    sqlite3_bind_text(st, 1, function.c_str(), -1, SQLITE_TRANSIENT);
    return sqlite3_step(st) == SQLITE_DONE || fail("fault");
}

std::map<std::string, int> Store::faults() {
    std::map<std::string, int> out;
    sqlite3_stmt* st = prepare("SELECT function, code FROM faults");
    if (!st)
        return out;
    while (sqlite3_step(st) == SQLITE_ROW)
        out[reinterpret_cast<const char*>(sqlite3_column_text(st, 0))] = sqlite3_column_int(st, 1);
    sqlite3_reset(st);
    return out;
}

// The rows of a roll (paper or trace) after a given id, oldest first; with
// lastN, only the newest lastN of them.
bool Store::readRoll(const std::string& table, const std::string& columns, int64_t afterId,
                     int64_t lastN, const std::function<void(sqlite3_stmt*)>& readRow) {
    const std::string select = "SELECT " + columns + " FROM " + table + " WHERE id > ? ORDER BY id";
    const std::string sql = lastN > 0 ? "SELECT * FROM (SELECT " + columns + " FROM " + table +
                                            " WHERE id > ? ORDER BY id DESC LIMIT ?) ORDER BY id"
                                      : select;
    sqlite3_stmt* st = prepare(sql);
    if (!st)
        return false;
    sqlite3_bind_int64(st, 1, afterId);
    if (lastN > 0)
        sqlite3_bind_int64(st, 2, lastN);
    while (sqlite3_step(st) == SQLITE_ROW)
        readRow(st);
    sqlite3_reset(st);
    return true;
}

std::vector<PaperRow> Store::paper(int64_t afterId, int64_t lastN) {
    std::vector<PaperRow> out;
    readRoll("paper", "id, time, station, coo, line", afterId, lastN, [&out](sqlite3_stmt* st) {
        PaperRow r;
        r.id = sqlite3_column_int64(st, 0);
        r.time = S(columnValue(st, 1));
        std::string station = S(columnValue(st, 2));
        r.station = station.empty() ? static_cast<char>(kReceipt) : station[0];
        r.coo = sqlite3_column_int64(st, 3);
        r.bytes = S(columnValue(st, 4));
        out.push_back(r);
    });
    return out;
}

std::vector<TraceRow> Store::trace(int64_t afterId, int64_t lastN) {
    return trace_->read(afterId, lastN);
}

std::vector<FiscalRecord> Store::fiscalMemory() {
    std::vector<FiscalRecord> out;
    sqlite3_stmt* st = prepare(
        "SELECT z, ymd, time, coo, cro, gt, gross, cancellations, discounts, surcharges, net, "
        "details, hash FROM fiscal_memory ORDER BY z");
    if (!st)
        return out;
    while (sqlite3_step(st) == SQLITE_ROW) {
        FiscalRecord r;
        int64_t* f[] = {&r.z,     &r.ymd,           &r.time,      &r.coo,        &r.cro, &r.gt,
                        &r.gross, &r.cancellations, &r.discounts, &r.surcharges, &r.net};
        for (int i = 0; i < 11; ++i)
            *f[i] = sqlite3_column_int64(st, i);
        r.details = S(columnValue(st, 11));
        if (sqlite3_column_type(st, 12) != SQLITE_NULL)
            r.hash = S(columnValue(st, 12));
        out.push_back(r);
    }
    sqlite3_reset(st);
    return out;
}

bool Store::writeFactory(int64_t now) {
    PrinterState st = factoryState(now);
    Settings set;
    forceSettings_ = true;
    bool ok = saveStateImpl(PrinterState{}, st, true) && saveSettings(set, set);
    forceSettings_ = false;
    if (!ok)
        return false;
    sqlite3_stmt* s = prepare("INSERT OR REPLACE INTO meta(key, value) VALUES('schema', ?)");
    if (!s)
        return false;
    sqlite3_bind_int(s, 1, kSchemaVersion);
    return sqlite3_step(s) == SQLITE_DONE || fail("meta");
}

bool Store::resetToFactory(int64_t now) {
    for (auto& [sql, st] : statements_)
        sqlite3_finalize(st);
    statements_.clear();
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
