#include "ecfsim/command.h"

#include <cstdio>

#include "ecfsim/views.h"

namespace ecfsim {

namespace {

const char* const kToolHelpHead = R"(Uso: ecfsim [--db ARQUIVO] COMANDO [OPÇÕES]

Lê e altera a memória da impressora fiscal emulada, também com o programa em
execução: a biblioteca vê as mudanças na sua chamada seguinte.

Comandos:
)";

const char* const kToolHelpTail = R"(
'ecfsim help codes' explica os códigos de resultado da biblioteca.

Opções: --db ARQUIVO, --help, --version (a versão do programa).

A memória é o arquivo de --db, senão o da variável ECFSIM_DB, senão ./ecfsim.db.
Os comandos que só leem exigem que ela exista; os que alteram a criam, como a
biblioteca faria na primeira chamada.

Saída: 0 sucesso, 1 falha (memória inacessível ou gravação recusada),
2 uso incorreto. Mensagens de erro vão para a saída de erro.
)";

// `ecfsim help codes`: the table of result codes, a topic and not a command.
const char* const kCodesTopic = "codes";

// `ecfsim help [COMMAND]`: the tool's help, a command's, or the codes'.
int help(const Given& given) {
    const std::string topic = given.args.empty() ? "" : given.args[0];
    if (topic.empty()) {
        say(toolHelp());
        return kExitOk;
    }
    if (topic == kCodesTopic) {
        say(codesText());
        return kExitOk;
    }
    const Command* command = findCommand(topic);
    if (!command || command->help.empty())
        throw UsageError{"comando desconhecido: " + topic, ""};
    say(command->help);
    return kExitOk;
}

}  // namespace

const std::vector<Command>& commands() {
    static const std::vector<Command> kCommands = [] {
        std::vector<Command> all = readingCommands();
        for (Command& c : changingCommands())
            all.push_back(std::move(c));
        for (Command& c : sessionCommands())
            all.push_back(std::move(c));
        all.push_back({"help", "ajuda de um comando (também 'ecfsim COMANDO --help')", "",
                       [](CLI::App& app, Given& given) { app.add_option("topic", given.args); },
                       help});
        return all;
    }();
    return kCommands;
}

const Command* findCommand(const std::string& name) {
    for (const Command& c : commands())
        if (c.name == name)
            return &c;
    return nullptr;
}

std::string toolHelp() {
    std::string text = kToolHelpHead;
    for (const Command& c : commands())
        text += "  " + c.name + std::string(c.name.size() < 12 ? 12 - c.name.size() : 1, ' ') +
                c.summary + "\n";
    return text + kToolHelpTail;
}

std::optional<std::string> valueOf(CLI::Option* o, const std::string& missing,
                                   const std::string& command) {
    if (!o || o->count() == 0)
        return std::nullopt;
    if (o->results().empty() || o->results().back() == kNoValue)
        throw UsageError{missing, command};
    return o->results().back();
}

void say(const std::string& text) {
    std::fwrite(text.data(), 1, text.size(), stdout);
}

void complain(const std::string& text) {
    std::string line = "ecfsim: " + text + "\n";
    std::fwrite(line.data(), 1, line.size(), stderr);
}

int report(const Result& r) {
    if (!r.ok) {
        complain(r.error);
        return kExitFailure;
    }
    for (const std::string& line : r.lines)
        say(line + "\n");
    return kExitOk;
}

std::unique_ptr<fiscemu::Device> openOrComplain(const std::string& path, bool create) {
    std::string error, notice;
    auto dev = openMemory(path, create, &error, &notice);
    if (!dev)
        complain(error);
    else if (!notice.empty())
        complain(notice);
    return dev;
}

}  // namespace ecfsim
