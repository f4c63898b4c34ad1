// Sessions recorded with ecfsim record while the library is called, and
// replayed with ecfsim replay: against our library (no difference), a
// stand-in that answers one field and one code differently (exactly those
// two), another model, a library that crashes or lacks functions, and
// session files that cannot be used. Every replay works in a private
// temporary folder (TMPDIR inside the test's folder), checked empty after.
#include <dirent.h>
#include <sys/stat.h>

#include <cstdlib>
#include <fstream>
#include <functional>
#include <nlohmann/json.hpp>
#include <set>

#include "ecfsim_runner.h"

using Json = nlohmann::json;
using emutest::contains;
using emutest::Outcome;

namespace {

class Replay : public emutest::Ecfsim {
protected:
    void SetUp() override {
        Ecfsim::SetUp();
        tmp_ = dir_->path() + "/tmp";
        ASSERT_EQ(mkdir(tmp_.c_str(), 0700), 0);
    }

    Outcome run(const std::vector<std::string>& args, std::map<std::string, std::string> env = {}) {
        env["TMPDIR"] = tmp_;
        return emutest::ecfsim(args, env);
    }

    // Records the calls `calls` makes into `file`.
    void record(const std::function<void()>& calls, const std::string& file = "sessao.json") {
        Outcome start = run({"record", "start"});
        ASSERT_EQ(start.code, 0) << start.err;
        calls();
        Outcome stop = run({"record", "stop", file});
        ASSERT_EQ(stop.code, 0) << stop.err;
    }

    Json replayJson(std::vector<std::string> args, int expectedExit,
                    std::map<std::string, std::string> env = {}) {
        args.insert(args.begin(), "replay");
        args.push_back("--json");
        Outcome r = run(args, env);
        EXPECT_EQ(r.code, expectedExit) << r.out << r.err;
        return Json::parse(r.out);
    }

    // Nothing the replays made is left in the temporary folder.
    bool tmpIsEmpty() const {
        DIR* d = opendir(tmp_.c_str());
        int entries = 0;
        while (dirent* e = readdir(d))
            entries += std::string(e->d_name) != "." && std::string(e->d_name) != "..";
        closedir(d);
        return entries == 0;
    }

    std::string tmp_;
};

// A coupon with two items, a status query, payment and closing; the drawer.
void couponAndDrawer() {
    emutest::sellTwoItems();
    EXPECT_EQ(emutest::trimmed(emutest::subtotalField()), "3,75");
    emutest::closeCoupon();
    ASSERT_EQ(ecfAbreGaveta(), 0);
}

// A day: coupons (one cancelled), a refused call, a non-fiscal document,
// every status reply, the X reading, and the Z reduction.
void wholeDay() {
    couponAndDrawer();
    emutest::sellTwoItems();
    ASSERT_EQ(ecfCancVenda("OPERADOR"), 0);
    EXPECT_NE(ecfFimTrans("OP"), 0);  // nothing open: refused, and recorded so
    ASSERT_EQ(ecfImpCab(0), 0);
    ASSERT_EQ(ecfInicCupomNFiscal(1), 0);
    ASSERT_EQ(ecfVendaItem78("Recebimento", "265", 2), 0);
    ASSERT_EQ(ecfImpLinha("linha livre \xE7\xE3o"), 0);
    ASSERT_EQ(ecfFimTrans("OP"), 0);
    ecfStatusImp();
    for (int i = 0; i < 3; ++i) {
        ecfStatusAliquotas(i);
        ecfStatusPayTypes(i);
        ecfStatusDocsNFs(i);
        ecfStatusVincs(i);
    }
    ecfStatusEquipo();
    ecfStatusUser(1);
    ecfStatusTroco();
    ecfCGC_IE();
    ecfLeituraXSerial();
    ASSERT_EQ(ecfLeituraX("OP"), 0);
    ASSERT_EQ(ecfReducaoZ("OP"), 0);
    ecfStatusImp();
}

}  // namespace

TEST_F(Replay, ADayReplaysWithNoDifferenceAtAnotherTimeAndLeavesNothingBehind) {
    record(wholeDay);
    const size_t tracedBefore = tool().store().trace(0, 0).size();
    Json list = Json::parse(run({"replay", "sessao.json", "--list", "--json"}).out);
    ASSERT_GT(list["calls"].size(), 30u);
    EXPECT_EQ(list["version"], 1);
    EXPECT_EQ(list["calls"][0]["function"], "ecfImpCab");
    EXPECT_EQ(list["calls"][0]["clock"], emutest::kPinnedTime);
    EXPECT_FALSE(list["calls"][0]["paper"].empty());
    // Replayed a day later by the PC's clock: the printer's clock is pinned
    // to each call's recorded time, so times and dates in replies agree.
    Json r = replayJson({"sessao.json"}, 0, {{"ECFSIM_TIME", "2026-03-11 18:30:00"}});
    EXPECT_TRUE(r["differences"].empty()) << r.dump(1);
    EXPECT_EQ(r["replayed"], list["calls"].size());
    EXPECT_TRUE(tmpIsEmpty());
    // The memory the calls were made on is not touched by the replay.
    EXPECT_EQ(tool().store().trace(0, 0).size(), tracedBefore);
    Outcome text = run({"replay", "sessao.json"});
    EXPECT_EQ(text.code, 0);
    EXPECT_TRUE(contains(text.out, "Nenhuma diferença")) << text.out;
}

