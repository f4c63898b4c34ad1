// The printer's memory is never lost nor silently altered: answered calls are
// synced, calls that change nothing neither lock nor write, waits are bounded,
// a damaged or foreign file is never used nor rewritten, the fiscal memory's
// hash chain names the record that was touched, readings never replace the
// memory's files, and a file-size limit is answered, not fatal.
#include <dirent.h>
#include <signal.h>
#include <sqlite3.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <set>
#include <sstream>
#include <thread>

#include "core/chain.h"
#include "core/codes.h"
#include "driver_support.h"
#include "memory_files.h"

using namespace emutest;
using fiscemu::Device;

namespace {

// ---------------------------------------------------------------- a counting VFS

// Wraps the default VFS and counts the syncs and writes SQLite makes on the
// memory's files, in this process (the library and the tests share SQLite).
std::atomic<int> gSyncs{0}, gWrites{0};
sqlite3_vfs* gRealVfs = nullptr;
sqlite3_vfs gCountingVfs;
sqlite3_io_methods gCountingMethods;

struct CountingFile {
    sqlite3_file base;
    sqlite3_file* real;
};

sqlite3_file* real(sqlite3_file* f) {
    return reinterpret_cast<CountingFile*>(f)->real;
}

int cClose(sqlite3_file* f) {
    return real(f)->pMethods->xClose(real(f));
}
int cRead(sqlite3_file* f, void* b, int n, sqlite3_int64 o) {
    return real(f)->pMethods->xRead(real(f), b, n, o);
}
int cWrite(sqlite3_file* f, const void* b, int n, sqlite3_int64 o) {
    ++gWrites;
    return real(f)->pMethods->xWrite(real(f), b, n, o);
}
int cTruncate(sqlite3_file* f, sqlite3_int64 size) {
    return real(f)->pMethods->xTruncate(real(f), size);
}
int cSync(sqlite3_file* f, int flags) {
    ++gSyncs;
    return real(f)->pMethods->xSync(real(f), flags);
}
int cFileSize(sqlite3_file* f, sqlite3_int64* size) {
    return real(f)->pMethods->xFileSize(real(f), size);
}
int cLock(sqlite3_file* f, int l) {
    return real(f)->pMethods->xLock(real(f), l);
}
int cUnlock(sqlite3_file* f, int l) {
    return real(f)->pMethods->xUnlock(real(f), l);
}
int cCheckReserved(sqlite3_file* f, int* out) {
    return real(f)->pMethods->xCheckReservedLock(real(f), out);
}
int cFileControl(sqlite3_file* f, int op, void* arg) {
    return real(f)->pMethods->xFileControl(real(f), op, arg);
}
int cSectorSize(sqlite3_file* f) {
    return real(f)->pMethods->xSectorSize(real(f));
}
int cDevice(sqlite3_file* f) {
    return real(f)->pMethods->xDeviceCharacteristics(real(f));
}
int cShmMap(sqlite3_file* f, int page, int size, int extend, void volatile** p) {
    return real(f)->pMethods->xShmMap(real(f), page, size, extend, p);
}
int cShmLock(sqlite3_file* f, int offset, int n, int flags) {
    return real(f)->pMethods->xShmLock(real(f), offset, n, flags);
}
void cShmBarrier(sqlite3_file* f) {
    real(f)->pMethods->xShmBarrier(real(f));
}
int cShmUnmap(sqlite3_file* f, int del) {
    return real(f)->pMethods->xShmUnmap(real(f), del);
}
int cFetch(sqlite3_file* f, sqlite3_int64 o, int n, void** p) {
    return real(f)->pMethods->xFetch(real(f), o, n, p);
}
int cUnfetch(sqlite3_file* f, sqlite3_int64 o, void* p) {
    return real(f)->pMethods->xUnfetch(real(f), o, p);
}

int cOpen(sqlite3_vfs*, sqlite3_filename name, sqlite3_file* file, int flags, int* outFlags) {
    auto* f = reinterpret_cast<CountingFile*>(file);
    f->real = reinterpret_cast<sqlite3_file*>(f + 1);
    int rc = gRealVfs->xOpen(gRealVfs, name, f->real, flags, outFlags);
    f->base.pMethods = (rc == SQLITE_OK && f->real->pMethods) ? &gCountingMethods : nullptr;
    return rc;
}

void installCountingVfs() {
    static bool done = [] {
        gRealVfs = sqlite3_vfs_find(nullptr);
        gCountingVfs = *gRealVfs;
        gCountingVfs.zName = "counting";
        gCountingVfs.szOsFile = static_cast<int>(sizeof(CountingFile)) + gRealVfs->szOsFile;
        gCountingVfs.xOpen = cOpen;
        gCountingMethods = sqlite3_io_methods{
            3,        cClose,      cRead,          cWrite,       cTruncate,   cSync,   cFileSize,
            cLock,    cUnlock,     cCheckReserved, cFileControl, cSectorSize, cDevice, cShmMap,
            cShmLock, cShmBarrier, cShmUnmap,      cFetch,       cUnfetch};
        return sqlite3_vfs_register(&gCountingVfs, 1) == SQLITE_OK;
    }();
    ASSERT_TRUE(done);
}

// ---------------------------------------------------------------- helpers

// Another process's connection to the memory, as raw SQLite.
class RawConnection {
public:
    explicit RawConnection(const std::string& path) {
        EXPECT_EQ(sqlite3_open_v2(path.c_str(), &db_, SQLITE_OPEN_READWRITE, nullptr), SQLITE_OK);
        sqlite3_busy_timeout(db_, 5000);
    }
    ~RawConnection() { sqlite3_close(db_); }
    void exec(const std::string& sql) {
        char* msg = nullptr;
        int rc = sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &msg);
        EXPECT_EQ(rc, SQLITE_OK) << sql << ": " << (msg ? msg : "");
        sqlite3_free(msg);
    }
    // The first column of the first row of a query, as text.
    std::string text(const std::string& sql) {
        std::string out;
        sqlite3_stmt* st = nullptr;
        EXPECT_EQ(sqlite3_prepare_v2(db_, sql.c_str(), -1, &st, nullptr), SQLITE_OK) << sql;
        if (sqlite3_step(st) == SQLITE_ROW && sqlite3_column_text(st, 0))
            out = reinterpret_cast<const char*>(sqlite3_column_text(st, 0));
        sqlite3_finalize(st);
        return out;
    }

private:
    sqlite3* db_ = nullptr;
};

