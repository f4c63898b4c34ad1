// The append-only parts of the memory (paper roll, fiscal memory, trace),
// the faults, and their readers.
#include <chrono>
#include <cstdio>
#include <functional>

#include "core/chain.h"
#include "core/clock.h"
#include "core/cp850.h"
#include "core/store.h"
#include "core/store_sql.h"

namespace fiscemu {

using namespace storedb;

namespace {

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

// The roll was printed in code page 850 until the printer took the
// program's Windows Latin text as it is; `meta.paper_cp1252_from` holds the
// id of the first line printed since (1 for a memory made since), written
// with that line, so a memory's older lines still show as they did.
const char* const kPaperCodePageFrom =
    "INSERT OR IGNORE INTO meta(key, value) "
    "VALUES('paper_cp1252_from', (SELECT coalesce(max(id), 0) + 1 FROM paper))";
const char* const kPaperColumns =
    "id, time, station, coo, line, id >= coalesce((SELECT CAST(value AS INTEGER) FROM meta "
    "WHERE key = 'paper_cp1252_from'), 9223372036854775807)";

std::string paperText(const PaperRow& row) {
    return row.codePage == 850 ? cp850ToUtf8(row.bytes) : windowsLatinToUtf8(row.bytes);
}

bool Store::appendPaper(const std::string& time, const std::vector<PaperLine>& lines) {
    if (!lines.empty() && !paperMarked_) {
        if (!run(kPaperCodePageFrom))
            return false;
        paperMarked_ = paperMarkUncommitted_ = true;
    }
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
    sqlite3_stmt* head = prepare(setValueSql("meta"));
    if (!head)
        return false;
    sqlite3_bind_text(head, 1, "fm_head", -1, SQLITE_STATIC);
    sqlite3_bind_blob(head, 2, hash.data(), static_cast<int>(hash.size()), SQLITE_TRANSIENT);
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
                        const std::string& result, int64_t micros, const std::string& reason,
                        const CallFacts& facts) {
    return trace_->append(pcTimeMillis(), function, args, result, micros, reason, facts);
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
    readRoll("paper", kPaperColumns, afterId, lastN, [&out](sqlite3_stmt* st) {
        PaperRow r;
        r.id = sqlite3_column_int64(st, 0);
        r.time = S(columnValue(st, 1));
        std::string station = S(columnValue(st, 2));
        r.station = station.empty() ? static_cast<char>(kReceipt) : station[0];
        r.coo = sqlite3_column_int64(st, 3);
        r.bytes = S(columnValue(st, 4));
        r.codePage = sqlite3_column_int(st, 5) ? 1252 : 850;
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

}  // namespace fiscemu
