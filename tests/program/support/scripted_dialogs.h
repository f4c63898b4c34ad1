// Dialogs for tests: every box is recorded (kind, caption, text) in order
// and answered from a script. A box that was not scripted fails the test.
#pragma once

#include "support/event_log.h"
#include "toolkit/dialogs.h"

#include <QList>
#include <QQueue>
#include <functional>
#include <variant>

struct RecordedBox {
    DialogKind kind;
    QString caption;
    QString text;
};

class ScriptedDialogs final : public Dialogs {
public:
    explicit ScriptedDialogs(EventLog* log = nullptr) : log_(log) {}

    // The answer to the next box: OK for a box with one button, or the
    // answer to a question.
    void answer(DialogAnswer answer);
    // Acknowledges the next n boxes that have one OK button.
    void acknowledge(int count = 1);
    // The text typed into the next input box; cancelInput cancels it.
    void typeInput(const QString& text);
    void cancelInput();
    // The colour confirmed in the next colour dialog; cancelColor cancels it.
    void chooseColorAnswer(const QColor& color);
    void cancelColor();

    // Runs at every box, before it is answered.
    void onBox(std::function<void(const RecordedBox&)> observer) {
        observer_ = std::move(observer);
    }

    const QList<RecordedBox>& boxes() const { return boxes_; }
    QStringList texts() const;
    void clear() { boxes_.clear(); }
    int unusedAnswers() const { return script_.size(); }

    void showBox(DialogKind kind, const QString& caption, const QString& text) override;
    DialogAnswer ask(DialogKind kind, const QString& caption, const QString& text) override;
    QString inputBox(const QString& caption, const QString& prompt,
                     const QString& defaultAnswer) override;
    std::optional<QColor> chooseColor(const QColor& initial) override;

private:
    struct InputAnswer {
        std::optional<QString> text;
    };
    struct ColorAnswer {
        std::optional<QColor> color;
    };
    using Entry = std::variant<DialogAnswer, InputAnswer, ColorAnswer>;

    void record(DialogKind kind, const QString& caption, const QString& text);
    std::optional<Entry> next(const QString& text);

    EventLog* log_;
    QQueue<Entry> script_;
    QList<RecordedBox> boxes_;
    std::function<void(const RecordedBox&)> observer_;
};

// The name of a kind as tests and logs show it.
QString dialogKindName(DialogKind kind);
