#include "core/trace.h"

#include <cstdio>

namespace fiscemu {

std::string quoteBytes(const std::string& bytes, size_t maxBytes) {
    std::string out = "\"";
    size_t n = bytes.size() < maxBytes ? bytes.size() : maxBytes;
    for (size_t i = 0; i < n; ++i) {
        unsigned char c = static_cast<unsigned char>(bytes[i]);
        if (c >= 0x20 && c < 0x7F && c != '"' && c != '\\') {
            out += static_cast<char>(c);
        } else {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\x%02X", c);
            out += buf;
        }
    }
    out += "\"";
    if (n < bytes.size())
        out += "...(" + std::to_string(bytes.size()) + " bytes)";
    return out;
}

std::optional<std::string> unescapeBytes(const std::string& escaped) {
    std::string out;
    out.reserve(escaped.size());
    for (size_t i = 0; i < escaped.size(); ++i) {
        if (escaped[i] != '\\') {
            out += escaped[i];
            continue;
        }
        if (escaped.compare(i, 2, "\\x") != 0 || i + 4 > escaped.size())
            return std::nullopt;
        int value = 0;
        for (size_t k = i + 2; k < i + 4; ++k) {
            char c = escaped[k];
            int digit = c >= '0' && c <= '9'   ? c - '0'
                        : c >= 'A' && c <= 'F' ? c - 'A' + 10
                        : c >= 'a' && c <= 'f' ? c - 'a' + 10
                                               : -1;
            if (digit < 0)
                return std::nullopt;
            value = value * 16 + digit;
        }
        out += static_cast<char>(value);
        i += 3;
    }
    return out;
}

void TraceArgs::sep() {
    if (!out_.empty())
        out_ += ", ";
}

TraceArgs& TraceArgs::num(int64_t v) {
    sep();
    out_ += std::to_string(v);
    return *this;
}

TraceArgs& TraceArgs::text(const Text& t) {
    sep();
    out_ += t ? quoteBytes(*t) : "NULL";
    return *this;
}

TraceArgs& TraceArgs::pointer(const int32_t* p) {
    sep();
    out_ += p ? "&" + std::to_string(*p) : "NULL";
    return *this;
}

}  // namespace fiscemu
