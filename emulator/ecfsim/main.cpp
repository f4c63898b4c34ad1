// ecfsim: the bench's companion of the emulated fiscal printer. It reads and
// changes the same memory the driver library uses, also while the program
// runs: the library re-reads what changed at its next call.
//
// CLI11 reads the command line; the help texts and error messages are the
// tool's own, in Portuguese, so CLI11's help flag and error output are off
// and what it leaves unrecognised is reported here.
#include <time.h>
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <cctype>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "actions.h"
#include "core/clock.h"
#include "core/device.h"
#include "session_commands.h"
#include "views.h"

namespace {

using ecfsim::UsageError;

constexpr int kExitOk = 0;
constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

const char* const kToolHelp = R"(Uso: ecfsim [--db ARQUIVO] COMANDO [OPÇÕES]

Lê e altera a memória da impressora fiscal emulada, também com o programa em
execução: a biblioteca vê as mudanças na sua chamada seguinte.

Comandos:
  status      estado, dia fiscal, documento aberto, contadores, totais e ajustes
  paper       a bobina: tudo o que a impressora imprimiu
  trace       o registro das chamadas feitas à biblioteca
  memory      a memória fiscal, um registro por redução Z
  set         energia, papel, autenticação, gaveta, porta, modelo, intervenção, latência
  fail        a próxima chamada de uma função responde um código de erro
  next-day    o relógio da impressora avança um dia
  verify      verifica a memória: SQLite, consistência e a cadeia de hashes
  reset       volta a impressora ao estado de fábrica (guarda uma cópia da memória)
  record      grava uma sessão: a memória do início e cada chamada feita desde então
  replay      reproduz uma sessão gravada e mostra cada diferença, campo a campo
  help        ajuda de um comando (também 'ecfsim COMANDO --help')

Opções: --db ARQUIVO, --help, --version (a versão do programa).

A memória é o arquivo de --db, senão o da variável ECFSIM_DB, senão ./ecfsim.db.
Os comandos que só leem exigem que ela exista; os que alteram a criam, como a
biblioteca faria na primeira chamada.

Saída: 0 sucesso, 1 falha (memória inacessível ou gravação recusada),
2 uso incorreto. Mensagens de erro vão para a saída de erro.
)";

const char* const kStatusHelp = R"(Uso: ecfsim status [--json]

Mostra o estado da impressora (código e descrição), o relógio, o dia fiscal,
o documento aberto, os contadores (COO, CCF, GNF, CRZ, CRO), os totais do dia,
o grande total, o usuário, o modelo, os ajustes e as falhas programadas.

  --json   um objeto JSON; valores em centavos, ajustes nas palavras de 'set'
)";

const char* const kPaperHelp = R"(Uso: ecfsim paper [--last N] [--follow] [--json]

Mostra a bobina linha a linha: data e hora da impressora, estação (R cupom,
C cheque, A autenticação), COO e o texto impresso, em UTF-8, com os
caracteres que o programa enviou (Windows Latin; as linhas impressas antes
desta versão, na página de código 850).

  --last N   só as N últimas linhas
  --follow   continua mostrando as linhas novas até Ctrl+C; sem --last começa
             pelas 10 últimas
  --json     uma lista JSON de {id, time, station, coo, text}; com --follow,
             um objeto JSON por linha
)";

const char* const kTraceHelp = R"(Uso: ecfsim trace [--last N] [--follow] [--json]

Mostra o registro das chamadas à biblioteca: hora do PC com milissegundos,
função, argumentos como foram enviados e o resultado (código ou resposta).

  --last N   só as N últimas chamadas
  --follow   continua mostrando as chamadas novas até Ctrl+C; sem --last
             começa pelas 10 últimas
  --json     uma lista JSON de {id, time, function, args, result}; com
             --follow, um objeto JSON por linha
)";

const char* const kMemoryHelp = R"(Uso: ecfsim memory [--json]

Mostra a memória fiscal: para cada redução Z, o número, a data do movimento,
a hora de emissão, COO, CRO, grande total, venda bruta, cancelamentos,
descontos, acréscimos, venda líquida e os totalizadores do dia.

  --json   uma lista JSON de registros, valores em centavos
)";

const char* const kSetHelp = R"(Uso: ecfsim set CHAVE VALOR [CHAVE VALOR ...]

