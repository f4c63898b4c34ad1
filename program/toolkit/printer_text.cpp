#include "toolkit/printer_text.h"

#include "driver/codepage.h"

#include <QApplication>
#include <QLineEdit>

PrinterTextValidator::PrinterTextValidator(QObject* parent) : QValidator(parent) {}

QValidator::State PrinterTextValidator::validate(QString& input, int& pos) const {
    const QString composed = composedText(input);
    if (!isDriverText(composed)) {
        QApplication::beep();
        emit refused();
        return Invalid;
    }
    if (composed != input) {
        // The cursor stays after the same characters, now composed.
        pos = composedText(input.left(pos)).size();
        input = composed;
    }
    return Acceptable;
}

void restrictToPrinterText(QLineEdit* edit) {
    if (edit && !edit->validator()) {
        edit->setValidator(new PrinterTextValidator(edit));
    }
}

void restrictToPrinterText(QWidget* window) {
    for (QLineEdit* edit : window->findChildren<QLineEdit*>()) {
        restrictToPrinterText(edit);
    }
}
