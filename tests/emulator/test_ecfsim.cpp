// The ecfsim tool, run as a program against each test's own memory: its help,
// its usage errors and failures, and what its readings show. What its changes
// do at the library's next call, the memory's health, following and the
// function list are in test_ecfsim_changes.cpp.
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
#include "core/codes.h"
#include "core/cp850.h"
#include "core/replies.h"
#include "core/store.h"
#include "driver_support.h"
#include "ecfsim_runner.h"

using namespace emutest;
using Json = nlohmann::json;

namespace {

// A day with a subtotal surcharge, a subtotal discount and a cancelled item,
// every amount of its own so that no field can pass for another: gross
// 38,70, cancellations 2,50, discounts 3,00, surcharges 1,20, net 33,20,
// change 3,50. Leaves COO 2.
void sellADayOfAdjustments() {
    ASSERT_EQ(ecfImpCab(0), 0);
    ASSERT_EQ(ecfVendaItem("Cafe", "1000", 0), 0);
    ASSERT_EQ(ecfVendaItem("Pao", "500", 1), 0);
    ASSERT_EQ(ecfCancAcresDescSubTotal(1, 0, "Servico", "120"), 0);
    ASSERT_EQ(ecfPagamento(0, "00", "1620", 0), 0);
    ASSERT_EQ(ecfFimTrans("OP"), 0);
    ASSERT_EQ(ecfImpCab(0), 0);
    ASSERT_EQ(ecfVendaItem("Bolo", "2000", 0), 0);
    ASSERT_EQ(ecfVendaItem("Suco", "250", 1), 0);
    ASSERT_EQ(ecfCancItem("Suco"), 0);
    ASSERT_EQ(ecfCancAcresDescSubTotal(0, 0, "Cliente", "300"), 0);
    ASSERT_EQ(ecfPagamento(0, "00", "2050", 0), 0);
    ASSERT_EQ(ecfFimTrans("OP"), 0);
}

// The amount at the end of the line whose text before it is `label`
// ("ACRESCIMOS      1,20"), blanks aside.
std::string amountBeside(const std::vector<std::string>& text, const std::string& label) {
    for (const std::string& l : text) {
        size_t end = l.find_last_not_of(" \r");
        size_t cut = end == std::string::npos ? end : l.find_last_of(' ', end);
        if (cut == std::string::npos)
            continue;
        size_t from = l.find_first_not_of(' ');
        size_t to = l.find_last_not_of(' ', cut);
        if (to != std::string::npos && to >= from && l.substr(from, to - from + 1) == label)
            return l.substr(cut + 1, end - cut);
    }
    return "no line " + label;
}

// The lines of the roll printed under `coo`.
std::vector<std::string> printedUnder(const std::vector<fiscemu::PaperRow>& roll, int64_t coo) {
    std::vector<std::string> out;
    for (const fiscemu::PaperRow& r : roll)
        if (r.coo == coo)
            out.push_back(r.bytes);
    return out;
}

// ---------------------------------------------------------------- help and usage errors

TEST_F(Ecfsim, HelpForTheToolAndEveryCommand) {
    Outcome main = ecfsim({"--help"});
    EXPECT_EQ(main.code, 0);
    EXPECT_TRUE(main.err.empty());
    const std::vector<std::string> commands = {"status", "paper", "trace",    "memory",
                                               "set",    "fail",  "next-day", "reset"};
    for (const std::string& c : commands) {
        EXPECT_TRUE(contains(main.out, "  " + c + " ")) << c;
        Outcome help = ecfsim({c, "--help"});
        EXPECT_EQ(help.code, 0) << c;
        EXPECT_TRUE(contains(help.out, "Uso: ecfsim " + c)) << c << ": " << help.out;
        EXPECT_EQ(ecfsim({"help", c}).out, help.out) << c;
    }
    // The fault help lists the functions it accepts.
    Outcome fail = ecfsim({"fail", "--help"});
    EXPECT_TRUE(contains(fail.out, " ecfLeitMemFisc"));
    EXPECT_TRUE(contains(fail.out, " ecfProgNFComprov"));
    EXPECT_FALSE(contains(fail.out, "  ChangePort"));  // refused, so not offered
}

TEST_F(Ecfsim, UsageErrorsExitWithTwoAndSayWhatIsWrong) {
    struct Case {
        std::vector<std::string> args;
        std::string message;
    };
    const std::vector<Case> cases = {
        {{}, "Uso: ecfsim"},
        {{"imprime"}, "comando desconhecido: imprime"},
        {{"help", "imprime"}, "comando desconhecido: imprime"},
        {{"--verbose", "status"}, "opção desconhecida: --verbose"},
        {{"status", "--xml"}, "opção desconhecida: --xml"},
        {{"memory", "--all"}, "opção desconhecida: --all"},
        {{"paper", "--last"}, "--last precisa de um número"},
        {{"paper", "--last", "0"}, "número inválido"},
        {{"trace", "--last=dez"}, "número inválido"},
        {{"next-day", "2"}, "argumento inesperado: 2"},
        {{"--db"}, "--db precisa"},
        {{"--db=", "status"}, "caminho vazio"},
        {{"set"}, "diga o que mudar"},
        {{"set", "paper"}, "falta o valor de paper"},
        {{"set", "paper", "little"}, "valor inválido para paper: 'little'"},
        {{"set", "power", "1"}, "valor inválido para power"},
        {{"set", "port", "COM3"}, "valor inválido para port"},
        {{"set", "model", "3.02"}, "valor inválido para model"},
        {{"set", "latency", "-5"}, "valor inválido para latency"},
        {{"set", "latency", "60001"}, "valor inválido para latency"},
        {{"set", "drawer-auto-close", "x"}, "valor inválido para drawer-auto-close"},
        {{"set", "paper", "low", "paper", "ok"}, "ajuste repetido: paper"},
        {{"set", "colour", "red"}, "ajuste desconhecido: colour"},
        {{"fail"}, "use: ecfsim fail"},
        {{"fail", "ecfImpCab"}, "use: ecfsim fail"},
        {{"fail", "ecfImprime", "12"}, "função desconhecida: ecfImprime"},
        {{"fail", "ECFIMPCAB", "12"}, "quis dizer ecfImpCab?"},
        {{"fail", "ChangePort", "12"}, "ChangePort"},
        {{"fail", "ecfImpCab", "0"}, "código inválido: '0'"},
        {{"fail", "ecfImpCab", "1000"}, "código inválido"},
        {{"fail", "ecfImpCab", "doze"}, "código inválido"},
        {{"fail", "--clear", "ecfNada"}, "função desconhecida"},
        {{"reset"}, "ecfsim reset --yes"},
        {{"reset", "--force"}, "opção desconhecida: --force"},
    };
    for (const Case& c : cases) {
        Outcome r = ecfsim(c.args);
        std::string shown;
        for (const std::string& a : c.args)
            shown += a + " ";
        EXPECT_EQ(r.code, 2) << shown;
        EXPECT_TRUE(contains(r.err, c.message)) << shown << "-> " << r.err;
        EXPECT_TRUE(r.out.empty()) << shown;
    }
    // None of them changed the memory.
    fiscemu::Settings factory;
    EXPECT_TRUE(tool().settings() == factory);
    EXPECT_TRUE(tool().faults().empty());
}

TEST_F(Ecfsim, AnInvalidPinnedTimeIsRefused) {
    Outcome r = ecfsim({"status"}, {{"ECFSIM_TIME", "10/03/2026"}});
    EXPECT_EQ(r.code, 2);
    EXPECT_TRUE(contains(r.err, "ECFSIM_TIME inválido"));
}

// ---------------------------------------------------------------- failures

TEST_F(Ecfsim, ReadingAMissingMemoryFailsWithoutCreatingIt) {
    for (const char* cmd : {"status", "paper", "trace", "memory"}) {
        Outcome r = ecfsim({"--db", "outra.db", cmd});
        EXPECT_EQ(r.code, 1) << cmd;
        EXPECT_TRUE(contains(r.err, "memória não encontrada")) << r.err;
        EXPECT_TRUE(contains(r.err, dir_->path() + "/outra.db")) << r.err;
    }
    EXPECT_FALSE(std::ifstream("outra.db").good());
}

TEST_F(Ecfsim, UnopenableMemoryFailsWithOne) {
    Outcome noFolder =
        ecfsim({"set", "paper", "low"}, {{"ECFSIM_DB", dir_->path() + "/no/such.db"}});
    EXPECT_EQ(noFolder.code, 1);
    EXPECT_TRUE(contains(noFolder.err, "não foi possível abrir a memória")) << noFolder.err;
    {
        std::ofstream junk("junk.db");
        junk << std::string(4096, 'x');
    }
    Outcome notADatabase = ecfsim({"--db", "junk.db", "status"});
    EXPECT_EQ(notADatabase.code, 1);
    EXPECT_TRUE(contains(notADatabase.err, "não foi possível abrir a memória"));
}

TEST_F(Ecfsim, ChangingCommandsCreateAMissingMemory) {
    Outcome r = ecfsim({"--db", "nova.db", "set", "model", "2.04"});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_TRUE(contains(r.err, "memória nova criada"));
    std::string error;
    auto dev = fiscemu::Device::open(dir_->path() + "/nova.db", &error);
    ASSERT_TRUE(dev) << error;
    EXPECT_EQ(dev->settings().model, fiscemu::Model::V204);
}

// ---------------------------------------------------------------- readings

TEST_F(Ecfsim, StatusShowsTheOpenCouponCountersAndPinnedClock) {
    sellTwoItems();
    Outcome r = ecfsim({"status"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_TRUE(contains(r.out, "065  cupom fiscal em venda")) << r.out;
    EXPECT_TRUE(contains(r.out, "cupom fiscal COO 000001, 2 itens, subtotal 3,75")) << r.out;
    EXPECT_TRUE(contains(r.out, "COO 000001  CCF 000001")) << r.out;
    EXPECT_TRUE(contains(r.out, "10/03/2026 12:00:00")) << r.out;
    EXPECT_TRUE(contains(r.out, "fixado por ECFSIM_TIME")) << r.out;
    EXPECT_TRUE(contains(r.out, "aberto em 10/03/2026")) << r.out;
    EXPECT_TRUE(contains(r.out, "Grande total   3,75")) << r.out;
    EXPECT_TRUE(contains(r.out, "ECF-IF 3.01")) << r.out;
    EXPECT_TRUE(contains(r.out, dir_->db())) << r.out;
    EXPECT_TRUE(r.err.empty()) << r.err;
}

TEST_F(Ecfsim, StatusJsonDescribesTheSameState) {
    sellTwoItems();
    ASSERT_EQ(ecfPagamento(0, "00", "100", 0), 0);
    Outcome r = ecfsim({"status", "--json"});
    ASSERT_EQ(r.code, 0) << r.err;
    Json j = Json::parse(r.out);
    EXPECT_EQ(j.at("state").at("code").get<int64_t>(), 123);
    EXPECT_EQ(j.at("state").at("text").get<std::string>(), "em pagamento, total ainda não coberto");
    EXPECT_EQ(j.at("clock").at("printer").get<std::string>(), "2026-03-10 12:00:00");
    EXPECT_TRUE(j.at("clock").at("pinned").get<bool>());
    EXPECT_TRUE(j.at("day").at("open").get<bool>());
    EXPECT_EQ(j.at("day").at("date").get<std::string>(), "2026-03-10");
    EXPECT_EQ(j.at("document").at("kind").get<std::string>(), "fiscal");
    EXPECT_EQ(j.at("document").at("subtotal_cents").get<int64_t>(), 375);
    EXPECT_EQ(j.at("document").at("paid_cents").get<int64_t>(), 100);
    EXPECT_EQ(j.at("day_totals").at("gross_cents").get<int64_t>(), 375);
    EXPECT_EQ(j.at("grand_total_cents").get<int64_t>(), 375);
    EXPECT_EQ(j.at("settings").at("model").get<std::string>(), "3.01");
    EXPECT_EQ(j["faults"].size(), 0u);

    closeCoupon();
    Json idle = Json::parse(ecfsim({"status", "--json"}).out);
    EXPECT_EQ(idle.at("state").at("code").get<int64_t>(), 100);
    EXPECT_TRUE(idle.at("document").is_null());
    EXPECT_EQ(idle.at("day_totals").at("change_cents").get<int64_t>(), 100 + 1000 - 375);
}

// Every field of status, JSON and text, against the memory, with each
// counter, total and setting away from its factory value and from the others.
TEST_F(Ecfsim, EveryStatusFieldIsTheMemorysValue) {
    sellTwoItems();
    closeCoupon();
    ASSERT_EQ(ecfCancDoc("OP"), 0);
    ASSERT_EQ(ecfReducaoZ("OP"), 0);
    ASSERT_TRUE(tool().nextDay());
    ASSERT_EQ(ecfReducaoZ("OP"), 0);  // a day without movement
    ASSERT_TRUE(tool().nextDay());
    for (int i = 0; i < 2; ++i) {
        set([](fiscemu::Settings& s) { s.intervention = true; });
        set([](fiscemu::Settings& s) { s.intervention = false; });
    }
    sellADayOfAdjustments();
    ASSERT_EQ(ecfLeituraX("OP"), 0);
    for (int i = 0; i < 5; ++i)
        ASSERT_EQ(ecfLXGerencial("OP"), 0);
    ASSERT_EQ(ecfImpCab(0), 0);
    ASSERT_EQ(ecfVendaItem("Primeiro", "700", 0), 0);
    ASSERT_EQ(ecfVendaItem("Segundo", "900", 0), 0);
    ASSERT_EQ(ecfCancItem("Segundo"), 0);
    ASSERT_EQ(ecfPagamento(0, "01", "200", 0), 0);
    ASSERT_EQ(ecfsim({"set", "paper", "low", "auth-paper", "absent", "drawer-auto-close", "30",
                      "latency", "7"})
                  .code,
              0);
    ASSERT_EQ(ecfsim({"fail", "ecfFimTrans", "21"}).code, 0);

    Outcome r = ecfsim({"status", "--json"});
    ASSERT_EQ(r.code, 0) << r.err;
    const Json j = Json::parse(r.out);
    fiscemu::Device& dev = tool();
    const fiscemu::PrinterState& st = dev.state();
    const fiscemu::Scalars& s = st.s;
    const fiscemu::Settings& set = dev.settings();
    // A field added to the output is compared here too.
    EXPECT_EQ(j.size(), 13u);
    EXPECT_EQ(j.at("database").get<std::string>(), dir_->db());
    EXPECT_EQ(j.at("model").get<std::string>(), fiscemu::modelName(set.model));
    EXPECT_EQ(j.at("serial").get<std::string>(), fiscemu::serialNumber(set));
    EXPECT_EQ(j.at("state").at("code").get<int64_t>(), dev.stateCode());
    EXPECT_EQ(j.at("clock").at("printer").get<std::string>(), fiscemu::isoTime(dev.now()));
    EXPECT_EQ(j.at("clock").at("printer").get<std::string>(), "2026-03-12 12:00:00");
    EXPECT_EQ(j.at("clock").at("offset_seconds").get<int64_t>(), set.clockOffset);
    EXPECT_EQ(j.at("day").at("date").get<std::string>(), "2026-03-12");
    EXPECT_FALSE(j.at("day").at("z_done_today").get<bool>());

    const Json& doc = j.at("document");
    EXPECT_EQ(doc.size(), 7u);
    EXPECT_EQ(doc.at("coo").get<int64_t>(), st.doc.coo);
    EXPECT_EQ(doc.at("items").get<int64_t>(), 2);
    EXPECT_EQ(doc.at("cancelled_items").get<int64_t>(), 1);
    EXPECT_EQ(doc.at("subtotal_cents").get<int64_t>(), 700);
    EXPECT_EQ(doc.at("paid_cents").get<int64_t>(), 200);
    EXPECT_EQ(doc.at("opened").get<std::string>(), fiscemu::isoTime(st.doc.opened));

    const std::vector<std::pair<std::string, int64_t>> counters = {
        {"coo", s.coo},
        {"ccf", s.ccf},
        {"gnf", s.gnf},
        {"crz", s.crz},
        {"cro", s.cro},
        {"cancelled_coupons", s.cancelledCoupons},
        {"managerial_reports", s.mgrReports}};
    std::set<int64_t> distinct;
    EXPECT_EQ(j["counters"].size(), counters.size());
    for (const auto& [name, value] : counters) {
        EXPECT_EQ(j.at("counters").at(name).get<int64_t>(), value) << name;
        distinct.insert(value);
    }
    EXPECT_EQ(distinct.size(), counters.size()) << "two counters alike prove less: " << r.out;

    const std::vector<std::pair<std::string, int64_t>> totals = {
        {"gross_cents", s.dayGross},
        {"cancellations_cents", s.dayCancel},
        {"discounts_cents", s.dayDiscount},
        {"surcharges_cents", s.daySurcharge},
        {"net_cents", s.dayGross - s.dayCancel - s.dayDiscount},
        {"change_cents", s.dayChange}};
    EXPECT_EQ(j["day_totals"].size(), totals.size());
    for (const auto& [name, value] : totals)
        EXPECT_EQ(j.at("day_totals").at(name).get<int64_t>(), value) << name;
    EXPECT_EQ(j.at("day_totals").at("cancellations_cents").get<int64_t>(), 250 + 900);
    EXPECT_EQ(j.at("grand_total_cents").get<int64_t>(), s.gt);

    const fiscemu::User& u = st.user();
    const Json& user = j.at("user");
    EXPECT_EQ(user.size(), 9u);
    EXPECT_EQ(user.at("number").get<int64_t>(), static_cast<int64_t>(st.users.size()));
    EXPECT_EQ(user.at("line1").get<std::string>(), fiscemu::windowsLatinToUtf8(u.line1));
    EXPECT_EQ(user.at("line2").get<std::string>(), fiscemu::windowsLatinToUtf8(u.line2));
    EXPECT_EQ(user.at("line3").get<std::string>(), fiscemu::windowsLatinToUtf8(u.line3));
    EXPECT_EQ(user.at("cgc").get<std::string>(), u.cgc);
    EXPECT_EQ(user.at("ie").get<std::string>(), u.ie);
    EXPECT_EQ(user.at("im").get<std::string>(), u.im);
    EXPECT_EQ(user.at("store").get<int64_t>(), u.store);
    EXPECT_EQ(user.at("equipment").get<int64_t>(), u.equipment);

    const std::map<std::string, std::string> words = {
        {"power", "on"},  {"paper", "low"},  {"auth-paper", "absent"}, {"drawer", "closed"},
        {"port", "COM1"}, {"model", "3.01"}, {"intervention", "off"}};
    EXPECT_EQ(j["settings"].size(), words.size() + 2);
    for (const auto& [name, word] : words)
        EXPECT_EQ(j.at("settings").at(name).get<std::string>(), word) << name;
    EXPECT_EQ(j.at("settings").at("drawer-auto-close").get<int64_t>(), 30);
    EXPECT_EQ(j.at("settings").at("latency").get<int64_t>(), 7);
    ASSERT_EQ(j["faults"].size(), 1u);
    EXPECT_EQ(j.at("faults").at("ecfFimTrans").get<int64_t>(), 21);

    // The text form says the same.
    using fiscemu::zeroPad;
    Outcome text = ecfsim({"status"});
    ASSERT_EQ(text.code, 0) << text.err;
    for (const std::string& part : std::vector<std::string>{
             "COO " + zeroPad(s.coo, 6) + "  CCF " + zeroPad(s.ccf, 6) + "  GNF " +
                 zeroPad(s.gnf, 6) + "  CRZ " + zeroPad(s.crz, 4) + "  CRO " + zeroPad(s.cro, 4) +
                 "\n",
             "cupons cancelados " + std::to_string(s.cancelledCoupons) +
                 "  relatórios gerenciais " + std::to_string(s.mgrReports) + "\n",
             "cupom fiscal COO " + zeroPad(st.doc.coo, 6) +
                 ", 2 itens (1 cancelado), subtotal 7,00, pago 2,00\n",
             "12/03/2026 12:00:00 (PC +172800 s)",
             "Grande total   " + fiscemu::formatAmount(s.gt) + "\n",
             std::to_string(st.users.size()) + " de 20: " + fiscemu::windowsLatinToUtf8(u.line1) +
                 "\n",
             "CGC " + u.cgc + "  IE " + u.ie + "  IM " + u.im + "\n",
             "loja " + zeroPad(u.store, 4) + "  equipamento " + zeroPad(u.equipment, 4) + "\n",
             "bobina com pouco papel, autenticação sem documento, gaveta fechada\n",
             "intervenção técnica não, latência 7 ms\n",
             "ecfFimTrans responde 21 (na próxima chamada)\n"})
        EXPECT_TRUE(contains(text.out, part)) << part << "\n" << text.out;
}

// The day's discounts, surcharges and cancellations reach every reading of
// the day: the X reading, the serial X reply, ecfsim status, and the Z
// reduction's lines and record.
TEST_F(Ecfsim, TheDaysAdjustmentsReachEveryReading) {
    sellADayOfAdjustments();
    const std::vector<std::pair<std::string, std::string>> printed = {
        {"GRANDE TOTAL", "38,70"}, {"VENDA BRUTA DIARIA", "38,70"}, {"CANCELAMENTOS", "2,50"},
        {"DESCONTOS", "3,00"},     {"ACRESCIMOS", "1,20"},          {"VENDA LIQUIDA", "33,20"},
        {"TROCO", "3,50"},
    };
    ASSERT_EQ(ecfLeituraX("OP"), 0);  // COO 3
    std::vector<std::string> reading = printedUnder(tool().store().paper(0, 0), 3);
    for (const auto& [label, amount] : printed)
        EXPECT_EQ(amountBeside(reading, label), amount) << "X reading";
    for (const auto& [label, counter] :
         std::vector<std::pair<std::string, std::string>>{{"COO  ORDEM DE OPERACAO", "000003"},
                                                          {"CCF  CUPONS FISCAIS", "000002"},
                                                          {"GNF  OPERACOES NAO FISCAIS", "000001"},
                                                          {"CRZ  REDUCOES Z", "0000"},
                                                          {"CRO  REINICIO DE OPERACAO", "0001"},
                                                          {"00 Dinheiro", "36,70"}})
        EXPECT_EQ(amountBeside(reading, label), counter) << "X reading";
    EXPECT_EQ(trimmed(std::string(ecfStatusPayTypes(0)).substr(24, 20)), "36,70");

    std::string x = ecfLeituraXSerial();
    ASSERT_EQ(x.size(), 744u);
    auto digits = [](int64_t cents, size_t width) {
        std::string d = std::to_string(cents);
        return std::string(width - d.size(), '0') + d;
    };
    EXPECT_EQ(x.substr(0, 4), "0001");      // next Z
    EXPECT_EQ(x.substr(4, 8), "10/03/26");  // the day
    EXPECT_EQ(x.substr(12, 4), "0001");     // CRO
    EXPECT_EQ(x.substr(16, 6), "000001");   // first COO of the day
    EXPECT_EQ(x.substr(22, 6), "000003");   // last COO
    EXPECT_EQ(x.substr(28, 6), "000000");   // cancelled coupons
    EXPECT_EQ(x.substr(34, 21), digits(250, 21));
    EXPECT_EQ(x.substr(55, 21), digits(300, 21));
    EXPECT_EQ(x.substr(76, 21), digits(120, 21));
    EXPECT_EQ(x.substr(97, 21), digits(3870, 21));
    EXPECT_EQ(x.substr(588, 6), "000001");  // last non-fiscal operation: GNF

    Outcome status = ecfsim({"status", "--json"});
    ASSERT_EQ(status.code, 0) << status.err;
    const Json day = Json::parse(status.out).at("day_totals");
    EXPECT_EQ(day.at("gross_cents").get<int64_t>(), 3870);
    EXPECT_EQ(day.at("cancellations_cents").get<int64_t>(), 250);
    EXPECT_EQ(day.at("discounts_cents").get<int64_t>(), 300);
    EXPECT_EQ(day.at("surcharges_cents").get<int64_t>(), 120);
    EXPECT_EQ(day.at("net_cents").get<int64_t>(), 3320);
    EXPECT_EQ(day.at("change_cents").get<int64_t>(), 350);
    std::string text = ecfsim({"status"}).out;
    EXPECT_TRUE(contains(text, "venda bruta 38,70  cancelamentos 2,50  descontos 3,00")) << text;
    EXPECT_TRUE(contains(text, "acréscimos 1,20  venda líquida 33,20  troco 3,50")) << text;

    ASSERT_EQ(ecfReducaoZ("OP"), 0);  // COO 4
    reading = printedUnder(tool().store().paper(0, 0), 4);
    for (const auto& [label, amount] : printed)
        EXPECT_EQ(amountBeside(reading, label), amount) << "Z reduction";
    std::vector<fiscemu::FiscalRecord> fm = tool().store().fiscalMemory();
    ASSERT_EQ(fm.size(), 1u);
    EXPECT_EQ(fm[0].gt, 3870);
    EXPECT_EQ(fm[0].gross, 3870);
    EXPECT_EQ(fm[0].cancellations, 250);
    EXPECT_EQ(fm[0].discounts, 300);
    EXPECT_EQ(fm[0].surcharges, 120);
    EXPECT_EQ(fm[0].net, 3320);
    ASSERT_EQ(ecfLeitMemFisc(2, "101098", "101198", 1, 1, "leitura.txt"), 0);
    reading = lines(slurp("leitura.txt"));
    for (const auto& [label, amount] :
         std::vector<std::pair<std::string, std::string>>{{"GRANDE TOTAL", "38,70"},
                                                          {"VENDA BRUTA", "38,70"},
                                                          {"CANCELAMENTOS", "2,50"},
                                                          {"DESCONTOS", "3,00"},
                                                          {"ACRESCIMOS", "1,20"},
                                                          {"VENDA LIQUIDA", "33,20"}})
        EXPECT_EQ(amountBeside(reading, label), amount) << "fiscal memory reading";
    // The day starts again from nothing.
    EXPECT_EQ(std::string(ecfLeituraXSerial()).substr(34, 63), std::string(63, '0'));
}

TEST_F(Ecfsim, PaperShowsStationsAndTheProgramsCharacters) {
    ASSERT_EQ(ecfImpCab(0), 0);
    ASSERT_EQ(ecfInicCupomNFiscal(1), 0);
    ASSERT_EQ(ecfImpLinha("Servi\xE7o pr\xE9vio"), 0);  // "Serviço prévio" in Windows Latin
    ASSERT_EQ(ecfFimTrans("OP"), 0);
    ASSERT_EQ(ecfAutentica("AUTENTICADO"), 0);

    Outcome all = ecfsim({"paper"});
    ASSERT_EQ(all.code, 0) << all.err;
    std::vector<std::string> rows = lines(all.out);
    ASSERT_EQ(rows.size(), tool().store().paper(0, 0).size());
    EXPECT_TRUE(contains(all.out, "10/03/26 12:00:00 R 000001 | Serviço prévio\n")) << all.out;
    EXPECT_EQ(rows.back(), "10/03/26 12:00:00 A 000001 | AUTENTICADO");

    Outcome last = ecfsim({"paper", "--last", "2"});
    ASSERT_EQ(last.code, 0);
    std::vector<std::string> two = lines(last.out);
    ASSERT_EQ(two.size(), 2u);
    EXPECT_EQ(two[0], rows[rows.size() - 2]);
    EXPECT_EQ(two[1], rows.back());

    Json j = Json::parse(ecfsim({"paper", "--json", "--last=3"}).out);
    ASSERT_TRUE(j.is_array());
    ASSERT_EQ(j.size(), 3u);
    EXPECT_EQ(j.at(2).at("station").get<std::string>(), "A");
    EXPECT_EQ(j.at(2).at("text").get<std::string>(), "AUTENTICADO");
    EXPECT_EQ(j.at(2).at("coo").get<int64_t>(), 1);
    EXPECT_EQ(j.at(2).at("time").get<std::string>(), "2026-03-10 12:00:00");
    EXPECT_LT(j.at(0).at("id").get<int64_t>(), j.at(1).at("id").get<int64_t>());
    // Every field of every row, as the memory holds it.
    Json full = Json::parse(ecfsim({"paper", "--json"}).out);
    std::vector<fiscemu::PaperRow> stored = tool().store().paper(0, 0);
    ASSERT_EQ(full.size(), stored.size());
    bool decoded = false;
    for (size_t i = 0; i < stored.size(); ++i) {
        const Json& row = full.at(i);
        EXPECT_EQ(row.size(), 5u);
        EXPECT_EQ(row.at("id").get<int64_t>(), stored[i].id);
        EXPECT_EQ(row.at("time").get<std::string>(), stored[i].time);
        EXPECT_EQ(row.at("station").get<std::string>(), std::string(1, stored[i].station));
        EXPECT_EQ(row.at("coo").get<int64_t>(), stored[i].coo);
        EXPECT_EQ(row.at("text").get<std::string>(), fiscemu::paperText(stored[i]));
        decoded |= row.at("text").get<std::string>() == "Serviço prévio";
    }
    EXPECT_TRUE(decoded);
}

// A memory printed on before the printer took Windows Latin keeps its lines
// in code page 850: each line shows in the code page it was printed in.
TEST_F(Ecfsim, PaperOfAnOlderMemoryShowsBothCodePages) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(dir_->db().c_str(), &db), SQLITE_OK);
    // "Café É" as an older library stored it: code page 850 bytes, with
    // no mark of where Windows Latin begins.
    const char* old =
        "INSERT INTO paper(time, station, coo, line) "
        "VALUES('2026-03-09 10:00:00', 'R', 0, X'436166822090')";
    EXPECT_EQ(sqlite3_exec(db, old, nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(db);
    sqlite3_close(db);

    ASSERT_EQ(ecfImpCab(0), 0);
    ASSERT_EQ(ecfInicCupomNFiscal(1), 0);
    ASSERT_EQ(ecfImpLinha("Caf\xE9 \x80 \xC9 \x81"), 0);
    Outcome paper = ecfsim({"paper"});
    ASSERT_EQ(paper.code, 0) << paper.err;
    std::vector<std::string> rows = lines(paper.out);
    ASSERT_GT(rows.size(), 2u);
    EXPECT_EQ(rows.front(), "09/03/26 10:00:00 R 000000 | Café É");
    EXPECT_EQ(rows.back(), "10/03/26 12:00:00 R 000001 | Café € É ?");
    Json j = Json::parse(ecfsim({"paper", "--json"}).out);
    ASSERT_TRUE(j.is_array());
    EXPECT_EQ(j.at(0).at("text").get<std::string>(), "Café É");
    EXPECT_EQ(j.at(j.size() - 1).at("text").get<std::string>(), "Café € É ?");

    // A reset starts a roll that is Windows Latin from its first line, also
    // for the library that had marked the old roll.
    ASSERT_EQ(ecfsim({"reset", "--yes"}).code, 0);
    ASSERT_EQ(ecfImpCab(0), 0);
    ASSERT_EQ(ecfInicCupomNFiscal(1), 0);
    ASSERT_EQ(ecfImpLinha("P\xC3O"), 0);
    std::vector<fiscemu::PaperRow> roll = tool().store().paper(0, 0);
    ASSERT_FALSE(roll.empty());
    for (const fiscemu::PaperRow& row : roll)
        EXPECT_EQ(row.codePage, 1252) << row.id;
    EXPECT_EQ(fiscemu::paperText(roll.back()), "PÃO");
}

TEST_F(Ecfsim, TraceShowsCallsArgumentsAndResults) {
    ASSERT_EQ(ecfImpCab(0), 0);
    EXPECT_EQ(ecfImpCab(0), 12);
    EXPECT_EQ(std::string(ecfStatusImp()).substr(2, 3), "090");
    EXPECT_EQ(ecfImpLinha("a \"b\""), 12);
    Outcome r = ecfsim({"trace", "--last", "3"});
    ASSERT_EQ(r.code, 0) << r.err;
    std::vector<std::string> rows = lines(r.out);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_TRUE(contains(rows[0], "  ecfImpCab(0) = 12  — estado 090 (cabeçalho impresso"))
        << rows[0];
    EXPECT_TRUE(contains(rows[1], "  ecfStatusImp() = \"01090001\"")) << rows[1];
    EXPECT_FALSE(contains(rows[1], "—")) << "an accepted call has no reason: " << rows[1];
    EXPECT_TRUE(contains(rows[2], "  ecfImpLinha(\"a \\x22b\\x22\") = 12  — estado 090"))
        << rows[2];

    Json j = Json::parse(ecfsim({"trace", "--json"}).out);
    std::vector<fiscemu::TraceRow> stored = tool().store().trace(0, 0);
    ASSERT_EQ(j.size(), stored.size());
    for (size_t i = 0; i < stored.size(); ++i) {
        EXPECT_EQ(j[i].size(), 8u);
        EXPECT_EQ(j.at(i).at("reason").is_null(), stored[i].reason.empty());
        EXPECT_EQ(j.at(i).at("id").get<int64_t>(), stored[i].id);
        EXPECT_EQ(j.at(i).at("time").get<std::string>(), stored[i].time);
        EXPECT_EQ(j.at(i).at("function").get<std::string>(), stored[i].function);
    }
    const Json& lastCall = j.at(j.size() - 1);
    EXPECT_EQ(lastCall.at("function").get<std::string>(), "ecfImpLinha");
    ASSERT_TRUE(lastCall.at("args").is_array());
    ASSERT_EQ(lastCall["args"].size(), 1u);
    EXPECT_TRUE(lastCall.at("args").at(0).is_string());
    EXPECT_EQ(lastCall.at("args").at(0).get<std::string>(),
              "a \\x22b\\x22");  // bytes escaped as in the text form
    EXPECT_TRUE(lastCall.at("result").is_number_integer());
    EXPECT_EQ(lastCall.at("result").get<int64_t>(), 12);
    EXPECT_EQ(lastCall.at("reason").get<std::string>(), stored.back().reason);
    EXPECT_TRUE(contains(lastCall.at("reason").get<std::string>(),
                         "linhas livres depois do cabeçalho pedem a opção 32"))
        << lastCall.at("reason").get<std::string>();
    EXPECT_EQ(j.at(0).at("function").get<std::string>(), "ChangePort");
}

TEST_F(Ecfsim, TraceJsonGivesTypedArgumentsAndResultsWithTheirMeaning) {
    ASSERT_EQ(ecfLineFeed(1, 8), 0);
    EXPECT_EQ(ecfImpLinha(nullptr), 1);
    int32_t kind = 2;  // only 1 is a valid kind
    EXPECT_EQ(std::string(ecfStatusCupom(&kind)).substr(0, 9), "Erro: 002");
    EXPECT_EQ(std::string(ecfStatusImp()).substr(2, 3), "000");
    ASSERT_EQ(ecfsim({"fail", "ecfStatusImp", "40"}).code, 0);
    EXPECT_EQ(std::string(ecfStatusImp()), "Erro: 040 Falha simulada");
    const std::string longLine(300, 'x');
    EXPECT_NE(ecfImpLinha((longLine + ", \"y\"").c_str()), 0);

    Outcome r = ecfsim({"trace", "--json", "--last", "6"});
    ASSERT_EQ(r.code, 0) << r.err;
    Json j = Json::parse(r.out);
    ASSERT_EQ(j.size(), 6u);

    const Json& feed = j.at(0);
    EXPECT_EQ(feed.at("function").get<std::string>(), "ecfLineFeed");
    ASSERT_EQ(feed["args"].size(), 2u);
    EXPECT_TRUE(feed.at("args").at(0).is_number_integer());
    EXPECT_EQ(feed.at("args").at(0).get<int64_t>(), 1);
    EXPECT_EQ(feed.at("args").at(1).get<int64_t>(), 8);
    EXPECT_TRUE(feed.at("result").is_number_integer());
    EXPECT_EQ(feed.at("result").get<int64_t>(), 0);
    EXPECT_EQ(feed.at("code").get<int64_t>(), 0);
    EXPECT_EQ(feed.at("meaning").get<std::string>(), "Sucesso");

    const Json& nullLine = j.at(1);
    ASSERT_EQ(nullLine["args"].size(), 1u);
    EXPECT_TRUE(nullLine.at("args").at(0).is_null());
    EXPECT_EQ(nullLine.at("code").get<int64_t>(), 1);
    EXPECT_EQ(nullLine.at("meaning").get<std::string>(), "Parametro invalido");

    const Json& coupon = j.at(2);
    ASSERT_EQ(coupon["args"].size(), 1u);
    EXPECT_EQ(coupon.at("args").at(0).at("pointer").get<int64_t>(), 2);
    EXPECT_TRUE(coupon.at("result").is_string());
    EXPECT_EQ(coupon.at("result").get<std::string>().substr(0, 6), "Erro: ");
    EXPECT_EQ(coupon.at("code").get<int64_t>(), 2);
    EXPECT_EQ(coupon.at("meaning").get<std::string>(), "Valor fora da faixa");

    const Json& status = j.at(3);
    EXPECT_TRUE(status.at("args").is_array());
    EXPECT_EQ(status["args"].size(), 0u);
    EXPECT_TRUE(status.at("result").is_string());
    EXPECT_EQ(status.at("result").get<std::string>().substr(2, 3),
              "000");  // the reply text, unquoted
    EXPECT_EQ(status.at("code").get<int64_t>(), 0);

    const Json& simulated = j.at(4);
    EXPECT_EQ(simulated.at("result").get<std::string>(), "Erro: 040 Falha simulada");
    EXPECT_EQ(simulated.at("code").get<int64_t>(), 40);
    EXPECT_EQ(simulated.at("meaning").get<std::string>(), "Erro na memoria do ECF");

    // A text the trace cut keeps its first bytes and its full length; a quote
    // and comma inside it do not split the list.
    const Json& cut = j.at(5);
    ASSERT_EQ(cut["args"].size(), 1u);
    EXPECT_EQ(cut.at("args").at(0).at("text").get<std::string>(), longLine.substr(0, 256));
    EXPECT_EQ(cut.at("args").at(0).at("bytes").get<int64_t>(), 305);
}

TEST_F(Ecfsim, TraceJsonArgumentsKeepCommasAndQuotesInsideTexts) {
    EXPECT_EQ(ecfImpLinha("1, 2, \"3\""), 12);
    Json j = Json::parse(ecfsim({"trace", "--json", "--last", "1"}).out);
    ASSERT_EQ(j.size(), 1u);
    ASSERT_EQ(j[0]["args"].size(), 1u);
    EXPECT_EQ(j.at(0).at("args").at(0).get<std::string>(), "1, 2, \\x223\\x22");
}

TEST_F(Ecfsim, VersionIsTheProjectVersion) {
    Outcome r = ecfsim({"--version"});
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.out, "ecfsim " BANCADA_VERSION "\n");
    EXPECT_TRUE(r.err.empty());
    // Needs no memory, and says so before anything else.
    EXPECT_EQ(ecfsim({"--version", "--db", "nenhuma/pasta.db", "status"}).out, r.out);
}

TEST_F(Ecfsim, OptionsMayFollowTheCommand) {
    ASSERT_EQ(ecfsim({"set", "paper", "low", "--db", "outra.db"}).code, 0);
    Outcome r = ecfsim({"status", "--json", "--db=outra.db"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(Json::parse(r.out).at("settings").at("paper").get<std::string>(), "low");
    // The last --db counts, as before.
    EXPECT_EQ(ecfsim({"--db", "nenhuma.db", "status", "--db", "outra.db"}).code, 0);
    // What CLI11 itself refuses is still a usage error, said in Portuguese.
    Outcome flagValue = ecfsim({"status", "--json=talvez"});
    EXPECT_EQ(flagValue.code, 2);
    EXPECT_TRUE(contains(flagValue.err, "linha de comando inválida")) << flagValue.err;
    EXPECT_EQ(ecfsim({"paper", "--db", "outra.db", "-f", "--help"}).out,
              ecfsim({"help", "paper"}).out);
    // A value that starts like an option is still the value of set.
    Outcome negative = ecfsim({"set", "latency", "-5"});
    EXPECT_EQ(negative.code, 2);
    EXPECT_TRUE(contains(negative.err, "valor inválido para latency: '-5'")) << negative.err;
}

TEST_F(Ecfsim, MemoryListsTheZReductions) {
    Outcome empty = ecfsim({"memory"});
    EXPECT_EQ(empty.code, 0);
    EXPECT_TRUE(contains(empty.out, "Memória fiscal vazia"));
    EXPECT_EQ(Json::parse(ecfsim({"memory", "--json"}).out).size(), 0u);

    // Two days, the second with every kind of amount and a restart of
    // operation, so that no two fields of its record hold the same number.
    sellTwoItems();
    closeCoupon();
    ASSERT_EQ(ecfReducaoZ("OP"), 0);
    ASSERT_TRUE(tool().nextDay());
    set([](fiscemu::Settings& s) { s.intervention = true; });
    set([](fiscemu::Settings& s) { s.intervention = false; });
    sellADayOfAdjustments();
    ASSERT_EQ(ecfReducaoZ("OP"), 0);
    std::vector<fiscemu::FiscalRecord> fm = tool().store().fiscalMemory();
    ASSERT_EQ(fm.size(), 2u);
    EXPECT_EQ(fm[1].cro, 2);

    Outcome text = ecfsim({"memory"});
    ASSERT_EQ(text.code, 0);
    EXPECT_TRUE(contains(text.out, "Z 0001  movimento de 10/03/2026")) << text.out;
    EXPECT_TRUE(contains(text.out,
                         "Z 0002  movimento de 11/03/2026  emitida 11/03/2026 12:00:00  "
                         "COO 000005  CRO 0002\n"))
        << text.out;
    // "  label", blanks, the amount: 40 characters.
    auto amountLine = [](const std::string& label, const std::string& amount) {
        size_t chars = 0;
        for (unsigned char c : label)
            chars += (c & 0xC0) != 0x80;
        return "  " + label + std::string(40 - chars - amount.size(), ' ') + amount + "\n";
    };
    for (const auto& [label, amount] :
         std::vector<std::pair<std::string, std::string>>{{"grande total", "42,45"},
                                                          {"venda bruta", "38,70"},
                                                          {"cancelamentos", "2,50"},
                                                          {"descontos", "3,00"},
                                                          {"acréscimos", "1,20"},
                                                          {"venda líquida", "33,20"}})
        EXPECT_TRUE(contains(text.out, amountLine(label, amount))) << label << "\n" << text.out;
    EXPECT_TRUE(contains(text.out, "2 reduções Z registradas.")) << text.out;

    // Every field of every record, as the memory holds it.
    Json j = Json::parse(ecfsim({"memory", "--json"}).out);
    ASSERT_EQ(j.size(), fm.size());
    for (size_t i = 0; i < fm.size(); ++i) {
        SCOPED_TRACE("Z " + std::to_string(fm[i].z));
        const Json& r = j.at(i);
        EXPECT_EQ(r.size(), 13u);  // a field added here is compared here too
        EXPECT_EQ(r.at("z").get<int64_t>(), fm[i].z);
        EXPECT_EQ(fm[i].ymd, i == 0 ? 20260310 : 20260311);
        EXPECT_EQ(r.at("date").get<std::string>(), i == 0 ? "2026-03-10" : "2026-03-11");
        EXPECT_EQ(r.at("time").get<std::string>(), fiscemu::isoTime(fm[i].time));
        EXPECT_EQ(r.at("coo").get<int64_t>(), fm[i].coo);
        EXPECT_EQ(r.at("cro").get<int64_t>(), fm[i].cro);
        EXPECT_EQ(r.at("grand_total_cents").get<int64_t>(), fm[i].gt);
        EXPECT_EQ(r.at("gross_cents").get<int64_t>(), fm[i].gross);
        EXPECT_EQ(r.at("cancellations_cents").get<int64_t>(), fm[i].cancellations);
        EXPECT_EQ(r.at("discounts_cents").get<int64_t>(), fm[i].discounts);
        EXPECT_EQ(r.at("surcharges_cents").get<int64_t>(), fm[i].surcharges);
        EXPECT_EQ(r.at("net_cents").get<int64_t>(), fm[i].net);
        std::map<std::string, int64_t> totalisers;
        for (const auto& [t, v] : fiscemu::decodeShares(fm[i].details))
            totalisers[fiscemu::totaliserName(t)] = v;
        ASSERT_EQ(r["totalisers"].size(), totalisers.size());
        for (const auto& [name, v] : totalisers)
            EXPECT_EQ(r.at("totalisers").at(name).get<int64_t>(), v) << name;
        EXPECT_EQ(r.at("hash").get<std::string>(), fiscemu::toHex(fm[i].hash));
    }
    EXPECT_EQ(j.at(1).at("time").get<std::string>(), "2026-03-11 12:00:00");
    EXPECT_EQ(j.at(1).at("surcharges_cents").get<int64_t>(), 120);
}

}  // namespace

// The table of result codes, the one the library answers from, in the help.
TEST_F(Ecfsim, HelpCodesExplainsEveryResultCodeFromTheLibrarysTable) {
    Outcome r = ecfsim({"help", "codes"});
    ASSERT_EQ(r.code, 0) << r.err;
    std::vector<std::string> rows = lines(r.out);
    for (const fiscemu::ResultCode& code : fiscemu::resultCodes()) {
        const std::string head = std::to_string(code.code) + " ";
        bool found = false;
        for (const std::string& row : rows)
            found |= row.rfind(head, 0) == 0 && contains(row, code.description);
        EXPECT_TRUE(found) << code.code << " " << code.description;
    }
    EXPECT_TRUE(contains(r.out, "ecfFimTrans antes de os pagamentos cobrirem o total"));
    EXPECT_EQ(ecfsim({"help", "codigos"}).code, 2);
}