std::string fileBytes(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    std::stringstream s;
    s << f.rdbuf();
    return s.str();
}

bool exists(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0;
}

double secondsOf(const std::function<void()>& f) {
    auto start = std::chrono::steady_clock::now();
    f();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

class Memory : public DriverTest {
protected:
    // Makes `n` Z reductions, one per day, each with a sale of its own.
    void zReductions(int n) {
        for (int i = 0; i < n; ++i) {
            ASSERT_EQ(ecfImpCab(0), 0);
            std::string price = std::to_string(100 * (i + 1));
            ASSERT_EQ(ecfVenda_Item("1", "Produto", "1", "000", price.c_str(), 0), 0);
            ASSERT_EQ(ecfPagamento(0, "00", "100000", 0), 0);
            ASSERT_EQ(ecfFimTrans("OP"), 0);
            ASSERT_EQ(ecfReducaoZ("OP"), 0);
            ASSERT_TRUE(dev().nextDay());
        }
    }
    // Moves every committed page into the memory's own file (with no
    // connection of the library left open, the WAL is then empty).
    void checkpointIntoFile() {
        RawConnection raw(dir_->db());
        raw.exec("PRAGMA wal_checkpoint(TRUNCATE)");
    }
    // Closes every connection of this process to the memory.
    void closeAll() {
        tool_.reset();
        // The library lets go of the memory when the environment names another.
        setenv("ECFSIM_DB", "/nonexistent-folder/ecfsim.db", 1);
        ecfStatusImp();
        setenv("ECFSIM_DB", dir_->db().c_str(), 1);
    }
    // The tool's connection, opened again after closeAll.
    Device& dev() {
        if (!tool_) {
            std::string error;
            tool_ = Device::open(dir_->db(), &error);
            EXPECT_TRUE(tool_) << error;
        }
        return tool();
    }
    // The explanation and code of opening the memory now.
    std::pair<int, std::string> openFailure() {
        std::string error;
        int code = 0;
        auto d = Device::open(dir_->db(), &error, &code);
        return {d ? 0 : code, error};
    }
};

}  // namespace

// ---------------------------------------------------------------- durable answers

TEST_F(Memory, EveryStateChangeIsSyncedAndCallsThatChangeNothingWriteNothing) {
    installCountingVfs();
    closeAll();  // reopened through the counting VFS
    ASSERT_EQ(ecfImpCab(0), 0);
    ASSERT_EQ(ecfInicCupomNFiscal(1), 0);
    int syncs = gSyncs, writes = gWrites;
    const int calls = 40;
    for (int i = 0; i < calls; ++i)
        ASSERT_EQ(ecfImpLinha("Linha"), 0);
    EXPECT_GE(gSyncs - syncs, calls) << "an answered change must be on disk";

    syncs = gSyncs;
    writes = gWrites;
    for (int i = 0; i < calls; ++i) {
        ASSERT_EQ(statusImp().size(), 8u);
        ASSERT_EQ(ecfLeituraX("X"), fiscemu::kWrongState);  // refused: a coupon is open
    }
    EXPECT_EQ(gSyncs - syncs, 0);
    EXPECT_EQ(gWrites - writes, 0);
    // Both kinds of call are traced all the same.
    std::vector<fiscemu::TraceRow> trace = dev().store().trace(0, 2);
    ASSERT_EQ(trace.size(), 2u);
    EXPECT_EQ(trace[0].function, "ecfStatusImp");
    EXPECT_EQ(trace[1].function, "ecfLeituraX");
    EXPECT_EQ(trace[1].result, "12");
}

// A changed value is rewritten in its own row. Deleting the row and inserting
// it anew, under a new rowid, would also rewrite the key's index: one more
// page in the commit of nearly every call.
TEST_F(Memory, ChangedValuesStayInTheirRows) {
    auto rows = [this](const char* table) {
        return RawConnection(dir_->db())
            .text(std::string("SELECT group_concat(key || '@' || rowid, ' ') FROM (SELECT key, "
                              "rowid FROM ") +
                  table + " ORDER BY key)");
    };
    std::string state = rows("state"), settings = rows("settings");
    ASSERT_NE(state, "");
    ASSERT_EQ(ecfImpCab(0), 0);
    ASSERT_EQ(ecfVenda_Item("1", "Produto", "1", "000", "150", 0), 0);
    ASSERT_TRUE(
        dev().updateSettings([](fiscemu::Settings& s) { s.paper = fiscemu::kPaperLowLevel; }));
    EXPECT_EQ(rows("state"), state);
    EXPECT_EQ(rows("settings"), settings);
    EXPECT_EQ(RawConnection(dir_->db()).text("SELECT value FROM settings WHERE key = 'paper'"),
              std::to_string(fiscemu::kPaperLowLevel));
}

