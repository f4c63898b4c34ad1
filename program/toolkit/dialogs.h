// Message boxes, questions, the input box and the colour dialog, as one
// service: real Qt dialogs in the program, a scripted one in tests.
#pragma once

#include <QColor>
#include <QString>
#include <optional>

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
