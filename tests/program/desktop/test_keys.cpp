// The keyboard on a real desktop: Enter in every window, the colour dialog
// answered by keys, and characters the printer's code page lacks typed into
// an edit.
#include "desktop/desktop_fixture.h"
#include "toolkit/form_registry.h"
#include "toolkit/tform.h"

#include <QAbstractSlider>
#include <QApplication>
#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

namespace {

// Gives the control the keyboard focus and waits until the X server has the
// window holding the keyboard.
::testing::AssertionResult focusOn(QWidget* control) {
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 5000) {
        control->setFocus(Qt::TabFocusReason);
        if (QApplication::focusWidget() == control &&
            desktopState().active == control->window()->winId()) {
            return ::testing::AssertionSuccess();
        }
        waitFor(30);
    }
    return ::testing::AssertionFailure()
           << control->objectName().toStdString() << " never got the keyboard";
}

// Enter through the X server, then time for it to arrive.
void enterThroughX() {
    sendKeys({QStringLiteral("Return")});
    waitFor(150);
}

// Boxes answered at once and left unseen, for the windows shown one after
// another only to be given Enter.
class QuietDialogs final : public Dialogs {
public:
    void showBox(DialogKind, const QString&, const QString&) override {}
    DialogAnswer ask(DialogKind, const QString&, const QString&) override {
        return DialogAnswer::Closed;
    }
    QString inputBox(const QString&, const QString&, const QString& defaultAnswer) override {
        return defaultAnswer;
    }
    std::optional<QColor> chooseColor(const QColor&) override { return std::nullopt; }
};

}  // namespace

class DesktopKeys : public DesktopFixture {};

TEST_F(DesktopKeys, EnterSendsFromTheChoicesOfTheAdjustmentWindows) {
    startOnDesktop();

    trigger(QStringLiteral("Alteraodesubtotal1"));
    auto* surcharge = control<QRadioButton>("frmadsub", "RadioGroup1Item1");
    surcharge->setChecked(true);
    auto* cancel = control<QCheckBox>("frmadsub", "CheckBox1");
    log.clear();
    ASSERT_TRUE(focusOn(control<QRadioButton>("frmadsub", "RadioGroup1Item0")));
    enterThroughX();
    ASSERT_TRUE(focusOn(cancel));
    enterThroughX();
    EXPECT_TRUE(surcharge->isChecked());
    EXPECT_FALSE(cancel->isChecked());
    EXPECT_EQ(
        driver.calls(),
        (QStringList{"ecfCancAcresDescSubTotal(0, 0, \"01234567890123456789012\", \"Edit1\")",
                     "ecfCancAcresDescSubTotal(0, 0, \"01234567890123456789012\", \"Edit1\")"}));

    trigger(QStringLiteral("Descontodeitem1"));
    control<QRadioButton>("cancitm", "RadioGroup1Item1")->setChecked(true);  // Cancelar desconto
    driver.clearCalls();
    ASSERT_TRUE(focusOn(control<QRadioButton>("cancitm", "RadioGroup1Item0")));
    enterThroughX();
    EXPECT_TRUE(control<QRadioButton>("cancitm", "RadioGroup1Item1")->isChecked());
    EXPECT_EQ(driver.calls(),
              QStringList{"ecfDescItem(1, \"Texto descrevendo o desconto no item\", \"\")"});

    trigger(QStringLiteral("Cancelaritens1"));
    driver.clearCalls();
    ASSERT_TRUE(focusOn(control<QRadioButton>("descitm", "RadioGroup1Item1")));
    enterThroughX();
    EXPECT_TRUE(control<QRadioButton>("descitm", "RadioGroup1Item0")->isChecked());
    ASSERT_FALSE(driver.calls().isEmpty());
    EXPECT_EQ(driver.calls().first(), "ecfCancItem(\"Texto descrevendo o desconto no item\")");
    EXPECT_FALSE(form(QStringLiteral("descitm"))->isVisible());
}

// Every window with a default button: Enter on each of its radio buttons,
// check boxes, edits, lists and track bars presses the default button and
// changes nothing else; on a push button it presses that button. The buttons'
// handlers are replaced by counters, so that only the keys are under test.
TEST_F(DesktopKeys, EnterInEveryWindowPressesItsDefaultOrItsFocusedPushButton) {
    startOnDesktop();
    QuietDialogs quiet;
    setDialogs(&quiet);
    int windows = 0;
    for (TForm* window : FormRegistry::instance().forms()) {
        QAbstractButton* byDefault = window->defaultButton();
        if (!byDefault) {
            continue;
        }
        SCOPED_TRACE(window->objectName().toStdString());
        window->Show();
        if (!window->isVisible()) {
            continue;  // a window that closed itself at its activation
        }
        QHash<QAbstractButton*, int> presses;
        for (auto* button : window->findChildren<QPushButton*>()) {
            QObject::disconnect(button, &QAbstractButton::clicked, nullptr, nullptr);
            QObject::connect(button, &QAbstractButton::clicked,
                             [&presses, button] { ++presses[button]; });
        }
        int checked = 0;
        for (QWidget* control : window->findChildren<QWidget*>()) {
            const bool takesFocus = control->isVisible() && control->isEnabled() &&
                                    (control->focusPolicy() & Qt::TabFocus);
            auto* push = qobject_cast<QPushButton*>(control);
            const bool other =
                qobject_cast<QRadioButton*>(control) || qobject_cast<QCheckBox*>(control) ||
                (qobject_cast<QLineEdit*>(control) &&
                 !qobject_cast<QComboBox*>(control->parentWidget())) ||
                qobject_cast<QComboBox*>(control) || qobject_cast<QAbstractSlider*>(control);
            if (!takesFocus || (!push && !other)) {
                continue;
            }
            if (!push && (!byDefault->isVisible() || !byDefault->isEnabled())) {
                continue;  // no default button to press just now
            }
            SCOPED_TRACE(control->objectName().toStdString());
            auto* box = qobject_cast<QAbstractButton*>(control);
            const bool wasChecked = box && box->isChecked();
            auto* combo = qobject_cast<QComboBox*>(control);
            const int entries = combo ? combo->count() : 0;
            presses.clear();
            ASSERT_TRUE(focusOn(control));
            enterThroughX();
            QAbstractButton* expected = push ? push : byDefault;
            EXPECT_EQ(presses.value(expected), 1);
            EXPECT_EQ(presses.size(), 1);
            if (box && !push) {
                EXPECT_EQ(box->isChecked(), wasChecked);
            }
            if (combo) {
                EXPECT_EQ(combo->count(), entries);
            }
            ++checked;
        }
        EXPECT_GT(checked, 0);
        ++windows;
        if (!window->isMainForm()) {
            window->hide();
        }
    }
    EXPECT_GE(windows, 15);
    setDialogs(&desktopDialogs);
}

