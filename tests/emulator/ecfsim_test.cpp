// The ecfsim tool, run as a program against each test's own memory: its
// output and exit codes, and that what it changes reaches the library at
// the library's next call (made here in-process through the C interface).
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
#include "json_value.h"

using namespace emutest;

namespace {

struct Outcome {
    int code = -1;  // exit status, or -1 when the program did not exit normally
    std::string out, err;
};

std::string slurp(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    std::stringstream ss;
    ss << f.rdbuf();
    return ss.str();
}

void execEcfsim(const std::vector<std::string>& args) {
    std::vector<std::string> copy = args;
    std::string prog = ECFSIM_EXE;
    std::vector<char*> argv{prog.data()};
    for (std::string& a : copy)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    execv(prog.c_str(), argv.data());
    _exit(127);
}

// Runs ecfsim to its end in the test's working directory and environment;
// `env` adds or replaces variables (an empty value removes one).
Outcome ecfsim(const std::vector<std::string>& args,
               const std::map<std::string, std::string>& env = {}) {
    pid_t pid = fork();
    if (pid == 0) {
        for (const auto& [k, v] : env) {
            if (v.empty())
                unsetenv(k.c_str());
            else
                setenv(k.c_str(), v.c_str(), 1);
        }
        int out = open("ecfsim.out", O_WRONLY | O_CREAT | O_TRUNC, 0644);
        int err = open("ecfsim.err", O_WRONLY | O_CREAT | O_TRUNC, 0644);
        dup2(out, 1);
        dup2(err, 2);
        execEcfsim(args);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    Outcome r;
    r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    r.out = slurp("ecfsim.out");
    r.err = slurp("ecfsim.err");
    return r;
}

bool contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string l; std::getline(in, l);)
        out.push_back(l);
    return out;
}

// A fiscal coupon with two items (1,50 and 2,25 on rate position 0), still open.
void sellTwoItems() {
    ASSERT_EQ(ecfImpCab(0), 0);
    ASSERT_EQ(ecfVenda_Item("123", "Produto", "1", "000", "150", 0), 0);
    ASSERT_EQ(ecfVenda_Item("456", "Outro", "1", "500", "150", 0), 0);
}

void closeCoupon() {
    ASSERT_EQ(ecfPagamento(0, "00", "1000", 0), 0);
    ASSERT_EQ(ecfFimTrans("OP"), 0);
}

class Ecfsim : public DriverTest {};

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

TEST_F(Ecfsim, PaperShowsStationsAndDecodesCodePage850) {
    ASSERT_EQ(ecfImpCab(0), 0);
    ASSERT_EQ(ecfInicCupomNFiscal(1), 0);
    ASSERT_EQ(ecfImpLinha("Servi\x87o pr\x82vio"), 0);  // "Serviço prévio" in code page 850
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
    EXPECT_EQ(JsonReader::parse(ecfsim({"status", "--json"}).out)["faults"]["ecfImpCab"].integer,
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
    Json j = JsonReader::parse(ecfsim({"status", "--json"}).out);
    EXPECT_EQ(j["clock"]["printer"].text, "2026-03-11 12:00:00");
    EXPECT_EQ(j["clock"]["offset_seconds"].integer, 86400);
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
        functions.push_back(JsonReader::parse(row)["function"].text);
    EXPECT_EQ(functions, (std::vector<std::string>{"ChangePort", "ecfImpCab", "ecfLineFeed"}));
    EXPECT_EQ(JsonReader::parse(rows[2])["id"].integer, 1);  // numbering restarted
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
