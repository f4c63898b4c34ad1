// ecfsim's record and replay commands: their options, help and what they run.
#pragma once

#include <CLI/CLI.hpp>
#include <string>
#include <vector>

namespace ecfsim {

struct SessionCommandLine {
    std::vector<std::string> args;  // record: start|stop|status [FILE]; replay: FILE
    std::string library, model, keep;
    std::vector<std::string> ignore;
    bool list = false, json = false;
    CLI::Option* jsonFlag = nullptr;
};

extern const char* const kRecordHelp;
extern const char* const kReplayHelp;

void declareRecord(CLI::App* command, SessionCommandLine& line);
void declareReplay(CLI::App* command, SessionCommandLine& line);

// Exit codes: record as the other commands (0, 1 failure, 2 usage); replay
// 0 identical, 1 differences, 2 the session or library could not be used.
int runRecord(const SessionCommandLine& line, const std::string& memoryPath);
int runReplay(const SessionCommandLine& line);

}  // namespace ecfsim
