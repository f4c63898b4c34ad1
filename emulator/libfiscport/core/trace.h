// How calls appear in the trace: arguments as sent, bytes escaped.
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

}  // namespace fiscemu