namespace {
// The threads of this process.
size_t threadCount() {
    size_t n = 0;
    if (DIR* d = opendir("/proc/self/task")) {
        while (dirent* e = readdir(d))
            n += e->d_name[0] != '.';
        closedir(d);
    }
    return n;
}
}  // namespace

// Calls back to back never leave the checkpoint a moment between them: the
// checkpoint thread makes the WAL start over all the same, so its file stops
// growing after the first round (about 4 MiB) and commits write over it.
// The thread starts with the first round: a program that writes less than
// a round never has it.
TEST_F(Memory, CheckpointsRunOnTheirOwnThreadAndTheWalStartsOver) {
    const size_t threadsBefore = threadCount();
    for (int i = 0; i < 20; ++i)
        ASSERT_EQ(ecfLineFeed(1, 1), 0);
    EXPECT_EQ(threadCount(), threadsBefore) << "a checkpoint thread before any round was due";
    struct stat st {};
    ASSERT_EQ(stat(dir_->db().c_str(), &st), 0);
    const off_t initial = st.st_size;
    auto walSize = [&] {
        struct stat w {};
        return stat((dir_->db() + "-wal").c_str(), &w) == 0 ? w.st_size : off_t{-1};
    };
    // Each line feed commits at least one frame of a 1 KiB page: some 12 MiB
    // of frames, three rounds of the checkpoint thread.
    off_t largest = 0;
    for (int i = 0; i < 12000; ++i) {
        ASSERT_EQ(ecfLineFeed(1, 1), 0);
        if (i % 100 == 0)
            largest = std::max(largest, walSize());
    }
    // The pages reach the memory's own file without any caller checkpointing:
    // the library's connection has automatic checkpoints off.
    bool grew = false;
    for (int i = 0; i < 50 && !grew; ++i) {
        ASSERT_EQ(stat(dir_->db().c_str(), &st), 0);
        grew = st.st_size > initial;
        if (!grew)
            usleep(100 * 1000);
    }
    EXPECT_TRUE(grew) << "the memory's file stayed at " << st.st_size << " bytes";
    // A WAL that never started over would hold all of them, over 12 MiB; the
    // bound leaves room for a round or two given up on a loaded machine
    // (a round waits at most 20 ms for the call in progress).
    EXPECT_LT(largest, 10 * 1024 * 1024) << "the WAL did not start over: " << largest << " bytes";
    EXPECT_EQ(threadCount(), threadsBefore + 1);
}

// While the checkpoint thread holds writers back (its moment to make the WAL
// start over), a refused command answers at once and an accepted one writes
// only once they are let go.
TEST_F(Memory, WhileWritersAreHeldBackRefusalsAnswerAndWritesWait) {
    ASSERT_EQ(ecfImpCab(0), 0);  // a coupon is open: another header is refused
    Device& d = dev();
    std::atomic<int> stage{0};  // 1 held, 2 refusal answered, 3 let go
    std::thread holder([&] {
        auto held = d.store().holdWritersBack();
        stage = 1;
        while (stage < 2)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        stage = 3;
    });
    while (stage < 1)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    EXPECT_EQ(
        d.command("ecfImpCab", "0", [](fiscemu::CallContext& c) { return c.printer.impCab(0); }),
        fiscemu::kWrongState);
    EXPECT_EQ(stage.load(), 1) << "the refusal waited for the writers to be let go";
    stage = 2;
    EXPECT_EQ(d.command("ecfLineFeed", "1, 1",
                        [](fiscemu::CallContext& c) { return c.printer.lineFeed(1, 1); }),
              0);
    EXPECT_EQ(stage.load(), 3) << "the write did not wait for the writers to be let go";
    holder.join();
    EXPECT_TRUE(d.verify().empty());
}

TEST_F(Memory, StatusRepliesAndRefusalsNeitherWaitForAWriterNorMissItsCommits) {
    RawConnection other(dir_->db());
    other.exec("UPDATE settings SET value=1 WHERE key='paper'");  // paper low, committed
    other.exec("BEGIN IMMEDIATE");
    other.exec("UPDATE settings SET value=2 WHERE key='paper'");  // paper out, not committed
    std::string reply;
    double took = secondsOf([&] { reply = statusImp(); });
    EXPECT_LT(took, 1.0);
    ASSERT_EQ(reply.size(), 8u) << reply;
    EXPECT_EQ(reply[5], '1');  // sees the committed low paper
    int32_t rc = 0;
    took = secondsOf([&] { rc = ecfFimTrans("OP"); });
    EXPECT_LT(took, 1.0);
    EXPECT_EQ(rc, fiscemu::kWrongState);
    other.exec("ROLLBACK");
}

