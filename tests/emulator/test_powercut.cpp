// Power cuts: the program sells, reads and reduces while the power goes off
// at random writes or syncs, in each of two crash models (powercut_vfs.h):
// the writes not synced by then are kept, lost or torn per 512-byte sector,
// the garbage of a torn sector staying in the bytes written (a disk with
// powersafe overwrite) or reaching the whole sector (one without). Some cuts
// are aimed at a Z reduction, at a checkpoint of another connection, at the
// library's own checkpoint thread and at the library closing the memory.
//
// After each cut the library must call the memory sound, and the memory must
// hold every call answered before the cut (and at most the one in flight
// besides), pass SQLite's full integrity check and keep its fiscal memory
// byte for byte: an answered call lost, or a damaged memory the library
// calls sound, fails the test.
#include <sqlite3.h>
#include <stdlib.h>

#include <chrono>
#include <cstdlib>
#include <random>

#include "driver_support.h"
#include "memory_files.h"
#include "powercut_vfs.h"

using namespace emutest;

namespace {

// What the memory holds, in short: the paper roll's last lines (rows are
// only added, under growing ids), the state and settings tables, the
// fiscal-memory records.
struct Fingerprint {
    int64_t lastPaper = -1;
    std::string recentPaper;
    std::string state;
    std::string settings;
    int64_t records = -1;
    bool operator==(const Fingerprint& o) const {
        return lastPaper == o.lastPaper && recentPaper == o.recentPaper && state == o.state &&
               settings == o.settings && records == o.records;
    }
};

// What differs between what the memory holds and what it should.
std::string differences(const Fingerprint& holds, const Fingerprint& should) {
    std::string out;
    auto field = [&](const char* name, const std::string& a, const std::string& b) {
        if (a != b)
            out += std::string("; ") + name + " " + a + " instead of " + b;
    };
    field("last paper line", std::to_string(holds.lastPaper), std::to_string(should.lastPaper));
    field("last paper lines", holds.recentPaper, should.recentPaper);
    field("fiscal records", std::to_string(holds.records), std::to_string(should.records));
    field("state", holds.state, should.state);
    field("settings", holds.settings, should.settings);
    return out;
}

const char* const kFingerprintSql =
    "SELECT (SELECT coalesce(max(id), 0) FROM paper),"
    " (SELECT group_concat(id || ',' || time || ',' || station || ',' || coo || ','"
    "   || hex(line), ';') FROM"
    "   (SELECT * FROM paper WHERE id > (SELECT max(id) - 8 FROM paper) ORDER BY id)),"
    " (SELECT group_concat(key || '=' || quote(value), ';') FROM"
    "   (SELECT key, value FROM state ORDER BY key)),"
    " (SELECT group_concat(key || '=' || quote(value), ';') FROM"
    "   (SELECT key, value FROM settings ORDER BY key)),"
    " (SELECT count(*) FROM fiscal_memory)";

// Reads the fingerprint through a statement of kFingerprintSql; left reset.
Fingerprint readFingerprint(sqlite3_stmt* st) {
    Fingerprint f;
    if (st && sqlite3_step(st) == SQLITE_ROW) {
        auto text = [&](int i) {
            const unsigned char* t = sqlite3_column_text(st, i);
            return std::string(t ? reinterpret_cast<const char*>(t) : "");
        };
        f.lastPaper = sqlite3_column_int64(st, 0);
        f.recentPaper = text(1);
        f.state = text(2);
        f.settings = text(3);
        f.records = sqlite3_column_int64(st, 4);
    }
    if (st)
        sqlite3_reset(st);
    return f;
}

// Through a connection of its own, which closes at once.
Fingerprint fingerprint(const std::string& db) {
    Fingerprint f;
    sqlite3* h = nullptr;
    if (sqlite3_open_v2(db.c_str(), &h, SQLITE_OPEN_READWRITE, nullptr) == SQLITE_OK) {
        sqlite3_stmt* st = nullptr;
        if (sqlite3_prepare_v2(h, kFingerprintSql, -1, &st, nullptr) == SQLITE_OK)
            f = readFingerprint(st);
        sqlite3_finalize(st);
    }
    sqlite3_close(h);
    return f;
}

// SQLite's full integrity check (every index against its table, not only
// the pages' structure): "ok" or its first complaint.
std::string integrityCheck(const std::string& db) {
    sqlite3* h = nullptr;
    std::string answer = "cannot open";
    if (sqlite3_open_v2(db.c_str(), &h, SQLITE_OPEN_READWRITE, nullptr) == SQLITE_OK) {
        sqlite3_stmt* st = nullptr;
        answer = "no answer";
        if (sqlite3_prepare_v2(h, "PRAGMA integrity_check(1)", -1, &st, nullptr) == SQLITE_OK &&
            sqlite3_step(st) == SQLITE_ROW) {
            const unsigned char* t = sqlite3_column_text(st, 0);
            answer = t ? reinterpret_cast<const char*>(t) : "";
        } else {
            answer = sqlite3_errmsg(h);
        }
        sqlite3_finalize(st);
    }
    sqlite3_close(h);
    return answer;
}

int roundsWanted() {
    const char* env = std::getenv("POWERCUT_ROUNDS");
    int n = env ? std::atoi(env) : 0;
    return n > 0 ? n : 300;
}

struct CutModel {
    powercut::Model model;
    const char* name;
};
void PrintTo(const CutModel& m, std::ostream* os) {
    *os << m.name;
}

class PowerCuts : public ::testing::TestWithParam<CutModel> {
protected:
    void SetUp() override {
        dir_ = std::make_unique<WorkDir>();
        powercut::install(dir_->path());
        powercut::setModel(GetParam().model, 20261209);
        char* real = realpath(dir_->path().c_str(), nullptr);
        ASSERT_NE(real, nullptr);
        memoryFile_ = std::string(real) + "/ecfsim.db";
        free(real);
    }
    void TearDown() override {
        closeReader();
        releaseLibrary();
        powercut::restart();
        powercut::setModel(powercut::Model::LoseAll);
        powercut::uninstall();
    }

