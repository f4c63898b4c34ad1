// Replaying a recorded session: the starting memory rebuilt in a private
// temporary folder, the printer's clock pinned to each call's recorded time,
// the calls made in order through the C interface of our emulator or of any
// library with the same functions, in a child process, and every answer and
// printed line compared with the recording.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "ecfsim/compare.h"
#include "ecfsim/session.h"

namespace ecfsim {

struct ReplayOptions {
    std::string library;  // a file path; empty: our emulator's library
    std::string model;    // "2.04", "3.00" or "3.01"; empty: as recorded
    std::string keep;     // a new folder to rebuild the memory in and leave; empty: a temporary one
    std::vector<std::string> ignore;
    bool progress = false;  // a progress line on the terminal's error output
};

struct ReplayReport {
    int exitCode = 0;   // 0 identical, 1 differences, 2 the session or library unusable
    std::string error;  // why, when 2
    std::string library;
    int64_t calls = 0, replayed = 0;
    std::vector<Difference> differences;
    std::vector<std::string> notes;
};

// The file of our emulator's library, as this program loaded it.
std::string emulatorLibrary();

ReplayReport replaySession(const Session& session, const ReplayOptions& options);

std::string reportText(const ReplayReport& report);
std::string reportJson(const ReplayReport& report);

}  // namespace ecfsim