TEST_F(Memory, AWriteLockHeldElsewhereGivesBusyAfterTwoSecondsAndChangesNothing) {
    std::string before = coupon();
    {
        RawConnection other(dir_->db());
        other.exec("BEGIN IMMEDIATE");
        int32_t rc = 0;
        double queued = runQueueSeconds();
        double took = secondsOf([&] { rc = ecfImpCab(0); });
        // The call's own time, less what a loaded machine kept it waiting.
        double own = queued >= 0 ? took - (runQueueSeconds() - queued) : took;
        EXPECT_EQ(rc, fiscemu::kBusy);
        EXPECT_GE(took, fiscemu::Store::kBusyMs / 1000.0);
        EXPECT_LT(own, fiscemu::Store::kBusyMs / 1000.0 + 2.0);
        // A status reply that must use up a pending fault needs the lock too.
        other.exec("INSERT INTO faults(function, code) VALUES('ecfStatusImp', 21)");
        other.exec("COMMIT");
        other.exec("BEGIN IMMEDIATE");
        EXPECT_EQ(statusImp(), "Erro: 042 Memoria ocupada");
        other.exec("ROLLBACK");
    }
    EXPECT_EQ(statusImp(), "Erro: 021 Falha simulada");
    EXPECT_EQ(coupon().substr(0, 11), before.substr(0, 11));  // no new COO
    EXPECT_EQ(stateNow(), 0);
    std::vector<fiscemu::TraceRow> trace = dev().store().trace(0, 0);
    bool tracedBusy = false;
    for (const auto& r : trace)
        tracedBusy |= r.function == "ecfImpCab" && r.result == "42";
    EXPECT_TRUE(tracedBusy);
}

// ---------------------------------------------------------------- a checked memory

TEST_F(Memory, EmptyOrForeignFilesAreNeverUsedNorRewritten) {
    closeAll();
    struct Case {
        const char* what;
        std::string content;
    };
    std::string foreign;
    {
        // A sound SQLite database that is not a printer memory.
        std::string path = dir_->path() + "/foreign.db";
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
        sqlite3_exec(db, "CREATE TABLE notes(x); INSERT INTO notes VALUES('mine')", nullptr,
                     nullptr, nullptr);
        sqlite3_close(db);
        foreign = fileBytes(path);
    }
    for (const Case& c : {Case{"empty", ""}, Case{"garbage", std::string(8192, 'x')},
                          Case{"foreign database", foreign}}) {
        SCOPED_TRACE(c.what);
        for (const char* suffix : {"", "-wal", "-shm", "-trace"})
            unlink((dir_->db() + suffix).c_str());
        {
            std::ofstream f(dir_->db(), std::ios::binary);
            f << c.content;
        }
        EXPECT_EQ(statusImp(), "Erro: 041 Memoria danificada");
        EXPECT_EQ(ecfImpCab(0), fiscemu::kDamaged);
        EXPECT_EQ(ecfReducaoZ("OP"), fiscemu::kDamaged);
        EXPECT_EQ(ecfLeitMemFisc(2, "101098", "101198", 1, 10, "tavrel.txt"), fiscemu::kDamaged);
        EXPECT_EQ(fileBytes(dir_->db()), c.content);
        EXPECT_FALSE(exists(dir_->db() + "-wal"));
        auto [code, error] = openFailure();
        EXPECT_EQ(code, fiscemu::kDamaged);
        EXPECT_NE(error.find(dir_->db()), std::string::npos) << error;
        EXPECT_EQ(fileBytes(dir_->db()), c.content);
        // The refused calls are traced all the same, beside the file.
        std::vector<fiscemu::TraceRow> trace = fiscemu::TraceLog(dir_->db()).read(0, 0);
        ASSERT_EQ(trace.size(), 4u);
        EXPECT_EQ(trace[0].result, "\"Erro: 041 Memoria danificada\"");
        EXPECT_EQ(trace[1].function, "ecfImpCab");
        EXPECT_EQ(trace[1].result, "41");
    }
}

TEST_F(Memory, AMemoryFileLostBesideItsWalIsNotRecreated) {
    ASSERT_EQ(ecfImpCab(0), 0);
    ASSERT_TRUE(exists(dir_->db() + "-wal"));
    std::string wal = fileBytes(dir_->db() + "-wal");
    closeAll();
    // The file goes; its WAL stays (a copy, as the last connection removes it).
    {
        std::ofstream f(dir_->db() + "-wal", std::ios::binary);
        f << wal;
    }
    ASSERT_EQ(unlink(dir_->db().c_str()), 0);
    EXPECT_EQ(statusImp(), "Erro: 041 Memoria danificada");
    EXPECT_EQ(ecfImpCab(0), fiscemu::kDamaged);
    EXPECT_FALSE(exists(dir_->db()));
    auto [code, error] = openFailure();
    EXPECT_EQ(code, fiscemu::kDamaged);
    EXPECT_NE(error.find("-wal remains"), std::string::npos) << error;
}

TEST_F(Memory, PagesScribbledOverMakeTheMemoryDamaged) {
    zReductions(1);
    closeAll();
    checkpointIntoFile();
    std::string bytes = fileBytes(dir_->db());
    const size_t page = pageSizeOf(bytes);
    ASSERT_GT(bytes.size(), 2 * page);
    // Scribble over every page but the first (the header stays readable).
    for (size_t i = page; i < bytes.size(); i += 512)
        bytes.replace(i, 64, std::string(64, '\x5A'));
    {
        std::ofstream f(dir_->db(), std::ios::binary | std::ios::trunc);
        f << bytes;
    }
    auto [code, error] = openFailure();
    EXPECT_EQ(code, fiscemu::kDamaged) << error;
    EXPECT_EQ(statusImp(), "Erro: 041 Memoria danificada");
    EXPECT_EQ(ecfReducaoZ("OP"), fiscemu::kDamaged);
    EXPECT_EQ(fileBytes(dir_->db()), bytes);
}

