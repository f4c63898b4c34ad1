// Integer-cent arithmetic and the number formats the printer prints and answers.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace fiscemu {

using Cents = int64_t;

// Largest amount any totaliser holds: seventeen digits of cents, which still
// fits the 21-character amount fields with their separators.
constexpr Cents kMaxTotal = 99999999999999999LL;

// A text made only of decimal digits, 1..maxLen of them, as a number.
std::optional<int64_t> parseDigits(const std::string& text, size_t maxLen);

// n / d rounded half to even; n >= 0, d > 0.
int64_t divRoundHalfEven(int64_t n, int64_t d);

// 123456 -> "1.234,56"; negative amounts get a leading "-".
std::string formatAmount(Cents cents);

// Tax rate in hundredths of a percent: 1700 -> "17,00".
std::string formatRate(int rateHundredths);

// Number with leading zeros; values that do not fit keep their low digits.
std::string zeroPad(int64_t value, int width);

std::string padRight(const std::string& s, size_t width, char fill = ' ');
std::string padLeft(const std::string& s, size_t width, char fill = ' ');
// The text cut or filled with blanks to exactly width characters.
std::string fit(const std::string& s, size_t width);

// Amount in Portuguese words, upper case, UTF-8: 123456 with "REAL"/"REAIS" ->
// "MIL DUZENTOS E TRINTA E QUATRO REAIS E CINQUENTA E SEIS CENTAVOS".
std::string amountInWords(Cents cents, const std::string& singular, const std::string& plural);

}  // namespace fiscemu
