#include "core/money.h"

#include <vector>

namespace fiscemu {

std::optional<int64_t> parseDigits(const std::string& text, size_t maxLen) {
    if (text.empty() || text.size() > maxLen || maxLen > 18)
        return std::nullopt;
    int64_t v = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        v = v * 10 + (c - '0');
    }
    return v;
}

int64_t divRoundHalfEven(int64_t n, int64_t d) {
    int64_t q = n / d;
    int64_t r = n % d;
    if (2 * r > d || (2 * r == d && (q % 2) != 0))
        ++q;
    return q;
}

std::string formatAmount(Cents cents) {
    bool negative = cents < 0;
    uint64_t v = negative ? 0 - static_cast<uint64_t>(cents) : static_cast<uint64_t>(cents);
    std::string frac = std::to_string(v % 100);
    if (frac.size() < 2)
        frac = "0" + frac;
    std::string whole = std::to_string(v / 100);
    std::string grouped;
    int count = 0;
    for (auto it = whole.rbegin(); it != whole.rend(); ++it) {
        if (count && count % 3 == 0)
            grouped.insert(grouped.begin(), '.');
        grouped.insert(grouped.begin(), *it);
        ++count;
    }
    return (negative ? "-" : "") + grouped + "," + frac;
}

std::string formatRate(int rate) {
    if (rate < 0)
        rate = 0;
    std::string s = zeroPad(rate / 100, 2) + "," + zeroPad(rate % 100, 2);
    return s;
}

std::string zeroPad(int64_t value, int width) {
    std::string s = std::to_string(value < 0 ? -value : value);
    if (static_cast<int>(s.size()) > width)
        s = s.substr(s.size() - width);
    return std::string(width - s.size(), '0') + s;
}

std::string padRight(const std::string& s, size_t width, char fill) {
    return s.size() >= width ? s : s + std::string(width - s.size(), fill);
}

std::string padLeft(const std::string& s, size_t width, char fill) {
    return s.size() >= width ? s : std::string(width - s.size(), fill) + s;
}

std::string fit(const std::string& s, size_t width) {
    return s.size() >= width ? s.substr(0, width) : padRight(s, width);
}

namespace {

const char* const kUnits[] = {"ZERO",   "UM",        "DOIS",      "TRÊS",    "QUATRO",
                              "CINCO",  "SEIS",      "SETE",      "OITO",    "NOVE",
                              "DEZ",    "ONZE",      "DOZE",      "TREZE",   "QUATORZE",
                              "QUINZE", "DEZESSEIS", "DEZESSETE", "DEZOITO", "DEZENOVE"};
const char* const kTens[] = {"",          "",         "VINTE",   "TRINTA",  "QUARENTA",
                             "CINQUENTA", "SESSENTA", "SETENTA", "OITENTA", "NOVENTA"};
const char* const kHundreds[] = {
    "",           "CENTO",      "DUZENTOS",   "TREZENTOS",  "QUATROCENTOS",
    "QUINHENTOS", "SEISCENTOS", "SETECENTOS", "OITOCENTOS", "NOVECENTOS"};

// 1..999 in words.
std::string below1000(int n) {
    if (n == 100)
        return "CEM";
    std::string out;
    int h = n / 100, r = n % 100;
    if (h)
        out = kHundreds[h];
    if (r) {
        if (!out.empty())
            out += " E ";
        if (r < 20) {
            out += kUnits[r];
        } else {
            out += kTens[r / 10];
            if (r % 10)
                out += std::string(" E ") + kUnits[r % 10];
        }
    }
    return out;
}

// A whole number in words (n > 0).
std::string wholeInWords(uint64_t n) {
    struct Scale {
        uint64_t value;
        const char* one;
        const char* many;
    };
    static const Scale scales[] = {{1000000000000000ULL, "QUATRILHÃO", "QUATRILHÕES"},
                                   {1000000000000ULL, "TRILHÃO", "TRILHÕES"},
                                   {1000000000ULL, "BILHÃO", "BILHÕES"},
                                   {1000000ULL, "MILHÃO", "MILHÕES"},
                                   {1000ULL, "MIL", "MIL"}};
    std::vector<std::string> parts;
    uint64_t rest = n;
    for (const Scale& s : scales) {
        uint64_t g = rest / s.value;
        rest %= s.value;
        if (!g)
            continue;
        if (s.value == 1000 && g == 1) {
            parts.push_back("MIL");
        } else {
            // g < 1000 except for the largest scale, which never exceeds it here.
            parts.push_back(below1000(static_cast<int>(g % 1000)) + " " +
                            (g == 1 ? s.one : s.many));
        }
    }
    std::string out;
    for (size_t i = 0; i < parts.size(); ++i) {
        if (i)
            out += " ";
        out += parts[i];
    }
    if (rest) {
        if (!out.empty())
            out += (rest < 100 || rest % 100 == 0) ? " E " : " ";
        out += below1000(static_cast<int>(rest));
    }
    return out;
}

}  // namespace

std::string amountInWords(Cents cents, const std::string& singular, const std::string& plural) {
    if (cents < 0)
        cents = -cents;
    uint64_t whole = static_cast<uint64_t>(cents) / 100;
    int frac = static_cast<int>(cents % 100);
    std::string out;
    if (whole) {
        out = wholeInWords(whole);
        if (whole >= 1000000 && whole % 1000000 == 0)
            out += " DE";
        out += " ";
        out += whole == 1 ? singular : plural;
    }
    if (frac) {
        if (!out.empty())
            out += " E ";
        out += below1000(frac);
        out += frac == 1 ? " CENTAVO" : " CENTAVOS";
    }
    if (out.empty())
        out = "ZERO " + plural;
    return out;
}

}  // namespace fiscemu
