#include "toolkit/dialogs.h"

#include "toolkit/application.h"

#include <QApplication>
#include <QColorDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>

namespace {

Dialogs* currentDialogs = nullptr;

QMessageBox::Icon iconOf(DialogKind kind) {
    switch (kind) {
        case DialogKind::Information:
        case DialogKind::InformationQuestion:
            return QMessageBox::Information;
        case DialogKind::Error:
        case DialogKind::Exception:
            return QMessageBox::Critical;
        case DialogKind::Confirmation:
        case DialogKind::SystemYesNo:
            return QMessageBox::Question;
        default:
            return QMessageBox::NoIcon;
    }
}

}  // namespace

Dialogs& dialogs() {
    Q_ASSERT_X(currentDialogs, "dialogs", "no dialog service installed");
    return *currentDialogs;
}

void setDialogs(Dialogs* service) {
    currentDialogs = service;
}

QString dialogCaption(DialogKind kind) {
    switch (kind) {
        case DialogKind::Information:
        case DialogKind::InformationQuestion:
            return QStringLiteral("Informação");
        case DialogKind::Error:
            return QStringLiteral("Erro");
        case DialogKind::Confirmation:
            return QStringLiteral("Confirmação");
        default:
            return applicationTitle();
    }
}

void QtDialogs::showBox(DialogKind kind, const QString& caption, const QString& text) {
    QMessageBox box(iconOf(kind), caption, text, QMessageBox::Ok, QApplication::activeWindow());
    box.exec();
}

DialogAnswer QtDialogs::ask(DialogKind kind, const QString& caption, const QString& text) {
    QMessageBox box(iconOf(kind), caption, text, QMessageBox::NoButton,
                    QApplication::activeWindow());
    QAbstractButton* yes = nullptr;
    QAbstractButton* no = nullptr;
    if (kind == DialogKind::SystemYesNo) {
        yes = box.addButton(QMessageBox::Yes);
        no = box.addButton(QMessageBox::No);
    } else {
        yes = box.addButton(QStringLiteral("&Sim"), QMessageBox::YesRole);
        no = box.addButton(QStringLiteral("&Não"), QMessageBox::NoRole);
    }
    box.setDefaultButton(static_cast<QPushButton*>(yes));
    box.exec();
    if (box.clickedButton() == yes) {
        return DialogAnswer::Yes;
    }
    if (box.clickedButton() == no) {
        return DialogAnswer::No;
    }
    return DialogAnswer::Closed;
}

QString QtDialogs::inputBox(const QString& caption, const QString& prompt,
                            const QString& defaultAnswer) {
    bool ok = false;
    const QString answer = QInputDialog::getText(QApplication::activeWindow(), caption, prompt,
                                                 QLineEdit::Normal, defaultAnswer, &ok);
    return ok ? answer : defaultAnswer;
}

std::optional<QColor> QtDialogs::chooseColor(const QColor& initial) {
    const QColor chosen = QColorDialog::getColor(initial, QApplication::activeWindow());
    if (!chosen.isValid()) {
        return std::nullopt;
    }
    return chosen;
}

void showMessage(const QString& text) {
    dialogs().showBox(DialogKind::Message, dialogCaption(DialogKind::Message), text);
}

void showInformation(const QString& text) {
    dialogs().showBox(DialogKind::Information, dialogCaption(DialogKind::Information), text);
}

void showError(const QString& text) {
    dialogs().showBox(DialogKind::Error, dialogCaption(DialogKind::Error), text);
}

DialogAnswer askConfirmation(const QString& text) {
    return dialogs().ask(DialogKind::Confirmation, dialogCaption(DialogKind::Confirmation), text);
}

DialogAnswer askInformationQuestion(const QString& text) {
    return dialogs().ask(DialogKind::InformationQuestion,
                         dialogCaption(DialogKind::InformationQuestion), text);
}

DialogAnswer askSystemYesNo(const QString& caption, const QString& text) {
    return dialogs().ask(DialogKind::SystemYesNo, caption, text);
}

QString inputBox(const QString& caption, const QString& prompt, const QString& defaultAnswer) {
    return dialogs().inputBox(caption, prompt, defaultAnswer);
}

bool ColorDialogBox::execute() {
    const std::optional<QColor> chosen = dialogs().chooseColor(color_);
    if (chosen) {
        color_ = *chosen;
    }
    return chosen.has_value();
}
