// Private to the store's files: the SQLite helpers they share.
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <string>
#include <variant>

namespace fiscemu {
namespace storedb {

using Value = std::variant<int64_t, std::string>;

// The memory's formats (meta.schema): from 2 on each fiscal record is
// chained; from 3 on the day's totals are kept without the open document's
// item sales.
constexpr int kFormatChained = 2;
constexpr int kFormatOpenSalesApart = 3;

inline int64_t I(const Value& v) {
    return std::holds_alternative<int64_t>(v) ? std::get<int64_t>(v) : 0;
}
inline std::string S(const Value& v) {
    return std::holds_alternative<std::string>(v) ? std::get<std::string>(v) : std::string();
}

Value columnValue(sqlite3_stmt* st, int i);

// The result code (core/codes.h) of an SQLite failure.
int codeOf(int rc, int systemErrno);
// A busy handler: waits for another connection's lock in steps of 20 µs for
// its first 2 ms (a writer of this process frees it within a call; SQLite's
// own handler would sleep a whole millisecond first), then of 1 ms, for at
// most *limitMs (an int) in all, however long the thread is kept waiting for
// a processor meanwhile.
int waitBriefly(void* limitMs, int count);
// The same for the checkpoint thread, whose successive lock waits within one
// checkpoint SQLite counts as one: a pause of over 10 ms starts a new wait.
int waitBrieflyPerLock(void* limitMs, int count);
// The statement that sets a key's value (parameters 1 and 2) in one of the
// key/value tables, "state", "settings" or "meta". It updates the row where
// it is: a REPLACE would delete it and insert it under a new rowid, which
// rewrites the key's index page too, one more page in the commit's sync.
const char* setValueSql(const char* table);
// SQLite's name for the memory's file, with powersafe overwrite off
// ("psow=0"): a commit then fills the WAL up to the end of a 4 KiB sector
// (repeating its last frame), so the next commit's first write never shares
// a sector with it. A disk that tears a whole sector at a power cut
// (garbage beyond the bytes being written) would otherwise wipe the tail of
// the commit before, an answered call. See the crash model in the README.
std::string memoryUri(const std::string& path);
// Opens a connection to the memory (through memoryUri) that waits at most
// Store::kBusyMs for a lock.
sqlite3* openConnection(const std::string& path, int flags, std::string* error, int* code);
void syncDirectoryOf(const std::string& path);

}  // namespace storedb
}  // namespace fiscemu
