// The commands that show the memory: status, paper, trace and memory. They
// never create a memory: a fresh one in the wrong folder would show a
// factory printer and hide the mistake.
#include <time.h>

#include <csignal>
#include <optional>

#include "ecfsim/command.h"
#include "ecfsim/views.h"

namespace ecfsim {

namespace {

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
  --json     uma lista JSON de {id, time, function, args, result, code,
             meaning, reason}; com --follow, um objeto JSON por linha

Uma chamada recusada traz depois do resultado, após "—", o motivo que a
impressora encontrou: o argumento ou o estado em falta e o valor
(em JSON, o campo reason). 'ecfsim help codes' explica cada código.
)";

const char* const kMemoryHelp = R"(Uso: ecfsim memory [--json]

Mostra a memória fiscal: para cada redução Z, o número, a data do movimento,
a hora de emissão, COO, CRO, grande total, venda bruta, cancelamentos,
descontos, acréscimos, venda líquida e os totalizadores do dia.

  --json   uma lista JSON de registros, valores em centavos
)";

// ---------------------------------------------------------------- rows, once or followed

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

RowOptions rowOptions(const Given& given, const std::string& command) {
    RowOptions o;
    o.follow = given.follow;
    o.json = given.json;
    std::optional<std::string> last = valueOf(given.last, "--last precisa de um número", command);
    if (last) {
        auto n = parseNumber(*last, 1, 100000000);
        if (!n)
            throw UsageError{"--last: número inválido: '" + *last + "' (1 ou mais)", command};
        o.last = *n;
    } else if (o.follow) {
        o.last = 10;
    }
    return o;
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

// ---------------------------------------------------------------- the commands

void declareJson(CLI::App& app, Given& given) {
    given.flags.push_back(app.add_flag("--json", given.json));
}

void declareRows(CLI::App& app, Given& given) {
    CLI::Option* last =
        app.add_option("--last")->expected(0, 1)->default_str(kNoValue)->multi_option_policy(
            CLI::MultiOptionPolicy::TakeLast);
    app.add_flag("-f,--follow", given.follow);
    declareJson(app, given);
    app.parse_complete_callback([&given, last] { given.last = last; });
}

// paper and trace: the memory's rows, once or followed.
template <class Row>
int showRowsOf(const Given& given, const std::string& command,
               std::vector<Row> (fiscemu::Store::*rows)(int64_t, int64_t),
               std::string (*line)(const Row&), std::string (*json)(const Row&)) {
    RowOptions o = rowOptions(given, command);
    auto dev = openOrComplain(given.db, false);
    if (!dev)
        return kExitFailure;
    fiscemu::Store& store = dev->store();
    return showRows<Row>(
        o, [&](int64_t after, int64_t n) { return (store.*rows)(after, n); }, line, json);
}

int showStatus(const Given& given) {
    auto dev = openOrComplain(given.db, false);
    if (!dev)
        return kExitFailure;
    say(given.json ? statusJson(*dev) : statusText(*dev));
    return kExitOk;
}

int showMemory(const Given& given) {
    auto dev = openOrComplain(given.db, false);
    if (!dev)
        return kExitFailure;
    std::vector<fiscemu::FiscalRecord> records = dev->store().fiscalMemory();
    say(given.json ? memoryJson(records) : memoryText(records));
    return kExitOk;
}

}  // namespace

std::vector<Command> readingCommands() {
    return {{"status", "estado, dia fiscal, documento aberto, contadores, totais e ajustes",
             kStatusHelp, declareJson, showStatus},
            {"paper", "a bobina: tudo o que a impressora imprimiu", kPaperHelp, declareRows,
             [](const Given& given) {
                 return showRowsOf<fiscemu::PaperRow>(given, "paper", &fiscemu::Store::paper,
                                                      paperLine, paperJson);
             }},
            {"trace", "o registro das chamadas feitas à biblioteca", kTraceHelp, declareRows,
             [](const Given& given) {
                 return showRowsOf<fiscemu::TraceRow>(given, "trace", &fiscemu::Store::trace,
                                                      fiscemu::traceLine, traceJson);
             }},
            {"memory", "a memória fiscal, um registro por redução Z", kMemoryHelp, declareJson,
             showMemory}};
}

}  // namespace ecfsim
