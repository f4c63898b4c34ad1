// The printer's durable memory in SQLite: state tables rewritten by
// difference, append-only fiscal memory, paper roll and call trace.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

#include <sys/types.h>

#include "core/printer.h"
#include "core/state.h"
#include "core/tracelog.h"

struct sqlite3;
struct sqlite3_stmt;

namespace fiscemu {

namespace storedb {
struct TableDef;
struct TableSql;
}  // namespace storedb

struct PaperRow {
    int64_t id = 0;
    std::string time;  // emulated printer time, "YYYY-MM-DD HH:MM:SS"
    char station = kReceipt;
    int64_t coo = 0;
    std::string bytes;    // the line as printed, in its code page
    int codePage = 1252;  // Windows Latin; 850 for lines printed before it
};

// The line as the paper shows it (UTF-8): the characters the program sent.
std::string paperText(const PaperRow& row);

// The same row read twice: readers that follow the roll use it to tell a
// roll that grew from one wiped and written anew.
inline bool sameRow(const PaperRow& a, const PaperRow& b) {
    return a.id == b.id && a.time == b.time && a.station == b.station && a.coo == b.coo &&
           a.bytes == b.bytes && a.codePage == b.codePage;
}

class Store {
public:
    // Opens the memory file after checking it (SQLite's quick check, its
    // format, the fiscal memory's hash chain); creates it with the factory
    // state only where no file exists. Returns null, an explanation and a
    // result code (40 to 43, core/codes.h) on failure: an existing file that
    // is empty, damaged or not a printer memory is never used nor rewritten.
    // Unless `whole`, the quick check reads what calls use and the paper
    // roll's lines since its last complete check (openProblems).
    static std::unique_ptr<Store> open(const std::string& path, std::string* error,
                                       int* code = nullptr, bool whole = false);
    ~Store();
    Store(const Store&) = delete;
    Store& operator=(const Store&) = delete;

    const std::string& path() const { return path_; }
    const std::string& lastError() const { return error_; }
    // The result code of the last failure: 40 I/O, 41 damaged, 42 busy, 43 disk full.
    int lastCode() const { return code_; }

    // The files that belong to the memory: the file itself, SQLite's
    // companions and the trace files.
    std::vector<std::string> companionPaths() const;

    // Write transaction (taken at once, so the state read inside it is
    // current); waits at most kBusyMs for another process's write lock.
    bool begin();
    // Read transaction: a snapshot of everything committed, no write lock.
    bool beginRead();
    // True while the checkpoint thread holds writers back to make the WAL
    // start over: a call that would write then takes the write lock through
    // begin(), which waits for that moment, instead of racing the checkpoint
    // for SQLite's writer lock from a read snapshot.
    bool writersHeldBack();
    // Holds every write transaction of this store back (at begin()) until
    // the lock returned is released: the checkpoint thread's round.
    std::unique_lock<std::timed_mutex> holdWritersBack();
    bool commit();
    void rollback();

    // How long a statement waits for another connection's lock before it
    // fails (kBusyMs unless changed); a viewer that must stay responsive waits less.
    void setBusyTimeout(int ms);

    // True when another connection committed since the last call.
    bool changedElsewhere();

    bool load(PrinterState* st, Settings* set, std::map<std::string, int>* faults);
    bool saveState(const PrinterState& before, const PrinterState& after);
    bool saveSettings(const Settings& before, const Settings& after);
    bool appendPaper(const std::string& time, const std::vector<PaperLine>& lines);
    bool appendFiscalRecord(const FiscalRecord& rec);
    // The trace line of a call (written at once, outside any transaction).
    bool appendTrace(const std::string& function, const std::string& args,
                     const std::string& result, int64_t micros = -1, const std::string& reason = {},
                     const CallFacts& facts = {});
    bool setFault(const std::string& function, int code);
    bool clearFault(const std::string& function);

    // Readers for tools and tests.
    std::vector<PaperRow> paper(int64_t afterId, int64_t lastN);
    std::vector<TraceRow> trace(int64_t afterId, int64_t lastN);
    std::vector<FiscalRecord> fiscalMemory();
    std::map<std::string, int> faults();
    TraceLog& traceLog() { return *trace_; }

    // Checks of a memory: SQLite's quick check of the whole file (what
    // `verify` runs; the open checks less, see openProblems) and the fiscal
    // memory's chain
    // (records in order, hashes, the newest record's hash kept apart).
    std::vector<std::string> integrityProblems();
    std::vector<std::string> chainProblems();
    // The hash of the newest fiscal memory record as kept apart (empty when none).
    std::string chainHead();

    // Wipes everything and writes the factory state (inside a transaction).
    bool resetToFactory(int64_t now);

    // A consistent copy of the whole memory, as committed now, in a new file.
    bool backupTo(const std::string& dest);
    // For a memory that cannot be opened: copies its file (and its WAL, as
    // dest + "-wal") byte for byte, then removes the memory's files so a new
    // one can be made. Never used on a memory that opens.
    static bool copyDamaged(const std::string& path, const std::string& dest, std::string* error);
    static bool discardFiles(const std::string& path, std::string* error);

