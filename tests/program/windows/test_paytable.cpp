// The payment table window: the position code of the chosen item, the
// description as typed, and OK waiting for a new pick after each use.
#include "support/app_fixture.h"
#include "toolkit/tform.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>

namespace {

const QString kForm = QStringLiteral("tablepay");

}  // namespace

class PaymentTableWindow : public AppFixture {
protected:
    void SetUp() override {
        AppFixture::SetUp();
        startApplication();
        trigger("Tabeladepagamentos1");
        log.clear();
    }

    QComboBox* positions() const { return control<QComboBox>(kForm, "ComboBox1"); }
    QAbstractButton* ok() const { return control<QAbstractButton>(kForm, "Button2"); }
    // The operator picks an item of the list.
    void pick(int index) {
        positions()->setCurrentIndex(index);
        emit positions()->activated(index);
    }
};

TEST_F(PaymentTableWindow, Layout) {
    TForm* window = form(kForm);
    EXPECT_EQ(window->windowTitle(), "Pagamentos");
    EXPECT_EQ(window->border(), TForm::Border::SingleNoIcons);
    EXPECT_EQ(window->defaultButton(), control<QAbstractButton>(kForm, "Button1"));
    EXPECT_EQ(control<QLabel>(kForm, "Label1")->text(), "Posição:");
    EXPECT_EQ(control<QLabel>(kForm, "Label2")->text(), "Descrição do pagamento:");
    EXPECT_FALSE(positions()->isEditable());
    EXPECT_EQ(positions()->toolTip(), "Posição da forma de pagamento na tabela");
    ASSERT_EQ(positions()->count(), 21);
    for (int i = 0; i < 21; ++i) {
        EXPECT_EQ(positions()->itemText(i), QStringLiteral("Posição %1").arg(i, 2, 10, QChar('0')));
    }
    EXPECT_EQ(positions()->currentIndex(), -1);
    EXPECT_EQ(control<QLineEdit>(kForm, "Edit1")->text(), "Dinheiro");
    EXPECT_EQ(control<QLineEdit>(kForm, "Edit1")->maxLength(), 20);
    EXPECT_EQ(ok()->text(), "OK");
    EXPECT_EQ(control<QAbstractButton>(kForm, "Button1")->text(), "Cancela");
}

TEST_F(PaymentTableWindow, OkWaitsForAPositionBeforeTheFirstProgramming) {
    // No position code exists before a pick, so OK cannot be pressed.
    EXPECT_FALSE(ok()->isEnabled());
    pick(0);
    EXPECT_TRUE(ok()->isEnabled());
}

struct Position {
    int index;
    const char* code;
};

class EachPosition : public PaymentTableWindow, public ::testing::WithParamInterface<Position> {};

TEST_P(EachPosition, OkSendsTheTwoDigitCodeAndTheDescription) {
    pick(GetParam().index);
    click(kForm, "Button2");
    EXPECT_EQ(log.events(), QStringList{QStringLiteral("ecfPayPatterns(\"%1\", \"Dinheiro\")")
                                            .arg(QLatin1String(GetParam().code))});
    EXPECT_FALSE(ok()->isEnabled());
    EXPECT_TRUE(form(kForm)->isVisible());
}

INSTANTIATE_TEST_SUITE_P(Codes, EachPosition,
                         ::testing::Values(Position{0, "00"}, Position{7, "07"}, Position{9, "09"},
                                           Position{10, "10"}, Position{20, "20"}),
                         [](const auto& info) { return std::string(info.param.code); });

TEST_F(PaymentTableWindow, OkStaysDisabledAfterEachAttemptUntilTheNextPick) {
    driver.queueResults("ecfPayPatterns", {25, 0});
    pick(3);
    dialogs.acknowledge();
    click(kForm, "Button2");
    EXPECT_EQ(log.events(), (QStringList{"ecfPayPatterns(\"03\", \"Dinheiro\")",
                                         "message: Ocorreu o seguinte erro: 25"}));
    EXPECT_EQ(dialogs.boxes().last().caption, "WIN_ECF");
    EXPECT_FALSE(ok()->isEnabled());
    EXPECT_TRUE(form(kForm)->isVisible());

    // Picking the same position again allows one more try.
    pick(3);
    EXPECT_TRUE(ok()->isEnabled());
    log.clear();
    click(kForm, "Button2");
    EXPECT_EQ(log.events(), QStringList{"ecfPayPatterns(\"03\", \"Dinheiro\")"});
    EXPECT_FALSE(ok()->isEnabled());
}

TEST_F(PaymentTableWindow, DescriptionGoesAsTypedEmptyOrFull) {
    pick(1);
    setText(kForm, "Edit1", "");
    click(kForm, "Button2");
    pick(2);
    setText(kForm, "Edit1", "cartão de Crédito 12");
    click(kForm, "Button2");
    // The field takes no more than 20 characters.
    pick(4);
    control<QLineEdit>(kForm, "Edit1")->clear();
    control<QLineEdit>(kForm, "Edit1")->insert("Vale alimentação XYZW");
    click(kForm, "Button2");
    EXPECT_EQ(driver.calls(), (QStringList{"ecfPayPatterns(\"01\", \"\")",
                                           "ecfPayPatterns(\"02\", \"cartão de Crédito 12\")",
                                           "ecfPayPatterns(\"04\", \"Vale alimentação XYZ\")"}));
}

TEST_F(PaymentTableWindow, CancelaClosesAndShowingAgainKeepsEverything) {
    pick(20);
    setText(kForm, "Edit1", "Vale");
    click(kForm, "Button2");
    click(kForm, "Button1");
    EXPECT_FALSE(form(kForm)->isVisible());
    trigger("Tabeladepagamentos1");
    EXPECT_EQ(positions()->currentIndex(), 20);
    EXPECT_EQ(control<QLineEdit>(kForm, "Edit1")->text(), "Vale");
    EXPECT_FALSE(ok()->isEnabled());
}

TEST_F(PaymentTableWindow, EnterPressesCancela) {
    pick(5);
    pressEnter(kForm);
    EXPECT_FALSE(form(kForm)->isVisible());
    EXPECT_TRUE(driver.callsOf("ecfPayPatterns").isEmpty());
}
