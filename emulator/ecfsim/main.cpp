// ecfsim: the bench's companion of the emulated fiscal printer. It reads and
// changes the same memory the driver library uses, also while the program
// runs: the library re-reads what changed at its next call.
//
// CLI11 reads the command line; the help texts and error messages are the
// tool's own, in Portuguese, so CLI11's help flag and error output are off
// and what it leaves unrecognised is reported here.
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "core/clock.h"
#include "core/device.h"
#include "ecfsim/command.h"

namespace {

using ecfsim::Command;
using ecfsim::UsageError;

// What CLI11 read: the tool's options, and each command of the table as a
// subcommand declaring its own options into `given`.
struct CommandLine {
    CLI::App app{"ecfsim", "ecfsim"};
    bool help = false, version = false;
    CLI::Option* db = nullptr;
    std::vector<std::pair<const Command*, CLI::App*>> commands;
    ecfsim::Given given;

    CommandLine() {
        app.set_help_flag();
        app.allow_extras();
        app.require_subcommand(0, 1);
        app.add_flag("-h,--help", help);
        app.add_flag("--version", version);
        db = app.add_option("--db")
                 ->expected(0, 1)
                 ->default_str(ecfsim::kNoValue)
                 ->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
        for (const Command& command : ecfsim::commands()) {
            CLI::App* c = app.add_subcommand(command.name);
            c->set_help_flag();
            c->allow_extras();
            c->fallthrough();  // --db and --help may also follow the command
            command.declare(*c, given);
            commands.emplace_back(&command, c);
        }
    }

    // The command given (nothing for none).
    const Command* command() const {
        for (const auto& [command, c] : commands)
            if (c->parsed())
                return command;
        return nullptr;
    }
};

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

std::string helpOf(const Command* command) {
    return command && !command->help.empty() ? command->help : ecfsim::toolHelp();
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
        const Command* given = cl.command();
        throw UsageError{std::string("linha de comando inválida: ") + e.what(),
                         !given || given->name == "help" ? "" : given->name};
    }
    const Command* command = cl.command();
    const std::string name = command ? command->name : "";
    checkFlagValues(cl.given.flags, name);
    // --db given anywhere: a path must follow.
    std::optional<std::string> db =
        ecfsim::valueOf(cl.db, "--db precisa do caminho do arquivo", "");
    if (db && db->empty())
        throw UsageError{"--db: caminho vazio", ""};
    // The first word CLI11 did not take is reported: an unknown command
    // before any option (the old order), else an unknown option.
    std::vector<std::string> extras = cl.app.remaining(true);
    if (!extras.empty()) {
        const std::string& first = extras.front();
        if (!command && !first.empty() && first[0] != '-')
            throw UsageError{"comando desconhecido: " + first, ""};
        if (name == "next-day" && !first.empty() && first[0] != '-')
            throw UsageError{"argumento inesperado: " + first, name};
        throw UsageError{"opção desconhecida: " + first, name};
    }
    if (cl.version) {
        ecfsim::say("ecfsim " BANCADA_VERSION "\n");
        return ecfsim::kExitOk;
    }
    // Help needs no memory and no clock.
    if (name == "help")
        return command->run(cl.given);
    if (cl.help) {
        ecfsim::say(helpOf(command));
        return ecfsim::kExitOk;
    }
    if (!command) {
        std::fputs(ecfsim::toolHelp().c_str(), stderr);
        return ecfsim::kExitUsage;
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
    cl.given.db = path;
    return command->run(cl.given);
}

}  // namespace

int main(int argc, char** argv) {
    try {
        return parseAndRun(argc, argv);
    } catch (const UsageError& e) {
        ecfsim::complain(e.message);
        std::string hint =
            e.command.empty() ? "veja 'ecfsim --help'" : "veja 'ecfsim " + e.command + " --help'";
        ecfsim::complain(hint);
        return ecfsim::kExitUsage;
    }
}
