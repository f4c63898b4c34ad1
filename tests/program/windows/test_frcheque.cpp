// The cheque window: the Kolvex question at every activation, the bank code
// from the chosen item, the date from today, and which of the three driver
// calls fills the cheque.
#include "support/app_fixture.h"
#include "toolkit/activation.h"
#include "toolkit/app_environment.h"
#include "toolkit/tform.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>

namespace {

const QString kForm = QStringLiteral("frmcheck");
const QString kQuestion = QStringLiteral("confirmation: Deseja preecher cheque na Kolvex?");

// The fixture's clock reads 7 March 2026.
const QString kTail = QStringLiteral("\"Digite aqui o nominal\", \"Campo Sereno\", ");

}  // namespace

class ChequeWindow : public AppFixture {
protected:
    void SetUp() override {
        AppFixture::SetUp();
        startApplication();
    }

    // "Cheques" from the main menu, answering the Kolvex question.
    void open(DialogAnswer kolvex) {
        dialogs.answer(kolvex);
        trigger("Cheques2");
        log.clear();
        driver.clearCalls();
        dialogs.clear();
    }
    QComboBox* banks() const { return control<QComboBox>(kForm, "ComboBox1"); }
    QCheckBox* version300() const { return control<QCheckBox>(kForm, "CheckBox1"); }
    void chooseBank(const QString& code) {
        const int index = banks()->findText(code, Qt::MatchStartsWith);
        ASSERT_GE(index, 0) << code.toStdString();
        banks()->setCurrentIndex(index);
    }
};

TEST_F(ChequeWindow, LayoutBeforeTheFirstShowing) {
    TForm* window = form(kForm);
    EXPECT_EQ(window->windowTitle(), "Preenchimento de cheques ");
    EXPECT_EQ(window->border(), TForm::Border::SingleNoIcons);
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(control<QLabel>(kForm, "Label1")->text(), "Banco:");
    EXPECT_EQ(control<QLabel>(kForm, "Label2")->text(), "Valor:");
    EXPECT_EQ(control<QLabel>(kForm, "Label3")->text(), "Nominal:");
    EXPECT_FALSE(banks()->isEditable());
    EXPECT_EQ(banks()->currentIndex(), -1);
    EXPECT_EQ(banks()->currentText(), "");
    EXPECT_EQ(control<QLineEdit>(kForm, "Edit1")->text(), "");
    EXPECT_EQ(control<QLineEdit>(kForm, "Edit2")->text(), "Digite aqui o nominal");
    EXPECT_EQ(control<QLineEdit>(kForm, "Edit2")->maxLength(), 65);
    EXPECT_EQ(version300()->text(), "Versão 3.00");
    EXPECT_FALSE(version300()->isChecked());
    EXPECT_EQ(control<QAbstractButton>(kForm, "Button1")->text(), "OK");
    EXPECT_EQ(control<QAbstractButton>(kForm, "Button2")->text(), "Cancela");
}

TEST_F(ChequeWindow, BankListHoldsTheSeventyTwoBanksInOrder) {
    ASSERT_EQ(banks()->count(), 72);
    EXPECT_EQ(banks()->itemText(0), "001 - Banco do Brasil S. A.");
    EXPECT_EQ(banks()->itemText(1), "003 - Banco da Amazônia");
    EXPECT_EQ(banks()->itemText(10), "033 - Banco do Estado de São Paulo S. A.");
    EXPECT_EQ(banks()->itemText(40), "347 - Banco Sudameris do Brasil");
    EXPECT_EQ(banks()->itemText(52), "409 - Banco UniBanco - União de Bancos Brasileiros S. A.");
    EXPECT_EQ(banks()->itemText(69), "947 - Modelo genérico usado pela VOLDRANE Eletrônica");
    EXPECT_EQ(banks()->itemText(71), "999 - Modelo genérico");
    // Every item is a three-digit code, " - " and a name, codes rising.
    int previous = 0;
    for (int i = 0; i < banks()->count(); ++i) {
        const QString item = banks()->itemText(i);
        bool digits = false;
        const int code = item.left(3).toInt(&digits);
        EXPECT_TRUE(digits) << item.toStdString();
        EXPECT_EQ(item.mid(3, 3), " - ") << item.toStdString();
        EXPECT_GT(code, previous) << item.toStdString();
        previous = code;
    }
}