Muda as condições da impressora, todas numa só gravação:
  power on|off                 energia; desligada, não responde (79)
  paper ok|low|out             bobina normal, pouco papel, sem papel
  auth-paper present|absent    documento na fenda de autenticação
  drawer open|closed|absent    gaveta; aberta, fecha sozinha depois de
                               drawer-auto-close segundos
  drawer-auto-close SEGUNDOS   0 a 86400; 0 a mantém aberta até 'drawer closed'
  port COM1|COM2               a porta em que a impressora está ligada
  model 2.04|3.00|3.01         o modelo emulado
  intervention on|off          intervenção técnica (estado 099); ao sair dela,
                               o CRO soma 1
  latency MS                   espera de cada resposta, 0 a 60000 ms

Exemplo: ecfsim set paper low drawer open
)";

const char* const kFailHelp = R"(Uso: ecfsim fail FUNÇÃO CÓDIGO
       ecfsim fail --clear [FUNÇÃO]

A próxima chamada de FUNÇÃO responde CÓDIGO (1 a 999) sem fazer nada; uma
função de status responde "Erro: NNN Falha simulada". Vale para uma chamada.
--clear desfaz a falha pendente de FUNÇÃO, ou todas sem FUNÇÃO.
ChangePort é atendida pela própria biblioteca e não tem falha a simular.

Funções:
)";

const char* const kNextDayHelp = R"(Uso: ecfsim next-day

Adianta o relógio da impressora 24 horas. Com o dia fiscal aberto ela passa
a exigir a redução Z (estado 113, depois de fechado o documento aberto); com
o dia fechado, começa um dia novo (estado 000).
)";

const char* const kResetHelp = R"(Uso: ecfsim reset --yes

Guarda uma cópia do arquivo da memória ao lado dele (ARQUIVO.bak-AAAAMMDD-HHMMSS),
depois apaga a memória inteira (estado, memória fiscal, bobina, registro de
chamadas, ajustes e falhas) e grava o estado de fábrica. Também serve para uma
memória danificada, que é copiada como está. Sem --yes não faz nada.
)";

const char* const kVerifyHelp = R"(Uso: ecfsim verify

Verifica a memória: a verificação rápida do SQLite, a consistência dos
contadores e totais, e a cadeia de hashes SHA-256 da memória fiscal (um
registro alterado, apagado ou fora de ordem é apontado pelo número da Z).
Saída 0 quando a memória está íntegra, 1 quando não (o que está errado vai
para a saída de erro).
)";

const std::map<std::string, const char*>& commandHelp() {
    static const std::map<std::string, const char*> kHelp = {{"status", kStatusHelp},
                                                             {"paper", kPaperHelp},
                                                             {"trace", kTraceHelp},
                                                             {"memory", kMemoryHelp},
                                                             {"set", kSetHelp},
                                                             {"fail", kFailHelp},
                                                             {"next-day", kNextDayHelp},
                                                             {"reset", kResetHelp},
                                                             {"verify", kVerifyHelp},
                                                             {"record", ecfsim::kRecordHelp},
                                                             {"replay", ecfsim::kReplayHelp}};
    return kHelp;
}

std::string helpOf(const std::string& command) {
    if (command.empty())
        return kToolHelp;
    std::string text = commandHelp().at(command);
    if (command == "fail") {
        std::string line = " ";
        for (const std::string& fn : ecfsim::faultableFunctions()) {
            if (line.size() + fn.size() + 1 > 78) {
                text += line + "\n";
                line = " ";
            }
            line += " " + fn;
        }
        text += line + "\n";
    }
    return text;
}

void say(const std::string& text) {
    std::fwrite(text.data(), 1, text.size(), stdout);
}

void complain(const std::string& text) {
    std::string line = "ecfsim: " + text + "\n";
    std::fwrite(line.data(), 1, line.size(), stderr);
}

// An action's lines on the output, or its failure on the error output.
int report(const ecfsim::Result& r) {
    if (!r.ok) {
        complain(r.error);
        return kExitFailure;
    }
    for (const std::string& line : r.lines)
        say(line + "\n");
    return kExitOk;
}

std::unique_ptr<fiscemu::Device> openMemory(const std::string& path, bool create) {
    std::string error, notice;
    auto dev = ecfsim::openMemory(path, create, &error, &notice);
    if (!dev)
        complain(error);
    else if (!notice.empty())
        complain(notice);
    return dev;
}

// ---------------------------------------------------------------- paper and trace

volatile std::sig_atomic_t gStop = 0;

void onSignal(int) {
    gStop = 1;
}