TEST_F(Replay, RecordStatusCountsTheCallsAndASecondStartIsRefused) {
    EXPECT_TRUE(contains(run({"record", "status"}).out, "Nenhuma sessão aberta"));
    ASSERT_EQ(run({"record", "start"}).code, 0);
    Outcome again = run({"record", "start"});
    EXPECT_EQ(again.code, 1);
    EXPECT_TRUE(contains(again.err, "já há uma sessão aberta")) << again.err;
    ecfStatusImp();
    ecfStatusImp();
    EXPECT_TRUE(contains(run({"record", "status"}).out, ": 2 chamada(s)"));
    Outcome onMemory = run({"record", "stop", dir_->db()});
    EXPECT_EQ(onMemory.code, 1);
    EXPECT_TRUE(contains(onMemory.err, "arquivo da memória")) << onMemory.err;
    ASSERT_EQ(run({"record", "stop", "s.json"}).code, 0);
    EXPECT_TRUE(contains(run({"record", "status"}).out, "Nenhuma sessão aberta"));
    EXPECT_EQ(run({"record", "stop", "t.json"}).code, 1);
}

TEST_F(Replay, AStandInLibraryShowsExactlyItsFieldAndItsCode) {
    record(couponAndDrawer);
    Json r = replayJson({"sessao.json", "--library", STANDIN_LIBRARY}, 1);
    ASSERT_EQ(r["differences"].size(), 2u) << r.dump(1);
    const Json& field = r["differences"][0];
    EXPECT_EQ(field["function"], "ecfStatusCupom");
    EXPECT_EQ(field["field"], "subtotal");
    EXPECT_EQ(field["position"], 26);
    EXPECT_EQ(field["length"], 21);
    EXPECT_EQ(field["recorded"], "                 3,75");
    EXPECT_EQ(field["now"], "                 3,79");
    const Json& code = r["differences"][1];
    EXPECT_EQ(code["function"], "ecfAbreGaveta");
    EXPECT_EQ(code["field"], "código");
    EXPECT_EQ(code["recorded"], "0");
    EXPECT_EQ(code["now"], "7");
    EXPECT_GT(code["call"].get<int>(), field["call"].get<int>());
    // The text report names the call, the field and its positions.
    Outcome text = run({"replay", "sessao.json", "--library", STANDIN_LIBRARY});
    EXPECT_EQ(text.code, 1);
    EXPECT_TRUE(contains(text.out,
                         ", ecfStatusCupom, campo subtotal (posições 26 a 46): gravado "
                         "                 3,75, agora                  3,79"))
        << text.out;
    EXPECT_TRUE(contains(text.out, "ecfAbreGaveta, código: 1")) << text.out;
    // Fields left out by name.
    Json ignored = replayJson({"sessao.json", "--library", STANDIN_LIBRARY, "--ignore",
                               "ecfStatusCupom.subtotal", "--ignore", "código"},
                              0);
    EXPECT_TRUE(ignored["differences"].empty());
    Outcome unknown = run({"replay", "sessao.json", "--ignore", "subtotl"});
    EXPECT_EQ(unknown.code, 2);
    EXPECT_TRUE(contains(unknown.err, "campo desconhecido 'subtotl'")) << unknown.err;
    EXPECT_TRUE(tmpIsEmpty());
}

TEST_F(Replay, ALibraryThatCrashesOrLacksFunctionsIsReportedNotFollowed) {
    record(couponAndDrawer);
    // A sanitized build's own handler would catch the crash and exit instead
    // of letting the child die by the signal, as a normal build's does.
    const char* asan = std::getenv("ASAN_OPTIONS");
    const std::string asanOptions = std::string(asan ? asan : "") + ":handle_segv=0";
    Outcome crash = run({"replay", "sessao.json", "--library", STANDIN_LIBRARY},
                        {{"STANDIN_CRASH", "1"}, {"ASAN_OPTIONS", asanOptions}});
    EXPECT_EQ(crash.code, 2);
    EXPECT_TRUE(contains(crash.err, "parou com SIGSEGV na chamada")) << crash.err;
    EXPECT_TRUE(contains(crash.err, "ecfAbreGaveta() = 0")) << crash.err;
    Outcome partial = run({"replay", "sessao.json", "--library", PARTIAL_LIBRARY});
    EXPECT_EQ(partial.code, 2);
    EXPECT_TRUE(contains(partial.err, "faltam funções que a sessão usa: ecfImpCab ecfVenda_Item"))
        << partial.err;
    Outcome absent = run({"replay", "sessao.json", "--library", dir_->path() + "/nada.so"});
    EXPECT_EQ(absent.code, 2);
    EXPECT_TRUE(contains(absent.err, "nada.so")) << absent.err;
    EXPECT_TRUE(tmpIsEmpty());
}

