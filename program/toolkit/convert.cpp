#include "toolkit/convert.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>

ConvertError::ConvertError(const QString& message) : std::runtime_error(message.toStdString()) {}

InOutError::InOutError(const QString& message) : std::runtime_error(message.toStdString()) {}

namespace {

bool isBlank(QChar c) {
    return c == QLatin1Char(' ') || c == QLatin1Char('\t');
}

[[noreturn]] void failInteger(const QString& text) {
    throw ConvertError(QStringLiteral("'%1' is not a valid integer value").arg(text));
}

[[noreturn]] void failFloat(const QString& text) {
    throw ConvertError(QStringLiteral("'%1' is not a valid floating point value").arg(text));
}

}  // namespace

int StrToInt(const QString& text) {
    int i = 0;
    while (i < text.size() && isBlank(text[i])) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == QLatin1Char('-') || text[i] == QLatin1Char('+'))) {
        negative = text[i] == QLatin1Char('-');
        ++i;
    }
    if (i == text.size()) {
        failInteger(text);
    }
    long long value = 0;
    for (; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c < QLatin1Char('0') || c > QLatin1Char('9')) {
            failInteger(text);
        }
        value = value * 10 + (c.unicode() - '0');
        if (value > static_cast<long long>(std::numeric_limits<int>::max()) + 1) {
            failInteger(text);
        }
    }
    if (negative) {
        value = -value;
    }
    if (value > std::numeric_limits<int>::max() || value < std::numeric_limits<int>::min()) {
        failInteger(text);
    }
    return static_cast<int>(value);
}

long double StrToFloat(const QString& text) {
    const QString trimmed = text.trimmed();
    // Only digits, one sign, one decimal comma and an exponent are accepted;
    // a "." is no separator here.
    QByteArray c;
    bool seenDigit = false;
    bool seenComma = false;
    bool seenExponent = false;
    for (int i = 0; i < trimmed.size(); ++i) {
        const QChar ch = trimmed[i];
        if (ch.isDigit() && ch.unicode() < 128) {
            seenDigit = true;
            c.append(static_cast<char>(ch.unicode()));
        } else if (ch == QLatin1Char(',') && !seenComma && !seenExponent) {
            seenComma = true;
            c.append('.');
        } else if ((ch == QLatin1Char('e') || ch == QLatin1Char('E')) && seenDigit &&
                   !seenExponent) {
            seenExponent = true;
            c.append('e');
        } else if ((ch == QLatin1Char('+') || ch == QLatin1Char('-')) &&
                   (i == 0 || c.endsWith('e'))) {
            c.append(static_cast<char>(ch.unicode()));
        } else {
            failFloat(text);
        }
    }
    if (!seenDigit || c.endsWith('e') || c.endsWith('+') || c.endsWith('-')) {
        failFloat(text);
    }
    // from_chars reads the C form whatever the process locale is.
    const char* begin = c.constData();
    if (*begin == '+') {
        ++begin;
    }
    long double value = 0;
    const auto [end, error] = std::from_chars(begin, c.constData() + c.size(), value);
    if (error != std::errc() || end != c.constData() + c.size() || !std::isfinite(value)) {
        failFloat(text);
    }
    return value;
}

QString FloatToStr(long double value) {
    QString text;
    const long double magnitude = std::fabs(value);
    if (std::isfinite(value) && magnitude != 0 &&
        (magnitude > std::numeric_limits<double>::max() ||
         magnitude < std::numeric_limits<double>::min())) {
        // Beyond a double's range (1E-400, 1E400 typed by the operator): written
        // from the extended value itself, not as the double's 0 or infinity.
        char buffer[64];
        std::snprintf(buffer, sizeof buffer, "%.15Lg", value);
        text = QString::fromLatin1(buffer);
    } else {
        text = QString::number(static_cast<double>(value), 'g', 15);
    }
    text.replace(QLatin1Char('.'), QLatin1Char(','));
    text.replace(QLatin1String("e+"), QLatin1String("E+"));
    text.replace(QLatin1String("e-"), QLatin1String("E-"));
    return text;
}
