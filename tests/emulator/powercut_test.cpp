// Power cuts: the program sells, reads and reduces while the power goes off
// at random writes or syncs; every write not synced by then is lost. After
// each cut the memory opens, checks out, holds every call answered before
// the cut (at most the one in flight besides), and keeps its fiscal memory.
#include <sqlite3.h>

#include <chrono>
#include <cstdlib>
#include <random>

#include "driver_support.h"
#include "memory_files.h"
#include "powercut_vfs.h"

using namespace emutest;

namespace {

// What the memory holds, in short: the last line on the paper roll, the
// counters and open document of the state table, the fiscal-memory records.
struct Fingerprint {
    int64_t lastPaper = -1;
    std::string state;
    int64_t records = -1;
    bool operator==(const Fingerprint& o) const {
        return lastPaper == o.lastPaper && state == o.state && records == o.records;
    }
};

Fingerprint fingerprint(const std::string& db) {
    Fingerprint f;
    sqlite3* h = nullptr;
    if (sqlite3_open_v2(db.c_str(), &h, SQLITE_OPEN_READWRITE, nullptr) == SQLITE_OK) {
        sqlite3_stmt* st = nullptr;
        const char* sql =
            "SELECT (SELECT coalesce(max(id), 0) FROM paper),"
            " (SELECT group_concat(key || '=' || quote(value), ';') FROM"
            "   (SELECT key, value FROM state ORDER BY key)),"
            " (SELECT count(*) FROM fiscal_memory)";
        if (sqlite3_prepare_v2(h, sql, -1, &st, nullptr) == SQLITE_OK &&
            sqlite3_step(st) == SQLITE_ROW) {
            f.lastPaper = sqlite3_column_int64(st, 0);
            const unsigned char* t = sqlite3_column_text(st, 1);
            f.state = t ? reinterpret_cast<const char*>(t) : "";
            f.records = sqlite3_column_int64(st, 2);
        }
        sqlite3_finalize(st);
    }
    sqlite3_close(h);
    return f;
}

int roundsWanted() {
    const char* env = std::getenv("POWERCUT_ROUNDS");
    int n = env ? std::atoi(env) : 0;
    return n > 0 ? n : 300;
}

class PowerCuts : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = std::make_unique<WorkDir>();
        powercut::install(dir_->path());
    }
    void TearDown() override {
        releaseLibrary();
        powercut::restart();
        powercut::uninstall();
    }

    // Calls that change the printer. What the memory holds after each one
    // answered before the cut is remembered; the one the cut came in is in flight.
    int call(const std::function<int()>& f) {
        if (powercut::isCut())
            return -1;
        int rc = f();
        if (powercut::isCut()) {
            inFlight_ = true;
        } else {
            ++answered_;
            answeredHolds_ = fingerprint(dir_->db());
        }
        return rc;
    }

    // One step of a day's work, chosen by the printer's state.
    void step(std::mt19937& rng) {
        auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
        std::string reply = ecfStatusImp();
        if (powercut::isCut() || reply.size() < 5 || reply.rfind("Erro", 0) == 0)
            return;
        int sc = std::atoi(reply.substr(2, 3).c_str());
        switch (sc) {
            case 65:
            case 90:
            case 122:
            case 123:
                call([] { return ecfCancVenda("QUEDA"); });
                return;
            case 124:
                call([] { return ecfFimTrans("QUEDA"); });
                return;
            case 113:
                call([] { return ecfReducaoZ("QUEDA"); });
                return;
            case 115: {
                std::string error;
                auto tool = fiscemu::Device::open(dir_->db(), &error);
                if (tool)
                    tool->nextDay();
                return;
            }
            default:
                break;
        }
        int what = pick(0, 19);
        if (what == 0) {
            call([] { return ecfReducaoZ("OPERADOR"); });
            return;
        }
        if (what <= 2) {
            call([] { return ecfLeituraX("OPERADOR"); });
            return;
        }
        call([] { return ecfImpCab(0); });
        int items = pick(1, 4);
        for (int i = 0; i < items; ++i) {
            std::string price = std::to_string(pick(1, 50000));
            int tax = pick(0, 9);
            call([&] { return ecfVenda_Item("789", "Produto", "1", "000", price.c_str(), tax); });
        }
        call([] { return ecfPagamento(0, "00", "99999999", 0); });
        call([] { return ecfFimTrans("OPERADOR"); });
    }

    std::unique_ptr<WorkDir> dir_;
    int64_t answered_ = 0;
    bool inFlight_ = false;
    Fingerprint answeredHolds_;
};

