#include "toolkit/dialogs.h"

#include "toolkit/activation.h"
#include "toolkit/application.h"
#include "toolkit/handlers.h"
#include "toolkit/printer_text.h"
#include "toolkit/tform.h"

#include <QApplication>
#include <QColorDialog>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
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

// The window a box belongs to: that of the handler raising it, else the
// toolkit's active form. The application's active window is the last resort
// only: on a desktop it lags behind, still naming the window that had the
// keyboard before a form was just shown.
QWidget* boxOwner() {
    QWidget* owner = handlerOwner();
    if (!owner) {
        owner = ActivationTracker::instance().activeForm();
    }
    if (!owner || !owner->isVisible()) {
        owner = QApplication::activeWindow();
    }
    return owner ? owner->window() : nullptr;
}

// Once a box has closed, the keyboard and the top of the stack go back to the
// active form (the box's own, when the active form raised it), whatever the
// window manager chose to focus meanwhile.
class BoxOwnership {
public:
    BoxOwnership() : owner_(boxOwner()) {}
    ~BoxOwnership() {
        if (owner_ && owner_->isVisible() && !qobject_cast<TForm*>(owner_.data())) {
            owner_->raise();
            owner_->activateWindow();
        } else if (TForm* active = ActivationTracker::instance().activeForm()) {
            // The box's form when it is the active one; a box of a window
            // behind (its timer's, say) gives the keyboard back to the active
            // form rather than activating its own window.
            ActivationTracker::instance().bringToFront(active);
        }
    }
    BoxOwnership(const BoxOwnership&) = delete;
    BoxOwnership& operator=(const BoxOwnership&) = delete;

    QWidget* owner() const { return owner_; }

private:
    QPointer<QWidget> owner_;
};

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
    BoxOwnership ownership;
    QMessageBox box(iconOf(kind), caption, text, QMessageBox::Ok, ownership.owner());
    box.exec();
}

DialogAnswer QtDialogs::ask(DialogKind kind, const QString& caption, const QString& text) {
    BoxOwnership ownership;
    QMessageBox box(iconOf(kind), caption, text, QMessageBox::NoButton, ownership.owner());
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
    BoxOwnership ownership;
    QInputDialog box(ownership.owner());
    box.setWindowTitle(caption);
    box.setLabelText(prompt);
    box.setInputMode(QInputDialog::TextInput);
    box.setTextValue(defaultAnswer);
    // The answer goes to the printer like any edit's text.
    restrictToPrinterText(box.findChild<QLineEdit*>());
    if (box.exec() != QDialog::Accepted) {
        return defaultAnswer;
    }
    return box.textValue();
}

std::optional<QColor> QtDialogs::chooseColor(const QColor& initial) {
    BoxOwnership ownership;
    const QColor chosen = QColorDialog::getColor(initial, ownership.owner());
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
