#include "core/printer_checks.h"

#include <cctype>

#include "core/codes.h"

namespace fiscemu {
namespace printer_checks {

bool printable(const std::string& text) {
    for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 30)
            return false;
    }
    return true;
}

bool textOk(const Text& t, size_t minLen, size_t maxLen) {
    return t && t->size() >= minLen && t->size() <= maxLen && printable(*t);
}

std::optional<int64_t> digits(const Text& t, size_t maxLen) {
    if (!t)
        return std::nullopt;
    return parseDigits(*t, maxLen);
}

int checkOperator(const Text& op) {
    return textOk(op, 0, kOperatorWidth) ? kOk : kBadFormat;
}

int checkDescription(const Text& desc, size_t minLen) {
    return textOk(desc, minLen, kDescriptionWidth) ? kOk : kBadFormat;
}

int checkFlag(int32_t v) {
    return v == 0 || v == 1 ? kOk : kOutOfRange;
}

int checkComplementaryLines(int32_t lines) {
    return lines >= 0 && lines <= kMaxComplementaryLines ? kOk : kOutOfRange;
}

int checkVoucherAllows(const PrinterState& st, int totaliser, bool Voucher::*permission) {
    if (isNonFiscalTotaliser(totaliser) && isVoucherTotaliser(totaliser) &&
        !(st.vouchers[totaliser - kTotVoucherFirst].*permission))
        return kVoucherInvalid;
    return kOk;
}

int checkAmount(const Text& t, Cents* out) {
    auto v = digits(t, 11);
    if (!v)
        return kBadFormat;
    *out = *v;
    return kOk;
}

int checkPositiveAmount(const Text& t, Cents* out) {
    if (int rc = checkAmount(t, out))
        return rc;
    if (*out <= 0)
        return kOutOfRange;
    return kOk;
}

int checkPosition(const Text& t, int last, int* out) {
    if (!t || t->size() != 2)
        return kBadFormat;
    auto v = parseDigits(*t, 2);
    if (!v)
        return kBadFormat;
    if (*v > last)
        return kOutOfRange;
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
