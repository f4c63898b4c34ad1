// The ecfsim tool, run as a program against each test's own memory: its help,
// its usage errors and failures, and what its readings show. What its changes
// do at the library's next call, the memory's health, following and the
// function list are in ecfsim_changes_test.cpp.
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

#include "core/chain.h"
#include "driver_support.h"
#include "ecfsim_runner.h"
#include "json_value.h"

using namespace emutest;

namespace {

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
    Json j = JsonReader::parse(r.out);
    EXPECT_EQ(j["state"]["code"].integer, 123);
    EXPECT_EQ(j["state"]["text"].text, "em pagamento, total ainda não coberto");
    EXPECT_EQ(j["clock"]["printer"].text, "2026-03-10 12:00:00");
    EXPECT_TRUE(j["clock"]["pinned"].boolean);
    EXPECT_TRUE(j["day"]["open"].boolean);
    EXPECT_EQ(j["day"]["date"].text, "2026-03-10");
    EXPECT_EQ(j["document"]["kind"].text, "fiscal");
    EXPECT_EQ(j["document"]["coo"].integer, 1);
    EXPECT_EQ(j["document"]["items"].integer, 2);
    EXPECT_EQ(j["document"]["subtotal_cents"].integer, 375);
    EXPECT_EQ(j["document"]["paid_cents"].integer, 100);
    EXPECT_EQ(j["counters"]["coo"].integer, 1);
    EXPECT_EQ(j["counters"]["cro"].integer, 1);
    EXPECT_EQ(j["day_totals"]["gross_cents"].integer, 375);
    EXPECT_EQ(j["grand_total_cents"].integer, 375);
    EXPECT_EQ(j["user"]["cgc"].text, tool().state().user().cgc);
    EXPECT_EQ(j["settings"]["paper"].text, "ok");
    EXPECT_EQ(j["settings"]["port"].text, "COM1");
    EXPECT_EQ(j["settings"]["model"].text, "3.01");
    EXPECT_EQ(j["faults"].size(), 0u);

    closeCoupon();
    Json idle = JsonReader::parse(ecfsim({"status", "--json"}).out);
    EXPECT_EQ(idle["state"]["code"].integer, 100);
    EXPECT_EQ(idle["document"].kind, Json::Null);
    EXPECT_EQ(idle["day_totals"]["change_cents"].integer, 100 + 1000 - 375);
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

    Json j = JsonReader::parse(ecfsim({"paper", "--json", "--last=3"}).out);
    ASSERT_EQ(j.kind, Json::Array);
    ASSERT_EQ(j.size(), 3u);
    EXPECT_EQ(j[2]["station"].text, "A");
    EXPECT_EQ(j[2]["text"].text, "AUTENTICADO");
    EXPECT_EQ(j[2]["coo"].integer, 1);
    EXPECT_EQ(j[2]["time"].text, "2026-03-10 12:00:00");
    EXPECT_LT(j[0]["id"].integer, j[1]["id"].integer);
    Json full = JsonReader::parse(ecfsim({"paper", "--json"}).out);
    bool decoded = false;
    for (const Json& row : full.items)
        decoded |= row["text"].text == "Serviço prévio";
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
    Json j = JsonReader::parse(ecfsim({"paper", "--json"}).out);
    ASSERT_EQ(j.kind, Json::Array);
    EXPECT_EQ(j[0]["text"].text, "Café É");
    EXPECT_EQ(j[j.size() - 1]["text"].text, "Café € É ?");

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
    EXPECT_TRUE(contains(rows[0], "  ecfImpCab(0) = 12")) << rows[0];
    EXPECT_TRUE(contains(rows[1], "  ecfStatusImp() = \"01090001\"")) << rows[1];
    EXPECT_TRUE(contains(rows[2], "  ecfImpLinha(\"a \\x22b\\x22\") = 12")) << rows[2];

    Json j = JsonReader::parse(ecfsim({"trace", "--json"}).out);
    ASSERT_EQ(j.size(), tool().store().trace(0, 0).size());
    const Json& lastCall = j[j.size() - 1];
    EXPECT_EQ(lastCall["function"].text, "ecfImpLinha");
    ASSERT_EQ(lastCall["args"].kind, Json::Array);
    ASSERT_EQ(lastCall["args"].size(), 1u);
    EXPECT_EQ(lastCall["args"][0].kind, Json::String);
    EXPECT_EQ(lastCall["args"][0].text, "a \\x22b\\x22");  // bytes escaped as in the text form
    EXPECT_EQ(lastCall["result"].kind, Json::Integer);
    EXPECT_EQ(lastCall["result"].integer, 12);
    EXPECT_EQ(j[0]["function"].text, "ChangePort");
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
    Json j = JsonReader::parse(r.out);
    ASSERT_EQ(j.size(), 6u);