TEST_F(ChequeWindow, EveryActivationAsksForTheKolvex) {
    dialogs.answer(DialogAnswer::Yes);
    trigger("Cheques2");
    EXPECT_EQ(log.events(), QStringList{kQuestion});
    EXPECT_TRUE(version300()->isEnabled());
    EXPECT_EQ(activeForm(), form(kForm));

    // Back from the main window: asked again; Não disables "Versão 3.00".
    dialogs.answer(DialogAnswer::No);
    ActivationTracker::instance().formClicked(form("frmMain"));
    log.clear();
    ActivationTracker::instance().formClicked(form(kForm));
    EXPECT_EQ(log.events(), QStringList{kQuestion});
    EXPECT_FALSE(version300()->isEnabled());
}

TEST_F(ChequeWindow, ResultMessageDoesNotAskAgain) {
    open(DialogAnswer::Yes);
    chooseBank("001");
    driver.setResult("ecfImpCheque", 2);
    dialogs.acknowledge();
    click(kForm, "Button1");
    EXPECT_EQ(log.events(),
              (QStringList{"ecfImpCheque(1, \"\", " + kTail + "\"070326\", \"Campo Especial\")",
                           "message: Ocorreu o seguinte erro: 2"}));
    EXPECT_TRUE(form(kForm)->isVisible());
}

struct ChequeCall {
    const char* name;
    DialogAnswer kolvex;
    bool version300;
    QStringList events;
};

class EachCall : public ChequeWindow, public ::testing::WithParamInterface<ChequeCall> {};

TEST_P(EachCall, OkSendsBankValueNominalCityDateAndExtraText) {
    const ChequeCall row = GetParam();
    if (row.version300 && row.kolvex == DialogAnswer::No) {
        // Ticked while the Kolvex was chosen, then the Kolvex declined.
        open(DialogAnswer::Yes);
        version300()->setChecked(true);
        form(kForm)->Close();
        open(DialogAnswer::No);
        ASSERT_FALSE(version300()->isEnabled());
    } else {
        open(row.kolvex);
        version300()->setChecked(row.version300);
    }
    chooseBank("033 - ");
    setText(kForm, "Edit1", "12345");
    if (row.version300 && row.kolvex == DialogAnswer::Yes) {
        dialogs.acknowledge();
    }
    log.clear();
    click(kForm, "Button1");
    EXPECT_EQ(log.events(), row.events);
    EXPECT_TRUE(form(kForm)->isVisible());
}

INSTANTIATE_TEST_SUITE_P(
    ThreeCalls, EachCall,
    ::testing::Values(
        ChequeCall{"Kolvex",
                   DialogAnswer::Yes,
                   false,
                   {"ecfImpCheque(33, \"12345\", " + kTail + "\"070326\", \"Campo Especial\")"}},
        ChequeCall{"Kolvex300",
                   DialogAnswer::Yes,
                   true,
                   {"message: 07032026", "ecfChequeKolvex300(33, \"12345\", " + kTail +
                                             "\"07032026\", \"Campo Especial\", \"REAL\", "
                                             "\"REAIS\")"}},
        ChequeCall{
            "Marvik",
            DialogAnswer::No,
            false,
            {"ecfImpChequeMarvik(33, \"12345\", " + kTail + "\"070326\", \"Campo Especial\")"}},
        ChequeCall{
            "MarvikWithVersion300Ticked",
            DialogAnswer::No,
            true,
            {"ecfImpChequeMarvik(33, \"12345\", " + kTail + "\"070326\", \"Campo Especial\")"}}),
    [](const auto& info) { return std::string(info.param.name); });

struct BankCode {
    const char* prefix;
    int code;
};

class EachBankCode : public ChequeWindow, public ::testing::WithParamInterface<BankCode> {};

