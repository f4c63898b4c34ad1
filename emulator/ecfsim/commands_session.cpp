// The commands of sessions: record (start, stop, status) and replay.
#include <unistd.h>

#include <cstdio>

#include "ecfsim/command.h"
#include "ecfsim/replay.h"
#include "ecfsim/session.h"

namespace ecfsim {

namespace {

const char* const kRecordHelp = R"(Uso: ecfsim record start
       ecfsim record stop ARQUIVO
       ecfsim record status

Grava uma sessão: 'start' guarda uma cópia consistente da memória como está
agora (também com o programa em execução) e a posição do registro de
chamadas; 'stop ARQUIVO' grava a sessão num arquivo só: a memória do início
e cada chamada feita desde então, por qualquer processo, com argumentos,
código ou resposta, duração, relógio da impressora e o papel impresso.
'status' diz se há uma sessão aberta e quantas chamadas ela tem.
O arquivo se reproduz com 'ecfsim replay ARQUIVO'.
)";

const char* const kReplayHelp =
    R"(Uso: ecfsim replay ARQUIVO [--library CAMINHO] [--model 2.04|3.00|3.01]
                     [--ignore CAMPO]... [--keep PASTA] [--json]
       ecfsim replay ARQUIVO --list [--json]

Reproduz uma sessão gravada com 'ecfsim record': reconstrói a memória do
início numa pasta temporária própria (nunca a memória do programa), fixa o
relógio da impressora na hora gravada de cada chamada e faz as chamadas em
ordem, num processo filho, pela biblioteca do emulador ou pela de CAMINHO
(carregada pelos cinquenta nomes da interface). Compara códigos de retorno,
as respostas de status campo a campo e o papel impresso linha a linha.

  --list          só lista as chamadas da sessão
  --library CAM   outra biblioteca com a mesma interface (um caminho de arquivo)
  --model M       muda a memória reconstruída para o modelo M antes da
                  primeira chamada
  --ignore CAMPO  deixa um campo de fora (ex.: "grande total",
                  ecfStatusCupom.subtotal, código, resposta, papel); repetível
  --keep PASTA    reconstrói a memória na PASTA nova e a deixa lá
  --json          o resultado como JSON

Saída: 0 nenhuma diferença, 1 diferenças encontradas, 2 a sessão ou a
biblioteca não pôde ser usada (o motivo vai para a saída de erro).
)";

// What replay's options gave (the table's Given holds the common ones).
struct ReplayOptionsGiven {
    std::string library, model, keep;
    std::vector<std::string> ignore;
    bool list = false;
};

ReplayOptionsGiven& replayGiven() {
    static ReplayOptionsGiven given;
    return given;
}

void declareRecord(CLI::App& app, Given& given) {
    app.add_option("arguments", given.args);
}

void declareReplay(CLI::App& app, Given& given) {
    ReplayOptionsGiven& r = replayGiven();
    app.add_option("file", given.args);
    app.add_option("--library", r.library);
    app.add_option("--model", r.model);
    app.add_option("--keep", r.keep);
    app.add_option("--ignore", r.ignore);
    app.add_flag("--list", r.list);
    given.flags.push_back(app.add_flag("--json", given.json));
}

int failed(const std::string& why, int code) {
    complain(why);
    return code;
}

int record(const Given& given) {
    const std::vector<std::string>& a = given.args;
    std::string what = a.empty() ? "" : a[0];
    bool ok =
        (what == "start" || what == "status") ? a.size() == 1 : what == "stop" && a.size() == 2;
    if (!ok)
        throw UsageError{"use: ecfsim record start | stop ARQUIVO | status", "record"};
    return report(what == "start"  ? recordStart(given.db)
                  : what == "stop" ? recordStop(given.db, a[1])
                                   : recordStatus(given.db));
}

int replay(const Given& given) {
    const ReplayOptionsGiven& r = replayGiven();
    if (given.args.size() != 1)
        throw UsageError{"use: ecfsim replay ARQUIVO [opções]", "replay"};
    if (!r.model.empty() && r.model != "2.04" && r.model != "3.00" && r.model != "3.01")
        throw UsageError{"--model: modelo inválido '" + r.model + "' (2.04, 3.00 ou 3.01)",
                         "replay"};
    Session session;
    try {
        session = readSession(given.args[0]);
    } catch (const SessionError& e) {
        return failed(e.message, kExitUsage);
    }
    if (r.list) {
        say(given.json ? sessionListJson(session) : sessionListText(session));
        return kExitOk;
    }
    ReplayOptions options;
    options.library = r.library;
    options.model = r.model;
    options.keep = r.keep;
    options.ignore = r.ignore;
    options.progress = isatty(STDERR_FILENO) != 0;
    ReplayReport outcome = replaySession(session, options);
    if (given.json)
        say(reportJson(outcome));
    if (outcome.exitCode == 2)
        std::fputs(reportText(outcome).c_str(), stderr);
    else if (!given.json)
        say(reportText(outcome));
    return outcome.exitCode;
}

}  // namespace

std::vector<Command> sessionCommands() {
    return {{"record", "grava uma sessão: a memória do início e cada chamada feita desde então",
             kRecordHelp, declareRecord, record},
            {"replay", "reproduz uma sessão gravada e mostra cada diferença, campo a campo",
             kReplayHelp, declareReplay, replay}};
}

}  // namespace ecfsim
