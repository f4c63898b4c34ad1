// The ecfsim tool, run as a program against each test's own memory: that
// what it changes reaches the library at the library's next call (made here
// in-process through the C interface), the memory's health, following the
// paper and the trace, and the list of the driver's functions.
#include <dlfcn.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

#include <nlohmann/json.hpp>

#include "core/chain.h"
#include "driver_support.h"
#include "ecfsim_runner.h"

using namespace emutest;
using Json = nlohmann::json;

namespace {

// ---------------------------------------------------------------- changes reach the library

TEST_F(Ecfsim, PowerPaperSlipAndDrawerReachTheNextCall) {
    ASSERT_EQ(ecfsim({"set", "power", "off"}).code, 0);
    EXPECT_EQ(std::string(ecfStatusImp()).substr(0, 9), "Erro: 079");
    EXPECT_EQ(ecfLineFeed(1, 0), 79);
    ASSERT_EQ(ecfsim({"set", "power", "on"}).code, 0);
    EXPECT_EQ(ecfLineFeed(1, 0), 0);

    Outcome low = ecfsim({"set", "paper", "low", "auth-paper", "absent", "drawer", "open"});
    ASSERT_EQ(low.code, 0) << low.err;
    EXPECT_EQ(lines(low.out).size(), 3u);
    EXPECT_EQ(statusImp(), "01000110");  // paper low, slip absent, drawer open
    EXPECT_EQ(ecfAutentica("X"), 22);
    EXPECT_EQ(ecfImpCab(16), 23);

    ASSERT_EQ(ecfsim({"set", "paper", "out", "auth-paper", "present", "drawer", "closed"}).code, 0);
    EXPECT_EQ(statusImp(), "01000101");
    EXPECT_EQ(ecfImpCab(0), 21);
    ASSERT_EQ(ecfsim({"set", "paper", "ok"}).code, 0);
    EXPECT_EQ(ecfImpCab(0), 0);

    // Absent, the drawer never reads open; kept open, it does not close by itself.
    ASSERT_EQ(ecfsim({"set", "drawer", "absent"}).code, 0);
    EXPECT_EQ(ecfAbreGaveta(), 0);
    EXPECT_EQ(statusImp().substr(7, 1), "1");
    ASSERT_EQ(ecfsim({"set", "drawer-auto-close", "0", "drawer", "open"}).code, 0);
    set([](fiscemu::Settings& s) { s.drawerOpenedAt -= 3600; });
    EXPECT_EQ(statusImp().substr(7, 1), "0");
    EXPECT_TRUE(contains(ecfsim({"status"}).out, "gaveta aberta (não fecha sozinha)"));
}

TEST_F(Ecfsim, PortModelAndInterventionReachTheNextCall) {
    ASSERT_EQ(ecfsim({"set", "port", "COM2"}).code, 0);
    EXPECT_EQ(ecfLineFeed(1, 0), 79);  // the program is still on COM1
    ASSERT_EQ(ChangePort(1), 0);
    EXPECT_EQ(ecfLineFeed(1, 0), 0);
    ASSERT_EQ(ChangePort(0), 0);
    ASSERT_EQ(ecfsim({"set", "port", "com1"}).code, 0);

    ASSERT_EQ(ecfsim({"set", "model", "2.04"}).code, 0);
    EXPECT_EQ(std::string(ecfStatusTroco()).substr(0, 9), "Erro: 079");
    EXPECT_EQ(std::string(ecfStatusEquipo()).substr(10, 15), "ECF-IF 2.04    ");
    ASSERT_EQ(ecfsim({"set", "model", "3.00"}).code, 0);
    EXPECT_EQ(std::string(ecfStatusEquipo()).substr(25, 4), "0300");
    ASSERT_EQ(ecfsim({"set", "model", "3.01"}).code, 0);
    EXPECT_EQ(std::string(ecfStatusTroco()).size(), 42u);

    ASSERT_EQ(ecfsim({"set", "intervention", "on"}).code, 0);
    EXPECT_EQ(stateNow(), 99);
    EXPECT_EQ(ecfImpCab(0), 20);
    Outcome off = ecfsim({"set", "intervention", "off"});
    ASSERT_EQ(off.code, 0);
    EXPECT_TRUE(contains(off.out, "CRO agora 2")) << off.out;
    EXPECT_EQ(stateNow(), 0);
    EXPECT_EQ(tool().state().s.cro, 2);
}

TEST_F(Ecfsim, LatencyDelaysEachAnswer) {
    ASSERT_EQ(ecfsim({"set", "latency", "150"}).code, 0);
    EXPECT_EQ(tool().settings().latencyMs, 150);
    // A lower bound only: the answer waits at least the latency asked for.
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(ecfLineFeed(1, 0), 0);
    auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_GE(std::chrono::duration_cast<std::chrono::milliseconds>(waited).count(), 150);
    ASSERT_EQ(ecfsim({"set", "latency", "0"}).code, 0);
    EXPECT_EQ(tool().settings().latencyMs, 0);
}

TEST_F(Ecfsim, FaultAnswersTheNextCallOnly) {
    Outcome set = ecfsim({"fail", "ecfImpCab", "12"});
    ASSERT_EQ(set.code, 0) << set.err;
    EXPECT_TRUE(contains(ecfsim({"status"}).out, "ecfImpCab responde 12"));
    EXPECT_EQ(
        Json::parse(ecfsim({"status", "--json"}).out).at("faults").at("ecfImpCab").get<int64_t>(),
        12);
    EXPECT_EQ(ecfImpCab(0), 12);
    EXPECT_EQ(stateNow(), 0);  // the refused header printed nothing
    EXPECT_EQ(ecfImpCab(0), 0);
    EXPECT_TRUE(contains(ecfsim({"status"}).out, "Falhas         nenhuma"));

    ASSERT_EQ(ecfsim({"fail", "ecfStatusCupom", "40"}).code, 0);
    EXPECT_EQ(coupon(), "Erro: 040 Falha simulada");
    EXPECT_EQ(coupon().size(), 67u);  // the fault was spent on the first call

    ASSERT_EQ(ecfsim({"fail", "ecfFimTrans", "7"}).code, 0);
    ASSERT_EQ(ecfsim({"fail", "ecfCancVenda", "8"}).code, 0);
    Outcome one = ecfsim({"fail", "--clear", "ecfFimTrans"});
    EXPECT_EQ(one.code, 0);
    EXPECT_EQ(tool().faults().size(), 1u);
    EXPECT_EQ(ecfsim({"fail", "--clear"}).code, 0);
    EXPECT_TRUE(tool().faults().empty());
    EXPECT_EQ(ecfCancVenda("OP"), 0);
}

TEST_F(Ecfsim, NextDayMakesTheZReductionDue) {
    sellTwoItems();
    closeCoupon();
    Outcome r = ecfsim({"next-day"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_TRUE(contains(r.out, "11/03/2026 12:00:00")) << r.out;
    EXPECT_TRUE(contains(r.out, "113")) << r.out;
    EXPECT_EQ(stateNow(), 113);
    EXPECT_EQ(ecfImpCab(0), 14);
    ASSERT_EQ(ecfReducaoZ("OP"), 0);
    EXPECT_EQ(stateNow(), 0);  // the old day closed; the new date starts idle
    EXPECT_EQ(tool().store().fiscalMemory().at(0).ymd, 20260310);
    Json j = Json::parse(ecfsim({"status", "--json"}).out);
    EXPECT_EQ(j.at("clock").at("printer").get<std::string>(), "2026-03-11 12:00:00");
    EXPECT_EQ(j.at("clock").at("offset_seconds").get<int64_t>(), 86400);
}

TEST_F(Ecfsim, ResetNeedsYesThenRestoresTheFactoryState) {
    sellTwoItems();
    Outcome refused = ecfsim({"reset"});
    EXPECT_EQ(refused.code, 2);
    EXPECT_EQ(stateNow(), 65);  // nothing was touched
    ASSERT_FALSE(tool().store().paper(0, 0).empty());

    Outcome r = ecfsim({"reset", "--yes"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_TRUE(contains(r.out, "estado de fábrica"));
    EXPECT_EQ(stateNow(), 0);
    EXPECT_EQ(tool().state().s.coo, 0);
    EXPECT_EQ(tool().state().s.gt, 0);
    EXPECT_TRUE(tool().store().paper(0, 0).empty());
    EXPECT_TRUE(tool().store().fiscalMemory().empty());
    ASSERT_EQ(ecfImpCab(0), 0);
    EXPECT_EQ(tool().state().s.coo, 1);
}

// ---------------------------------------------------------------- the memory's health

// The backup file a reset names on its output.
std::string backupNamed(const Outcome& r) {
    const std::string tag = "cópia da memória anterior: ";
    size_t at = r.out.find(tag);
    if (at == std::string::npos)
        return "";
    size_t end = r.out.find('\n', at);
    return r.out.substr(at + tag.size(), end - at - tag.size());
}

TEST_F(Ecfsim, ResetKeepsAConsistentCopyOfTheOldMemory) {
    sellTwoItems();
    Outcome r = ecfsim({"reset", "--yes"});
    ASSERT_EQ(r.code, 0) << r.err;
    std::string backup = backupNamed(r);
    ASSERT_FALSE(backup.empty()) << r.out;
    EXPECT_EQ(backup.rfind(dir_->db() + ".bak-", 0), 0u) << backup;
    EXPECT_EQ(stateNow(), 0);
    std::string error;
    auto old = fiscemu::Device::open(backup, &error);
    ASSERT_TRUE(old) << error;
    EXPECT_EQ(old->stateCode(), 65);
    EXPECT_EQ(old->state().doc.items.size(), 2u);
    EXPECT_TRUE(old->verify().empty());
    // A second reset keeps a second copy, never over the first.
    Outcome again = ecfsim({"reset", "--yes"});
    ASSERT_EQ(again.code, 0) << again.err;
    EXPECT_NE(backupNamed(again), backup);
    EXPECT_EQ(fiscemu::Device::open(backup, &error)->state().doc.items.size(), 2u);
}

TEST_F(Ecfsim, ADamagedMemoryIsDiagnosedKeptAsItWasAndStartedAfresh) {
    const std::string junk(6000, 'j');
    {
        std::ofstream f("lixo.db", std::ios::binary);
        f << junk;
    }
    Outcome status = ecfsim({"--db", "lixo.db", "status"});
    EXPECT_EQ(status.code, 1);
    EXPECT_TRUE(contains(status.err, "memória danificada (código 41)")) << status.err;
    EXPECT_TRUE(contains(status.err, "lixo.db"));
    EXPECT_TRUE(contains(status.err, "ecfsim reset --yes"));
    Outcome verify = ecfsim({"--db", "lixo.db", "verify"});
    EXPECT_EQ(verify.code, 1);
    EXPECT_TRUE(contains(verify.err, "código 41")) << verify.err;
    EXPECT_EQ(slurp("lixo.db"), junk);  // neither command touched it

    Outcome reset = ecfsim({"--db", "lixo.db", "reset", "--yes"});
    ASSERT_EQ(reset.code, 0) << reset.err;
    std::string backup = backupNamed(reset);
    ASSERT_FALSE(backup.empty()) << reset.out;
    EXPECT_EQ(slurp(backup), junk);
    Outcome sound = ecfsim({"--db", "lixo.db", "verify"});
    EXPECT_EQ(sound.code, 0) << sound.err;
    EXPECT_TRUE(contains(sound.out, "memória íntegra"));

    // A WAL left without its memory file is kept too, then set aside.
    {
        std::ofstream f("perdida.db-wal", std::ios::binary);
        f << junk;
    }
    EXPECT_EQ(ecfsim({"--db", "perdida.db", "status"}).code, 1);
    Outcome lost = ecfsim({"--db", "perdida.db", "reset", "--yes"});
    ASSERT_EQ(lost.code, 0) << lost.err;
    EXPECT_EQ(slurp(backupNamed(lost) + "-wal"), junk);
    EXPECT_EQ(ecfsim({"--db", "perdida.db", "verify"}).code, 0);
}

TEST_F(Ecfsim, VerifyNamesTheAlteredRecordAndMemoryShowsTheHashes) {
    ASSERT_EQ(ecfReducaoZ("OP"), 0);
    ASSERT_TRUE(tool().nextDay());
    ASSERT_EQ(ecfReducaoZ("OP"), 0);
    std::vector<fiscemu::FiscalRecord> fm = tool().store().fiscalMemory();
    ASSERT_EQ(fm.size(), 2u);
    Outcome memory = ecfsim({"memory"});
    ASSERT_EQ(memory.code, 0) << memory.err;
    EXPECT_TRUE(contains(memory.out, fiscemu::toHex(fm[0].hash)));
    EXPECT_TRUE(contains(memory.out, fiscemu::toHex(fm[1].hash)));
    Outcome json = ecfsim({"memory", "--json"});
    EXPECT_TRUE(contains(json.out, "\"hash\":\"" + fiscemu::toHex(fm[1].hash) + "\""));
    Outcome sound = ecfsim({"verify"});
    EXPECT_EQ(sound.code, 0) << sound.err;

    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(dir_->db().c_str(), &db), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(db,
                           "DROP TRIGGER fiscal_memory_no_update;"
                           "UPDATE fiscal_memory SET cro=cro+1 WHERE z=1",
                           nullptr, nullptr, nullptr),
              SQLITE_OK);
    sqlite3_close(db);
    Outcome damaged = ecfsim({"verify"});
    EXPECT_EQ(damaged.code, 1);
    EXPECT_TRUE(contains(damaged.err, "Z 1")) << damaged.err;
}

// ---------------------------------------------------------------- follow mode

// ecfsim running in the background with its output on a pipe.
class Follower {
public:
    explicit Follower(const std::vector<std::string>& args) {
        int fds[2];
        if (pipe(fds) != 0)
            return;
        pid_ = fork();
        if (pid_ == 0) {
            int err = open("follower.err", O_WRONLY | O_CREAT | O_TRUNC, 0644);
            dup2(fds[1], 1);
            dup2(err, 2);
            close(fds[0]);
            close(fds[1]);
            execEcfsim(args);
        }
        close(fds[1]);
        fd_ = fds[0];
    }
    ~Follower() {
        if (pid_ > 0 && !reaped_) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
        if (fd_ >= 0)
            close(fd_);
    }
    // Reads until the output holds `part` or five seconds pass.
    bool waitFor(const std::string& part) {
        auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (!contains(out_, part)) {
            auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0)
                return false;
            struct pollfd p {
                fd_, POLLIN, 0
            };
            if (poll(&p, 1, static_cast<int>(left.count())) <= 0)
                continue;
            char buf[4096];
            ssize_t n = read(fd_, buf, sizeof buf);
            if (n <= 0)
                return false;
            out_.append(buf, static_cast<size_t>(n));
        }
        return true;
    }
    // Interrupts it as Ctrl+C would; returns its exit status (-1 if killed).
    int interrupt() {
        kill(pid_, SIGINT);
        int status = 0;
        waitpid(pid_, &status, 0);
        reaped_ = true;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    const std::string& out() const { return out_; }

private:
    pid_t pid_ = -1;
    int fd_ = -1;
    bool reaped_ = false;
    std::string out_;
};

TEST_F(Ecfsim, PaperFollowShowsNewLinesUntilInterrupted) {
    ASSERT_EQ(ecfImpCab(0), 0);
    ASSERT_EQ(ecfInicCupomNFiscal(1), 0);
    ASSERT_EQ(ecfImpLinha("antes"), 0);
    Follower f({"paper", "--follow", "--last", "1"});
    ASSERT_TRUE(f.waitFor("| antes\n")) << f.out();
    ASSERT_EQ(ecfImpLinha("depois"), 0);
    ASSERT_TRUE(f.waitFor("| depois\n")) << f.out();
    ASSERT_EQ(ecfImpLinha("e mais"), 0);
    ASSERT_TRUE(f.waitFor("| e mais\n")) << f.out();
    EXPECT_EQ(f.interrupt(), 0);
    // Each line once, in order, and nothing older than the one asked for.
    EXPECT_EQ(lines(f.out()).size(), 3u) << f.out();
    EXPECT_FALSE(contains(f.out(), "CUPOM"));
}

TEST_F(Ecfsim, TraceFollowWritesOneJsonObjectPerCallAndSurvivesAReset) {
    Follower f({"trace", "--follow", "--json"});
    ASSERT_TRUE(f.waitFor("\"ChangePort\""));  // the fixture's first call
    EXPECT_EQ(ecfImpCab(0), 0);
    ASSERT_TRUE(f.waitFor("\"ecfImpCab\""));
    ASSERT_EQ(ecfsim({"reset", "--yes"}).code, 0);
    EXPECT_EQ(ecfLineFeed(1, 1), 0);
    ASSERT_TRUE(f.waitFor("\"ecfLineFeed\"")) << f.out();
    EXPECT_EQ(f.interrupt(), 0);
    std::vector<std::string> rows = lines(f.out());
    ASSERT_EQ(rows.size(), 3u) << f.out();
    std::vector<std::string> functions;
    for (const std::string& row : rows)
        functions.push_back(Json::parse(row).at("function").get<std::string>());
    EXPECT_EQ(functions, (std::vector<std::string>{"ChangePort", "ecfImpCab", "ecfLineFeed"}));
    EXPECT_EQ(Json::parse(rows[2]).at("id").get<int64_t>(), 1);  // numbering restarted
    EXPECT_TRUE(contains(slurp("follower.err"), "a memória foi reiniciada"));
}

// ---------------------------------------------------------------- the function list

TEST(DriverFunctionNames, AreTheFiftyExportedFunctions) {
    const std::vector<std::string>& names = fiscemu::driverFunctionNames();
    EXPECT_EQ(names.size(), 50u);
    EXPECT_EQ(std::set<std::string>(names.begin(), names.end()).size(), names.size());
    void* self = dlopen(nullptr, RTLD_NOW);
    ASSERT_TRUE(self);
    for (const std::string& n : names) {
        EXPECT_TRUE(n == "ChangePort" || n.rfind("ecf", 0) == 0) << n;
        EXPECT_TRUE(dlsym(self, n.c_str())) << n << " is not exported by the library";
        EXPECT_TRUE(fiscemu::isDriverFunction(n));
    }
    dlclose(self);
    EXPECT_FALSE(fiscemu::isDriverFunction("ecfimpcab"));
    EXPECT_FALSE(fiscemu::isDriverFunction(""));
}

}  // namespace
