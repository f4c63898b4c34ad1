#include "core/printer_checks.h"

#include <cctype>

#include "core/codes.h"
#include "core/cp850.h"

namespace fiscemu {
namespace printer_checks {

namespace {

// The first byte below 30 in a text, or -1.
int firstControlByte(const std::string& text) {
    for (size_t i = 0; i < text.size(); ++i)
        if (static_cast<unsigned char>(text[i]) < 30)
            return static_cast<int>(i);
    return -1;
}

std::string hexByte(unsigned char c) {
    static const char kHex[] = "0123456789ABCDEF";
    return std::string("0x") + kHex[c >> 4] + kHex[c & 15];
}

// Sets the reason, when asked for, and answers the code.
int refused(std::string* why, int code, std::string reason) {
    if (why)
        *why = std::move(reason);
    return code;
}

}  // namespace

bool printable(const std::string& text) {
    return firstControlByte(text) < 0;
}

bool textOk(const Text& t, size_t minLen, size_t maxLen) {
    return t && t->size() >= minLen && t->size() <= maxLen && printable(*t);
}

std::optional<int64_t> digits(const Text& t, size_t maxLen) {
    if (!t)
        return std::nullopt;
    return parseDigits(*t, maxLen);
}

namespace {
// The caller's bytes as UTF-8: letters of Windows Latin converted, control
// bytes kept as they are (the trace escapes them), not drawn as the
// printer's glyphs, so that a reason naming a control byte shows it.
std::string shownBytes(const std::string& bytes) {
    std::string out;
    for (char c : bytes)
        out += static_cast<unsigned char>(c) < 0x80 ? std::string(1, c)
                                                    : windowsLatinToUtf8(std::string(1, c));
    return out;
}
}  // namespace

std::string quoted(const Text& t) {
    if (!t)
        return "NULL";
    constexpr size_t kShown = 40;
    if (t->size() <= kShown)
        return "'" + shownBytes(*t) + "'";
    return "'" + shownBytes(t->substr(0, kShown)) + "…' (" + std::to_string(t->size()) + " bytes)";
}

std::string textFault(const Text& t, size_t minLen, size_t maxLen) {
    if (!t)
        return "NULL: esperado um texto";
    if (t->size() < minLen)
        return t->empty() ? "vazio: obrigatório"
                          : quoted(t) + ": mínimo de " + std::to_string(minLen) + " bytes";
    if (t->size() > maxLen)
        return quoted(t) + " com " + std::to_string(t->size()) + " bytes: máximo " +
               std::to_string(maxLen);
    int at = firstControlByte(*t);
    if (at >= 0)
        return quoted(t) + ": byte de controle " +
               hexByte(static_cast<unsigned char>((*t)[static_cast<size_t>(at)])) + " na posição " +
               std::to_string(at + 1);
    return {};
}

std::string digitsFault(const Text& t, size_t maxLen) {
    if (!t)
        return "NULL: esperado um número";
    if (parseDigits(*t, maxLen))
        return {};
    return quoted(t) + ": esperado de 1 a " + std::to_string(maxLen) + " dígitos, sem sinal";
}

int checkText(const Text& t, size_t minLen, size_t maxLen, const char* name, std::string* why) {
    std::string fault = textFault(t, minLen, maxLen);
    return fault.empty() ? kOk : refused(why, kBadFormat, std::string(name) + " " + fault);
}

int checkOperator(const Text& op, std::string* why) {
    return checkText(op, 0, kOperatorWidth, "operador", why);
}

int checkDescription(const Text& desc, size_t minLen, std::string* why) {
    return checkText(desc, minLen, kDescriptionWidth, "descrição", why);
}

int checkFlag(int32_t v, const char* name, std::string* why) {
    if (v == 0 || v == 1)
        return kOk;
    return refused(why, kOutOfRange,
                   std::string(name) + " " + std::to_string(v) + ": esperado 0 ou 1");
}

int checkComplementaryLines(int32_t lines, std::string* why) {
    if (lines >= 0 && lines <= kMaxComplementaryLines)
        return kOk;
    return refused(why, kOutOfRange,
                   "linhas complementares " + std::to_string(lines) + ": esperado de 0 a " +
                       std::to_string(kMaxComplementaryLines));
}

int checkVoucherAllows(const PrinterState& st, int totaliser, bool Voucher::*permission,
                       const char* action, std::string* why) {
    if (!isNonFiscalTotaliser(totaliser) || !isVoucherTotaliser(totaliser))
        return kOk;
    const int position = totaliser - kTotVoucherFirst;
    const Voucher& v = st.vouchers[position];
    if (v.*permission)
        return kOk;
    return refused(why, kVoucherInvalid,
                   "item do comprovante " + zeroPad(position, 2) + " '" +
                       windowsLatinToUtf8(v.name) + "': sua programação não permite " + action);
}

int checkAmount(const Text& t, Cents* out, const char* name, std::string* why) {
    auto v = digits(t, 11);
    if (!v)
        return refused(why, kBadFormat, std::string(name) + " " + digitsFault(t, 11));
    *out = *v;
    return kOk;
}

int checkPositiveAmount(const Text& t, Cents* out, const char* name, std::string* why) {
    if (int rc = checkAmount(t, out, name, why))
        return rc;
    if (*out <= 0)
        return refused(why, kOutOfRange,
                       std::string(name) + " " + quoted(t) + ": deve ser maior que zero");
    return kOk;
}

int checkPosition(const Text& t, int last, int* out, const char* name, std::string* why) {
    const std::string expected = ": esperado de 00 a " + zeroPad(last, 2);
    auto v = t && t->size() == 2 ? parseDigits(*t, 2) : std::nullopt;
    if (!v)
        return refused(why, kBadFormat,
                       std::string(name) + " " + quoted(t) + ": esperados dois dígitos" +
                           (t ? expected : std::string()));
    if (*v > last)
        return refused(why, kOutOfRange, std::string(name) + " " + quoted(t) + expected);
    *out = static_cast<int>(*v);
    return kOk;
}

std::optional<bool> yesNo(const Text& t) {
    if (!t || t->size() != 1)
        return std::nullopt;
    char c = static_cast<char>(std::toupper(static_cast<unsigned char>((*t)[0])));
    if (c == 'S')
        return true;
    if (c == 'N')
        return false;
    return std::nullopt;
}

bool equalsIgnoreCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

std::string center(const std::string& s, size_t width) {
    if (s.size() >= width)
        return s;
    size_t left = (width - s.size()) / 2;
    return std::string(left, ' ') + s + std::string(width - s.size() - left, ' ');
}

std::string columns(const std::string& left, const std::string& right) {
    if (left.size() + right.size() + 1 > kLineWidth)
        return left + " " + right;
    return left + std::string(kLineWidth - left.size() - right.size(), ' ') + right;
}

}  // namespace printer_checks
}  // namespace fiscemu
