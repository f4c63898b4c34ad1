// A recorded session: the printer's memory as it was when recording started
// and every call made since, by any process, with its answer, its duration,
// the printer's clock at the call and the paper it printed. One JSON file,
// self-contained and versioned (its format is in docs/decisions.md).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "ecfsim/recording.h"

namespace ecfsim {

// The newest format this version writes and reads.
constexpr int kSessionVersion = 1;

struct SessionPaperLine {
    char station = 'R';
    std::string bytes;  // as printed, in the printer's code page
};

struct SessionCall {
    int64_t number = 0;  // 1-based order in the session
    std::string time;    // the PC's time with milliseconds
    std::string clock;   // the printer's clock, "YYYY-MM-DD HH:MM:SS"; empty when unknown
    std::string function;
    nlohmann::ordered_json args = nlohmann::ordered_json::array();  // as traceArguments gives them
    bool isReply = false;  // a status text, not a result code
    int64_t code = 0;      // the result code
    std::string reply;     // the reply's bytes
    int64_t micros = -1;   // how long it took; -1 unknown
    std::vector<SessionPaperLine> paper;
};

struct Session {
    std::string startedAt, stoppedAt;  // the PC's time
    std::string memory;                // the memory file's bytes at the start
    std::vector<SessionCall> calls;
};

// A session file that cannot be used: which part and why, in Portuguese.
struct SessionError {
    std::string message;
};

// Reads and checks a whole session file; throws SessionError.
Session readSession(const std::string& path);
// The file's JSON text (memory included).
std::string sessionFileText(const Session& session);
// What --list --json prints: the file without the memory's bytes.
std::string sessionListJson(const Session& session);
// One line per call.
std::string sessionListText(const Session& session);
// The call as a trace line shows it: "ecfVendaItem(\"A\", \"1,00\", 1) = 0".
std::string callText(const SessionCall& call);

// ---------------------------------------------------------------- recording (started in
// recording.h)

// Writes the session to `file` and closes it.
Result recordStop(const std::string& memoryPath, const std::string& file);
// Whether a session is open, since when and how many calls it holds.
Result recordStatus(const std::string& memoryPath);
// How many calls the open session holds; -1 when none is open.
int64_t recordedCalls(const std::string& memoryPath);

}  // namespace ecfsim
