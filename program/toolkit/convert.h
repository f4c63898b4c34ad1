// Number conversion as the form toolkit does it: a text that does not hold a
// number raises a conversion error, which ends the running handler and is
// reported by the handler dispatch (see handlers.h).
#pragma once

#include <QString>
#include <stdexcept>

// A failed conversion; what() is the operator's message.
class ConvertError : public std::runtime_error {
public:
    explicit ConvertError(const QString& message);
    QString message() const { return QString::fromUtf8(what()); }
};

// A failed read or write of a file of the program.
class InOutError : public std::runtime_error {
public:
    explicit InOutError(const QString& message);
    QString message() const { return QString::fromUtf8(what()); }
};

// Decimal integer, optional sign and leading blanks, 32-bit range.
// Fails with "'<text>' is not a valid integer value".
int StrToInt(const QString& text);

// Decimal number with "," as the decimal separator, optional sign, exponent
// and surrounding blanks, in extended precision.
// Fails with "'<text>' is not a valid floating point value".
long double StrToFloat(const QString& text);

// A number in general form with at most 15 significant digits, "," as the
// decimal separator only when a fraction remains: 500, 234,5, 1E20.
QString FloatToStr(long double value);
