// What the operator may type in an edit whose text goes to the printer: the
// characters of the printer's code page only. Text is brought to composed
// form as it arrives (e + combining acute becomes "é"), and a character the
// code page lacks, typed or pasted, is refused with the edit's beep, so the
// edit always shows exactly what will be sent.
#pragma once

#include <QValidator>

class QLineEdit;
class QWidget;

class PrinterTextValidator : public QValidator {
    Q_OBJECT
public:
    explicit PrinterTextValidator(QObject* parent = nullptr);
    State validate(QString& input, int& pos) const override;

signals:
    // A change was refused (after the beep).
    void refused() const;
};

// Gives the validator to an edit that has none of its own.
void restrictToPrinterText(QLineEdit* edit);
// ... and to every edit of a window, those of its editable lists included.
void restrictToPrinterText(QWidget* window);
