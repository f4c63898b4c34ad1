// The durable memory: what is written comes back, the fiscal memory only
// grows, and two connections see each other's changes.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <sys/stat.h>

#include <chrono>

#include "core/codes.h"
#include "core/device.h"
#include "core/replies.h"
#include "support.h"

using namespace fiscemu;

namespace {

class StoreTest : public emutest::EmulatorTest {};

int run(Device& d, const std::string& fn, const std::function<int(Printer&)>& op) {
    return d.command(fn, "", [&](CallContext& c) { return op(c.printer); });
}

}  // namespace

TEST_F(StoreTest, NewMemoryIsTheFactoryState) {
    Device& d = tool();
    const PrinterState& st = d.state();
    EXPECT_EQ(d.stateCode(), 0);
    EXPECT_EQ(st.payTypes[0].name, "Dinheiro");
    EXPECT_EQ(st.payTypes[3].name, "Ticket");
    EXPECT_EQ(st.rates[0].rate, 500);
    EXPECT_EQ(st.rates[9].rate, 2500);
    EXPECT_EQ(st.rates[10].type, 'S');
    EXPECT_EQ(st.s.codeSize, 13);
    EXPECT_EQ(st.users.size(), 1u);
    EXPECT_EQ(d.settings().model, Model::V301);
    EXPECT_TRUE(d.consistencyProblems().empty());
}

TEST_F(StoreTest, EverythingWrittenIsReadBackByAnotherConnection) {
    Device& d = tool();
    ASSERT_EQ(run(d, "ecfImpCab", [](Printer& p) { return p.impCab(0); }), kOk);
    ASSERT_EQ(run(d, "ecfVendaItem",
                  [](Printer& p) {
                      return p.vendaItemFree(std::string("Caf\x82"), std::string("350"), 16);
                  }),
              kOk);
    ASSERT_EQ(run(d, "ecfDescItem",
                  [](Printer& p) { return p.descItem(0, std::string("d"), std::string("50")); }),
              kOk);
    ASSERT_EQ(
        run(d, "ecfPagamento",
            [](Printer& p) { return p.pagamento(0, std::string("02"), std::string("100"), 1); }),
        kOk);
    std::string error;
    auto other = Device::open(dir_->db(), &error);
    ASSERT_TRUE(other) << error;
    const PrinterState& a = d.state();
    const PrinterState& b = other->state();
    EXPECT_EQ(other->stateCode(), 123);
    ASSERT_EQ(b.doc.items.size(), 1u);
    EXPECT_TRUE(b.doc.items[0] == a.doc.items[0]);
    EXPECT_EQ(b.doc.items[0].description, "Caf\x82");
    ASSERT_EQ(b.doc.payments.size(), 1u);
    EXPECT_TRUE(b.doc.payments[0] == a.doc.payments[0]);
    EXPECT_EQ(b.doc.complementaryLeft, 1);
    EXPECT_EQ(b.totals.at(kTotSubstitution), 300);
    EXPECT_EQ(b.s.gt, 350);
    EXPECT_EQ(b.s.dayDiscount, 50);
    EXPECT_EQ(b.payTypes[2].total, 100);
    EXPECT_EQ(replyStatusCupom(a, d.settings(), d.now()).substr(0, 25),
              replyStatusCupom(b, other->settings(), other->now()).substr(0, 25));
    EXPECT_FALSE(d.store().paper(0, 0).empty());
    std::vector<TraceRow> trace = other->store().trace(0, 0);
    ASSERT_EQ(trace.size(), 4u);
    EXPECT_EQ(trace[3].function, "ecfPagamento");
    EXPECT_EQ(trace[3].result, "0");
}

TEST_F(StoreTest, RefusedCallChangesNothingButIsTraced) {
    Device& d = tool();
    size_t paper = d.store().paper(0, 0).size();
    int64_t coo = d.state().s.coo;
    EXPECT_EQ(run(d, "ecfFimTrans", [](Printer& p) { return p.fimTrans(std::string("x")); }),
              kWrongState);
    EXPECT_EQ(d.store().paper(0, 0).size(), paper);
    EXPECT_EQ(d.state().s.coo, coo);
    std::vector<TraceRow> trace = d.store().trace(0, 1);
    ASSERT_EQ(trace.size(), 1u);
    EXPECT_EQ(trace[0].result, std::to_string(kWrongState));
}