// Sleeps up to `ms`, returning early when a signal arrives.
void pause(int ms) {
    struct timespec ts {
        ms / 1000, (ms % 1000) * 1000000L
    };
    nanosleep(&ts, nullptr);
}

struct RowOptions {
    int64_t last = 0;
    bool follow = false, json = false;
};

template <class Row>
int showRows(const RowOptions& o, const std::function<std::vector<Row>(int64_t, int64_t)>& fetch,
             std::string (*line)(const Row&), std::string (*json)(const Row&)) {
    std::vector<Row> rows = fetch(0, o.last);
    if (!o.follow) {
        if (o.json) {
            std::string out = "[";
            for (size_t i = 0; i < rows.size(); ++i)
                out += (i ? "," : "") + json(rows[i]);
            say(out + "]\n");
        } else {
            for (const Row& r : rows)
                say(line(r));
        }
        return kExitOk;
    }
    struct sigaction sa = {};
    sa.sa_handler = onSignal;
    sigemptyset(&sa.sa_mask);
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGTERM, &sa, nullptr);
    std::optional<Row> lastSeen;
    for (;;) {
        for (const Row& r : rows)
            say(o.json ? json(r) + "\n" : line(r));
        std::fflush(stdout);
        if (!rows.empty())
            lastSeen = rows.back();
        if (gStop)
            break;
        pause(200);
        if (gStop)
            break;
        if (!lastSeen) {
            rows = fetch(0, 0);
            continue;
        }
        // Read again from the last row shown: it must still be there, unchanged,
        // unless the memory was reset from elsewhere (row numbers restart).
        std::vector<Row> fresh = fetch(lastSeen->id - 1, 0);
        if (!fresh.empty() && fiscemu::sameRow(fresh.front(), *lastSeen)) {
            rows.assign(fresh.begin() + 1, fresh.end());
            continue;
        }
        std::vector<Row> newest = fetch(0, 1);
        bool reset = !fresh.empty() || newest.empty() || newest.back().id < lastSeen->id;
        rows.clear();
        if (reset) {
            complain("a memória foi reiniciada; seguindo desde o início");
            lastSeen.reset();
            rows = fetch(0, 0);
        }
    }
    return kExitOk;
}

// ---------------------------------------------------------------- the command line

// What CLI11 read. Options that take a value are declared with an optional
// value, so a missing one is reported in the tool's words, not CLI11's: it
// then reads as kNoValue, which no argument can be.
const std::string kNoValue(1, '\0');

struct CommandLine {
    CLI::App app{"ecfsim", "ecfsim"};
    bool help = false, version = false;
    CLI::Option* db = nullptr;
    std::map<std::string, CLI::App*> commands;
    CLI::Option* last = nullptr;  // of the paper or trace command given
    std::vector<CLI::Option*> jsonFlags;
    bool follow = false, json = false, clear = false, yes = false;
    std::vector<std::string> args;  // the positional arguments of the command given
    ecfsim::SessionCommandLine session;

    CommandLine() {
        app.set_help_flag();
        app.allow_extras();
        app.require_subcommand(0, 1);
        app.add_flag("-h,--help", help);
        app.add_flag("--version", version);
        db = app.add_option("--db")->expected(0, 1)->default_str(kNoValue)->multi_option_policy(
            CLI::MultiOptionPolicy::TakeLast);
        auto add = [&](const std::string& name) {
            CLI::App* c = app.add_subcommand(name);
            c->set_help_flag();
            c->allow_extras();
            c->fallthrough();  // --db and --help may also follow the command
            commands[name] = c;
            return c;
        };
        jsonFlags.push_back(add("status")->add_flag("--json", json));
        jsonFlags.push_back(add("memory")->add_flag("--json", json));
        for (const char* name : {"paper", "trace"}) {
            CLI::App* c = add(name);
            CLI::Option* o =
                c->add_option("--last")->expected(0, 1)->default_str(kNoValue)->multi_option_policy(
                    CLI::MultiOptionPolicy::TakeLast);
            c->add_flag("-f,--follow", follow);
            jsonFlags.push_back(c->add_flag("--json", json));
            c->parse_complete_callback([this, o] { last = o; });
        }
        add("set")->add_option("pairs", args);
        CLI::App* fail = add("fail");
        fail->add_flag("--clear", clear);
        fail->add_option("arguments", args);
        add("next-day")->add_option("arguments", args);
        add("reset")->add_flag("--yes", yes);
        add("verify");
        add("help")->add_option("topic", args);
        ecfsim::declareRecord(add("record"), session);
        ecfsim::declareReplay(add("replay"), session);
        jsonFlags.push_back(session.jsonFlag);
    }

