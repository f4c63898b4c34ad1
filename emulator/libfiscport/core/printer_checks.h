// What the printer's commands share before they act: the checks of their
// arguments, the limits of their fields, and the layout of a receipt line.
// Only the printer's commands include this (printer_*.cpp, the fiscal-memory
// reading).
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "core/printer.h"

namespace fiscemu {
namespace printer_checks {

constexpr Cents kMaxCoupon = 99999999999LL;  // 999.999.999,99 per document
constexpr size_t kDescriptionWidth = 40;
constexpr size_t kOperatorWidth = 40;
constexpr int kMaxCommercialLines = 8;
constexpr int kMaxComplementaryLines = 3;

// A text argument within 0..maxLen bytes (minLen when it may not be empty),
// with no control byte: the printer prints no byte below 32 but 30 and 31,
// which its character set draws as the triangles ▲ and ▼.
bool textOk(const Text& t, size_t minLen, size_t maxLen);
bool printable(const std::string& text);

// A text of 1..maxLen decimal digits; nullopt for anything else.
std::optional<int64_t> digits(const Text& t, size_t maxLen);

// An argument's value as a reason quotes it: the caller's text in single
// quotes (Windows Latin shown as UTF-8), cut after 40 bytes with its length
// noted; "NULL" for a null pointer.
std::string quoted(const Text& t);

// What is wrong with a text for textOk, said after the argument's name
// ("NULL: esperado um texto", "'…' com 45 bytes: máximo 40"); empty when
// nothing is.
std::string textFault(const Text& t, size_t minLen, size_t maxLen);

// What is wrong with a text for digits(t, maxLen); empty when nothing is.
std::string digitsFault(const Text& t, size_t maxLen);

// The checks below answer kOk and fill *out, or the result code the printer
// answers for that argument and, in *why when given, the reason: the
// argument's name, the value met and what was expected.

// An operator's name: at most 40 bytes, may be empty; 1 for a null text or
// a longer one.
int checkOperator(const Text& op, std::string* why = nullptr);

// The description of an item or of an adjustment: up to 40 bytes, at least
// minLen; 1 (bad format) for a null text or one outside those lengths.
int checkDescription(const Text& desc, size_t minLen, std::string* why = nullptr);

// A text argument for textOk, named `name` in the reason: 1 when it fails.
int checkText(const Text& t, size_t minLen, size_t maxLen, const char* name,
              std::string* why = nullptr);

// A yes/no switch of a command (cancel, discount or surcharge, omit): 2 for
// anything but 0 or 1.
int checkFlag(int32_t v, const char* name = "opção", std::string* why = nullptr);

// The count of complementary lines a payment announces: 2 outside 0 to 3.
int checkComplementaryLines(int32_t lines, std::string* why = nullptr);

// An amount in cents of 1 to 11 digits: 1 (bad format) for anything else.
int checkAmount(const Text& t, Cents* out, const char* name = "valor", std::string* why = nullptr);

// The same, and 2 (out of range) for an amount of zero.
int checkPositiveAmount(const Text& t, Cents* out, const char* name = "valor",
                        std::string* why = nullptr);

// A table position of exactly two digits: 1 (bad format) for anything else,
// 2 (out of range) past the table's last position.
int checkPosition(const Text& t, int last, int* out, const char* name = "posição",
                  std::string* why = nullptr);

// "S" or "N", either case.
std::optional<bool> yesNo(const Text& t);

bool equalsIgnoreCase(const std::string& a, const std::string& b);

// An item sold on a non-fiscal voucher may be discounted or cancelled only
// where the voucher's programming allows it (Voucher::discount or ::cancel):
// 5 otherwise, the reason naming the voucher and `action`; kOk for every
// other totaliser.
int checkVoucherAllows(const PrinterState& st, int totaliser, bool Voucher::*permission,
                       const char* action, std::string* why = nullptr);

// A text centred on the receipt's width.
std::string center(const std::string& s, size_t width = kLineWidth);

// Left text and right text on one line of the receipt.
std::string columns(const std::string& left, const std::string& right);

}  // namespace printer_checks
}  // namespace fiscemu