TEST_F(StoreTest, FiscalMemoryIsAppendOnly) {
    Device& d = tool();
    ASSERT_EQ(run(d, "ecfReducaoZ", [](Printer& p) { return p.reducaoZ(std::string("op")); }), kOk);
    ASSERT_EQ(d.store().fiscalMemory().size(), 1u);
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(dir_->db().c_str(), &db), SQLITE_OK);
    EXPECT_NE(sqlite3_exec(db, "UPDATE fiscal_memory SET gt = 0", nullptr, nullptr, nullptr),
              SQLITE_OK);
    EXPECT_NE(sqlite3_exec(db, "DELETE FROM fiscal_memory", nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(db);
    EXPECT_EQ(d.store().fiscalMemory().size(), 1u);
    EXPECT_TRUE(d.consistencyProblems().empty());
}

TEST_F(StoreTest, SettingsChangedElsewhereArePickedUpAtTheNextCall) {
    std::string error;
    auto lib = Device::open(dir_->db(), &error);
    ASSERT_TRUE(lib) << error;
    EXPECT_EQ(lib->reply("ecfStatusImp", "", replyStatusImp).substr(5, 3), "001");
    set([](Settings& s) {
        s.paper = kPaperLowLevel;
        s.authPaper = false;
        s.drawer = kDrawerOpen;
        s.drawerOpenedAt = wallNow();
    });
    EXPECT_EQ(lib->reply("ecfStatusImp", "", replyStatusImp).substr(5, 3), "110");
    set([](Settings& s) { s.power = false; });
    EXPECT_EQ(lib->reply("ecfStatusImp", "", replyStatusImp).substr(0, 9), "Erro: 079");
    EXPECT_EQ(run(*lib, "ecfLineFeed", [](Printer& p) { return p.lineFeed(1, 1); }), kNoAnswer);
    set([](Settings& s) {
        s.power = true;
        s.port = 1;
    });
    EXPECT_EQ(run(*lib, "ecfLineFeed", [](Printer& p) { return p.lineFeed(1, 1); }), kNoAnswer);
    lib->selectPort(1);
    EXPECT_EQ(run(*lib, "ecfLineFeed", [](Printer& p) { return p.lineFeed(1, 1); }), kOk);
}

TEST_F(StoreTest, InjectedFaultAnswersOnceThenClears) {
    std::string error;
    auto lib = Device::open(dir_->db(), &error);
    ASSERT_TRUE(lib) << error;
    ASSERT_TRUE(tool().setFault("ecfImpCab", 33));
    ASSERT_TRUE(tool().setFault("ecfStatusImp", 44));
    EXPECT_EQ(run(*lib, "ecfImpCab", [](Printer& p) { return p.impCab(0); }), 33);
    EXPECT_EQ(lib->stateCode(), 0);
    EXPECT_EQ(run(*lib, "ecfImpCab", [](Printer& p) { return p.impCab(0); }), kOk);
    EXPECT_EQ(lib->reply("ecfStatusImp", "", replyStatusImp).substr(0, 9), "Erro: 044");
    EXPECT_EQ(lib->reply("ecfStatusImp", "", replyStatusImp).substr(2, 3), "090");
    EXPECT_TRUE(tool().store().faults().empty());
}

TEST_F(StoreTest, DateMovingOnMakesTheZReductionDue) {
    std::string error;
    auto lib = Device::open(dir_->db(), &error);
    ASSERT_TRUE(lib) << error;
    ASSERT_EQ(run(*lib, "ecfLeituraX", [](Printer& p) { return p.leituraX(std::string("op")); }),
              kOk);
    EXPECT_EQ(lib->stateCode(), 100);
    ASSERT_TRUE(tool().nextDay());
    lib->refresh();
    EXPECT_EQ(lib->stateCode(), 113);
    EXPECT_EQ(run(*lib, "ecfImpCab", [](Printer& p) { return p.impCab(0); }), kZDue);
    ASSERT_EQ(run(*lib, "ecfReducaoZ", [](Printer& p) { return p.reducaoZ(std::string("op")); }),
              kOk);
    // The Z closed yesterday: today is a new day, free for sales.
    EXPECT_EQ(lib->stateCode(), 0);
    EXPECT_EQ(run(*lib, "ecfImpCab", [](Printer& p) { return p.impCab(0); }), kOk);
}

TEST_F(StoreTest, ResetBringsBackTheFactoryState) {
    Device& d = tool();
    ASSERT_EQ(run(d, "ecfReducaoZ", [](Printer& p) { return p.reducaoZ(std::string("op")); }), kOk);
    ASSERT_TRUE(d.resetToFactory());
    EXPECT_EQ(d.state().s.crz, 0);
    EXPECT_TRUE(d.store().fiscalMemory().empty());
    EXPECT_TRUE(d.store().paper(0, 0).empty());
    EXPECT_EQ(d.stateCode(), 0);
}

TEST_F(StoreTest, EndingTechnicalInterventionCountsARestart) {
    int64_t cro = tool().state().s.cro;
    set([](Settings& s) { s.intervention = true; });
    EXPECT_EQ(tool().stateCode(), 99);
    set([](Settings& s) { s.intervention = false; });
    EXPECT_EQ(tool().state().s.cro, cro + 1);
}

// What the call trace says of each call's time, and what the readers leave to
// the writers.
TEST_F(StoreTest, TraceRowsCarryHowLongTheCallTookLatencyIncluded) {
    Device& d = tool();
    ASSERT_EQ(run(d, "ecfLeituraX", [](Printer& p) { return p.leituraX(std::string("OPERADOR")); }),
              kOk);
    set([](Settings& s) { s.latencyMs = 40; });
    Device& again = tool();
    ASSERT_EQ(run(again, "ecfImpCab", [](Printer& p) { return p.impCab(0); }), kOk);
    std::vector<TraceRow> rows = again.store().trace(0, 2);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].function, "ecfLeituraX");
    EXPECT_GE(rows[0].micros, 0);
    EXPECT_LT(rows[0].micros, 40000);
    EXPECT_EQ(rows[1].function, "ecfImpCab");
    EXPECT_GE(rows[1].micros, 40000);
}

