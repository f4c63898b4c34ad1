// Texts cross the driver boundary as 8-bit bytes in the Windows Latin code
// page (1252). This is the one place where operator text becomes bytes and
// printer bytes become text.
#pragma once

#include <QByteArray>
#include <QString>

// Characters outside the code page become '?'.
QByteArray toDriverText(const QString& text);
QString fromDriverText(const QByteArray& bytes);
