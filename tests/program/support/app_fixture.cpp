#include "support/app_fixture.h"

#include "driver/fiscal_driver.h"
#include "meu_proj/bench_windows.h"
#include "toolkit/activation.h"
#include "toolkit/app_environment.h"
#include "toolkit/form_registry.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTextEdit>

AppFixture::AppFixture() = default;

void AppFixture::SetUp() {
    setFiscalDriver(&driver);
    setDialogs(&dialogs);
    setClock([] { return QDateTime(QDate(2026, 3, 7), QTime(14, 5, 9)); });
}

void AppFixture::TearDown() {
    EXPECT_EQ(dialogs.unusedAnswers(), 0) << "scripted answers left unused";
    destroyApplicationForms();
    setClock({});
}

void AppFixture::startApplication(StartupAnswers answers) {
    dialogs.answer(answers.changeToCom2);
    dialogs.answer(answers.model30);
    createApplicationForms();
    log.clear();
    driver.clearCalls();
    dialogs.clear();
}

TForm* AppFixture::form(const QString& name) const {
    TForm* found = FormRegistry::instance().find(name);
    EXPECT_NE(found, nullptr) << "form " << name.toStdString();
    return found;
}

QObject* AppFixture::findControl(const QString& formName, const QString& controlName) const {
    TForm* owner = form(formName);
    return owner ? owner->findChild<QObject*>(controlName) : nullptr;
}

QAction* AppFixture::menuItem(const QString& name) const {
    TForm* main = FormRegistry::instance().find(QStringLiteral("frmMain"));
    QAction* action = main ? main->findChild<QAction*>(name) : nullptr;
    EXPECT_NE(action, nullptr) << "menu item " << name.toStdString();
    return action;
}

void AppFixture::trigger(const QString& menuItemName) {
    if (QAction* action = menuItem(menuItemName)) {
        EXPECT_TRUE(action->isEnabled()) << menuItemName.toStdString() << " is disabled";
        action->trigger();
    }
}

void AppFixture::click(const QString& formName, const QString& buttonName) {
    if (auto* button = control<QAbstractButton>(formName, buttonName)) {
        EXPECT_TRUE(button->isEnabled()) << buttonName.toStdString() << " is disabled";
        button->click();
    }
}

void AppFixture::setText(const QString& formName, const QString& editName, const QString& text) {
    QObject* found = findControl(formName, editName);
    if (auto* edit = qobject_cast<QLineEdit*>(found)) {
        edit->setText(text);
    } else if (auto* textEdit = qobject_cast<QTextEdit*>(found)) {
        textEdit->setPlainText(text);
    } else {
        ADD_FAILURE() << "no text control " << editName.toStdString();
    }
}

void AppFixture::pressEnter(const QString& formName) {
    if (TForm* target = form(formName)) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
        QApplication::sendEvent(target, &press);
    }
}

TForm* AppFixture::activeForm() const {
    return ActivationTracker::instance().activeForm();
}
