// ecfsim: the bench's companion of the emulated fiscal printer. It reads and
// changes the same memory the driver library uses, also while the program
// runs: the library re-reads what changed at its next call.
#include <errno.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

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

#include "core/clock.h"
#include "core/device.h"
#include "views.h"

namespace {

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
  reset       volta a impressora ao estado de fábrica (apaga a memória inteira)
  help        ajuda de um comando (também 'ecfsim COMANDO --help')

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
C cheque, A autenticação), COO e o texto impresso (página de código 850,
mostrada em UTF-8).

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

Apaga a memória inteira (estado, memória fiscal, bobina, registro de chamadas,
ajustes e falhas) e grava o estado de fábrica. Sem --yes não faz nada.
)";

const std::map<std::string, const char*>& commandHelp() {
    static const std::map<std::string, const char*> kHelp = {
        {"status", kStatusHelp},    {"paper", kPaperHelp}, {"trace", kTraceHelp},
        {"memory", kMemoryHelp},    {"set", kSetHelp},     {"fail", kFailHelp},
        {"next-day", kNextDayHelp}, {"reset", kResetHelp}};
    return kHelp;
}

std::string helpOf(const std::string& command) {
    if (command.empty())
        return kToolHelp;
    std::string text = commandHelp().at(command);
    if (command == "fail") {
        std::string line = " ";
        for (const std::string& fn : fiscemu::driverFunctionNames()) {
            if (fn == "ChangePort")
                continue;
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

// A usage error: its message, and the command whose help it points to.
struct UsageError {
    std::string message;
    std::string command;
};

void say(const std::string& text) {
    std::fwrite(text.data(), 1, text.size(), stdout);
}

void complain(const std::string& text) {
    std::string line = "ecfsim: " + text + "\n";
    std::fwrite(line.data(), 1, line.size(), stderr);
}

std::optional<int64_t> parseNumber(const std::string& text, int64_t min, int64_t max) {
    if (text.empty() || text.size() > 9)
        return std::nullopt;
    int64_t v = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        v = v * 10 + (c - '0');
    }
    if (v < min || v > max)
        return std::nullopt;
    return v;
}

// ---------------------------------------------------------------- opening the memory

bool fileExists(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0;
}

// Reading commands want an existing memory: a fresh one in the wrong folder
// would show a factory printer and hide the mistake.
std::unique_ptr<fiscemu::Device> openMemory(const std::string& path, bool create) {
    bool existed = fileExists(path);
    if (!existed && !create) {
        complain("memória não encontrada: " + path +
                 " (rode o programa uma vez, use --db ARQUIVO ou defina ECFSIM_DB)");
        return nullptr;
    }
    std::string error;
    auto dev = fiscemu::Device::open(path, &error);
    if (!dev) {
        complain("não foi possível abrir a memória " + path + ": " + error);
        return nullptr;
    }
    if (!existed)
        complain("memória nova criada em " + path + " (estado de fábrica)");
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

RowOptions parseRowOptions(const std::string& command, const std::vector<std::string>& args) {
    RowOptions o;
    bool lastGiven = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        std::string value;
        bool isLast = false;
        if (a == "--last") {
            if (i + 1 >= args.size())
                throw UsageError{"--last precisa de um número", command};
            value = args[++i];
            isLast = true;
        } else if (a.rfind("--last=", 0) == 0) {
            value = a.substr(7);
            isLast = true;
        }
        if (isLast) {
            auto n = parseNumber(value, 1, 100000000);
            if (!n)
                throw UsageError{"--last: número inválido: '" + value + "' (1 ou mais)", command};
            o.last = *n;
            lastGiven = true;
        } else if (a == "--follow" || a == "-f") {
            o.follow = true;
        } else if (a == "--json") {
            o.json = true;
        } else {
            throw UsageError{"opção desconhecida: " + a, command};
        }
    }
    if (o.follow && !lastGiven)
        o.last = 10;
    return o;
}

bool sameRow(const fiscemu::PaperRow& a, const fiscemu::PaperRow& b) {
    return a.id == b.id && a.time == b.time && a.station == b.station && a.coo == b.coo &&
           a.bytes == b.bytes;
}

bool sameRow(const fiscemu::TraceRow& a, const fiscemu::TraceRow& b) {
    return a.id == b.id && a.time == b.time && a.function == b.function && a.args == b.args &&
           a.result == b.result;
}

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
        if (!fresh.empty() && sameRow(fresh.front(), *lastSeen)) {
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

// ---------------------------------------------------------------- set

struct Change {
    std::string description;
    std::function<void(fiscemu::Settings&)> apply;
};

Change parseChange(const std::string& key, const std::string& value) {
    using fiscemu::Settings;
    auto bad = [&](const std::string& allowed) {
        return UsageError{"valor inválido para " + key + ": '" + value + "' (use " + allowed + ")",
                          "set"};
    };
    if (key == "power") {
        if (value != "on" && value != "off")
            throw bad("on ou off");
        bool on = value == "on";
        return {std::string("energia: ") + (on ? "ligada" : "desligada"),
                [on](Settings& s) { s.power = on; }};
    }
    if (key == "paper") {
        static const std::map<std::string, std::pair<int, const char*>> kLevels = {
            {"ok", {fiscemu::kPaperOk, "normal"}},
            {"low", {fiscemu::kPaperLowLevel, "pouco papel"}},
            {"out", {fiscemu::kPaperOutLevel, "sem papel"}}};
        auto it = kLevels.find(value);
        if (it == kLevels.end())
            throw bad("ok, low ou out");
        int level = it->second.first;
        return {std::string("papel: ") + it->second.second,
                [level](Settings& s) { s.paper = level; }};
    }
    if (key == "auth-paper") {
        if (value != "present" && value != "absent")
            throw bad("present ou absent");
        bool present = value == "present";
        return {std::string("documento na autenticação: ") + (present ? "presente" : "ausente"),
                [present](Settings& s) { s.authPaper = present; }};
    }
    if (key == "drawer") {
        if (value == "open")
            return {"gaveta: aberta", [](Settings& s) {
                        s.drawer = fiscemu::kDrawerOpen;
                        s.drawerOpenedAt = fiscemu::wallNow();
                    }};
        if (value == "closed")
            return {"gaveta: fechada", [](Settings& s) { s.drawer = fiscemu::kDrawerClosed; }};
        if (value == "absent")
            return {"gaveta: ausente", [](Settings& s) { s.drawer = fiscemu::kDrawerAbsent; }};
        throw bad("open, closed ou absent");
    }
    if (key == "drawer-auto-close") {
        auto n = parseNumber(value, 0, 86400);
        if (!n)
            throw bad("segundos de 0 a 86400");
        int64_t secs = *n;
        return {"gaveta fecha sozinha: " +
                    (secs ? "depois de " + std::to_string(secs) + " s" : std::string("nunca")),
                [secs](Settings& s) { s.drawerAutoClose = secs; }};
    }
    if (key == "port") {
        if (value != "COM1" && value != "COM2" && value != "com1" && value != "com2")
            throw bad("COM1 ou COM2");
        int port = (value == "COM2" || value == "com2") ? 1 : 0;
        return {std::string("impressora na porta: ") + (port ? "COM2" : "COM1"),
                [port](Settings& s) { s.port = port; }};
    }
    if (key == "model") {
        if (value != "2.04" && value != "3.00" && value != "3.01")
            throw bad("2.04, 3.00 ou 3.01");
        fiscemu::Model m = *fiscemu::parseModel(value);
        return {"modelo: " + value, [m](Settings& s) { s.model = m; }};
    }
    if (key == "intervention") {
        if (value != "on" && value != "off")
            throw bad("on ou off");
        bool on = value == "on";
        return {std::string("intervenção técnica: ") + (on ? "sim" : "não"),
                [on](Settings& s) { s.intervention = on; }};
    }
    if (key == "latency") {
        auto n = parseNumber(value, 0, 60000);
        if (!n)
            throw bad("milissegundos de 0 a 60000");
        int64_t ms = *n;
        return {"latência: " + std::to_string(ms) + " ms", [ms](Settings& s) { s.latencyMs = ms; }};
    }
    throw UsageError{"ajuste desconhecido: " + key, "set"};
}

int cmdSet(const std::string& db, const std::vector<std::string>& args) {
    if (args.empty())
        throw UsageError{"diga o que mudar, por exemplo: ecfsim set paper low", "set"};
    std::vector<Change> changes;
    std::set<std::string> seen;
    for (size_t i = 0; i < args.size(); i += 2) {
        const std::string& key = args[i];
        if (i + 1 >= args.size())
            throw UsageError{"falta o valor de " + key, "set"};
        if (!seen.insert(key).second)
            throw UsageError{"ajuste repetido: " + key, "set"};
        changes.push_back(parseChange(key, args[i + 1]));
    }
    auto dev = openMemory(db, true);
    if (!dev)
        return kExitFailure;
    bool wasInIntervention = dev->settings().intervention;
    bool ok = dev->updateSettings([&](fiscemu::Settings& s) {
        for (const Change& c : changes)
            c.apply(s);
    });
    if (!ok) {
        complain("a memória recusou a gravação: " + dev->lastError());
        return kExitFailure;
    }
    for (const Change& c : changes)
        say(c.description + "\n");
    if (wasInIntervention && !dev->settings().intervention)
        say("fim da intervenção técnica: CRO agora " + std::to_string(dev->state().s.cro) + "\n");
    return kExitOk;
}

// ---------------------------------------------------------------- fail

std::string lower(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return s;
}

void checkFunction(const std::string& name) {
    if (name == "ChangePort")
        throw UsageError{
            "ChangePort é atendida pela própria biblioteca, sem a impressora; "
            "não há falha a simular",
            "fail"};
    if (fiscemu::isDriverFunction(name))
        return;
    for (const std::string& fn : fiscemu::driverFunctionNames())
        if (lower(fn) == lower(name))
            throw UsageError{"função desconhecida: " + name + " (quis dizer " + fn + "?)", "fail"};
    throw UsageError{"função desconhecida: " + name, "fail"};
}

int cmdFail(const std::string& db, const std::vector<std::string>& args) {
    if (!args.empty() && args[0] == "--clear") {
        if (args.size() > 2)
            throw UsageError{"--clear aceita uma função só", "fail"};
        std::string fn = args.size() == 2 ? args[1] : "";
        if (!fn.empty())
            checkFunction(fn);
        auto dev = openMemory(db, true);
        if (!dev)
            return kExitFailure;
        if (!fn.empty() && !dev->faults().count(fn)) {
            say(fn + " não tinha falha pendente\n");
            return kExitOk;
        }
        if (!dev->clearFaults(fn)) {
            complain("a memória recusou a gravação: " + dev->lastError());
            return kExitFailure;
        }
        say(fn.empty() ? "nenhuma falha pendente\n" : "falha de " + fn + " desfeita\n");
        return kExitOk;
    }
    if (args.size() != 2)
        throw UsageError{"use: ecfsim fail FUNÇÃO CÓDIGO", "fail"};
    checkFunction(args[0]);
    auto code = parseNumber(args[1], 1, 999);
    if (!code)
        throw UsageError{"código inválido: '" + args[1] + "' (1 a 999)", "fail"};
    auto dev = openMemory(db, true);
    if (!dev)
        return kExitFailure;
    if (!dev->setFault(args[0], static_cast<int>(*code))) {
        complain("a memória recusou a gravação: " + dev->lastError());
        return kExitFailure;
    }
    say("a próxima chamada de " + args[0] + " responde " + std::to_string(*code) + "\n");
    return kExitOk;
}

// ---------------------------------------------------------------- the rest

void noArguments(const std::string& command, const std::vector<std::string>& args) {
    if (!args.empty())
        throw UsageError{"argumento inesperado: " + args[0], command};
}

bool jsonOnly(const std::string& command, const std::vector<std::string>& args) {
    bool json = false;
    for (const std::string& a : args) {
        if (a != "--json")
            throw UsageError{"opção desconhecida: " + a, command};
        json = true;
    }
    return json;
}

int run(const std::string& command, const std::string& db, const std::vector<std::string>& args) {
    if (command == "status") {
        bool json = jsonOnly(command, args);
        auto dev = openMemory(db, false);
        if (!dev)
            return kExitFailure;
        say(json ? ecfsim::statusJson(*dev) : ecfsim::statusText(*dev));
        return kExitOk;
    }
    if (command == "paper" || command == "trace") {
        RowOptions o = parseRowOptions(command, args);
        auto dev = openMemory(db, false);
        if (!dev)
            return kExitFailure;
        fiscemu::Store& store = dev->store();
        if (command == "paper")
            return showRows<fiscemu::PaperRow>(
                o, [&](int64_t after, int64_t n) { return store.paper(after, n); },
                ecfsim::paperLine, ecfsim::paperJson);
        return showRows<fiscemu::TraceRow>(
            o, [&](int64_t after, int64_t n) { return store.trace(after, n); }, ecfsim::traceLine,
            ecfsim::traceJson);
    }
    if (command == "memory") {
        bool json = jsonOnly(command, args);
        auto dev = openMemory(db, false);
        if (!dev)
            return kExitFailure;
        std::vector<fiscemu::FiscalRecord> records = dev->store().fiscalMemory();
        say(json ? ecfsim::memoryJson(records) : ecfsim::memoryText(records));
        return kExitOk;
    }
    if (command == "set")
        return cmdSet(db, args);
    if (command == "fail")
        return cmdFail(db, args);
    if (command == "next-day") {
        noArguments(command, args);
        auto dev = openMemory(db, true);
        if (!dev)
            return kExitFailure;
        if (!dev->nextDay()) {
            complain("a memória recusou a gravação: " + dev->lastError());
            return kExitFailure;
        }
        fiscemu::DateTime dt = fiscemu::localFromEpoch(dev->now());
        int state = dev->stateCode();
        say("relógio da impressora: " + fiscemu::formatDateLong(dt) + " " +
            fiscemu::formatTimeColons(dt) + "\n");
        say("estado: " + fiscemu::zeroPad(state, 3) + " " + ecfsim::stateWords(state) + "\n");
        return kExitOk;
    }
    if (command == "reset") {
        bool yes = false;
        for (const std::string& a : args) {
            if (a != "--yes")
                throw UsageError{"opção desconhecida: " + a, command};
            yes = true;
        }
        if (!yes)
            throw UsageError{
                "reset apaga a memória fiscal, a bobina e o registro de chamadas; "
                "confirme com 'ecfsim reset --yes'",
                command};
        auto dev = openMemory(db, true);
        if (!dev)
            return kExitFailure;
        if (!dev->resetToFactory()) {
            complain("a memória recusou a gravação: " + dev->lastError());
            return kExitFailure;
        }
        say("memória no estado de fábrica: " + db + "\n");
        return kExitOk;
    }
    throw UsageError{"comando desconhecido: " + command, ""};
}

}  // namespace

int main(int argc, char** argv) {
    std::string db, command;
    std::vector<std::string> args;
    bool help = false;
    try {
        for (int i = 1; i < argc; ++i) {
            std::string a = argv[i];
            if (a == "--db") {
                if (i + 1 >= argc)
                    throw UsageError{"--db precisa do caminho do arquivo", ""};
                db = argv[++i];
                if (db.empty())
                    throw UsageError{"--db: caminho vazio", ""};
            } else if (a.rfind("--db=", 0) == 0) {
                db = a.substr(5);
                if (db.empty())
                    throw UsageError{"--db: caminho vazio", ""};
            } else if (a == "--help" || a == "-h") {
                help = true;
            } else if (command.empty() && !a.empty() && a[0] != '-') {
                command = a;
            } else if (command.empty()) {
                throw UsageError{"opção desconhecida: " + a, ""};
            } else {
                args.push_back(a);
            }
        }
        if (command == "help") {
            std::string topic = args.empty() ? "" : args[0];
            if (!topic.empty() && !commandHelp().count(topic))
                throw UsageError{"comando desconhecido: " + topic, ""};
            say(helpOf(topic));
            return kExitOk;
        }
        if (!command.empty() && !commandHelp().count(command))
            throw UsageError{"comando desconhecido: " + command, ""};
        if (help) {
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
        if (db.empty())
            db = fiscemu::Device::defaultPath();
        // Shown and reported in full, so a technician sees which file is meant.
        if (db[0] != '/') {
            char cwd[4096];
            if (getcwd(cwd, sizeof cwd))
                db = std::string(cwd) + "/" + db;
        }
        return run(command, db, args);
    } catch (const UsageError& e) {
        complain(e.message);
        std::string hint =
            e.command.empty() ? "veja 'ecfsim --help'" : "veja 'ecfsim " + e.command + " --help'";
        complain(hint);
        return kExitUsage;
    }
}
