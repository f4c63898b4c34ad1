#include "session_commands.h"

#include <unistd.h>

#include <cstdio>

#include "actions.h"
#include "replay.h"
#include "session.h"

namespace ecfsim {

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

void declareRecord(CLI::App* command, SessionCommandLine& line) {
    command->add_option("arguments", line.args);
}

void declareReplay(CLI::App* command, SessionCommandLine& line) {
    command->add_option("file", line.args);
    command->add_option("--library", line.library);
    command->add_option("--model", line.model);
    command->add_option("--keep", line.keep);
    command->add_option("--ignore", line.ignore);
    command->add_flag("--list", line.list);
    line.jsonFlag = command->add_flag("--json", line.json);
}

namespace {

void say(const std::string& text) {
    std::fwrite(text.data(), 1, text.size(), stdout);
}

int failed(const std::string& why, int code) {
    std::string line = "ecfsim: " + why + "\n";
    std::fwrite(line.data(), 1, line.size(), stderr);
    return code;
}

}  // namespace

int runRecord(const SessionCommandLine& line, const std::string& memoryPath) {
    const std::vector<std::string>& a = line.args;
    std::string what = a.empty() ? "" : a[0];
    bool ok =
        (what == "start" || what == "status") ? a.size() == 1 : what == "stop" && a.size() == 2;
    if (!ok)
        throw UsageError{"use: ecfsim record start | stop ARQUIVO | status", "record"};
    Result r = what == "start"  ? recordStart(memoryPath)
               : what == "stop" ? recordStop(memoryPath, a[1])
                                : recordStatus(memoryPath);
    if (!r.ok)
        return failed(r.error, 1);
    for (const std::string& l : r.lines)
        say(l + "\n");
    return 0;
}

int runReplay(const SessionCommandLine& line) {
    if (line.args.size() != 1)
        throw UsageError{"use: ecfsim replay ARQUIVO [opções]", "replay"};
    if (!line.model.empty() && line.model != "2.04" && line.model != "3.00" && line.model != "3.01")
        throw UsageError{"--model: modelo inválido '" + line.model + "' (2.04, 3.00 ou 3.01)",
                         "replay"};
    Session session;
    try {
        session = readSession(line.args[0]);
    } catch (const SessionError& e) {
        return failed(e.message, 2);
    }
    if (line.list) {
        say(line.json ? sessionListJson(session) : sessionListText(session));
        return 0;
    }
    ReplayOptions options;
    options.library = line.library;
    options.model = line.model;
    options.keep = line.keep;
    options.ignore = line.ignore;
    options.progress = isatty(STDERR_FILENO) != 0;
    ReplayReport report = replaySession(session, options);
    if (line.json)
        say(reportJson(report));
    if (report.exitCode == 2)
        std::fputs(reportText(report).c_str(), stderr);
    else if (!line.json)
        say(reportText(report));
    return report.exitCode;
}

}  // namespace ecfsim