    // Calls that change the printer. What the memory holds after each one
    // answered before the cut is remembered; the one the cut came in is in flight.
    int call(const char* what, const std::function<int()>& f) {
        if (powercut::isCut())
            return -1;
        int rc = f();
        if (powercut::isCut()) {
            inFlight_ = what;
        } else {
            ++answered_;
            answeredHolds_ = readFingerprint(reader());
        }
        return rc;
    }

    // A connection that reads the fingerprint after each answered call,
    // kept open through a round (opening one per call would cost more than
    // the call). It is closed before the library lets go of the memory, so
    // the library's connection is the last one and folds the log back.
    sqlite3_stmt* reader() {
        if (!readerStmt_) {
            if (sqlite3_open_v2(dir_->db().c_str(), &readerDb_, SQLITE_OPEN_READWRITE, nullptr) !=
                    SQLITE_OK ||
                sqlite3_prepare_v2(readerDb_, kFingerprintSql, -1, &readerStmt_, nullptr) !=
                    SQLITE_OK)
                closeReader();
        }
        return readerStmt_;
    }
    void closeReader() {
        sqlite3_finalize(readerStmt_);
        sqlite3_close(readerDb_);
        readerStmt_ = nullptr;
        readerDb_ = nullptr;
    }

    int stateCode() {
        std::string reply = ecfStatusImp();
        if (powercut::isCut() || reply.size() < 5 || reply.rfind("Erro", 0) == 0)
            return -1;
        return std::atoi(reply.substr(2, 3).c_str());
    }

    // The tool's next day, for a printer whose Z of the day is done: a
    // change answered like a call.
    void nextDay() {
        call("nextDay", [&] {
            std::string error;
            auto tool = fiscemu::Device::open(dir_->db(), &error);
            return tool && tool->nextDay() ? 0 : 1;
        });
    }