    // The command given ("" for none).
    std::string command() const {
        for (const auto& [name, c] : commands)
            if (c->parsed())
                return name;
        return "";
    }
};

// Reads the single value of an option declared with an optional value;
// nothing when the option was not given.
std::optional<std::string> valueOf(CLI::Option* o, const std::string& missing,
                                   const std::string& command) {
    if (!o || o->count() == 0)
        return std::nullopt;
    if (o->results().empty() || o->results().back() == kNoValue)
        throw UsageError{missing, command};
    return o->results().back();
}

// A flag given a value ("--json=0") takes only a plain yes or no: 1, true,
// yes, on, or 0, false, no, off. CLI11 would also read any number by its sign
// ("--json=2" on, "--json=-1" off), which says nothing clear.
void checkFlagValues(const std::vector<CLI::Option*>& flags, const std::string& command) {
    static const std::set<std::string> kWords = {"true", "1",     "yes", "on",
                                                 "0",    "false", "no",  "off"};
    for (CLI::Option* o : flags) {
        for (const std::string& value : o->results()) {
            std::string v = value;
            for (char& c : v)
                c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            if (!kWords.count(v))
                throw UsageError{o->get_name() + ": valor inválido: '" + value + "' (use " +
                                     o->get_name() + " sozinho, ou =1 ou =0)",
                                 command};
        }
    }
}

RowOptions rowOptions(const CommandLine& cl, const std::string& command) {
    RowOptions o;
    o.follow = cl.follow;
    o.json = cl.json;
    std::optional<std::string> last = valueOf(cl.last, "--last precisa de um número", command);
    if (last) {
        auto n = ecfsim::parseNumber(*last, 1, 100000000);
        if (!n)
            throw UsageError{"--last: número inválido: '" + *last + "' (1 ou mais)", command};
        o.last = *n;
    } else if (o.follow) {
        o.last = 10;
    }
    return o;
}

int run(const CommandLine& cl, const std::string& command, const std::string& db) {
    if (command == "status") {
        auto dev = openMemory(db, false);
        if (!dev)
            return kExitFailure;
        say(cl.json ? ecfsim::statusJson(*dev) : ecfsim::statusText(*dev));
        return kExitOk;
    }
    if (command == "paper" || command == "trace") {
        RowOptions o = rowOptions(cl, command);
        auto dev = openMemory(db, false);
        if (!dev)
            return kExitFailure;
        fiscemu::Store& store = dev->store();
        if (command == "paper")
            return showRows<fiscemu::PaperRow>(
                o, [&](int64_t after, int64_t n) { return store.paper(after, n); },
                ecfsim::paperLine, ecfsim::paperJson);
        return showRows<fiscemu::TraceRow>(
            o, [&](int64_t after, int64_t n) { return store.trace(after, n); }, fiscemu::traceLine,
            ecfsim::traceJson);
    }
    if (command == "memory") {
        auto dev = openMemory(db, false);
        if (!dev)
            return kExitFailure;
        std::vector<fiscemu::FiscalRecord> records = dev->store().fiscalMemory();
        say(cl.json ? ecfsim::memoryJson(records) : ecfsim::memoryText(records));
        return kExitOk;
    }
    if (command == "set") {
        std::vector<ecfsim::Change> changes = ecfsim::parseChanges(cl.args);
        auto dev = openMemory(db, true);
        return dev ? report(ecfsim::applyChanges(*dev, changes)) : kExitFailure;
    }
    if (command == "fail") {
        if (cl.clear) {
            if (cl.args.size() > 1)
                throw UsageError{"--clear aceita uma função só", command};
            std::string fn = cl.args.empty() ? "" : cl.args[0];
            if (!fn.empty())
                ecfsim::checkFunction(fn);
            auto dev = openMemory(db, true);
            return dev ? report(ecfsim::clearFault(*dev, fn)) : kExitFailure;
        }
        if (cl.args.size() != 2)
            throw UsageError{"use: ecfsim fail FUNÇÃO CÓDIGO", command};
        ecfsim::checkFunction(cl.args[0]);
        auto code = ecfsim::parseNumber(cl.args[1], 1, 999);
        if (!code)
            throw UsageError{"código inválido: '" + cl.args[1] + "' (1 a 999)", command};
        auto dev = openMemory(db, true);
        return dev ? report(ecfsim::setFault(*dev, cl.args[0], *code)) : kExitFailure;
    }
    if (command == "next-day") {
        if (!cl.args.empty())
            throw UsageError{"argumento inesperado: " + cl.args[0], command};
        auto dev = openMemory(db, true);
        return dev ? report(ecfsim::nextDay(*dev)) : kExitFailure;
    }
    if (command == "reset") {
        if (!cl.yes)
            throw UsageError{
                "reset apaga a memória fiscal, a bobina e o registro de chamadas; "
                "confirme com 'ecfsim reset --yes'",
                command};
        return report(ecfsim::resetMemory(db));
    }
    if (command == "verify") {
        if (!cl.args.empty())
            throw UsageError{"argumento inesperado: " + cl.args[0], command};
        return report(ecfsim::verifyMemory(db));
    }
    if (command == "record")
        return ecfsim::runRecord(cl.session, db);
    if (command == "replay")
        return ecfsim::runReplay(cl.session);
    throw UsageError{"comando desconhecido: " + command, ""};
}

