#include "support/scripted_dialogs.h"

#include <gtest/gtest.h>

QString dialogKindName(DialogKind kind) {
    switch (kind) {
        case DialogKind::Message:
            return QStringLiteral("message");
        case DialogKind::Information:
            return QStringLiteral("information");
        case DialogKind::Error:
            return QStringLiteral("error");
        case DialogKind::Exception:
            return QStringLiteral("exception");
        case DialogKind::Confirmation:
            return QStringLiteral("confirmation");
        case DialogKind::InformationQuestion:
            return QStringLiteral("information question");
        case DialogKind::SystemYesNo:
            return QStringLiteral("system yes/no");
        case DialogKind::Input:
            return QStringLiteral("input");
        case DialogKind::Color:
            return QStringLiteral("color");
    }
    return QStringLiteral("?");
}

void ScriptedDialogs::answer(DialogAnswer answer) {
    script_.enqueue(answer);
}

void ScriptedDialogs::acknowledge(int count) {
    for (int i = 0; i < count; ++i) {
        script_.enqueue(DialogAnswer::Ok);
    }
}

void ScriptedDialogs::typeInput(const QString& text) {
    script_.enqueue(InputAnswer{text});
}

void ScriptedDialogs::cancelInput() {
    script_.enqueue(InputAnswer{std::nullopt});
}

void ScriptedDialogs::chooseColorAnswer(const QColor& color) {
    script_.enqueue(ColorAnswer{color});
}

void ScriptedDialogs::cancelColor() {
    script_.enqueue(ColorAnswer{std::nullopt});
}

QStringList ScriptedDialogs::texts() const {
    QStringList result;
    for (const RecordedBox& box : boxes_) {
        result.append(box.text);
    }
    return result;
}

void ScriptedDialogs::record(DialogKind kind, const QString& caption, const QString& text) {
    boxes_.append({kind, caption, text});
    if (log_) {
        log_->add(dialogKindName(kind) + QStringLiteral(": ") + text);
    }
    if (observer_) {
        observer_(boxes_.last());
    }
}

std::optional<ScriptedDialogs::Entry> ScriptedDialogs::next(const QString& text) {
    if (script_.isEmpty()) {
        ADD_FAILURE() << "a box that was not scripted: " << text.toStdString();
        return std::nullopt;
    }
    return script_.dequeue();
}

void ScriptedDialogs::showBox(DialogKind kind, const QString& caption, const QString& text) {
    record(kind, caption, text);
    const auto entry = next(text);
    if (entry && !(std::holds_alternative<DialogAnswer>(*entry) &&
                   std::get<DialogAnswer>(*entry) == DialogAnswer::Ok)) {
        ADD_FAILURE() << "a box with one OK button was scripted another answer: "
                      << text.toStdString();
    }
}

DialogAnswer ScriptedDialogs::ask(DialogKind kind, const QString& caption, const QString& text) {
    record(kind, caption, text);
    const auto entry = next(text);
    if (!entry) {
        return DialogAnswer::Closed;
    }
    if (!std::holds_alternative<DialogAnswer>(*entry) ||
        std::get<DialogAnswer>(*entry) == DialogAnswer::Ok) {
        ADD_FAILURE() << "a question was scripted no answer to it: " << text.toStdString();
        return DialogAnswer::Closed;
    }
    return std::get<DialogAnswer>(*entry);
}

QString ScriptedDialogs::inputBox(const QString& caption, const QString& prompt,
                                  const QString& defaultAnswer) {
    record(DialogKind::Input, caption, prompt);
    const auto entry = next(prompt);
    if (!entry || !std::holds_alternative<InputAnswer>(*entry)) {
        if (entry) {
            ADD_FAILURE() << "an input box was scripted another answer: " << prompt.toStdString();
        }
        return defaultAnswer;
    }
    return std::get<InputAnswer>(*entry).text.value_or(defaultAnswer);
}

std::optional<QColor> ScriptedDialogs::chooseColor(const QColor& initial) {
    record(DialogKind::Color, dialogCaption(DialogKind::Color), initial.name());
    const auto entry = next(QStringLiteral("colour dialog"));
    if (!entry || !std::holds_alternative<ColorAnswer>(*entry)) {
        if (entry) {
            ADD_FAILURE() << "a colour dialog was scripted another answer";
        }
        return std::nullopt;
    }
    return std::get<ColorAnswer>(*entry).color;
}