    // One step of a day's work, chosen by the printer's state.
    void step(std::mt19937& rng) {
        auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
        switch (stateCode()) {
            case -1:
                return;
            case 65:
            case 90:
            case 122:
            case 123:
                call("ecfCancVenda", [] { return ecfCancVenda("QUEDA"); });
                return;
            case 124:
                call("ecfFimTrans", [] { return ecfFimTrans("QUEDA"); });
                return;
            case 113:
                call("ecfReducaoZ", [] { return ecfReducaoZ("QUEDA"); });
                return;
            case 115:
                nextDay();
                return;
            default:
                break;
        }
        int what = pick(0, 19);
        if (what == 0) {
            call("ecfReducaoZ", [] { return ecfReducaoZ("OPERADOR"); });
            return;
        }
        if (what <= 2) {
            call("ecfLeituraX", [] { return ecfLeituraX("OPERADOR"); });
            return;
        }
        call("ecfImpCab", [] { return ecfImpCab(0); });
        int items = pick(1, 4);
        for (int i = 0; i < items; ++i) {
            std::string price = std::to_string(pick(1, 50000));
            int tax = pick(0, 9);
            call("ecfVenda_Item",
                 [&] { return ecfVenda_Item("789", "Produto", "1", "000", price.c_str(), tax); });
        }
        call("ecfPagamento", [] { return ecfPagamento(0, "00", "99999999", 0); });
        call("ecfFimTrans", [] { return ecfFimTrans("OPERADOR"); });
    }

    // A Z reduction with the power going off at one of its first writes.
    void cutInZ(std::mt19937& rng) {
        int sc = stateCode();
        if (sc == 115) {
            nextDay();
        } else if (sc != 0 && sc != 100 && sc != 113 && sc != -1) {
            call("ecfCancVenda", [] { return ecfCancVenda("QUEDA"); });
        }
        powercut::armAfter(std::uniform_int_distribution<long>(1, 40)(rng));
        call("ecfReducaoZ", [] { return ecfReducaoZ("OPERADOR"); });
    }

