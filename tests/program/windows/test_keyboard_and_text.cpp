// Enter as the operator presses it on a focused control, and the edits that
// take only what the printer's code page has.
#include "support/app_fixture.h"
#include "toolkit/form_registry.h"
#include "toolkit/printer_text.h"
#include "toolkit/tform.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

namespace {

QString adjustment(int kind, int cancel, const QString& description, const QString& amount) {
    return QStringLiteral("ecfCancAcresDescSubTotal(%1, %2, \"%3\", \"%4\")")
        .arg(kind)
        .arg(cancel)
        .arg(description, amount);
}

QString discount(int operation, const QString& description, const QString& value) {
    return QStringLiteral("ecfDescItem(%1, \"%2\", \"%3\")").arg(operation).arg(description, value);
}

// Gives the control the keyboard focus, as the operator's Tab would.
void focus(QWidget* control) {
    control->window()->activateWindow();
    control->setFocus(Qt::TabFocusReason);
    for (int i = 0; i < 20 && QApplication::focusWidget() != control; ++i) {
        QApplication::processEvents();
        control->setFocus(Qt::TabFocusReason);
    }
    ASSERT_EQ(QApplication::focusWidget(), control) << control->objectName().toStdString();
}

// Enter pressed while the control has the focus: the key goes to it first,
// and on to its window when it leaves it.
void pressEnterOn(QWidget* control) {
    focus(control);
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(control, &press);
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(control, &release);
}

// A key typed into the focused edit, with the text the keyboard gives it.
void type(QLineEdit* edit, const QString& text) {
    focus(edit);
    QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, text);
    QApplication::sendEvent(edit, &press);
}

}  // namespace

class EnterKey : public AppFixture {
protected:
    void SetUp() override {
        AppFixture::SetUp();
        startApplication();
    }
};

TEST_F(EnterKey, AFocusedRadioButtonLeavesEnterToOk) {
    trigger("Alteraodesubtotal1");
    click("frmadsub", "RadioGroup1Item1");
    log.clear();
    pressEnterOn(control<QRadioButton>("frmadsub", "RadioGroup1Item0"));
    EXPECT_TRUE(control<QRadioButton>("frmadsub", "RadioGroup1Item1")->isChecked());
    EXPECT_EQ(log.events(), QStringList{adjustment(0, 0, "01234567890123456789012", "Edit1")});

    trigger("Descontodeitem1");
    setText("cancitm", "Edit1", "Promoção");
    click("cancitm", "RadioGroup1Item1");  // "Cancelar desconto"
    log.clear();
    pressEnterOn(control<QRadioButton>("cancitm", "RadioGroup1Item0"));
    EXPECT_TRUE(control<QRadioButton>("cancitm", "RadioGroup1Item1")->isChecked());
    EXPECT_EQ(log.events(), QStringList{discount(1, "Promoção", "")});

    trigger("Cancelaritens1");
    setText("descitm", "Edit1", "Errado");
    setText("descitm", "Edit2", "3");
    click("descitm", "RadioGroup1Item1");  // "Item específico"
    driver.clearCalls();
    pressEnterOn(control<QRadioButton>("descitm", "RadioGroup1Item0"));
    EXPECT_TRUE(control<QRadioButton>("descitm", "RadioGroup1Item1")->isChecked());
    ASSERT_FALSE(driver.calls().isEmpty());
    EXPECT_EQ(driver.calls().first(), "ecfCancItemDef(\"3\", \"Errado\")");
    EXPECT_FALSE(form("descitm")->isVisible());
}

TEST_F(EnterKey, AFocusedCheckBoxKeepsWhatTheOperatorSees) {
    trigger("Alteraodesubtotal1");
    auto* cancel = control<QCheckBox>("frmadsub", "CheckBox1");
    log.clear();
    pressEnterOn(cancel);
    EXPECT_FALSE(cancel->isChecked());

    cancel->setChecked(true);
    pressEnterOn(cancel);
    EXPECT_TRUE(cancel->isChecked());
    EXPECT_EQ(log.events(), (QStringList{adjustment(1, 0, "01234567890123456789012", "Edit1"),
                                         adjustment(1, 1, "01234567890123456789012", "Edit1")}));
}

TEST_F(EnterKey, AFocusedEditLeavesEnterToOk) {
    trigger("Descontodeitem1");
    setText("cancitm", "Edit2", "5");
    log.clear();
    pressEnterOn(control<QLineEdit>("cancitm", "Edit2"));
    EXPECT_EQ(log.events(), QStringList{discount(0, "Texto descrevendo o desconto no item", "5")});
}

