// Where a session stands while it is recorded: beside the memory, a mark
// (where the trace and the paper roll stood at the start) and a consistent
// copy of the memory as it was then. Writing the session out is ecfsim's
// (session.h); starting one and asking whether one is open are here, for the
// front panel too.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "ecfsim/actions.h"

namespace ecfsim {

std::string sessionMarkPath(const std::string& memoryPath);
std::string sessionStartPath(const std::string& memoryPath);

struct SessionMark {
    int64_t traceAfter = 0, paperAfter = 0;  // the newest trace row and paper line at the start
    std::string startedAt;                   // the PC's time
};

// The open session's mark; nothing when none is open (or the mark is unreadable).
std::optional<SessionMark> readSessionMark(const std::string& memoryPath);
bool recording(const std::string& memoryPath);

// Writes `data` to a new file beside `path`, then puts it in its place.
bool writeFileInPlace(const std::string& path, const std::string& data, std::string* error);

// Starts a session: a consistent copy of the memory as committed now, and
// where the trace and the paper roll stand.
Result recordStart(const std::string& memoryPath);

}  // namespace ecfsim
