// A small JSON writer for ecfsim's --json output: compact, one document per
// call, strings expected in UTF-8.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace ecfsim {

class JsonWriter {
public:
    JsonWriter& beginObject() { return open('{'); }
    JsonWriter& endObject() { return close('}'); }
    JsonWriter& beginArray() { return open('['); }
    JsonWriter& endArray() { return close(']'); }

    JsonWriter& key(const std::string& k) {
        separate();
        quote(k);
        out_ += ':';
        afterKey_ = true;
        return *this;
    }
    JsonWriter& value(const std::string& v) {
        separate();
        quote(v);
        return *this;
    }
    JsonWriter& value(const char* v) { return value(std::string(v)); }
    JsonWriter& value(int64_t v) {
        separate();
        out_ += std::to_string(v);
        return *this;
    }
    JsonWriter& value(int v) { return value(static_cast<int64_t>(v)); }
    JsonWriter& value(bool v) {
        separate();
        out_ += v ? "true" : "false";
        return *this;
    }
    JsonWriter& null() {
        separate();
        out_ += "null";
        return *this;
    }
    template <class T>
    JsonWriter& field(const std::string& k, const T& v) {
        key(k);
        return value(v);
    }

    const std::string& str() const { return out_; }

private:
    JsonWriter& open(char c) {
        separate();
        out_ += c;
        first_.push_back(true);
        return *this;
    }
    JsonWriter& close(char c) {
        out_ += c;
        if (!first_.empty())
            first_.pop_back();
        return *this;
    }
    // A comma before every element but the first of its container; none after a key.
    void separate() {
        if (afterKey_) {
            afterKey_ = false;
            return;
        }
        if (first_.empty())
            return;
        if (!first_.back())
            out_ += ',';
        first_.back() = false;
    }
    void quote(const std::string& s) {
        out_ += '"';
        for (unsigned char c : s) {
            switch (c) {
                case '"':
                    out_ += "\\\"";
                    break;
                case '\\':
                    out_ += "\\\\";
                    break;
                case '\n':
                    out_ += "\\n";
                    break;
                case '\r':
                    out_ += "\\r";
                    break;
                case '\t':
                    out_ += "\\t";
                    break;
                default:
                    if (c < 0x20 || c == 0x7F) {
                        char buf[8];
                        std::snprintf(buf, sizeof buf, "\\u%04x", c);
                        out_ += buf;
                    } else {
                        out_ += static_cast<char>(c);
                    }
            }
        }
        out_ += '"';
    }

    std::string out_;
    std::vector<bool> first_;
    bool afterKey_ = false;
};

}  // namespace ecfsim