// The whole file is read at an open only without the mark of a complete
// check; with one, the open checks every table but the paper roll, and the
// roll's lines printed since the mark. The mark goes with the first change
// after an open; `verify` still reads everything.
TEST_F(Memory, TheOpenChecksTheRollFromItsMarkAndVerifyChecksEverything) {
    auto query = [this](const std::string& sql) { return RawConnection(dir_->db()).text(sql); };
    const std::string mark = "SELECT value FROM meta WHERE key='verified_paper'";
    ASSERT_EQ(statusImp().size(), 8u);
    EXPECT_EQ(query(mark), "0") << "a new memory has nothing unchecked";
    zReductions(2);
    closeAll();
    const std::string before = query(mark);
    const std::string checked = query("SELECT max(id) FROM paper");
    ASSERT_LT(std::stoll(before), std::stoll(checked));
    ASSERT_EQ(statusImp().size(), 8u);
    EXPECT_EQ(query(mark), before) << "a call that changes nothing writes no mark";
    ASSERT_EQ(ecfImpCab(0), 0);
    EXPECT_EQ(query(mark), checked);
    // Enough lines since the mark that lines it covers lie before the
    // newest thousand or so (which every open reads), and fill whole leaves
    // of the roll's tree.
    for (int coupon = 0;
         std::stoll(query("SELECT max(id) FROM paper")) < std::stoll(checked) + 1200; ++coupon) {
        ASSERT_LT(coupon, 400);
        if (coupon > 0) {
            ASSERT_EQ(ecfImpCab(0), 0);
        }
        ASSERT_EQ(ecfVenda_Item("1", "Produto", "1", "000", "100", 0), 0);
        ASSERT_EQ(ecfPagamento(0, "00", "100000", 0), 0);
        ASSERT_EQ(ecfFimTrans("OP"), 0);
    }
    closeAll();
    checkpointIntoFile();
    const std::string original = fileBytes(dir_->db());
    const size_t page = pageSizeOf(original);
    // The roll's leaves in key order, with the lines each holds: one leaf of
    // lines the mark covers, and one of lines printed since that is not the
    // newest leaf (whose path every open reads to find the newest line).
    const int64_t coveredLines =
        std::stoll(query("SELECT count(*) FROM paper WHERE id <= " + checked));
    int coveredLeaf = 0, newLeaf = 0;
    {
        sqlite3* raw = nullptr;
        ASSERT_EQ(sqlite3_open_v2(dir_->db().c_str(), &raw, SQLITE_OPEN_READONLY, nullptr),
                  SQLITE_OK);
        sqlite3_stmt* st = nullptr;
        ASSERT_EQ(sqlite3_prepare_v2(raw,
                                     "SELECT pageno, ncell FROM dbstat WHERE name='paper' AND "
                                     "pagetype='leaf' ORDER BY path",
                                     -1, &st, nullptr),
                  SQLITE_OK);
        std::vector<std::pair<int, int64_t>> leaves;  // page, lines up to its end
        int64_t lines = 0;
        while (sqlite3_step(st) == SQLITE_ROW) {
            lines += sqlite3_column_int64(st, 1);
            leaves.emplace_back(sqlite3_column_int(st, 0), lines);
        }
        sqlite3_finalize(st);
        sqlite3_close(raw);
        for (size_t i = 0; i + 1 < leaves.size(); ++i) {
            const int64_t first = i == 0 ? 1 : leaves[i - 1].second + 1;
            if (leaves[i].second <= coveredLines && coveredLeaf == 0)
                coveredLeaf = leaves[i].first;
            if (first > coveredLines && newLeaf == 0)
                newLeaf = leaves[i].first;
        }
    }
    ASSERT_NE(coveredLeaf, 0);
    ASSERT_NE(newLeaf, 0);
    auto scribbled = [&](int pageNo) {
        std::string bytes = original;
        for (size_t i = 0; i < page; ++i)
            bytes[(static_cast<size_t>(pageNo) - 1) * page + i] =
                static_cast<char>(0x5A ^ (i * 131));
        for (const char* suffix : {"-wal", "-shm"})
            unlink((dir_->db() + suffix).c_str());
        std::ofstream f(dir_->db(), std::ios::binary | std::ios::trunc);
        f << bytes;
        return bytes;
    };

    std::string bytes = scribbled(newLeaf);
    auto [code, error] = openFailure();
    EXPECT_EQ(code, fiscemu::kDamaged) << "the lines since the mark are checked at every open";
    EXPECT_EQ(statusImp(), "Erro: 041 Memoria danificada");
    EXPECT_EQ(fileBytes(dir_->db()), bytes);
    closeAll();

    scribbled(coveredLeaf);
    {
        std::string why;
        int openCode = 0;
        auto checkedAtOpen = Device::open(dir_->db(), &why, &openCode);
        ASSERT_TRUE(checkedAtOpen) << "lines checked before are not read again at an open: " << why;
        EXPECT_FALSE(checkedAtOpen->verify().empty()) << "verify reads the whole file";
    }

    // A mark the roll does not reach (a reset since, or a forged one) asks
    // for the complete check.
    scribbled(coveredLeaf);
    {
        RawConnection raw(dir_->db());
        raw.exec(
            "UPDATE meta SET value = (SELECT max(id) + 1 FROM paper) WHERE key='verified_paper'");
    }
    checkpointIntoFile();
    std::tie(code, error) = openFailure();
    EXPECT_EQ(code, fiscemu::kDamaged) << error;
}

