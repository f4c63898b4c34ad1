// The printer's durable memory in SQLite: state tables rewritten by
// difference, append-only fiscal memory, paper roll and call trace.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "core/printer.h"
#include "core/state.h"

struct sqlite3;
struct sqlite3_stmt;

namespace fiscemu {

struct PaperRow {
    int64_t id = 0;
    std::string time;  // emulated printer time, "YYYY-MM-DD HH:MM:SS"
    char station = kReceipt;
    int64_t coo = 0;
    std::string bytes;  // code page 850
};

struct TraceRow {
    int64_t id = 0;
    std::string time;  // PC time with milliseconds
    std::string function, args, result;
    int64_t micros = -1;  // from the call to its answer, latency included; -1 unknown
};

class Store {
public:
    // Opens (creating if needed) the database file; a new file receives the
    // factory state. Returns null and an explanation on failure.
    static std::unique_ptr<Store> open(const std::string& path, std::string* error);
    ~Store();
    Store(const Store&) = delete;
    Store& operator=(const Store&) = delete;

    const std::string& path() const { return path_; }
    const std::string& lastError() const { return error_; }

    // Write transaction (taken at once, so the state read inside it is current).
    bool begin();
    // Read transaction: a consistent view that never holds up a writer.
    bool beginRead();
    bool commit();
    void rollback();

    // How long a statement waits for another connection's lock before it
    // fails (10 s unless changed); a viewer that must stay responsive waits less.
    void setBusyTimeout(int ms);

    // True when another connection committed since the last call.
    bool changedElsewhere();

    bool load(PrinterState* st, Settings* set, std::map<std::string, int>* faults);
    bool saveState(const PrinterState& before, const PrinterState& after);
    bool saveSettings(const Settings& before, const Settings& after);
    bool appendPaper(const std::string& time, const std::vector<PaperLine>& lines);
    bool appendFiscalRecord(const FiscalRecord& rec);
    bool appendTrace(const std::string& function, const std::string& args,
                     const std::string& result, int64_t micros = -1);
    bool setFault(const std::string& function, int code);
    bool clearFault(const std::string& function);

    // Readers for tools and tests.
    std::vector<PaperRow> paper(int64_t afterId, int64_t lastN);
    std::vector<TraceRow> trace(int64_t afterId, int64_t lastN);
    std::vector<FiscalRecord> fiscalMemory();
    std::map<std::string, int> faults();

    // Wipes everything and writes the factory state (inside a transaction).
    bool resetToFactory(int64_t now);

private:
    explicit Store(sqlite3* db, std::string path) : db_(db), path_(std::move(path)) {}
    bool exec(const char* sql);
    sqlite3_stmt* prepare(const std::string& sql);
    bool readRoll(const std::string& table, const std::string& columns, int64_t afterId,
                  int64_t lastN, const std::function<void(sqlite3_stmt*)>& readRow);
    bool createSchema();
    bool writeFactory(int64_t now);
    bool fail(const std::string& what);
    bool saveStateImpl(const PrinterState& before, const PrinterState& after, bool full);
    bool forceSettings_ = false;

    sqlite3* db_;
    std::string path_;
    std::string error_;
    std::map<std::string, sqlite3_stmt*> statements_;
    int64_t dataVersion_ = -1;
};

// "YYYY-MM-DD HH:MM:SS" of an epoch second, local time.
std::string isoTime(int64_t epoch);

}  // namespace fiscemu