TEST_F(StoreTest, ATraceLineWithoutItsDurationReadsAsUnknown) {
    Device& d = tool();
    // As a library that did not time its calls wrote it.
    ASSERT_TRUE(d.store().appendTrace("ecfLeituraX", "\"X\"", "0"));
    ASSERT_EQ(run(d, "ecfImpCab", [](Printer& p) { return p.impCab(0); }), kOk);
    std::vector<TraceRow> rows = d.store().trace(0, 2);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].result, "0");
    EXPECT_EQ(rows[0].micros, -1);
    EXPECT_EQ(rows[1].result, "0");
    EXPECT_GE(rows[1].micros, 0);
}

TEST_F(StoreTest, RefreshReadsWhileAnotherConnectionHoldsTheWriteLock) {
    std::string error;
    auto writer = Store::open(dir_->db(), &error);
    ASSERT_TRUE(writer) << error;
    auto reader = Device::open(dir_->db(), &error);
    ASSERT_TRUE(reader) << error;
    ASSERT_TRUE(writer->begin());
    auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(reader->refresh()) << reader->lastError();
    auto waited = std::chrono::steady_clock::now() - start;
    writer->rollback();
    EXPECT_LT(std::chrono::duration_cast<std::chrono::milliseconds>(waited).count(), 1000);
}

// The memory is opened through an SQLite URI (powersafe overwrite off), so
// the characters a URI gives a meaning ('?', '#', '%') must still name the
// file as it is, wherever they are; and each commit must fill the WAL to a
// 4 KiB boundary, so the next commit never writes into a sector of it.
TEST_F(StoreTest, URICharactersNameTheFileAndCommitsEndOnASectorBoundary) {
    const std::string folder = "a?b#c%25d e";
    ASSERT_EQ(mkdir((dir_->path() + "/" + folder).c_str(), 0755), 0);
    const std::string relative = folder + "/ecfsim.db";  // the tests work in dir_
    for (const std::string& path :
         {relative, dir_->path() + "/" + relative, "/" + dir_->path() + "/" + relative}) {
        SCOPED_TRACE(path);
        std::string error;
        auto d = Device::open(path, &error);
        ASSERT_TRUE(d) << error;
        struct stat wal {};
        for (int i = 0; i < 3; ++i) {
            ASSERT_EQ(run(*d, "ecfLineFeed", [](Printer& p) { return p.lineFeed(1, 1); }), kOk);
            ASSERT_EQ(stat((dir_->path() + "/" + relative + "-wal").c_str(), &wal), 0);
            // The last frame (24 bytes and a 1 KiB page) reaches the boundary.
            const off_t boundary = wal.st_size / 4096 * 4096;
            EXPECT_GT(boundary, wal.st_size - (24 + 1024))
                << "a commit ended " << wal.st_size - boundary << " bytes into a sector";
        }
        EXPECT_TRUE(d->verify().empty());
    }
    // Nothing was made anywhere else: the folder holds the memory and its
    // companions, the test's folder that folder and its own memory's files.
    struct stat st {};
    EXPECT_EQ(stat((dir_->path() + "/a").c_str(), &st), -1);
    EXPECT_EQ(stat((dir_->path() + "/" + relative).c_str(), &st), 0);
}