TEST_F(Memory, TheChainNamesAnAlteredDeletedOrReorderedRecord) {
    zReductions(4);
    closeAll();
    const std::string db = dir_->db();
    std::string sound = db + ".sound";
    checkpointIntoFile();
    std::string original = fileBytes(db);
    auto restore = [&] {
        for (const char* suffix : {"-wal", "-shm"})
            unlink((db + suffix).c_str());
        std::ofstream f(db, std::ios::binary | std::ios::trunc);
        f << original;
    };
    auto tamper = [&](const std::string& sql) {
        restore();
        RawConnection raw(db);
        raw.exec("DROP TRIGGER fiscal_memory_no_update; DROP TRIGGER fiscal_memory_no_delete; " +
                 sql);
    };
    struct Case {
        const char* what;
        std::string sql, named;
    };
    const Case cases[] = {
        {"a gross amount raised", "UPDATE fiscal_memory SET gross=gross+1 WHERE z=2", "Z 2"},
        {"its only totaliser left out", "UPDATE fiscal_memory SET details='' WHERE z=1", "Z 1"},
        {"a middle record deleted", "DELETE FROM fiscal_memory WHERE z=3", "Z 4"},
        {"the newest record deleted", "DELETE FROM fiscal_memory WHERE z=4", "Z 4"},
        {"two records swapped",
         "UPDATE fiscal_memory SET z=-1 WHERE z=2; UPDATE fiscal_memory SET z=2 WHERE z=3; "
         "UPDATE fiscal_memory SET z=3 WHERE z=-1",
         "Z 2"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        tamper(c.sql);
        auto [code, error] = openFailure();
        EXPECT_EQ(code, fiscemu::kDamaged);
        EXPECT_NE(error.find(c.named), std::string::npos) << error;
        EXPECT_EQ(ecfStatusImp(), std::string("Erro: 041 Memoria danificada"));
        EXPECT_EQ(ecfReducaoZ("OP"), fiscemu::kDamaged);
    }
    restore();
    auto [code, error] = openFailure();
    EXPECT_EQ(code, 0) << error;
}

TEST_F(Memory, EachRecordChainsFromThePreviousOne) {
    zReductions(3);
    std::vector<fiscemu::FiscalRecord> fm = dev().store().fiscalMemory();
    ASSERT_EQ(fm.size(), 3u);
    std::string previous = fiscemu::chainStart();
    for (const auto& r : fm) {
        ASSERT_EQ(r.hash.size(), fiscemu::kHashBytes);
        EXPECT_EQ(r.hash, fiscemu::chainHash(r, previous));
        previous = r.hash;
    }
    EXPECT_EQ(dev().store().chainHead(), fm.back().hash);
    EXPECT_TRUE(dev().verify().empty());
}

// SQLite comes into a program with the library's first call, not with the
// library: a program that links only the library sees it arrive then (see
// library_loading_probe.cpp), and the record written at its Z reduction
// chains as every record does.
TEST_F(Memory, SqliteIsLoadedAtTheFirstCall) {
    const int status = std::system(LIBRARY_LOADING_PROBE);
    ASSERT_TRUE(WIFEXITED(status));
    ASSERT_EQ(WEXITSTATUS(status), 0) << "exit status explained in library_loading_probe.cpp";
    std::vector<fiscemu::FiscalRecord> fm = dev().store().fiscalMemory();
    ASSERT_EQ(fm.size(), 1u);
    EXPECT_EQ(fm[0].hash, fiscemu::chainHash(fm[0], fiscemu::chainStart()));
    EXPECT_TRUE(dev().verify().empty());
}

TEST_F(Memory, AnOldMemoryReceivesItsChainOnceAndRecordsIt) {
    zReductions(3);
    std::vector<fiscemu::FiscalRecord> before = dev().store().fiscalMemory();
    closeAll();
    {
        // The memory as the library wrote it before the chain existed.
        RawConnection raw(dir_->db());
        raw.exec(
            "DROP TRIGGER fiscal_memory_no_update; DROP TRIGGER fiscal_memory_no_delete;"
            "ALTER TABLE fiscal_memory DROP COLUMN hash;"
            "DELETE FROM meta WHERE key='fm_head'; UPDATE meta SET value=1 WHERE key='schema';"
            "CREATE TRIGGER fiscal_memory_no_update BEFORE UPDATE ON fiscal_memory BEGIN "
            "SELECT RAISE(ABORT, 'fiscal memory is append-only'); END;"
            "CREATE TRIGGER fiscal_memory_no_delete BEFORE DELETE ON fiscal_memory BEGIN "
            "SELECT RAISE(ABORT, 'fiscal memory is append-only'); END;");
    }
    std::string error;
    auto d = Device::open(dir_->db(), &error);
    ASSERT_TRUE(d) << error;
    std::vector<fiscemu::FiscalRecord> after = d->store().fiscalMemory();
    ASSERT_EQ(after.size(), before.size());
    for (size_t i = 0; i < after.size(); ++i) {
        EXPECT_EQ(after[i].hash, before[i].hash) << "the same content gives the same chain";
        EXPECT_EQ(after[i].gross, before[i].gross);
    }
    EXPECT_TRUE(d->verify().empty());
    d.reset();
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(dir_->db().c_str(), &db), SQLITE_OK);
    sqlite3_stmt* st = nullptr;
    ASSERT_EQ(sqlite3_prepare_v2(db, "SELECT key, value FROM meta ORDER BY key", -1, &st, nullptr),
              SQLITE_OK);
    std::map<std::string, std::string> meta;
    while (sqlite3_step(st) == SQLITE_ROW)
        meta[reinterpret_cast<const char*>(sqlite3_column_text(st, 0))] =
            reinterpret_cast<const char*>(sqlite3_column_text(st, 1));
    sqlite3_finalize(st);
    char* msg = nullptr;
    // The fiscal memory is append-only again after the upgrade.
    EXPECT_NE(sqlite3_exec(db, "UPDATE fiscal_memory SET gross=0", nullptr, nullptr, &msg),
              SQLITE_OK);
    sqlite3_free(msg);
    sqlite3_close(db);
    EXPECT_EQ(meta["schema"], "2");
    EXPECT_NE(meta["chain_upgrade"].find("3 existing records"), std::string::npos);
    // The upgraded memory keeps working and chaining.
    EXPECT_EQ(ecfLeituraX("X"), 0);
    EXPECT_EQ(ecfReducaoZ("OP"), 0);
    EXPECT_TRUE(dev().verify().empty());
    EXPECT_EQ(dev().store().fiscalMemory().size(), 4u);
}

