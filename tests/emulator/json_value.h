// A strict JSON reader for tests that check the --json output of ecfsim:
// rejects trailing commas, raw control characters in strings, bad escapes
// and anything after the document.
#pragma once

#include <cstdint>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

namespace emutest {

struct Json {
    enum Kind { Null, Bool, Integer, Number, String, Array, Object };
    Kind kind = Null;
    bool boolean = false;
    int64_t integer = 0;
    double number = 0;
    std::string text;
    std::vector<Json> items;
    std::map<std::string, Json> members;

    bool has(const std::string& key) const { return kind == Object && members.count(key); }
    const Json& operator[](const std::string& key) const {
        auto it = members.find(key);
        if (kind != Object || it == members.end())
            throw std::out_of_range("no member " + key);
        return it->second;
    }
    const Json& operator[](size_t i) const {
        if (kind != Array || i >= items.size())
            throw std::out_of_range("no item " + std::to_string(i));
        return items[i];
    }
    size_t size() const { return kind == Array ? items.size() : members.size(); }
};

class JsonReader {
public:
    // Parses a whole document; throws std::runtime_error with the position on error.
    static Json parse(const std::string& text) {
        JsonReader r(text);
        r.blanks();
        Json v = r.value(0);
        r.blanks();
        if (r.pos_ != text.size())
            r.fail("text after the document");
        return v;
    }

private:
    explicit JsonReader(const std::string& t) : t_(t) {}

    [[noreturn]] void fail(const std::string& what) {
        throw std::runtime_error("JSON: " + what + " at offset " + std::to_string(pos_));
    }
    void blanks() {
        while (pos_ < t_.size() &&
               (t_[pos_] == ' ' || t_[pos_] == '\n' || t_[pos_] == '\r' || t_[pos_] == '\t'))
            ++pos_;
    }
    char peek() { return pos_ < t_.size() ? t_[pos_] : '\0'; }
    void expect(char c) {
        if (peek() != c)
            fail(std::string("expected '") + c + "'");
        ++pos_;
    }
    bool literal(const char* word) {
        size_t n = std::char_traits<char>::length(word);
        if (t_.compare(pos_, n, word) != 0)
            return false;
        pos_ += n;
        return true;
    }

    Json value(int depth) {
        if (depth > 64)
            fail("nesting too deep");
        Json v;
        char c = peek();
        if (c == '{') {
            v.kind = Json::Object;
            ++pos_;
            blanks();
            if (peek() == '}') {
                ++pos_;
                return v;
            }
            for (;;) {
                blanks();
                if (peek() != '"')
                    fail("expected a member name");
                std::string key = string();
                blanks();
                expect(':');
                blanks();
                if (v.members.count(key))
                    fail("repeated member " + key);
                v.members[key] = value(depth + 1);
                blanks();
                if (peek() == ',') {
                    ++pos_;
                    continue;
                }
                expect('}');
                return v;
            }
        }
        if (c == '[') {
            v.kind = Json::Array;
            ++pos_;
            blanks();
            if (peek() == ']') {
                ++pos_;
                return v;
            }
            for (;;) {
                blanks();
                v.items.push_back(value(depth + 1));
                blanks();
                if (peek() == ',') {
                    ++pos_;
                    continue;
                }
                expect(']');
                return v;
            }
        }
        if (c == '"') {
            v.kind = Json::String;
            v.text = string();
            return v;
        }
        if (literal("true")) {
            v.kind = Json::Bool;
            v.boolean = true;
            return v;
        }
        if (literal("false")) {
            v.kind = Json::Bool;
            return v;
        }
        if (literal("null"))
            return v;
        if (c == '-' || (c >= '0' && c <= '9'))
            return numberValue();
        fail("unexpected character");
    }

    Json numberValue() {
        size_t start = pos_;
        if (peek() == '-')
            ++pos_;
        if (peek() == '0') {
            ++pos_;
        } else if (peek() >= '1' && peek() <= '9') {
            while (peek() >= '0' && peek() <= '9')
                ++pos_;
        } else {
            fail("bad number");
        }
        bool integral = true;
        if (peek() == '.') {
            integral = false;
            ++pos_;
            if (!(peek() >= '0' && peek() <= '9'))
                fail("bad fraction");
            while (peek() >= '0' && peek() <= '9')
                ++pos_;
        }
        if (peek() == 'e' || peek() == 'E') {
            integral = false;
            ++pos_;
            if (peek() == '+' || peek() == '-')
                ++pos_;
            if (!(peek() >= '0' && peek() <= '9'))
                fail("bad exponent");
            while (peek() >= '0' && peek() <= '9')
                ++pos_;
        }
        Json v;
        std::string digits = t_.substr(start, pos_ - start);
        if (integral) {
            v.kind = Json::Integer;
            v.integer = std::stoll(digits);
        } else {
            v.kind = Json::Number;
            v.number = std::stod(digits);
        }
        return v;
    }

    static void appendUtf8(std::string& out, unsigned cp) {
        if (cp < 0x80) {
            out += static_cast<char>(cp);
        } else if (cp < 0x800) {
            out += static_cast<char>(0xC0 | (cp >> 6));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else {
            out += static_cast<char>(0xE0 | (cp >> 12));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        }
    }

    std::string string() {
        expect('"');
        std::string out;
        for (;;) {
            if (pos_ >= t_.size())
                fail("unterminated string");
            unsigned char c = static_cast<unsigned char>(t_[pos_++]);
            if (c == '"')
                return out;
            if (c < 0x20)
                fail("raw control character in a string");
            if (c != '\\') {
                out += static_cast<char>(c);
                continue;
            }
            char e = peek();
            ++pos_;
            switch (e) {
                case '"':
                case '\\':
                case '/':
                    out += e;
                    break;
                case 'b':
                    out += '\b';
                    break;
                case 'f':
                    out += '\f';
                    break;
                case 'n':
                    out += '\n';
                    break;
                case 'r':
                    out += '\r';
                    break;
                case 't':
                    out += '\t';
                    break;
                case 'u': {
                    if (pos_ + 4 > t_.size())
                        fail("short \\u escape");
                    unsigned cp = 0;
                    for (int i = 0; i < 4; ++i) {
                        char h = t_[pos_++];
                        cp <<= 4;
                        if (h >= '0' && h <= '9')
                            cp |= static_cast<unsigned>(h - '0');
                        else if (h >= 'a' && h <= 'f')
                            cp |= static_cast<unsigned>(h - 'a' + 10);
                        else if (h >= 'A' && h <= 'F')
                            cp |= static_cast<unsigned>(h - 'A' + 10);
                        else
                            fail("bad \\u escape");
                    }
                    appendUtf8(out, cp);
                    break;
                }
                default:
                    fail("bad escape");
            }
        }
    }

    const std::string& t_;
    size_t pos_ = 0;
};

}  // namespace emutest