int parseAndRun(int argc, char** argv) {
    // "--db=" reads to CLI11 as "--db" with its value still to come, and
    // "--json=" as a bare "--json".
    for (int i = 1; i < argc; ++i) {
        if (std::string(argv[i]) == "--db=")
            throw UsageError{"--db: caminho vazio", ""};
        if (std::string(argv[i]) == "--json=")
            throw UsageError{"--json: valor vazio (use --json sozinho, ou =1 ou =0)", ""};
    }
    CommandLine cl;
    try {
        cl.app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        // Everything unknown is left to the checks below; what remains is a
        // malformed line CLI11 cannot split, said in its own words.
        throw UsageError{std::string("linha de comando inválida: ") + e.what(),
                         cl.command() == "help" ? "" : cl.command()};
    }
    std::string command = cl.command();
    checkFlagValues(cl.jsonFlags, command);
    // --db given anywhere: a path must follow.
    std::optional<std::string> db = valueOf(cl.db, "--db precisa do caminho do arquivo", "");
    if (db && db->empty())
        throw UsageError{"--db: caminho vazio", ""};
    // The first word CLI11 did not take is reported: an unknown command
    // before any option (the old order), else an unknown option.
    std::vector<std::string> extras = cl.app.remaining(true);
    if (!extras.empty()) {
        const std::string& first = extras.front();
        if (command.empty() && !first.empty() && first[0] != '-')
            throw UsageError{"comando desconhecido: " + first, ""};
        if (command == "next-day" && !first.empty() && first[0] != '-')
            throw UsageError{"argumento inesperado: " + first, command};
        throw UsageError{"opção desconhecida: " + first, command};
    }
    if (cl.version) {
        say("ecfsim " BANCADA_VERSION "\n");
        return kExitOk;
    }
    if (command == "help") {
        std::string topic = cl.args.empty() ? "" : cl.args[0];
        if (!topic.empty() && !commandHelp().count(topic))
            throw UsageError{"comando desconhecido: " + topic, ""};
        say(helpOf(topic));
        return kExitOk;
    }
    if (cl.help) {
        say(helpOf(command));
        return kExitOk;
    }
    if (command.empty()) {
        std::fputs(kToolHelp, stderr);
        return kExitUsage;
    }
    if (const char* pinned = std::getenv("ECFSIM_TIME");
        pinned && *pinned && fiscemu::parsePinnedTime(pinned) < 0)
        throw UsageError{std::string("ECFSIM_TIME inválido: '") + pinned +
                             "' (use AAAA-MM-DD HH:MM:SS ou AAAA-MM-DD)",
                         ""};
    std::string path = db ? *db : fiscemu::Device::defaultPath();
    // Shown and reported in full, so a technician sees which file is meant.
    if (path[0] != '/') {
        char cwd[4096];
        if (getcwd(cwd, sizeof cwd))
            path = std::string(cwd) + "/" + path;
    }
    return run(cl, command, path);
}

}  // namespace

int main(int argc, char** argv) {
    try {
        return parseAndRun(argc, argv);
    } catch (const UsageError& e) {
        complain(e.message);
        std::string hint =
            e.command.empty() ? "veja 'ecfsim --help'" : "veja 'ecfsim " + e.command + " --help'";
        complain(hint);
        return kExitUsage;
    }
}