TEST_F(PowerCuts, EveryAnsweredCallSurvivesAndTheMemoryChecksOut) {
    const int rounds = roundsWanted();
    std::mt19937 rng(20261208);
    ASSERT_EQ(ChangePort(0), 0);
    ASSERT_EQ(ecfLineFeed(1, 1), 0);
    releaseLibrary();
    answeredHolds_ = fingerprint(dir_->db());
    ASSERT_GT(answeredHolds_.lastPaper, 0);
    std::vector<std::string> records;
    int cutsInCalls = 0, cutsAtClose = 0, inFlightKept = 0;
    auto t0 = std::chrono::steady_clock::now();

    int cuts = 0;
    for (int round = 0; cuts < rounds && round < 2 * rounds; ++round) {
        inFlight_ = false;
        // One round in six the cut waits for the end of the program, when
        // its connection folds the log back into the memory file.
        bool aimAtClose = round % 6 == 5;
        if (!aimAtClose)
            powercut::armAfter(std::uniform_int_distribution<long>(1, 160)(rng));
        int steps = std::uniform_int_distribution<int>(1, 40)(rng);
        for (int i = 0; i < steps && !powercut::isCut(); ++i)
            step(rng);
        if (aimAtClose)
            powercut::armAfter(std::uniform_int_distribution<long>(1, 6)(rng));
        bool cutInCall = powercut::isCut();
        // The program ends: its connection folds the log back into the
        // memory, unless the power is already off (or goes off meanwhile).
        releaseLibrary();
        bool cut = powercut::isCut();
        cuts += cut;
        cutsInCalls += cutInCall;
        cutsAtClose += cut && !cutInCall;
        powercut::restart();

        ASSERT_EQ(quickCheck(dir_->db()), "ok") << "round " << round;
        // The memory holds what it held after the last answered call, or
        // besides the one call in flight, which then printed its lines.
        Fingerprint holds = fingerprint(dir_->db());
        if (!(holds == answeredHolds_)) {
            ASSERT_TRUE(inFlight_) << "round " << round << ": answered calls lost or changed";
            ASSERT_GT(holds.lastPaper, answeredHolds_.lastPaper)
                << "round " << round << ": the memory went back before an answered call";
            ++inFlightKept;
        }
        answeredHolds_ = holds;
        std::vector<std::string> now = fiscalRecords(dir_->db());
        ASSERT_GE(now.size(), records.size()) << "round " << round;
        ASSERT_TRUE(std::equal(records.begin(), records.end(), now.begin()))
            << "round " << round << ": a fiscal-memory record changed";
        records = now;
        {
            std::string error;
            auto dev = fiscemu::Device::open(dir_->db(), &error);
            ASSERT_TRUE(dev) << "round " << round << ": " << error;
            // SQLite's quick check, the totals, the fiscal memory's hash chain.
            std::vector<std::string> problems = dev->verify();
            ASSERT_TRUE(problems.empty()) << "round " << round << ": " << problems.front();
        }
    }
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    // The library takes calls again on the memory of the last cut.
    std::string reply = ecfStatusImp();
    EXPECT_NE(reply.rfind("Erro", 0), 0u) << reply;
    EXPECT_EQ(cuts, rounds);
    EXPECT_GT(cutsInCalls, rounds / 2) << "the cuts rarely hit a call";
    EXPECT_GT(cutsAtClose, 0) << "no cut came while the memory was being closed";
    EXPECT_GT(records.size(), 2u) << "too few Z reductions to prove the fiscal memory";
    RecordProperty("cuts_in_calls", cutsInCalls);
    RecordProperty("cuts_at_close", cutsAtClose);
    RecordProperty("in_flight_kept", inFlightKept);
    RecordProperty("calls_answered", static_cast<int>(answered_));
    RecordProperty("fiscal_records", static_cast<int>(records.size()));
    std::printf(
        "%d cuts (%d in calls, %d at close), %lld calls answered, %d in flight kept, %zu "
        "fiscal records, %ld writes, %ld syncs, %.1f s\n",
        cuts, cutsInCalls, cutsAtClose, static_cast<long long>(answered_), inFlightKept,
        records.size(), powercut::writesSeen(), powercut::syncsSeen(), seconds);
}

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

}  // namespace
