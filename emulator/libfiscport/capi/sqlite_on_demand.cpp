// libsqlite3 comes into a program with the library's first call (which opens
// the printer's memory), not with the library: until then a program that
// links the library, as the bench does until the operator answers the port
// question, does not pay for loading it (its own symbols alone are some 1,600
// lookups across every library of a Qt program).
//
// The SQLite functions the printer uses are defined here, hidden inside
// libfiscport.so, each calling the function of the same name in
// libsqlite3 (BANCADA_LIBSQLITE3, its SONAME), resolved once at its first
// use. The prototypes are sqlite3.h's own, so the compiler holds every
// definition to SQLite's interface. A function the core starts to use without
// a line here is linked straight from libsqlite3 again, which the library
// loading test notices. ecfsim, the panel and the tests link SQLite directly:
// there these functions do not exist, and the library finds that same copy.
#include <dlfcn.h>
#include <sqlite3.h>

#include <cstdio>
#include <cstdlib>

namespace {

void* libsqlite3() {
    static void* const handle = [] {
        // Never closed; RTLD_LOCAL keeps its names out of the program's scope.
        // Not RTLD_DEEPBIND, which would make its lookups cheaper: SQLite
        // must still call the program's own or a preloaded fsync, time, ...
        // (coupon_memory's stand-ins, a fault injector), as when linked.
        void* h = dlopen(BANCADA_LIBSQLITE3, RTLD_NOW | RTLD_LOCAL);
        if (!h) {
            // What the dynamic loader did when the library was linked to it:
            // without SQLite there is no memory, and no call can be answered.
            const char* why = dlerror();
            std::fprintf(stderr, "libfiscport: %s\n", why ? why : BANCADA_LIBSQLITE3);
            std::abort();
        }
        return h;
    }();
    return handle;
}

template <typename Function>
Function resolve(const char* name) {
    void* f = dlsym(libsqlite3(), name);
    if (!f) {
        std::fprintf(stderr, "libfiscport: %s lacks %s\n", BANCADA_LIBSQLITE3, name);
        std::abort();
    }
    return reinterpret_cast<Function>(f);
}

}  // namespace

#define SQLITE_ON_DEMAND(result, name, params, args)                    \
    result name params {                                                \
        static const auto function = resolve<decltype(&::name)>(#name); \
        return function args;                                           \
    }

extern "C" {

SQLITE_ON_DEMAND(int, sqlite3_open_v2,
                 (const char* filename, sqlite3** db, int flags, const char* vfs),
                 (filename, db, flags, vfs))
SQLITE_ON_DEMAND(int, sqlite3_close, (sqlite3 * db), (db))
SQLITE_ON_DEMAND(int, sqlite3_exec,
                 (sqlite3 * db, const char* sql, int (*callback)(void*, int, char**, char**),
                  void* argument, char** error),
                 (db, sql, callback, argument, error))
SQLITE_ON_DEMAND(int, sqlite3_prepare_v2,
                 (sqlite3 * db, const char* sql, int bytes, sqlite3_stmt** statement,
                  const char** tail),
                 (db, sql, bytes, statement, tail))
SQLITE_ON_DEMAND(int, sqlite3_step, (sqlite3_stmt * statement), (statement))
SQLITE_ON_DEMAND(int, sqlite3_reset, (sqlite3_stmt * statement), (statement))
SQLITE_ON_DEMAND(int, sqlite3_finalize, (sqlite3_stmt * statement), (statement))
SQLITE_ON_DEMAND(int, sqlite3_clear_bindings, (sqlite3_stmt * statement), (statement))
SQLITE_ON_DEMAND(int, sqlite3_bind_int, (sqlite3_stmt * statement, int index, int value),
                 (statement, index, value))
SQLITE_ON_DEMAND(int, sqlite3_bind_int64,
                 (sqlite3_stmt * statement, int index, sqlite3_int64 value),
                 (statement, index, value))
SQLITE_ON_DEMAND(int, sqlite3_bind_text,
                 (sqlite3_stmt * statement, int index, const char* text, int bytes,
                  void (*destructor)(void*)),
                 (statement, index, text, bytes, destructor))
SQLITE_ON_DEMAND(int, sqlite3_bind_blob,
                 (sqlite3_stmt * statement, int index, const void* blob, int bytes,
                  void (*destructor)(void*)),
                 (statement, index, blob, bytes, destructor))
SQLITE_ON_DEMAND(int, sqlite3_column_int, (sqlite3_stmt * statement, int column),
                 (statement, column))
SQLITE_ON_DEMAND(sqlite3_int64, sqlite3_column_int64, (sqlite3_stmt * statement, int column),
                 (statement, column))
SQLITE_ON_DEMAND(const unsigned char*, sqlite3_column_text, (sqlite3_stmt * statement, int column),
                 (statement, column))
SQLITE_ON_DEMAND(const void*, sqlite3_column_blob, (sqlite3_stmt * statement, int column),
                 (statement, column))
SQLITE_ON_DEMAND(int, sqlite3_column_bytes, (sqlite3_stmt * statement, int column),
                 (statement, column))
SQLITE_ON_DEMAND(int, sqlite3_column_type, (sqlite3_stmt * statement, int column),
                 (statement, column))
SQLITE_ON_DEMAND(int, sqlite3_errcode, (sqlite3 * db), (db))
SQLITE_ON_DEMAND(int, sqlite3_extended_errcode, (sqlite3 * db), (db))
SQLITE_ON_DEMAND(int, sqlite3_extended_result_codes, (sqlite3 * db, int on), (db, on))
SQLITE_ON_DEMAND(const char*, sqlite3_errmsg, (sqlite3 * db), (db))
SQLITE_ON_DEMAND(int, sqlite3_system_errno, (sqlite3 * db), (db))
SQLITE_ON_DEMAND(int, sqlite3_get_autocommit, (sqlite3 * db), (db))
SQLITE_ON_DEMAND(int, sqlite3_txn_state, (sqlite3 * db, const char* schema), (db, schema))
SQLITE_ON_DEMAND(int, sqlite3_busy_handler,
                 (sqlite3 * db, int (*handler)(void*, int), void* argument),
                 (db, handler, argument))
SQLITE_ON_DEMAND(void*, sqlite3_wal_hook,
                 (sqlite3 * db, int (*hook)(void*, sqlite3*, const char*, int), void* argument),
                 (db, hook, argument))
SQLITE_ON_DEMAND(int, sqlite3_wal_checkpoint_v2,
                 (sqlite3 * db, const char* schema, int mode, int* log, int* checkpointed),
                 (db, schema, mode, log, checkpointed))
SQLITE_ON_DEMAND(int, sqlite3_file_control,
                 (sqlite3 * db, const char* schema, int operation, void* argument),
                 (db, schema, operation, argument))
SQLITE_ON_DEMAND(void, sqlite3_free, (void* memory), (memory))
SQLITE_ON_DEMAND(sqlite3_backup*, sqlite3_backup_init,
                 (sqlite3 * destination, const char* destinationName, sqlite3* source,
                  const char* sourceName),
                 (destination, destinationName, source, sourceName))
SQLITE_ON_DEMAND(int, sqlite3_backup_step, (sqlite3_backup * backup, int pages), (backup, pages))
SQLITE_ON_DEMAND(int, sqlite3_backup_finish, (sqlite3_backup * backup), (backup))

}  // extern "C"