    // A checkpoint by a connection of another process's kind, as the
    // library's checkpoint thread makes it (PASSIVE, then RESTART), while the
    // library holds the memory with the day's work still in the WAL.
    bool cutInOthersCheckpoint(std::mt19937& rng) {
        sqlite3* h = nullptr;
        if (sqlite3_open_v2(dir_->db().c_str(), &h, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
            sqlite3_close(h);
            return false;
        }
        sqlite3_busy_timeout(h, 2000);
        powercut::armAfter(std::uniform_int_distribution<long>(1, 30)(rng));
        sqlite3_exec(h, "PRAGMA wal_checkpoint(PASSIVE); PRAGMA wal_checkpoint(RESTART)", nullptr,
                     nullptr, nullptr);
        sqlite3_close(h);
        return powercut::isCut();
    }

    // Line feeds until the library's own checkpoint thread makes its round
    // (the WAL grew by 4 MiB) and the power goes off at one of the round's
    // writes or syncs of the memory's file, which in WAL mode only a
    // checkpoint writes. The calls go on meanwhile.
    void cutInLibraryCheckpoint(std::mt19937& rng) {
        powercut::armAfter(std::uniform_int_distribution<long>(1, 40)(rng), memoryFile_);
        for (int i = 0; i < 20000 && !powercut::isCut(); ++i)
            call("ecfLineFeed", [] { return ecfLineFeed(1, 1); });
        // A round that copied fewer pages than the count lets the calls end
        // here; the library's closing then takes the cut.
    }

    std::unique_ptr<WorkDir> dir_;
    sqlite3* readerDb_ = nullptr;
    sqlite3_stmt* readerStmt_ = nullptr;
    std::string memoryFile_;
    int64_t answered_ = 0;
    std::string inFlight_;
    Fingerprint answeredHolds_;
};

TEST_P(PowerCuts, EveryAnsweredCallSurvivesAndNoDamageIsCalledSound) {
    const int rounds = roundsWanted();
    std::mt19937 rng(20261208);
    ASSERT_EQ(ChangePort(0), 0);
    ASSERT_EQ(ecfLineFeed(1, 1), 0);
    releaseLibrary();
    answeredHolds_ = fingerprint(dir_->db());
    ASSERT_GT(answeredHolds_.lastPaper, 0);
    std::vector<std::string> records;
    int cutsInCalls = 0, cutsAtClose = 0, cutsInZ = 0, cutsInCheckpoints = 0;
    int cutsInOthersCheckpoint = 0, cutsInLibraryCheckpoint = 0, inFlightKept = 0;
    auto t0 = std::chrono::steady_clock::now();

    int cuts = 0;
    for (int round = 0; cuts < rounds && round < 3 * rounds; ++round) {
        inFlight_.clear();
        // One round in six the cut waits for the end of the program, when
        // its connection folds the log back into the memory file; one in six
        // is aimed at a Z reduction and one in six at another connection's
        // checkpoint. Rounds 7, 157, 307, ... are aimed at the library's own
        // checkpoint thread (some 3500 calls each).
        const bool aimAtThread = round % 150 == 7;
        const int kind = aimAtThread ? -1 : round % 6;
        const bool aimAtClose = kind == 5, aimAtZ = kind == 1, aimAtCheckpoint = kind == 2;
        if (!aimAtClose && !aimAtZ && !aimAtCheckpoint && !aimAtThread)
            powercut::armAfter(std::uniform_int_distribution<long>(1, 160)(rng));
        int steps = std::uniform_int_distribution<int>(1, 40)(rng);
        for (int i = 0; i < steps && !powercut::isCut(); ++i)
            step(rng);
        if (aimAtZ && !powercut::isCut())
            cutInZ(rng);
        bool inOthersCheckpoint = aimAtCheckpoint && cutInOthersCheckpoint(rng);
        if (aimAtThread)
            cutInLibraryCheckpoint(rng);
        if (aimAtClose)
            powercut::armAfter(std::uniform_int_distribution<long>(1, 6)(rng));
        bool cutInCall = !inFlight_.empty(), cutBeforeClose = powercut::isCut();
        // The program ends: its connection folds the log back into the
        // memory, unless the power is already off (or goes off meanwhile).
        closeReader();
        releaseLibrary();
        bool cut = powercut::isCut();
        std::string cutFile = powercut::cutFile();
        bool inCheckpoint = cut && cutFile == memoryFile_;
        cuts += cut;
        cutsInCalls += cutInCall;
        cutsAtClose += cut && !cutBeforeClose;
        cutsInZ += inFlight_ == "ecfReducaoZ";
        cutsInCheckpoints += inCheckpoint;
        cutsInOthersCheckpoint += inOthersCheckpoint;
        cutsInLibraryCheckpoint += aimAtThread && cutBeforeClose && inCheckpoint;
        powercut::disarm();
        powercut::restart();

        const std::string where = "round " + std::to_string(round) + " (" + GetParam().name +
                                  ", cut " + (cut ? "at " + cutFile : "none") + ", in flight " +
                                  (inFlight_.empty() ? "none" : inFlight_) + ")";
        // The library judges the memory first, as the program would find it.
        std::vector<std::string> problems;
        {
            std::string error;
            auto dev = fiscemu::Device::open(dir_->db(), &error);
            ASSERT_TRUE(dev) << where << ": the memory is lost: " << error;
            // SQLite's quick check, the totals, the fiscal memory's hash chain.
            problems = dev->verify();
        }
        ASSERT_TRUE(problems.empty()) << where << ": the memory is lost: " << problems.front();
        // Called sound: it must be sound, and hold what it held after the
        // last answered call, or besides the one call in flight, which then
        // printed its lines.
        ASSERT_EQ(integrityCheck(dir_->db()), "ok") << where << ": a damaged memory called sound";
        Fingerprint holds = fingerprint(dir_->db());
        if (!(holds == answeredHolds_)) {
            ASSERT_FALSE(inFlight_.empty())
                << where << ": answered calls lost or changed in a memory called sound"
                << differences(holds, answeredHolds_);
            if (inFlight_ == "nextDay") {
                // The tool's change prints nothing: kept, it moved the clock alone.
                ASSERT_EQ(holds.lastPaper, answeredHolds_.lastPaper)
                    << where << differences(holds, answeredHolds_);
                ASSERT_EQ(holds.state, answeredHolds_.state)
                    << where << differences(holds, answeredHolds_);
            } else {
                ASSERT_GT(holds.lastPaper, answeredHolds_.lastPaper)
                    << where << ": the memory went back before an answered call"
                    << differences(holds, answeredHolds_);
            }
            ++inFlightKept;
        }
        answeredHolds_ = holds;
        std::vector<std::string> now = fiscalRecords(dir_->db());
        ASSERT_GE(now.size(), records.size()) << where;
        ASSERT_TRUE(std::equal(records.begin(), records.end(), now.begin()))
            << where << ": a fiscal-memory record changed";
        records = now;
    }
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    // The library takes calls again on the memory of the last cut.
    std::string reply = ecfStatusImp();
    EXPECT_NE(reply.rfind("Erro", 0), 0u) << reply;
    EXPECT_EQ(cuts, rounds);
    EXPECT_GT(cutsInCalls, rounds / 3) << "the cuts rarely hit a call";
    EXPECT_GT(cutsAtClose, 0) << "no cut came while the memory was being closed";
    EXPECT_GT(cutsInZ, 0) << "no cut came inside a Z reduction";
    EXPECT_GT(cutsInOthersCheckpoint, 0) << "no cut came inside another connection's checkpoint";
    EXPECT_GT(cutsInLibraryCheckpoint, 0) << "no cut came inside the library's checkpoint thread";
    EXPECT_GT(records.size(), 2u) << "too few Z reductions to prove the fiscal memory";
    if (GetParam().model == powercut::Model::WholeSector) {
        EXPECT_GT(powercut::sectorsTornBeyondWrite(), 0)
            << "no garbage reached beyond the bytes written";
    } else {
        EXPECT_EQ(powercut::sectorsTornBeyondWrite(), 0);
    }
    EXPECT_GT(powercut::sectorsTorn(), 0) << "no sector was torn";
    RecordProperty("cuts_in_calls", cutsInCalls);
    RecordProperty("cuts_in_z", cutsInZ);
    RecordProperty("cuts_in_checkpoints", cutsInCheckpoints);
    RecordProperty("cuts_at_close", cutsAtClose);
    RecordProperty("in_flight_kept", inFlightKept);
    RecordProperty("calls_answered", static_cast<int>(answered_));
    RecordProperty("fiscal_records", static_cast<int>(records.size()));
    std::printf(
        "%s: %d cuts (%d in calls, %d of them in Z reductions; %d at close; %d in checkpoints, "
        "%d of another connection, %d of the library's thread), %lld calls answered, %d in "
        "flight kept, %zu fiscal records, %ld writes, %ld syncs, %ld sectors torn (%ld beyond "
        "the bytes written), %.1f s\n",
        GetParam().name, cuts, cutsInCalls, cutsInZ, cutsAtClose, cutsInCheckpoints,
        cutsInOthersCheckpoint, cutsInLibraryCheckpoint, static_cast<long long>(answered_),
        inFlightKept, records.size(), powercut::writesSeen(), powercut::syncsSeen(),
        powercut::sectorsTorn(), powercut::sectorsTornBeyondWrite(), seconds);
}

INSTANTIATE_TEST_SUITE_P(Models, PowerCuts,
                         ::testing::Values(CutModel{powercut::Model::Powersafe, "Powersafe"},
                                           CutModel{powercut::Model::WholeSector, "WholeSector"}),
                         [](const ::testing::TestParamInfo<CutModel>& info) {
                             return std::string(info.param.name);
                         });

// The shim itself: what it takes back is exactly what was not synced.
TEST(PowerCutShim, LosesUnsyncedWritesAndKeepsSyncedOnes) {
    WorkDir dir;
    powercut::install(dir.path());
    std::string db = dir.path() + "/teste.db";
    sqlite3* h = nullptr;
    ASSERT_EQ(sqlite3_open(db.c_str(), &h), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(h,
                           "PRAGMA journal_mode=WAL; PRAGMA synchronous=FULL;"
                           "CREATE TABLE t(x); INSERT INTO t VALUES(1);",
                           nullptr, nullptr, nullptr),
              SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(h, "PRAGMA synchronous=OFF", nullptr, nullptr, nullptr), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(h, "INSERT INTO t VALUES(2)", nullptr, nullptr, nullptr), SQLITE_OK);
    powercut::armAfter(1);
    sqlite3_exec(h, "INSERT INTO t VALUES(3)", nullptr, nullptr, nullptr);
    EXPECT_TRUE(powercut::isCut());
    sqlite3_close(h);
    powercut::restart();
    h = nullptr;
    ASSERT_EQ(sqlite3_open(db.c_str(), &h), SQLITE_OK);
    sqlite3_stmt* st = nullptr;
    ASSERT_EQ(sqlite3_prepare_v2(h, "SELECT group_concat(x) FROM t", -1, &st, nullptr), SQLITE_OK);
    ASSERT_EQ(sqlite3_step(st), SQLITE_ROW);
    // 1 was synced by its commit; 2 was committed without a sync and is lost.
    EXPECT_STREQ(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)), "1");
    sqlite3_finalize(st);
    sqlite3_close(h);
    powercut::uninstall();
}