TEST_F(EnterKey, TheKeypadEnterIsEnterAndShiftEnterIsNot) {
    trigger("Descontodeitem1");
    auto* value = control<QLineEdit>("cancitm", "Edit2");
    focus(value);
    log.clear();
    QKeyEvent keypad(QEvent::KeyPress, Qt::Key_Enter, Qt::KeypadModifier);
    QApplication::sendEvent(value, &keypad);
    QKeyEvent shifted(QEvent::KeyPress, Qt::Key_Return, Qt::ShiftModifier);
    QApplication::sendEvent(value, &shifted);
    EXPECT_EQ(log.events(), QStringList{discount(0, "Texto descrevendo o desconto no item", "")});
}

TEST_F(EnterKey, AFocusedPushButtonTakesEnterItself) {
    trigger("Alteraodesubtotal1");
    log.clear();
    pressEnterOn(control<QPushButton>("frmadsub", "BitBtn2"));  // "Cancela"
    EXPECT_FALSE(form("frmadsub")->isVisible());
    EXPECT_EQ(driver.calls(), QStringList{"ecfStatusImp()"});
}

class PrinterTextEdits : public AppFixture {
protected:
    void SetUp() override {
        AppFixture::SetUp();
        startApplication();
        trigger("Descontodeitem1");
        edit = control<QLineEdit>("cancitm", "Edit1");
        edit->clear();
        auto* validator = qobject_cast<const PrinterTextValidator*>(edit->validator());
        ASSERT_NE(validator, nullptr);
        QObject::connect(validator, &PrinterTextValidator::refused, [this] { ++refusals; });
        log.clear();
    }

    QLineEdit* edit = nullptr;
    int refusals = 0;
};

TEST_F(PrinterTextEdits, EveryEditOfEveryWindowIsRestricted) {
    int edits = 0;
    for (TForm* window : FormRegistry::instance().forms()) {
        for (QLineEdit* each : window->findChildren<QLineEdit*>()) {
            ++edits;
            EXPECT_NE(each->validator(), nullptr)
                << window->objectName().toStdString() << "." << each->objectName().toStdString();
        }
    }
    EXPECT_GT(edits, 20);
}

TEST_F(PrinterTextEdits, KeysOutsideTheCodePageAreRefusedWithABeep) {
    for (const QString& key :
         {QStringLiteral("C"), QStringLiteral("a"), QStringLiteral("f"), QStringLiteral("é"),
          QStringLiteral(" "), QStringLiteral("\U0001F600"), QStringLiteral("中"),
          QStringLiteral("€"), QStringLiteral("Ł")}) {
        type(edit, key);
    }
    EXPECT_EQ(edit->text(), "Café €");
    EXPECT_EQ(refusals, 3);
}

TEST_F(PrinterTextEdits, APasteWithAForeignCharacterIsRefusedWhole) {
    edit->setText(QStringLiteral("Preço "));
    focus(edit);
    QApplication::clipboard()->setText(QStringLiteral("Café 😀 中文"));
    edit->paste();
    EXPECT_EQ(edit->text(), "Preço ");
    EXPECT_EQ(refusals, 1);
    QApplication::clipboard()->setText(QStringLiteral("Café – “ok”"));
    edit->paste();
    EXPECT_EQ(edit->text(), "Preço Café – “ok”");
    EXPECT_EQ(refusals, 1);
}

TEST_F(PrinterTextEdits, CombiningAccentsAreComposed) {
    focus(edit);
    edit->insert(QStringLiteral("Cafe\u0301 a\u0303o"));
    EXPECT_EQ(edit->text(), QStringLiteral("Café ão"));
    EXPECT_EQ(edit->cursorPosition(), 7);
    edit->setCursorPosition(1);
    edit->insert(QStringLiteral("e\u0302"));
    EXPECT_EQ(edit->text(), QStringLiteral("Cêafé ão"));
    EXPECT_EQ(edit->cursorPosition(), 2);
    // A combining mark with no letter of the code page to join is refused.
    edit->insert(QStringLiteral("q\u0301"));
    EXPECT_EQ(edit->text(), QStringLiteral("Cêafé ão"));
    EXPECT_EQ(refusals, 1);

    click("cancitm", "Button1");
    EXPECT_EQ(log.events(), QStringList{discount(0, "Cêafé ão", "")});
}

TEST_F(PrinterTextEdits, ATextThePrinterCannotTakeIsNeverSent) {
    // Only the program itself can put such a text in an edit.
    dialogs.acknowledge(2);
    edit->setText(QStringLiteral("Caf\u00E9 \u4E2D"));
    click("cancitm", "Button1");
    edit->setText(QStringLiteral("Nulo\u0000aqui"));
    click("cancitm", "Button1");
    EXPECT_TRUE(driver.calls().isEmpty());
    ASSERT_EQ(dialogs.boxes().size(), 2);
    EXPECT_EQ(dialogs.boxes()[0].kind, DialogKind::Exception);
    EXPECT_EQ(dialogs.boxes()[0].text,
              QStringLiteral("O texto \"Café 中\" tem caracteres que a impressora não tem; nada "
                             "foi enviado à impressora."));
}