    const Json& feed = j[0];
    EXPECT_EQ(feed["function"].text, "ecfLineFeed");
    ASSERT_EQ(feed["args"].size(), 2u);
    EXPECT_EQ(feed["args"][0].kind, Json::Integer);
    EXPECT_EQ(feed["args"][0].integer, 1);
    EXPECT_EQ(feed["args"][1].integer, 8);
    EXPECT_EQ(feed["result"].kind, Json::Integer);
    EXPECT_EQ(feed["result"].integer, 0);
    EXPECT_EQ(feed["code"].integer, 0);
    EXPECT_EQ(feed["meaning"].text, "Sucesso");

    const Json& nullLine = j[1];
    ASSERT_EQ(nullLine["args"].size(), 1u);
    EXPECT_EQ(nullLine["args"][0].kind, Json::Null);
    EXPECT_EQ(nullLine["code"].integer, 1);
    EXPECT_EQ(nullLine["meaning"].text, "Parametro invalido");

    const Json& coupon = j[2];
    ASSERT_EQ(coupon["args"].size(), 1u);
    EXPECT_EQ(coupon["args"][0]["pointer"].integer, 2);
    EXPECT_EQ(coupon["result"].kind, Json::String);
    EXPECT_EQ(coupon["result"].text.substr(0, 6), "Erro: ");
    EXPECT_EQ(coupon["code"].integer, 2);
    EXPECT_EQ(coupon["meaning"].text, "Valor fora da faixa");

    const Json& status = j[3];
    EXPECT_EQ(status["args"].kind, Json::Array);
    EXPECT_EQ(status["args"].size(), 0u);
    EXPECT_EQ(status["result"].kind, Json::String);
    EXPECT_EQ(status["result"].text.substr(2, 3), "000");  // the reply text, unquoted
    EXPECT_EQ(status["code"].integer, 0);

    const Json& simulated = j[4];
    EXPECT_EQ(simulated["result"].text, "Erro: 040 Falha simulada");
    EXPECT_EQ(simulated["code"].integer, 40);
    EXPECT_EQ(simulated["meaning"].text, "Erro na memoria do ECF");

    // A text the trace cut keeps its first bytes and its full length; a quote
    // and comma inside it do not split the list.
    const Json& cut = j[5];
    ASSERT_EQ(cut["args"].size(), 1u);
    EXPECT_EQ(cut["args"][0]["text"].text, longLine.substr(0, 256));
    EXPECT_EQ(cut["args"][0]["bytes"].integer, 305);
}

TEST_F(Ecfsim, TraceJsonArgumentsKeepCommasAndQuotesInsideTexts) {
    EXPECT_EQ(ecfImpLinha("1, 2, \"3\""), 12);
    Json j = JsonReader::parse(ecfsim({"trace", "--json", "--last", "1"}).out);
    ASSERT_EQ(j.size(), 1u);
    ASSERT_EQ(j[0]["args"].size(), 1u);
    EXPECT_EQ(j[0]["args"][0].text, "1, 2, \\x223\\x22");
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
    EXPECT_EQ(JsonReader::parse(r.out)["settings"]["paper"].text, "low");
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
    EXPECT_EQ(JsonReader::parse(ecfsim({"memory", "--json"}).out).size(), 0u);

    sellTwoItems();
    closeCoupon();
    ASSERT_EQ(ecfReducaoZ("OP"), 0);
    Outcome text = ecfsim({"memory"});
    ASSERT_EQ(text.code, 0);
    EXPECT_TRUE(contains(text.out, "Z 0001  movimento de 10/03/2026")) << text.out;
    EXPECT_TRUE(contains(text.out, "  venda bruta" + std::string(25, ' ') + "3,75\n")) << text.out;
    EXPECT_TRUE(contains(text.out, "1 redução Z registrada.")) << text.out;

    Json j = JsonReader::parse(ecfsim({"memory", "--json"}).out);
    ASSERT_EQ(j.size(), 1u);
    EXPECT_EQ(j[0]["z"].integer, 1);
    EXPECT_EQ(j[0]["date"].text, "2026-03-10");
    EXPECT_EQ(j[0]["gross_cents"].integer, 375);
    EXPECT_EQ(j[0]["net_cents"].integer, 375);
    EXPECT_EQ(j[0]["grand_total_cents"].integer, 375);
    EXPECT_EQ(j[0]["totalisers"]["T00"].integer, 375);
    EXPECT_EQ(j[0]["coo"].integer, tool().store().fiscalMemory()[0].coo);
}

}  // namespace
