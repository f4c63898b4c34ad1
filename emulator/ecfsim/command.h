// ecfsim's commands, each an object in one table: its name, the line the
// tool's help gives it, its help, the options it declares on the command
// line and what it runs. The tool's help lists the table, and the manual
// page is made from that help, so neither can miss a command.
#pragma once

#include <CLI/CLI.hpp>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/device.h"
#include "ecfsim/actions.h"

namespace ecfsim {

constexpr int kExitOk = 0;
constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

// What the command line gave the command that was chosen.
struct Given {
    std::string db;  // the memory, as an absolute path
    bool follow = false, json = false, clear = false, yes = false;
    CLI::Option* last = nullptr;      // --last of the paper or trace command given
    std::vector<std::string> args;    // the command's positional arguments
    std::vector<CLI::Option*> flags;  // the --json flags, whose values are checked
};

// Options that take a value are declared with an optional value, so that a
// missing one is reported in the tool's words, not CLI11's: it then reads as
// kNoValue, which no argument can be.
inline const std::string kNoValue(1, '\0');

// The single value of such an option; nothing when the option was not given.
// Throws UsageError (`missing`, for `command`) when it was given bare.
std::optional<std::string> valueOf(CLI::Option* option, const std::string& missing,
                                   const std::string& command);

struct Command {
    std::string name;
    std::string summary;  // one line of the tool's help
    std::string help;     // `ecfsim help NAME`; empty for none
    // Declares the command's options on its part of the command line.
    std::function<void(CLI::App& command, Given& given)> declare;
    // Carries the command out: an exit code; a refused request throws UsageError.
    std::function<int(const Given& given)> run;
};

// Every command, in the order the tool's help lists them.
const std::vector<Command>& commands();
// The command of that name; nothing for an unknown one.
const Command* findCommand(const std::string& name);
// The tool's help, its list of commands made from the table.
std::string toolHelp();

// The commands by what they do, each group in its own file.
std::vector<Command> readingCommands();   // status, paper, trace, memory
std::vector<Command> changingCommands();  // set, fail, next-day, verify, reset
std::vector<Command> sessionCommands();   // record, replay

// What every command writes: its output, its complaints (prefixed with the
// tool's name), an action's result as either.
void say(const std::string& text);
void complain(const std::string& text);
int report(const Result& result);
// Opens the memory, complaining when it cannot, noting when it was created.
std::unique_ptr<fiscemu::Device> openOrComplain(const std::string& path, bool create);

}  // namespace ecfsim