namespace {

// Everything a coupon's steps add up, in one comparable text.
std::string dayTotals(const PrinterState& st) {
    std::string out = "gt " + std::to_string(st.s.gt) + " gross " + std::to_string(st.s.dayGross) +
                      " cancel " + std::to_string(st.s.dayCancel) + "/" +
                      std::to_string(st.s.dayNfCancel) + " discount " +
                      std::to_string(st.s.dayDiscount) + " surcharge " +
                      std::to_string(st.s.daySurcharge) + "; rates";
    for (const TaxRate& r : st.rates)
        out += " " + std::to_string(r.total);
    out += "; vouchers";
    for (const Voucher& v : st.vouchers)
        out += " " + std::to_string(v.sales) + "/" + std::to_string(v.cancellations);
    out += "; totals";
    for (const auto& [t, amount] : st.totals)
        out += " " + std::to_string(t) + ":" + std::to_string(amount);
    out += "; items";
    for (const Item& it : st.doc.items)
        out += " " + std::to_string(it.total) + "-" + std::to_string(it.discount) +
               (it.cancelled ? "x" : "");
    return out;
}

}  // namespace

// The memory keeps the day's totals without the open document's item sales
// (its item rows hold them): whatever step a coupon is at, another
// connection reads the same totals as the one that made it.
TEST_F(StoreTest, EveryCouponStepReadsBackTheSameTotals) {
    Device& d = tool();
    const std::vector<std::pair<std::string, std::function<int(Printer&)>>> steps = {
        {"ecfImpCab", [](Printer& p) { return p.impCab(0); }},
        {"ecfVendaItem",
         [](Printer& p) { return p.vendaItemFree(std::string("A"), std::string("150"), 0); }},
        {"ecfVendaItem",
         [](Printer& p) { return p.vendaItemFree(std::string("B"), std::string("200"), 1); }},
        {"ecfVendaItem",
         [](Printer& p) { return p.vendaItemFree(std::string("C"), std::string("300"), 16); }},
        {"ecfDescItem",
         [](Printer& p) { return p.descItem(0, std::string("d"), std::string("50")); }},
        {"ecfCancItemDef",
         [](Printer& p) { return p.cancItemDef(std::string("1"), std::string("A")); }},
        {"ecfVendaItem",
         [](Printer& p) { return p.vendaItemFree(std::string("D"), std::string("120"), 1); }},
        {"ecfCancAcresDescSubTotal",
         [](Printer& p) { return p.acresDescSubTotal(1, 0, std::string("a"), std::string("20")); }},
        {"ecfPagamento",
         [](Printer& p) { return p.pagamento(0, std::string("00"), std::string("1000"), 0); }},
        {"ecfFimTrans", [](Printer& p) { return p.fimTrans(std::string("OP")); }},
        {"ecfImpCab", [](Printer& p) { return p.impCab(0); }},
        {"ecfInicCupomNFiscal", [](Printer& p) { return p.inicCupomNFiscal(1); }},
        {"ecfVendaItem78",
         [](Printer& p) { return p.vendaItem78(std::string("R"), std::string("265"), 2); }},
        {"ecfVendaItem78",
         [](Printer& p) { return p.vendaItem78(std::string("S"), std::string("100"), 3); }},
        {"ecfCancVenda", [](Printer& p) { return p.cancVenda(std::string("OP")); }},
        {"ecfImpCab", [](Printer& p) { return p.impCab(0); }},
        {"ecfVendaItem",
         [](Printer& p) { return p.vendaItemFree(std::string("E"), std::string("99"), 0); }},
        {"ecfCancVenda", [](Printer& p) { return p.cancVenda(std::string("OP")); }},
    };
    for (size_t i = 0; i < steps.size(); ++i) {
        SCOPED_TRACE("step " + std::to_string(i + 1) + ": " + steps[i].first);
        ASSERT_EQ(run(d, steps[i].first, steps[i].second), kOk);
        std::string error;
        auto other = Device::open(dir_->db(), &error);
        ASSERT_TRUE(other) << error;
        EXPECT_EQ(dayTotals(other->state()), dayTotals(d.state()));
        EXPECT_EQ(other->stateCode(), d.stateCode());
        EXPECT_TRUE(other->consistencyProblems().empty());
    }
    EXPECT_EQ(d.state().s.gt, 150 + 200 + 300 + 120 + 20 + 99);
}
