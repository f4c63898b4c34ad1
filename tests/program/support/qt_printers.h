// Lets GoogleTest print Qt's strings readably in failure messages.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <ostream>

inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

inline void PrintTo(const QByteArray& bytes, std::ostream* out) {
    *out << '"' << bytes.toStdString() << '"';
}

inline void PrintTo(const QStringList& list, std::ostream* out) {
    *out << "{\n";
    for (const QString& item : list) {
        *out << "  \"" << item.toStdString() << "\"\n";
    }
    *out << '}';
}
