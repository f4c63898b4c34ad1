// Texts cross the driver boundary as 8-bit bytes in the Windows Latin code
// page (1252). This is the one place where operator text becomes bytes and
// printer bytes become text.
//
// Operator text is brought to composed form first (e + combining acute is
// "é"). A text with a character that the code page lacks, or with a zero
// character that would end it early at the C interface, is never sent: the
// edits refuse such characters as they are typed, so a text reaching the
// conversion with one is a fault of the program, reported by DriverTextError
// before the driver is called.
#pragma once

#include <QByteArray>
#include <QString>
#include <stdexcept>

class DriverTextError : public std::runtime_error {
public:
    explicit DriverTextError(const QString& message);
    const QString& message() const { return message_; }

private:
    QString message_;
};

// The text in composed form, as it is checked and sent.
QString composedText(const QString& text);

// True when every character of the composed text has a byte in the code
// page and none is the zero character.
bool isDriverText(const QString& text);

// The bytes of the composed text; throws DriverTextError when isDriverText
// is false.
QByteArray toDriverText(const QString& text);

// Throws DriverTextError when bytes bound for the C interface hold a zero
// byte, which would cut them short there.
void checkDriverBytes(const QByteArray& bytes);

QString fromDriverText(const QByteArray& bytes);
