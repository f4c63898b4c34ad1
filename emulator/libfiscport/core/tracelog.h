// The call trace: an append-only text file beside the memory ("<memory>-trace"),
// one line per call, written with one O_APPEND write and never synced, so that
// tracing a call neither takes the memory's write lock nor waits on the disk.
//
// A row's id is the trace's base (written in the file's first line) plus one
// plus the row's byte offset after that line: ids only grow, across processes, and a
// reader that remembers the last id it showed reads on from there. When the
// file passes kRotateBytes it becomes "<memory>-trace.old" (replacing the
// previous one) and a new file continues the ids; a reset starts over from 0.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string>
#include <vector>

namespace fiscemu {

// What a row adds after the refusal's reason, each as a "name=value" field
// that older readers skip: the printer's clock at the call (epoch seconds)
// and how many paper lines the call printed. -1 where unknown.
struct CallFacts {
    int64_t clock = -1;
    int64_t paperLines = -1;
};

struct TraceRow {
    int64_t id = 0;
    std::string time;  // PC time with milliseconds
    std::string function, args, result;
    int64_t micros = -1;  // from the call to its answer, latency included; -1 unknown
    std::string reason;   // why the printer refused the call (UTF-8); empty when it did not
    CallFacts facts;      // unknown (-1) in rows written before these facts were traced
};

// The same row read twice (see sameRow of the paper roll).
inline bool sameRow(const TraceRow& a, const TraceRow& b) {
    return a.id == b.id && a.time == b.time && a.function == b.function && a.args == b.args &&
           a.result == b.result && a.reason == b.reason;
}

// A row as one line of text: "TIME  function(args) = result", then "  — reason"
// for a refusal (control bytes as \xHH), with its newline.
std::string traceLine(const TraceRow& row);

class TraceLog {
public:
    static constexpr int64_t kRotateBytes = 4 * 1024 * 1024;

    explicit TraceLog(std::string memoryPath);
    ~TraceLog();
    TraceLog(const TraceLog&) = delete;
    TraceLog& operator=(const TraceLog&) = delete;

    const std::string& path() const { return path_; }
    std::string oldPath() const { return path_ + ".old"; }

    // Appends one row; a failure (disk full, no permission) loses the row
    // and nothing else.
    // `micros` (how long the call took, -1 unknown) follows the result as a
    // fifth field when known; a refusal's `reason` is a sixth, escaped so that
    // every byte reads back (a backslash, a tab, a line end, a control byte
    // become \\, \t, \n, \r, \xHH). Lines without these fields, and readers
    // that stop at the fifth, still agree: the first five fields are as before.
    // The call's facts follow as "clock=N" and "paper=N" (the reason field is
    // then written, empty if need be, so that they never stand in its place).
    bool append(const std::string& time, const std::string& function, const std::string& args,
                const std::string& result, int64_t micros = -1, const std::string& reason = {},
                const CallFacts& facts = {});
    // The same, stamped with the PC's time now (milliseconds).
    bool appendNow(const std::string& function, const std::string& args, const std::string& result,
                   const std::string& reason = {});
    // Rows with an id above afterId, oldest first; with lastN > 0 only the
    // newest lastN of them.
    std::vector<TraceRow> read(int64_t afterId, int64_t lastN) const;
    // The id of the newest row, 0 when there is none.
    int64_t lastId() const;
    // Starts an empty trace (ids from 0 again) and drops the old file.
    bool restart();

private:
    bool openCurrent();
    void rotate(int64_t size);
    void closeFd();

    std::string path_;
    int fd_ = -1;
    int64_t base_ = 0;
    dev_t dev_ = 0;
    ino_t ino_ = 0;
};

}  // namespace fiscemu