// New memories have 4 KiB pages, the sector SQLite assumes: with powersafe
// overwrite off, a commit also rewrites the unchanged pages that share a
// sector with a changed one, so an item sale with 1 KiB pages wrote 15.
// One made with 1 KiB pages keeps them and works as before.
TEST_F(Memory, NewMemoriesHaveSectorSizedPagesAndOlderOnesKeepTheirs) {
    zReductions(2);
    std::vector<fiscemu::FiscalRecord> before = dev().store().fiscalMemory();
    closeAll();
    checkpointIntoFile();
    ASSERT_EQ(pageSizeOf(fileBytes(dir_->db())), 4096u);
    {
        RawConnection raw(dir_->db());
        raw.exec("PRAGMA journal_mode=DELETE");
        raw.exec("PRAGMA page_size=1024");
        raw.exec("VACUUM");
        raw.exec("PRAGMA journal_mode=WAL");
    }
    ASSERT_EQ(pageSizeOf(fileBytes(dir_->db())), 1024u);
    EXPECT_EQ(ecfLeituraX("X"), 0);
    EXPECT_EQ(ecfReducaoZ("OP"), 0);
    EXPECT_TRUE(dev().verify().empty());
    std::vector<fiscemu::FiscalRecord> after = dev().store().fiscalMemory();
    ASSERT_EQ(after.size(), before.size() + 1);
    for (size_t i = 0; i < before.size(); ++i)
        EXPECT_EQ(after[i].hash, before[i].hash);
    closeAll();
    checkpointIntoFile();
    EXPECT_EQ(pageSizeOf(fileBytes(dir_->db())), 1024u) << "the library changed an existing memory";
}

// An item sale after the coupon's first adds its item and its paper lines;
// the day's totals it changes follow from the item rows, so its commit
// writes those two pages and no other (padding repeats the last one).
TEST_F(Memory, AnItemSaleWritesOnlyThePagesItChanges) {
    ASSERT_EQ(ecfImpCab(0), 0);
    ASSERT_EQ(ecfVenda_Item("1", "Produto", "1", "000", "150", 0), 0);
    const size_t framesBefore = emutest::walFramePages(fileBytes(dir_->db() + "-wal")).size();
    ASSERT_GT(framesBefore, 0u);
    ASSERT_EQ(ecfVenda_Item("2", "Produto", "1", "000", "150", 0), 0);
    std::vector<uint32_t> frames = emutest::walFramePages(fileBytes(dir_->db() + "-wal"));
    ASSERT_GT(frames.size(), framesBefore);
    std::set<uint32_t> pages(frames.begin() + static_cast<std::ptrdiff_t>(framesBefore),
                             frames.end());
    EXPECT_LE(pages.size(), 2u) << "pages written by one item sale: " << pages.size();
}

