// The commands that change or check the memory: set, fail, next-day, verify
// and reset. Those that change it create it when there is none, as the
// library would at its first call.
#include "ecfsim/command.h"

namespace ecfsim {

namespace {

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

// The fault help ends with the functions it accepts, as many as fit a line.
std::string failHelp() {
    std::string text = kFailHelp;
    std::string line = " ";
    for (const std::string& fn : faultableFunctions()) {
        if (line.size() + fn.size() + 1 > 78) {
            text += line + "\n";
            line = " ";
        }
        line += " " + fn;
    }
    return text + line + "\n";
}

void noArguments(const Given& given, const std::string& command) {
    if (!given.args.empty())
        throw UsageError{"argumento inesperado: " + given.args[0], command};
}

int set(const Given& given) {
    std::vector<Change> changes = parseChanges(given.args);
    auto dev = openOrComplain(given.db, true);
    return dev ? report(applyChanges(*dev, changes)) : kExitFailure;
}

int fail(const Given& given) {
    const std::vector<std::string>& args = given.args;
    if (given.clear) {
        if (args.size() > 1)
            throw UsageError{"--clear aceita uma função só", "fail"};
        std::string fn = args.empty() ? "" : args[0];
        if (!fn.empty())
            checkFunction(fn);
        auto dev = openOrComplain(given.db, true);
        return dev ? report(clearFault(*dev, fn)) : kExitFailure;
    }
    if (args.size() != 2)
        throw UsageError{"use: ecfsim fail FUNÇÃO CÓDIGO", "fail"};
    checkFunction(args[0]);
    auto code = parseNumber(args[1], 1, 999);
    if (!code)
        throw UsageError{"código inválido: '" + args[1] + "' (1 a 999)", "fail"};
    auto dev = openOrComplain(given.db, true);
    return dev ? report(setFault(*dev, args[0], *code)) : kExitFailure;
}

int moveToNextDay(const Given& given) {
    noArguments(given, "next-day");
    auto dev = openOrComplain(given.db, true);
    return dev ? report(nextDay(*dev)) : kExitFailure;
}

int verify(const Given& given) {
    noArguments(given, "verify");
    return report(verifyMemory(given.db));
}

int reset(const Given& given) {
    if (!given.yes)
        throw UsageError{
            "reset apaga a memória fiscal, a bobina e o registro de chamadas; "
            "confirme com 'ecfsim reset --yes'",
            "reset"};
    return report(resetMemory(given.db));
}

void declareArguments(CLI::App& app, Given& given) {
    app.add_option("arguments", given.args);
}

}  // namespace

std::vector<Command> changingCommands() {
    return {
        {"set", "energia, papel, autenticação, gaveta, porta, modelo, intervenção, latência",
         kSetHelp, [](CLI::App& app, Given& given) { app.add_option("pairs", given.args); }, set},
        {"fail", "a próxima chamada de uma função responde um código de erro", failHelp(),
         [](CLI::App& app, Given& given) {
             app.add_flag("--clear", given.clear);
             declareArguments(app, given);
         },
         fail},
        {"next-day", "o relógio da impressora avança um dia", kNextDayHelp, declareArguments,
         moveToNextDay},
        {"verify", "verifica a memória: SQLite, consistência e a cadeia de hashes", kVerifyHelp,
         [](CLI::App&, Given&) {}, verify},
        {"reset", "volta a impressora ao estado de fábrica (guarda uma cópia da memória)",
         kResetHelp, [](CLI::App& app, Given& given) { app.add_flag("--yes", given.yes); }, reset}};
}

}  // namespace ecfsim
