// What the whole application shares with its environment: the title, the Portuguese
// translations of Qt's own dialogs, the regional date and time formats and
// the clock they read.
#pragma once

#include <QDateTime>
#include <QString>
#include <functional>

class QApplication;

// The application title, caption of plain message boxes.
QString applicationTitle();
void setApplicationTitle(const QString& title);

// Loads Qt's pt_BR translations so standard buttons and dialogs speak
// Portuguese. Returns false when Debian's translation files are missing.
bool installPortugueseTranslations(QApplication& app);

// The current date and time; tests pin it.
QDateTime currentDateTime();
void setClock(std::function<QDateTime()> clock);

// The system's regional short date and long time formats.
QString shortDateText(const QDate& date);
QString longTimeText(const QTime& time);