TEST_P(EachBankCode, IsSentAsAnInteger) {
    open(DialogAnswer::No);
    chooseBank(GetParam().prefix);
    click(kForm, "Button1");
    ASSERT_EQ(driver.calls().size(), 1);
    EXPECT_TRUE(driver.calls().first().startsWith(
        QStringLiteral("ecfImpChequeMarvik(%1, ").arg(GetParam().code)))
        << driver.calls().first().toStdString();
}

INSTANTIATE_TEST_SUITE_P(Codes, EachBankCode,
                         ::testing::Values(BankCode{"001", 1}, BankCode{"070", 70},
                                           BankCode{"104", 104}, BankCode{"947", 947},
                                           BankCode{"999", 999}),
                         [](const auto& info) { return std::string(info.param.prefix); });

TEST_F(ChequeWindow, ValueAndNominalGoAsTyped) {
    open(DialogAnswer::Yes);
    chooseBank("341");
    setText(kForm, "Edit1", " 10,50 ");
    setText(kForm, "Edit2", "José da Conceição");
    click(kForm, "Button1");
    EXPECT_EQ(driver.calls(),
              QStringList{"ecfImpCheque(341, \" 10,50 \", \"José da Conceição\", \"Campo "
                          "Sereno\", \"070326\", \"Campo Especial\")"});
}

TEST_F(ChequeWindow, DateFollowsTheClockWithLeadingZeros) {
    setClock([] { return QDateTime(QDate(2009, 1, 2), QTime(23, 59, 59)); });
    open(DialogAnswer::Yes);
    chooseBank("001");
    click(kForm, "Button1");
    version300()->setChecked(true);
    dialogs.acknowledge();
    click(kForm, "Button1");
    EXPECT_EQ(driver.calls(),
              (QStringList{"ecfImpCheque(1, \"\", " + kTail + "\"020109\", \"Campo Especial\")",
                           "ecfChequeKolvex300(1, \"\", " + kTail +
                               "\"02012009\", \"Campo Especial\", \"REAL\", \"REAIS\")"}));
    EXPECT_EQ(dialogs.texts(), QStringList{"02012009"});
}

TEST_F(ChequeWindow, NoBankChosenIsAConversionErrorAndSendsNothing) {
    open(DialogAnswer::Yes);
    version300()->setChecked(true);
    dialogs.acknowledge();
    click(kForm, "Button1");
    // The bank comes first, so not even the date is shown.
    EXPECT_EQ(log.events(), QStringList{"exception: '' is not a valid integer value"});
    EXPECT_TRUE(form(kForm)->isVisible());
}

TEST_F(ChequeWindow, QuestionClosedWithoutAnswerKeepsTheLastChoice) {
    open(DialogAnswer::Yes);
    form(kForm)->Close();
    open(DialogAnswer::Closed);
    EXPECT_TRUE(version300()->isEnabled());
    chooseBank("001");
    click(kForm, "Button1");
    EXPECT_TRUE(driver.calls().first().startsWith("ecfImpCheque(1, "))
        << driver.calls().first().toStdString();
}

TEST_F(ChequeWindow, FirstQuestionClosedFillsOnTheMarvik) {
    open(DialogAnswer::Closed);
    chooseBank("001");
    click(kForm, "Button1");
    EXPECT_TRUE(driver.calls().first().startsWith("ecfImpChequeMarvik(1, "))
        << driver.calls().first().toStdString();
}

TEST_F(ChequeWindow, CancelaClosesAndTheFieldsStay) {
    open(DialogAnswer::No);
    chooseBank("237");
    setText(kForm, "Edit1", "500");
    click(kForm, "Button2");
    EXPECT_EQ(log.events(), QStringList{"ecfStatusImp()"});
    EXPECT_FALSE(form(kForm)->isVisible());
    open(DialogAnswer::No);
    EXPECT_EQ(banks()->currentText(), "237 - Banco Brasileiro de Desconto S. A.");
    EXPECT_EQ(control<QLineEdit>(kForm, "Edit1")->text(), "500");
}
