// Message boxes, questions, the input box and the colour dialog, as one
// service: real Qt dialogs in the program, a scripted one in tests.
#pragma once

#include <QColor>
#include <QString>
#include <optional>

class QWidget;

enum class DialogKind {
    Message,       // caption: the application title; one OK
    Information,   // caption "Informação"; one OK
    Error,         // caption "Erro"; one OK
    Exception,     // the toolkit's report of a failed handler; caption: the application title
    Confirmation,  // caption "Confirmação"; "&Sim" (default) and "&Não"
    InformationQuestion,  // caption "Informação"; "&Sim" and "&Não"
    SystemYesNo,          // the system's Yes/No box with a caption of its own
    Input,                // the input box with a default answer
    Color,                // the colour dialog
};

// How a question was answered; Closed means dismissed without an answer.
enum class DialogAnswer { Ok, Yes, No, Closed };

class Dialogs {
public:
    virtual ~Dialogs() = default;

    virtual void showBox(DialogKind kind, const QString& caption, const QString& text) = 0;
    virtual DialogAnswer ask(DialogKind kind, const QString& caption, const QString& text) = 0;
    // The answer typed, or the default answer when the box is cancelled.
    virtual QString inputBox(const QString& caption, const QString& prompt,
                             const QString& defaultAnswer) = 0;
    // The colour chosen, or none when the dialog is cancelled.
    virtual std::optional<QColor> chooseColor(const QColor& initial) = 0;
};

Dialogs& dialogs();
void setDialogs(Dialogs* service);

// The window whose boxes these are, while the scope lives: the handler
// runner opens one around every handler, naming the handler's window, so a
// box stays in front of the window that asked. Scopes nest (a handler shows a
// window whose activation raises a box); the innermost one decides.
class DialogOwnerScope {
    Q_DISABLE_COPY(DialogOwnerScope)

public:
    explicit DialogOwnerScope(QWidget* owner);
    ~DialogOwnerScope();
};

// The window of the innermost scope that named one, if it still exists and
// is visible; otherwise none.
QWidget* dialogOwner();

// How the application's windows stand around a box, told by the layer that
// keeps track of them (the forms' activation): the window in front when no
// scope names an owner, and what takes the keyboard back once a box has
// closed. Without one, a box belongs to the application's active window and
// gives the keyboard back to its owner.
class DialogStacking {
public:
    virtual ~DialogStacking() = default;
    virtual QWidget* frontWindow() const = 0;
    // A box of `owner` (none, when it had none) has closed: true when the
    // stacking has put its own window back in front; false leaves it to the
    // box, which raises its owner.
    virtual bool restoreAfterBox(QWidget* owner) = 0;
};
void setDialogStacking(DialogStacking* stacking);

// Real Qt dialogs over the application's active window.
class QtDialogs final : public Dialogs {
public:
    void showBox(DialogKind kind, const QString& caption, const QString& text) override;
    DialogAnswer ask(DialogKind kind, const QString& caption, const QString& text) override;
    QString inputBox(const QString& caption, const QString& prompt,
                     const QString& defaultAnswer) override;
    std::optional<QColor> chooseColor(const QColor& initial) override;
};

// The captions of the fixed kinds.
QString dialogCaption(DialogKind kind);

// The boxes as the windows use them.
void showMessage(const QString& text);
void showInformation(const QString& text);
void showError(const QString& text);
DialogAnswer askConfirmation(const QString& text);
DialogAnswer askInformationQuestion(const QString& text);
DialogAnswer askSystemYesNo(const QString& caption, const QString& text);
QString inputBox(const QString& caption, const QString& prompt, const QString& defaultAnswer);

// A colour dialog that, like the toolkit component it stands for, keeps the
// colour last chosen in it.
class ColorDialogBox {
public:
    explicit ColorDialogBox(const QColor& initial = Qt::black) : color_(initial) {}
    // Shows the dialog; true when the operator confirmed a colour.
    bool execute();
    QColor color() const { return color_; }

private:
    QColor color_;
};