TEST_F(Replay, AnotherModelShowsTheModelDependentAnswers) {
    record([] {
        couponAndDrawer();
        ecfStatusTroco();
        ecfStatusPayTypes(1);
        ecfStatusEquipo();
        ASSERT_EQ(ecfImpCab(0), 0);
        ASSERT_EQ(ecfVenda_Item("1", "A", "1", "000", "100", 0), 0);
        ASSERT_EQ(ecfPagamento(0, "00", "100", 0), 0);
    });
    Json r = replayJson({"sessao.json", "--model", "2.04"}, 1);
    std::set<std::string> groups;
    for (const Json& g : r["summary"])
        groups.insert(g["function"].get<std::string>() + "/" + g["field"].get<std::string>());
    // The 3.0 functions answer no more (and the coupon they would pay stays
    // open, so the next one is refused), the equipment says its model, and
    // the 2.04 header prints no municipal registration nor its items as 3.01
    // does.
    const std::set<std::string> expected = {
        "ecfStatusTroco/resposta", "ecfStatusPayTypes/resposta", "ecfPagamento/código",
        "ecfPagamento/papel",      "ecfFimTrans/código",         "ecfFimTrans/papel",
        "ecfImpCab/papel",         "ecfImpCab/código",           "ecfVenda_Item/papel",
        "ecfStatusEquipo/modelo",  "ecfStatusEquipo/versão",     "ecfStatusEquipo/número de série"};
    EXPECT_EQ(groups, expected) << r.dump(1);
}

TEST_F(Replay, KeepLeavesTheRebuiltMemoryWhereAsked) {
    record(couponAndDrawer);
    std::string kept = dir_->path() + "/mantida";
    Json r = replayJson({"sessao.json", "--keep", kept}, 0);
    struct stat st {};
    EXPECT_EQ(stat((kept + "/ecfsim.db").c_str(), &st), 0);
    Outcome again = run({"replay", "sessao.json", "--keep", kept});
    EXPECT_EQ(again.code, 2);
    EXPECT_TRUE(contains(again.err, "--keep quer uma pasta nova")) << again.err;
}

TEST_F(Replay, SessionFilesThatCannotBeUsedAreRefusedWithTheirPart) {
    record(couponAndDrawer);
    const std::string good = emutest::slurp("sessao.json");
    auto refused = [&](const std::string& content, const std::string& why, bool listed = true) {
        std::ofstream("ruim.json", std::ios::binary | std::ios::trunc) << content;
        for (const char* mode : {"--list", "--json"}) {
            if (!listed && std::string(mode) == "--list")
                continue;
            Outcome r = run({"replay", "ruim.json", mode});
            EXPECT_EQ(r.code, 2) << why;
            EXPECT_TRUE(contains(r.err, why)) << r.err;
        }
    };
    refused("", "arquivo vazio");
    refused(good.substr(0, good.size() / 2), "JSON inválido ou cortado");
    refused("{\"a\": 1}", "não é uma sessão gravada pelo ecfsim");
    Json future = Json::parse(good);
    future["version"] = 2;
    refused(future.dump(), "versão 2, mais nova que a versão 1");
    Json damaged = Json::parse(good);
    std::string memory = damaged["memory"]["base64"];
    memory[100] = memory[100] == 'A' ? 'B' : 'A';
    damaged["memory"]["base64"] = memory;
    refused(damaged.dump(), "memória inicial: SHA-256 não confere");
    // A letter outside the alphabet, or a group of four cut short by a space
    // or a line break, is not a memory.
    for (const char* bad : {"*", " ", "\n"}) {
        Json garbled = Json::parse(good);
        std::string text = garbled["memory"]["base64"];
        text.replace(40, 1, bad);
        garbled["memory"]["base64"] = text;
        refused(garbled.dump(), "memória inicial: base64 inválido");
    }
    Json unknown = Json::parse(good);
    unknown["calls"][1]["function"] = "ecfInventada";
    refused(unknown.dump(), "chamada 2: 'ecfInventada' não é uma função da biblioteca");
    Json arity = Json::parse(good);
    arity["calls"][0]["args"] = Json::array();
    // Listed as it is, but never made with the wrong number of arguments.
    refused(arity.dump(), "chamada 1 (ecfImpCab): 0 argumento(s), a função tem 1", false);
    EXPECT_TRUE(tmpIsEmpty());
}
