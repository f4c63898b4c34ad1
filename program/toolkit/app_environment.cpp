#include "toolkit/app_environment.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QRegularExpression>
#include <QTranslator>

namespace {

QString& title() {
    static QString value;
    return value;
}

std::function<QDateTime()>& clockFunction() {
    static std::function<QDateTime()> value;
    return value;
}

}  // namespace

QString applicationTitle() {
    return title();
}

void setApplicationTitle(const QString& value) {
    title() = value;
}

bool installPortugueseTranslations(QApplication& app) {
    const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    auto* translator = new QTranslator(&app);
    if (!translator->load(QStringLiteral("qtbase_pt_BR"), folder)) {
        delete translator;
        return false;
    }
    app.installTranslator(translator);
    return true;
}

QDateTime currentDateTime() {
    return clockFunction() ? clockFunction()() : QDateTime::currentDateTime();
}

void setClock(std::function<QDateTime()> value) {
    clockFunction() = std::move(value);
}

QString shortDateText(const QDate& date) {
    return QLocale().toString(date, QLocale::ShortFormat);
}

QString longTimeText(const QTime& time) {
    // Qt's long time format names the time zone; the desktop's long time
    // format is hours, minutes and seconds only.
    QString format = QLocale().timeFormat(QLocale::LongFormat);
    format.remove(QRegularExpression(QStringLiteral("\\s*t+")));
    return QLocale().toString(time, format.trimmed());
}
