// How calls appear in the trace: arguments as sent, bytes escaped; and how a
// reader (ecfsim, the front panel) reads them back.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/printer.h"

namespace fiscemu {

// A byte string in double quotes; bytes outside printable ASCII, the quote
// and the backslash become \xHH. Texts past maxBytes are cut and the cut noted.
std::string quoteBytes(const std::string& bytes, size_t maxBytes = 256);

// The bytes of a text escaped as quoteBytes escapes them, without the quotes;
// nothing when an escape is malformed.
std::optional<std::string> unescapeBytes(const std::string& escaped);

// Builds the argument list of one call: "12, \"abc\", NULL".
class TraceArgs {
public:
    TraceArgs& num(int64_t v);
    TraceArgs& text(const Text& t);
    TraceArgs& pointer(const int32_t* p);
    const std::string& str() const { return out_; }

private:
    void sep();
    std::string out_;
};

// One argument or reply of a traced call, read back from the trace.
struct TraceValue {
    enum class Kind { Number, Text, Null, Pointer };
    Kind kind = Kind::Null;
    int64_t number = 0;    // a Number, or the value a Pointer points to
    std::string text;      // a Text, its bytes escaped as the trace writes them (\xHH)
    int64_t cutFrom = -1;  // a Text the trace cut: how many bytes were sent; -1 when whole
};

// The argument list of a traced call, as TraceArgs writes it. Nothing when
// the list is unreadable (a line of another version).
std::optional<std::vector<TraceValue>> readTraceArgs(const std::string& args);

// A traced call's result: a result code, or a reply in quotes.
struct TraceResult {
    std::optional<TraceValue> value;  // nothing when unreadable: show it as stored
    std::optional<int> code;          // the code, a failure reply's code, 0 for any other reply
};
TraceResult readTraceResult(const std::string& result);

}  // namespace fiscemu