// The tearing models, on a plain file written through the shim: 4 KiB of
// 'A' synced, then 'B' over bytes 100 to 2099 unsynced, then the cut. Each
// 512-byte piece of the write comes back whole, lost (still 'A') or as
// garbage; the bytes the write did not cover stay 'A' with powersafe
// overwrite, and are garbage beside a torn piece without it.
TEST(PowerCutShim, TearsUnsyncedWritesPerSector) {
    WorkDir dir;
    powercut::install(dir.path());
    const std::string path = dir.path() + "/setores.bin";
    const int kFrom = 100, kTo = 2100, kSize = 4096;
    for (powercut::Model model : {powercut::Model::Powersafe, powercut::Model::WholeSector}) {
        const bool whole = model == powercut::Model::WholeSector;
        powercut::setModel(model, 7);
        int kept = 0, lost = 0, torn = 0, tornBeside = 0;
        for (int round = 0; round < 60; ++round) {
            sqlite3_vfs* vfs = sqlite3_vfs_find(nullptr);
            std::vector<char> mem(static_cast<size_t>(vfs->szOsFile));
            auto* f = reinterpret_cast<sqlite3_file*>(mem.data());
            int outFlags = 0;
            ASSERT_EQ(vfs->xOpen(vfs, path.c_str(), f,
                                 SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_MAIN_DB,
                                 &outFlags),
                      SQLITE_OK);
            std::string a(kSize, 'A'), b(kTo - kFrom, 'B');
            ASSERT_EQ(f->pMethods->xWrite(f, a.data(), kSize, 0), SQLITE_OK);
            ASSERT_EQ(f->pMethods->xSync(f, SQLITE_SYNC_NORMAL), SQLITE_OK);
            ASSERT_EQ(f->pMethods->xWrite(f, b.data(), kTo - kFrom, kFrom), SQLITE_OK);
            powercut::armAfter(1);
            EXPECT_NE(f->pMethods->xSync(f, SQLITE_SYNC_NORMAL), SQLITE_OK);
            f->pMethods->xClose(f);
            powercut::restart();

            std::string got = readFile(path);
            ASSERT_EQ(got.size(), static_cast<size_t>(kSize));
            for (int sector = 0; sector < kSize; sector += powercut::kSectorBytes) {
                const int end = sector + powercut::kSectorBytes;
                const int wFrom = std::max(sector, kFrom), wTo = std::min(end, kTo);
                std::string outside = got.substr(sector, end - sector);
                if (wFrom >= wTo) {
                    EXPECT_EQ(outside, std::string(end - sector, 'A')) << "sector " << sector;
                    continue;
                }
                std::string piece = got.substr(wFrom, wTo - wFrom);
                outside.erase(wFrom - sector, wTo - wFrom);
                const bool outsideIntact = outside == std::string(outside.size(), 'A');
                if (piece == std::string(piece.size(), 'B')) {
                    ++kept;
                    EXPECT_TRUE(outsideIntact) << "sector " << sector;
                } else if (piece == std::string(piece.size(), 'A')) {
                    ++lost;
                    EXPECT_TRUE(outsideIntact) << "sector " << sector;
                } else {
                    ++torn;
                    tornBeside += !outsideIntact;
                    if (!whole) {
                        EXPECT_TRUE(outsideIntact) << "garbage beyond the write, sector " << sector;
                    }
                }
            }
        }
        EXPECT_GT(kept, 0);
        EXPECT_GT(lost, 0);
        EXPECT_GT(torn, 0);
        if (whole) {
            EXPECT_GT(tornBeside, 0) << "the whole-sector model never reached beyond the write";
        }
    }
    powercut::setModel(powercut::Model::LoseAll);
    powercut::uninstall();
}

}  // namespace
