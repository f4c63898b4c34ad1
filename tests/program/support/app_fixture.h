// The fixture of window tests: the real windows, created by the real
// start-up, over a recording driver and scripted dialogs.
#pragma once

#include "support/event_log.h"
#include "support/qt_printers.h"
#include "support/recording_driver.h"
#include "support/scripted_dialogs.h"
#include "toolkit/dialogs.h"

#include <gtest/gtest.h>
#include <QAbstractButton>
#include <QAction>
#include <QWidget>

class TForm;

// How the operator answers the two start-up questions.
struct StartupAnswers {
    DialogAnswer changeToCom2 = DialogAnswer::No;  // "... Deseja mudar?"
    DialogAnswer model30 = DialogAnswer::Yes;      // "A impressora é modelo 3.0 ?"
};

class AppFixture : public ::testing::Test {
protected:
    AppFixture();
    void SetUp() override;
    void TearDown() override;

    // Runs the start-up with the given answers, then clears the records so
    // that the test sees only what it does itself.
    void startApplication(StartupAnswers answers = {});

    TForm* form(const QString& name) const;
    template <typename Control = QWidget>
    Control* control(const QString& formName, const QString& controlName) const {
        auto* found = findControl(formName, controlName);
        auto* typed = qobject_cast<Control*>(found);
        EXPECT_NE(typed, nullptr) << controlName.toStdString() << " in " << formName.toStdString();
        return typed;
    }
    QAction* menuItem(const QString& name) const;

    // What the operator does.
    void trigger(const QString& menuItemName);
    void click(const QString& formName, const QString& buttonName);
    void setText(const QString& formName, const QString& editName, const QString& text);
    // Enter pressed in a form, where its focused control does not take it.
    void pressEnter(const QString& formName);

    TForm* activeForm() const;

    EventLog log;
    RecordingDriver driver{&log};
    ScriptedDialogs dialogs{&log};

private:
    QObject* findControl(const QString& formName, const QString& controlName) const;
};
