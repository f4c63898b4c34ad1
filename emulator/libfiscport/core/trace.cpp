#include "core/trace.h"

#include <charconv>
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

namespace {

// A whole decimal integer, optionally negative; nothing for anything else.
std::optional<int64_t> integer(const std::string& text) {
    int64_t value = 0;
    const char* end = text.data() + text.size();
    auto [stop, error] = std::from_chars(text.data(), end, value);
    if (error != std::errc() || stop != end)
        return std::nullopt;
    return value;
}

// A quoted text of the trace at the start of `s`: its bytes stay escaped as
// the trace writes them. A text the trace cut ("..."...(N bytes)) notes N.
std::optional<TraceValue> quotedValue(const std::string& s, size_t* used) {
    if (s.empty() || s[0] != '"')
        return std::nullopt;
    size_t close = s.find('"', 1);
    if (close == std::string::npos)
        return std::nullopt;
    TraceValue value;
    value.kind = TraceValue::Kind::Text;
    value.text = s.substr(1, close - 1);
    size_t end = close + 1;
    static const std::string kCut = "...(";
    if (s.compare(end, kCut.size(), kCut) == 0) {
        size_t stop = s.find(" bytes)", end);
        auto n = stop == std::string::npos
                     ? std::nullopt
                     : integer(s.substr(end + kCut.size(), stop - end - kCut.size()));
        if (!n)
            return std::nullopt;
        value.cutFrom = *n;
        *used = stop + 7;
        return value;
    }
    *used = end;
    return value;
}

// The code of a failure reply ("Erro: NNN ..."); any other reply is a success.
std::optional<int> replyCode(const std::string& quoted) {
    static const std::string kError = "\"Erro: ";
    if (quoted.compare(0, kError.size(), kError) != 0)
        return 0;
    auto n = integer(quoted.substr(kError.size(), 3));
    if (!n)
        return std::nullopt;
    return static_cast<int>(*n);
}

TraceValue numberValue(TraceValue::Kind kind, int64_t n) {
    TraceValue value;
    value.kind = kind;
    value.number = n;
    return value;
}

}  // namespace

std::optional<std::vector<TraceValue>> readTraceArgs(const std::string& args) {
    std::vector<TraceValue> out;
    size_t i = 0;
    while (i < args.size()) {
        if (!out.empty()) {
            if (args.compare(i, 2, ", ") != 0)
                return std::nullopt;
            i += 2;
        }
        size_t used = 0;
        if (args[i] == '"') {
            std::optional<TraceValue> text = quotedValue(args.substr(i), &used);
            if (!text)
                return std::nullopt;
            out.push_back(std::move(*text));
            i += used;
            continue;
        }
        size_t end = args.find(", ", i);
        std::string token = args.substr(i, end == std::string::npos ? std::string::npos : end - i);
        i += token.size();
        if (token == "NULL") {
            out.push_back(TraceValue{});
        } else if (auto target = token[0] == '&' ? integer(token.substr(1)) : std::nullopt) {
            out.push_back(numberValue(TraceValue::Kind::Pointer, *target));
        } else if (auto n = integer(token)) {
            out.push_back(numberValue(TraceValue::Kind::Number, *n));
        } else {
            return std::nullopt;
        }
    }
    return out;
}

TraceResult readTraceResult(const std::string& result) {
    TraceResult read;
    if (!result.empty() && result[0] == '"') {
        size_t used = 0;
        std::optional<TraceValue> text = quotedValue(result, &used);
        if (text && used == result.size())
            read.value = std::move(text);
        read.code = replyCode(result);
    } else if (auto n = integer(result)) {
        read.value = numberValue(TraceValue::Kind::Number, *n);
        read.code = static_cast<int>(*n);
    }
    return read;
}

}  // namespace fiscemu