    // Runs WAL checkpoints on a thread of its own (with its own connection),
    // so they never land inside a caller's call; stops with the store. The
    // thread starts when the first checkpoint is due: a process that only
    // reads, or writes little, never has it.
    void startCheckpointer();

    // Across fork(): disconnect() stops the checkpoint thread and closes
    // every connection of this store, so a child inherits none of SQLite's
    // connections nor its records of their locks; reconnect() then
    // opens a connection of the process that calls it, to the same file
    // (false when the file is gone or replaced: open it again with its checks).
    void disconnect();
    bool reconnect();
    bool connected() const { return db_ != nullptr; }

    static constexpr int kBusyMs = 2000;

private:
    Store(sqlite3* db, std::string path);
    bool exec(const char* sql);
    bool passRestartGate();
    bool run(const char* sql);
    bool setCode(int rc);
    bool nearSpaceLimits() const;
    static bool createMemory(const std::string& path, std::string* error, int* code);
    bool checkMemory(std::string* error, int* code, bool whole);
    std::vector<std::string> openProblems(bool whole);
    std::vector<std::string> quickCheck(const std::string& pragma);
    std::vector<std::string> tableProblems();
    std::vector<std::string> paperProblemsAfter(int64_t mark);
    int64_t verifiedPaperMark();
    int64_t newestPaperId();
    bool fileHoldsItsPages();
    // Sets a number in `meta` (the format record, the roll's verified mark).
    bool writeMetaNumber(const char* key, int64_t value);
    bool writeVerifiedMark(int64_t paperId);
    bool upgradeChain();
    void checkpointLoop();
    static int walHook(void* self, sqlite3* db, const char* name, int frames);
    void launchCheckpointThread();
    void stopCheckpointer();
    // A statement made once and kept; reset and unbound for its next use.
    sqlite3_stmt* prepare(const std::string& sql);
    // The same for a text that lives as long as the program (a literal):
    // found again by its address, with no text built nor compared.
    sqlite3_stmt* prepare(const char* sql);
    bool readRoll(const std::string& table, const std::string& columns, int64_t afterId,
                  int64_t lastN, const std::function<void(sqlite3_stmt*)>& readRow);
    bool createSchema();
    bool writeFactory(int64_t now);
    bool fail(const std::string& what);
    bool saveStateImpl(const PrinterState& before, const PrinterState& after, bool full,
                       bool salesInTotalsBefore);
    template <class T>
    bool writeList(const storedb::TableDef& def, const std::vector<T>& before,
                   const std::vector<T>& after, int64_t keyBase, bool full);
    bool writeMap(const storedb::TableDef& def, const std::map<int, int64_t>& before,
                  const std::map<int, int64_t>& after, bool full);
    static const storedb::TableSql& sqlFor(const storedb::TableDef& def);
    bool forceSettings_ = false;
    // The roll's first Windows Latin line is marked in this connection's
    // view of the memory (so a print need not mark it again); forgotten when
    // the transaction that marked it rolls back or another connection wrote.
    bool paperMarked_ = false, paperMarkUncommitted_ = false;
    // The newest roll line this connection's open found checked, recorded
    // in `meta` (verified_paper) with its first change; -1 when nothing is
    // left to record.
    int64_t verifiedPaper_ = -1;
    // The memory's format as the last load() read it. Format 2 kept the
    // open document's item sales inside the day's totals; such a memory
    // becomes format 3 with its first change. While that change is not
    // committed, formatBeforeCommit_ holds the format to go back to.
    int format_ = 0, formatBeforeCommit_ = 0;

    sqlite3* db_;
    std::string path_;
    std::string error_;
    int code_ = 40;
    std::map<std::string, sqlite3_stmt*> statements_;  // owns them all
    std::unordered_map<const char*, sqlite3_stmt*> byAddress_;
    int64_t dataVersion_ = -1;
    std::unique_ptr<TraceLog> trace_;

    int busyMs_ = kBusyMs;  // read by the busy handler while a call waits

    std::thread checkpointer_;
    // The checkpoint thread's connection, also held here: a process that
    // abandons the store (a child made without fork's handlers, which has no
    // such thread) keeps everything of it reachable from the store.
    std::atomic<sqlite3*> checkpointDb_{nullptr};
    std::timed_mutex restartGate_;  // held while the WAL is made to start over
    std::mutex checkpointMutex_;
    std::condition_variable checkpointWake_;
    bool checkpointStop_ = false, checkpointDue_ = false;
    int framesAtWake_ = 0;         // WAL frames at the last wake (the committing thread's)
    int checkpointFrames_ = 1024;  // frames between wakes, from the page size
    bool checkpointing_ = false;   // enabled, to enable again after a reconnect
    dev_t dev_ = 0;                // the file that was opened and checked
    ino_t ino_ = 0;
};

// "YYYY-MM-DD HH:MM:SS" of an epoch second, local time.
std::string isoTime(int64_t epoch);

}  // namespace fiscemu
