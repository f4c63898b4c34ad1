#include "core/cp850.h"

#include <iconv.h>
#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdint>

// The code page itself comes from the C library (glibc's iconv has CP850 and CP1252);
// only the glyphs shown for the control bytes, which are no conversion but
// the printer's character set, are kept here.
namespace fiscemu {

namespace {

const uint16_t kControl[32] = {0x0020, 0x263A, 0x263B, 0x2665, 0x2666, 0x2663, 0x2660, 0x2022,
                               0x25D8, 0x25CB, 0x25D9, 0x2642, 0x2640, 0x266A, 0x266B, 0x263C,
                               0x25BA, 0x25C4, 0x2195, 0x203C, 0x00B6, 0x00A7, 0x25AC, 0x21A8,
                               0x2191, 0x2193, 0x2192, 0x2190, 0x221F, 0x2194, 0x25B2, 0x25BC};

void appendUtf8(std::string& out, uint32_t cp) {
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

// One conversion descriptor per thread: iconv keeps state in it.
class Converter {
public:
    Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
    ~Converter() {
        if (cd_ != reinterpret_cast<iconv_t>(-1)) {
            iconv_close(cd_);
        }
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    // Converts as much of [in, in + inLeft) as it can into out; returns the
    // errno of the stop (0 when everything was converted).
    int convert(const char*& in, size_t& inLeft, std::string& out) {
        if (cd_ == reinterpret_cast<iconv_t>(-1)) {
            return EINVAL;
        }
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        char buffer[256];
        while (inLeft > 0) {
            char* input = const_cast<char*>(in);
            char* output = buffer;
            size_t outLeft = sizeof buffer;
            const size_t done = iconv(cd_, &input, &inLeft, &output, &outLeft);
            const int error = done == static_cast<size_t>(-1) ? errno : 0;
            out.append(buffer, output);
            in = input;
            if (error != 0 && error != E2BIG) {
                return error;
            }
        }
        return 0;
    }

private:
    iconv_t cd_;
};

// The length of the UTF-8 sequence its lead byte starts (1 for a stray byte).
size_t sequenceLength(unsigned char lead) {
    if (lead >= 0xF0 && lead < 0xF8) {
        return 4;
    }
    if (lead >= 0xE0) {
        return lead < 0xF0 ? 3 : 1;
    }
    return lead >= 0xC0 ? 2 : 1;
}

// The UTF-8 of every byte 0x80..0xFF of a code page, from the C library.
std::array<std::string, 128> highHalf(const char* codePage) {
    std::array<std::string, 128> result;
    Converter toUtf8("UTF-8", codePage);
    for (int b = 0x80; b <= 0xFF; ++b) {
        const char byte = static_cast<char>(b);
        const char* in = &byte;
        size_t left = 1;
        if (toUtf8.convert(in, left, result[b - 0x80]) != 0)
            result[b - 0x80] = "?";
    }
    return result;
}

std::string fromUtf8(Converter& converter, const std::string& utf8) {
    std::string out;
    out.reserve(utf8.size());
    const char* in = utf8.data();
    size_t left = utf8.size();
    while (left > 0) {
        if (converter.convert(in, left, out) == 0)
            break;
        // A character the code page lacks, or no UTF-8 at all: one '?' for it.
        out += '?';
        const size_t skip = std::min(left, sequenceLength(static_cast<unsigned char>(*in)));
        in += skip;
        left -= skip;
    }
    return out;
}

std::string toUtf8(const std::array<std::string, 128>& high, const std::string& bytes) {
    std::string out;
    out.reserve(bytes.size() * 2);
    for (char ch : bytes) {
        unsigned char c = static_cast<unsigned char>(ch);
        if (c >= 0x80) {
            out += high[c - 0x80];
        } else if (c < 0x20 && c != 0) {
            appendUtf8(out, kControl[c]);
        } else if (c == 0x7F) {
            appendUtf8(out, 0x2302);
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

}  // namespace

std::string utf8ToCp850(const std::string& utf8) {
    thread_local Converter toCp850("CP850", "UTF-8");
    return fromUtf8(toCp850, utf8);
}

std::string cp850ToUtf8(const std::string& bytes) {
    static const std::array<std::string, 128> high = highHalf("CP850");
    return toUtf8(high, bytes);
}

std::string utf8ToWindowsLatin(const std::string& utf8) {
    thread_local Converter toWindowsLatin("CP1252", "UTF-8");
    return fromUtf8(toWindowsLatin, utf8);
}

std::string windowsLatinToUtf8(const std::string& bytes) {
    static const std::array<std::string, 128> high = highHalf("CP1252");
    return toUtf8(high, bytes);
}

}  // namespace fiscemu