TEST_F(DesktopKeys, ColourDialogCancelledChangesNothingConfirmedApplies) {
    startOnDesktop();
    TForm* main = form(QStringLiteral("frmMain"));
    QWidget* area = main->centralWidget();
    const QColor before = area->palette().color(QPalette::Window);

    desktopDialogs.plan(QStringLiteral("Escape"));
    trigger(QStringLiteral("Fundodoaplicativo1"));
    EXPECT_EQ(area->palette().color(QPalette::Window), before);
    ASSERT_TRUE(staysInFront(main));

    desktopDialogs.plan(QStringLiteral("Return"), [](QWidget* box) {
        auto* dialog = qobject_cast<QColorDialog*>(box);
        ASSERT_NE(dialog, nullptr);
        dialog->setCurrentColor(Qt::red);
    });
    trigger(QStringLiteral("Fundodoaplicativo1"));
    EXPECT_EQ(area->palette().color(QPalette::Window), QColor(Qt::red));
    ASSERT_TRUE(staysInFront(main));

    desktopDialogs.plan(QStringLiteral("Escape"));
    trigger(QStringLiteral("Fundodatela1"));
    desktopDialogs.plan(QStringLiteral("Return"));
    trigger(QStringLiteral("Letrasdopainel1"));
    EXPECT_EQ(area->palette().color(QPalette::Window), QColor(Qt::red));
    EXPECT_EQ(desktopDialogs.seen(), (QStringList{"color: #000000", "color: #000000",
                                                  "color: #ff0000", "color: #ff0000"}));
    ASSERT_TRUE(staysInFront(main));
}

TEST_F(DesktopKeys, CharactersThePrinterLacksAreRefusedAtTheKeyboard) {
    startOnDesktop();
    trigger(QStringLiteral("Descontodeitem1"));
    auto* edit = control<QLineEdit>("cancitm", "Edit1");
    edit->clear();
    ASSERT_TRUE(focusOn(edit));
    // Letters of the keyboard's map go through the X server; the others (which
    // the virtual server's keyboard has no keys for) reach the widget that
    // holds the keyboard as the input method would deliver them.
    const QStringList keys = {QStringLiteral("C"), QStringLiteral("a"),
                              QStringLiteral("f"), QStringLiteral("é"),
                              QStringLiteral(" "), QStringLiteral("\U0001F600"),
                              QStringLiteral(" "), QStringLiteral("中"),
                              QStringLiteral(" "), QStringLiteral("€")};
    for (const QString& key : keys) {
        if (key.at(0).unicode() < 0x80) {
            typeText(key);
            waitFor(50);
        } else {
            QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, key);
            QApplication::sendEvent(QApplication::focusWidget(), &press);
        }
    }
    waitFor(200);
    EXPECT_EQ(edit->text(), QStringLiteral("Café   €"));
    log.clear();
    enterThroughX();
    EXPECT_EQ(log.events(), QStringList{"ecfDescItem(0, \"Café   €\", \"\")"});
}

TEST_F(DesktopKeys, TheInputBoxRefusesCharactersThePrinterLacksToo) {
    startOnDesktop();
    driver.setReply("ecfStatusUser", "Erro: 002 Valor fora da faixa");
    QString typed;
    desktopDialogs.plan(QStringLiteral("Return"), [&typed](QWidget* box) {
        auto* edit = box->findChild<QLineEdit*>();
        ASSERT_NE(edit, nullptr);
        ASSERT_EQ(QApplication::focusWidget(), edit);
        edit->end(false);
        for (const QString& key : {QStringLiteral("中"), QStringLiteral("2")}) {
            QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, key);
            QApplication::sendEvent(edit, &press);
        }
        typed = edit->text();
    });
    desktopDialogs.plan(QStringLiteral("Return"));  // the printer's refusal
    trigger(QStringLiteral("Dadossobreousurio1"));
    EXPECT_EQ(typed, QStringLiteral("12"));
    EXPECT_EQ(driver.callsOf("ecfStatusUser"), QStringList{"ecfStatusUser(12)"});
}