// Until format 3 the day's totals also held the open coupon's item sales.
// Such a memory, left with a coupon open, reads the same totals; nothing is
// written at its open, and its first change turns it into format 3 in the
// same commit. The coupon goes on to its end.
TEST_F(Memory, AFormerMemoryWithACouponOpenKeepsItsTotals) {
    ASSERT_EQ(ecfImpCab(0), 0);
    ASSERT_EQ(ecfVenda_Item("1", "Produto", "1", "000", "150", 0), 0);
    ASSERT_EQ(ecfVenda_Item("2", "Produto", "2", "000", "100", 1), 0);
    const fiscemu::PrinterState before = dev().state();
    closeAll();
    {
        // The same memory as the former library wrote it.
        RawConnection raw(dir_->db());
        EXPECT_EQ(raw.text("SELECT total FROM tax_rates WHERE pos=0"), "0");
        raw.exec(
            "UPDATE tax_rates SET total=total+150 WHERE pos=0;"
            "UPDATE tax_rates SET total=total+200 WHERE pos=1;"
            "UPDATE state SET value=value+350 WHERE key IN ('gt','day_gross');"
            "UPDATE meta SET value=2 WHERE key='schema'");
    }
    auto schema = [&] {
        RawConnection raw(dir_->db());
        return raw.text("SELECT value FROM meta WHERE key='schema'");
    };
    auto rateStored = [&](int pos) {
        RawConnection raw(dir_->db());
        return raw.text("SELECT total FROM tax_rates WHERE pos=" + std::to_string(pos));
    };
    const fiscemu::PrinterState& after = dev().state();
    EXPECT_EQ(after.s.gt, before.s.gt);
    EXPECT_EQ(after.s.dayGross, before.s.dayGross);
    EXPECT_TRUE(after.rates == before.rates);
    ASSERT_EQ(after.doc.items.size(), 2u);
    ecfStatusImp();  // the library reads the memory; a reply writes nothing
    EXPECT_EQ(schema(), "2");
    ASSERT_EQ(ecfVenda_Item("3", "Produto", "1", "000", "50", 0), 0);
    EXPECT_EQ(schema(), "3");
    EXPECT_EQ(rateStored(0), "0");
    EXPECT_EQ(rateStored(1), "0");
    EXPECT_EQ(dev().state().s.gt, 400);
    EXPECT_EQ(dev().state().rates[0].total, 200);
    EXPECT_EQ(ecfPagamento(0, "00", "100000", 0), 0);
    EXPECT_EQ(ecfFimTrans("OP"), 0);
    EXPECT_EQ(rateStored(1), "200");
    EXPECT_EQ(dev().state().s.gt, 400);
    EXPECT_TRUE(dev().verify().empty());
}

// ---------------------------------------------------------------- readings never touch the memory

TEST_F(Memory, AReadingNeverReplacesTheMemoryOrItsCompanions) {
    zReductions(1);
    ASSERT_EQ(statusImp().size(), 8u);  // the trace file exists
    ASSERT_EQ(symlink("ecfsim.db", "atalho.txt"), 0);
    ASSERT_EQ(link("ecfsim.db", "copia.txt"), 0);
    ASSERT_EQ(symlink("ecfsim.db-trace", "registro.txt"), 0);
    for (const char* name :
         {"ecfsim.db", "ecfsim.db-wal", "ecfsim.db-shm", "ecfsim.db-journal", "ecfsim.db-trace",
          "ecfsim.db-trace.old", "atalho.txt", "copia.txt", "registro.txt"}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(ecfLeitMemFisc(2, "101098", "101198", 1, 10, name), fiscemu::kBadFileName);
    }
    EXPECT_EQ(ecfLeitMemFisc(2, "101098", "101198", 1, 10, "../ecfsim.db"), fiscemu::kBadFileName);
    EXPECT_TRUE(dev().verify().empty());
    EXPECT_EQ(dev().store().fiscalMemory().size(), 1u);
    EXPECT_FALSE(exists("ecfsim.db-journal"));
    EXPECT_EQ(ecfLeitMemFisc(2, "101098", "101198", 1, 10, "tavrel.txt"), 0);
    EXPECT_NE(fileBytes("tavrel.txt").find("LEITURA DA MEMORIA FISCAL"), std::string::npos);
}

TEST_F(Memory, AFileNamedLikeTheMemoryInAnotherFolderIsFair) {
    // The memory lives elsewhere: a reading called ecfsim.db here is allowed.
    std::string elsewhere = dir_->path() + "/outra";
    ASSERT_EQ(mkdir(elsewhere.c_str(), 0755), 0);
    ASSERT_EQ(chdir(elsewhere.c_str()), 0);
    EXPECT_EQ(ecfLeitMemFisc(2, "101098", "101198", 1, 10, "ecfsim.db"), 0);
    EXPECT_NE(fileBytes("ecfsim.db").find("LEITURA"), std::string::npos);
    ASSERT_EQ(chdir(dir_->path().c_str()), 0);
    EXPECT_TRUE(dev().verify().empty());
}

// ---------------------------------------------------------------- disk full

TEST_F(Memory, AFileSizeLimitGivesTheDiskFullCodeAndKeepsTheMemorySound) {
    int out[2];
    ASSERT_EQ(pipe(out), 0);
    pid_t pid = fork();
    if (pid == 0) {
        dup2(out[1], 1);
        close(out[0]);
        close(out[1]);
        signal(SIGXFSZ, SIG_DFL);  // as a new program starts
        struct rlimit lim {
            128 * 1024, 128 * 1024
        };
        setrlimit(RLIMIT_FSIZE, &lim);
        execl(EMU_WRITER, EMU_WRITER, "fill", static_cast<char*>(nullptr));
        _exit(127);
    }
    close(out[1]);
    std::string output;
    char buf[4096];
    ssize_t n;
    while ((n = read(out[0], buf, sizeof buf)) > 0)
        output.append(buf, static_cast<size_t>(n));
    close(out[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFEXITED(status)) << "killed by signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_NE(output.find("RC 43\n"), std::string::npos) << output;
    int printed = 0;
    ASSERT_EQ(std::sscanf(output.c_str(), "OK %d", &printed), 1) << output;
    EXPECT_GT(printed, 0);
    // Exactly the answered lines are on the roll, and the memory is sound.
    int lines = 0;
    for (const auto& row : dev().store().paper(0, 0))
        lines += row.bytes == "Linha para encher o disco da impressora";
    EXPECT_EQ(lines, printed);
    EXPECT_TRUE(dev().verify().empty());
    EXPECT_EQ(ecfImpLinha("Depois do limite"), 0);
}
