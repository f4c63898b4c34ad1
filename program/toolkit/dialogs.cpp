#include "toolkit/dialogs.h"

#include "toolkit/app_environment.h"
#include "toolkit/printer_text.h"

#include <QApplication>
#include <QColorDialog>
#include <QInputDialog>
#include <QLineEdit>
#include <QList>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>

namespace {

Dialogs* currentDialogs = nullptr;
DialogStacking* currentStacking = nullptr;

// The owners of the scopes open now, innermost last.
QList<QPointer<QWidget>>& scopeOwners() {
    static QList<QPointer<QWidget>> owners;
    return owners;
}

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
// window in front. The application's active window is the last resort only:
// on a desktop it lags behind, still naming the window that had the keyboard
// before a form was just shown.
QWidget* boxOwner() {
    QWidget* owner = dialogOwner();
    if (!owner && currentStacking) {
        owner = currentStacking->frontWindow();
    }
    if (!owner || !owner->isVisible()) {
        owner = QApplication::activeWindow();
    }
    return owner ? owner->window() : nullptr;
}

// Once a box has closed, the keyboard and the top of the stack go back to
// the window in front, whatever the window manager chose to focus meanwhile.
class BoxOwnership {
public:
    BoxOwnership() : owner_(boxOwner()) {}
    ~BoxOwnership() {
        if (currentStacking && currentStacking->restoreAfterBox(owner_)) {
            return;
        }
        if (owner_ && owner_->isVisible()) {
            owner_->raise();
            owner_->activateWindow();
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

DialogOwnerScope::DialogOwnerScope(QWidget* owner) {
    scopeOwners().append(owner);
}

DialogOwnerScope::~DialogOwnerScope() {
    scopeOwners().removeLast();
}

QWidget* dialogOwner() {
    const QList<QPointer<QWidget>>& owners = scopeOwners();
    for (auto it = owners.crbegin(); it != owners.crend(); ++it) {
        if (!it->isNull()) {
            QWidget* owner = it->data();
            return owner->isVisible() ? owner : nullptr;
        }
    }
    return nullptr;
}

void setDialogStacking(DialogStacking* stacking) {
    currentStacking = stacking;
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
