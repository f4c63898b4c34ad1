// The payment window: the subtotal read at activation, one payment per OK in
// either printer generation, the running remainder that closes the window,
// and the commercial lines sent after a successful payment.
#include "payment/payment.h"
#include "support/app_fixture.h"
#include "support/working_directory.h"
#include "toolkit/tform.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QSlider>
#include <QTemporaryDir>

namespace {

// A coupon status reply whose subtotal field (characters 26 to 46) is the
// given 21 characters.
QByteArray couponStatusWithSubtotal(const QByteArray& field) {
    EXPECT_EQ(field.size(), 21);
    return QByteArray("0001") + "1" + "000123" + "134500" + "07122026" + field +
           QByteArray(16, ' ') + "10,00";
}

const QByteArray kSubtotal1234_56 = "   1.234,56" + QByteArray(10, ' ');
const QString kLinesQuestion = QStringLiteral(
    "Não existem linhas comerciais cadastradas em seu disco. Você gostaria de cadastrá-las agora?");

QString cashCall(const QString& word, const QString& amount, int lines = 0) {
    return QStringLiteral("ecfPagCancPag(0, \"%1\", \"%2\", 0, %3)").arg(word, amount).arg(lines);
}

QString termsCall(const QString& word, const QString& amount, int lines = 0) {
    return QStringLiteral("ecfPrazoCancPrazo(0, \"%1\", \"%2\", 0, %3)")
        .arg(word, amount)
        .arg(lines);
}

QString tableCall(const QString& position, const QString& amount, int lines = 0) {
    return QStringLiteral("ecfPagamento(0, \"%1\", \"%2\", %3)").arg(position, amount).arg(lines);
}

}  // namespace

// Each test runs in a working directory of its own, where "linescom.txt"
// is or is not.
class PaymentWindow : public AppFixture {
protected:
    void SetUp() override {
        AppFixture::SetUp();
        ASSERT_TRUE(directory_.isValid());
    }

    void startModel30() { startApplication({DialogAnswer::No, DialogAnswer::Yes}); }
    void startModel204() { startApplication({DialogAnswer::No, DialogAnswer::No}); }

    // Ctrl+P with the printer reporting this subtotal field.
    void showWithSubtotal(const QByteArray& field) {
        driver.setReply("ecfStatusCupom", couponStatusWithSubtotal(field));
        trigger("Pagamento1");
    }

    // The operator types an amount and presses OK; the window may show
    // boxes, which the test scripts beforehand.
    void pay(const QString& amount) {
        setText("frmtopay", "Edit1", amount);
        click("frmtopay", "BitBtn1");
    }

    void writeLinesFile(const QByteArray& bytes) {
        QFile file(QStringLiteral("linescom.txt"));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        ASSERT_EQ(file.write(bytes), bytes.size());
    }

    bool isOpen() const { return form("frmtopay")->isVisible(); }
    QComboBox* combo(const char* name) const { return control<QComboBox>("frmtopay", name); }
    QCheckBox* check(const char* name) const { return control<QCheckBox>("frmtopay", name); }

    TemporaryWorkingDirectory directory_;
};

TEST_F(PaymentWindow, LayoutCarriesTheControlsWithTheirDefaults) {
    startModel204();
    EXPECT_EQ(form("frmtopay")->windowTitle(), "Pagamento");
    EXPECT_EQ(control<QLabel>("frmtopay", "StaticText1")->text(), "000.000.000.000.000,00");
    EXPECT_TRUE(control<QLabel>("frmtopay", "StaticText1")->alignment() & Qt::AlignRight);
    EXPECT_EQ(control<QLineEdit>("frmtopay", "Edit1")->text(), "Valor sem vírgula");
    EXPECT_EQ(control<QLabel>("frmtopay", "Label3")->text(), "Condição de pagamento");
    EXPECT_EQ(combo("ComboBox1")->count(), 2);
    EXPECT_EQ(combo("ComboBox1")->itemText(1), "Pagamento à prazo");
    EXPECT_EQ(combo("ComboBox1")->currentText(), "Pagamento à vista");
    EXPECT_EQ(control<QLabel>("frmtopay", "Label4")->text(), "Forma de pagamento");
    QComboBox* types = combo("ComboBox2");
    ASSERT_EQ(types->count(), 22);
    EXPECT_EQ(types->itemText(0), "Posição 00");
    EXPECT_EQ(types->itemText(7), "Posição 07");
    EXPECT_EQ(types->itemText(20), "Posição 20");
    EXPECT_EQ(types->itemText(21), "");
    EXPECT_EQ(types->currentText(), "Dinheiro");
    EXPECT_EQ(check("CheckBox1")->text(), "Omitir condição no cupom");
    EXPECT_EQ(control<QLabel>("frmtopay", "Label7")->text(), "Linhas complementares");
    auto* lines = control<QSlider>("frmtopay", "TrackBar1");
    EXPECT_EQ(lines->minimum(), 0);
    EXPECT_EQ(lines->maximum(), 3);
    EXPECT_EQ(lines->value(), 0);
    EXPECT_EQ(check("CheckBox2")->text(), "Imprimir linhas comerciais");
    EXPECT_EQ(check("CheckBox3")->text(), "Cancela pagamento anterior");
    EXPECT_FALSE(check("CheckBox2")->isChecked());
    EXPECT_EQ(control<QAbstractButton>("frmtopay", "BitBtn1")->text(), "OK");
    EXPECT_EQ(control<QAbstractButton>("frmtopay", "BitBtn2")->text(), "Cancela");
    EXPECT_EQ(form("frmtopay")->defaultButton(), control<QAbstractButton>("frmtopay", "BitBtn1"));
}

TEST_F(PaymentWindow, ActivationShowsTheSubtotalFieldAndStartsBothListsAtTheirFirstItem) {
    startModel204();
    showWithSubtotal(kSubtotal1234_56);
    EXPECT_EQ(log.events(), QStringList{"ecfStatusCupom(&1)"});
    EXPECT_EQ(activeForm(), form("frmtopay"));
    EXPECT_EQ(control<QLabel>("frmtopay", "StaticText1")->text(), QString(kSubtotal1234_56));
    EXPECT_EQ(combo("ComboBox1")->currentText(), "Pagamento à vista");
    EXPECT_EQ(combo("ComboBox2")->currentText(), "Posição 00");
    EXPECT_EQ(control<QLineEdit>("frmtopay", "Edit1")->selectedText(), "Valor sem vírgula");
}

TEST_F(PaymentWindow, PrinterNotAnsweringClosesTheWindow) {
    startModel204();
    driver.setReply("ecfStatusCupom", "00Erro003");
    dialogs.acknowledge();
    trigger("Pagamento1");
    EXPECT_EQ(log.events(),
              (QStringList{"ecfStatusCupom(&1)", "message: A impressora não está respondendo.",
                           "ecfStatusImp()"}));
    EXPECT_FALSE(isOpen());
    EXPECT_EQ(activeForm(), form("frmMain"));
}

TEST_F(PaymentWindow, CashPaymentsCloseTheWindowOnceTheyCoverTheSubtotal) {
    startModel204();
    showWithSubtotal(kSubtotal1234_56);  // 123456 cents
    log.clear();
    pay("100000");
    EXPECT_EQ(log.events(), QStringList{cashCall("dinheiro", "100000")});
    EXPECT_TRUE(isOpen());

    log.clear();
    pay("23456");
    EXPECT_EQ(log.events(), (QStringList{cashCall("dinheiro", "23456"), "ecfStatusImp()"}));
    EXPECT_FALSE(isOpen());
}

struct SubtotalCase {
    const char* name;
    QByteArray field;
    qint64 cents;
};

void PrintTo(const SubtotalCase& subtotalCase, std::ostream* out) {
    *out << subtotalCase.name;
}

class SubtotalParsing : public PaymentWindow, public ::testing::WithParamInterface<SubtotalCase> {};

// One cent short keeps the window open; the last cent closes it. Each
// subtotal is a decimal fraction that binary arithmetic cannot hold exactly.
TEST_P(SubtotalParsing, LastCentClosesTheWindow) {
    startModel204();
    showWithSubtotal(GetParam().field);
    pay(QString::number(GetParam().cents - 1));
    EXPECT_TRUE(isOpen());
    pay("1");
    EXPECT_FALSE(isOpen());
    EXPECT_EQ(driver.callsOf("ecfPagCancPag"),
              (QStringList{cashCall("dinheiro", QString::number(GetParam().cents - 1)),
                           cashCall("dinheiro", "1")}));
}

INSTANTIATE_TEST_SUITE_P(
    Fields, SubtotalParsing,
    ::testing::Values(SubtotalCase{"LeadingSpacesAndThousands", kSubtotal1234_56, 123456},
                      SubtotalCase{"RightAligned", QByteArray(17, ' ') + "1,19", 119},
                      SubtotalCase{"ZeroFilledWithDots", "000.000.000.002,10   ", 210},
                      SubtotalCase{"EveryDotDropped", " 1.000.000.000.000,07", 100000000000007},
                      SubtotalCase{"WholeReais", QByteArray(19, ' ') + "42", 4200}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(PaymentWindow, AllBlankSubtotalIsZeroSoAnyPaymentCloses) {
    startModel204();
    showWithSubtotal(QByteArray(21, ' '));
    log.clear();
    pay("1");
    EXPECT_EQ(log.events(), (QStringList{cashCall("dinheiro", "1"), "ecfStatusImp()"}));
    EXPECT_FALSE(isOpen());
}

TEST_F(PaymentWindow, OnTermsOneAmountSettlesAgainstTheWholeSubtotal) {
    startModel204();
    showWithSubtotal(kSubtotal1234_56);
    pay("100000");
    ASSERT_TRUE(isOpen());

    // On terms the remainder is the subtotal less this amount alone: the
    // 23456 still due in cash do not settle it...
    combo("ComboBox1")->setCurrentIndex(1);
    log.clear();
    pay("23456");
    EXPECT_EQ(log.events(), QStringList{termsCall("dinheiro", "23456")});
    EXPECT_TRUE(isOpen());

    // ... the whole subtotal does, whatever was paid before.
    log.clear();
    pay("123456");
    EXPECT_EQ(log.events(), (QStringList{termsCall("dinheiro", "123456"), "ecfStatusImp()"}));
    EXPECT_FALSE(isOpen());
}

TEST_F(PaymentWindow, TableSettlesTheRemainderOnAModel30) {
    startModel30();
    showWithSubtotal(kSubtotal1234_56);
    EXPECT_FALSE(combo("ComboBox1")->isVisible());
    EXPECT_FALSE(check("CheckBox1")->isVisible());
    dialogs.acknowledge();
    log.clear();
    pay("100000");
    EXPECT_EQ(log.events(),
              (QStringList{"message: Posição na tabela: 00", tableCall("00", "100000")}));
    EXPECT_TRUE(isOpen());

    dialogs.acknowledge();
    log.clear();
    pay("23456");
    EXPECT_EQ(log.events(), (QStringList{"message: Posição na tabela: 00", tableCall("00", "23456"),
                                         "ecfStatusImp()"}));
    EXPECT_FALSE(isOpen());
}

struct PositionCase {
    int index;
    const char* position;
};

void PrintTo(const PositionCase& positionCase, std::ostream* out) {
    *out << positionCase.position;
}

class TablePosition : public PaymentWindow, public ::testing::WithParamInterface<PositionCase> {};

TEST_P(TablePosition, IsShownBeforeItIsSent) {
    startModel30();
    showWithSubtotal(kSubtotal1234_56);
    combo("ComboBox2")->setCurrentIndex(GetParam().index);
    control<QSlider>("frmtopay", "TrackBar1")->setValue(2);
    const QString position = QString::fromLatin1(GetParam().position);
    dialogs.acknowledge();
    log.clear();
    pay("500");
    EXPECT_EQ(log.events(), (QStringList{"message: Posição na tabela: " + position,
                                         tableCall(position, "500", 2)}));
    EXPECT_EQ(dialogs.boxes().first().caption, "WIN_ECF");
}

INSTANTIATE_TEST_SUITE_P(Positions, TablePosition,
                         ::testing::Values(PositionCase{0, "00"}, PositionCase{7, "07"},
                                           PositionCase{10, "10"}, PositionCase{20, "20"},
                                           PositionCase{21, "21"}),
                         [](const auto& info) { return std::string(info.param.position); });

TEST_F(PaymentWindow, TypedPaymentTypeIsNoTablePosition) {
    startModel30();
    showWithSubtotal(kSubtotal1234_56);
    combo("ComboBox2")->setEditText("Vale");
    dialogs.acknowledge();
    log.clear();
    pay("500");
    EXPECT_EQ(log.events(),
              (QStringList{"message: Posição na tabela: 0-1", tableCall("0-1", "500")}));
}

struct WordCase {
    int index;  // -1: the operator typed a name of his own
    const char* word;
};

void PrintTo(const WordCase& wordCase, std::ostream* out) {
    *out << wordCase.index << " " << wordCase.word;
}

class PaymentTypeWord : public PaymentWindow, public ::testing::WithParamInterface<WordCase> {};

TEST_P(PaymentTypeWord, GoesWithTheAmountAndLines) {
    startModel204();
    showWithSubtotal(kSubtotal1234_56);
    if (GetParam().index < 0) {
        combo("ComboBox2")->setEditText("Vale refeição");
    } else {
        combo("ComboBox2")->setCurrentIndex(GetParam().index);
    }
    control<QSlider>("frmtopay", "TrackBar1")->setValue(3);
    log.clear();
    pay("700");
    EXPECT_EQ(log.events(), QStringList{cashCall(GetParam().word, "700", 3)});
}

INSTANTIATE_TEST_SUITE_P(Words, PaymentTypeWord,
                         ::testing::Values(WordCase{0, "dinheiro"}, WordCase{1, "CHEQUE"},
                                           WordCase{2, "Cartao"}, WordCase{3, "ticket"},
                                           WordCase{4, "Dinheiro"}, WordCase{21, "Dinheiro"},
                                           WordCase{-1, "Dinheiro"}),
                         [](const auto& info) {
                             return info.param.index < 0
                                        ? std::string("Typed")
                                        : "Index" + std::to_string(info.param.index);
                         });

TEST_F(PaymentWindow, TypedConditionSendsNothingAndReportsNothing) {
    startModel204();
    writeLinesFile("linha\r\n");
    showWithSubtotal(kSubtotal1234_56);
    check("CheckBox2")->setChecked(true);
    combo("ComboBox1")->setEditText("Pagamento parcelado");
    log.clear();
    pay("123456");
    EXPECT_TRUE(log.events().isEmpty()) << log.events().join(" | ").toStdString();
    EXPECT_TRUE(isOpen());
}

TEST_F(PaymentWindow, RefusedPaymentIsReportedCountsAndSendsNoLines) {
    startModel204();
    writeLinesFile("linha\r\n");
    showWithSubtotal(kSubtotal1234_56);
    check("CheckBox2")->setChecked(true);
    driver.setResult("ecfPagCancPag", 9);
    dialogs.acknowledge();
    log.clear();
    pay("123456");
    // The amount counts whatever the result: the window closes after the
    // message.
    EXPECT_EQ(log.events(), (QStringList{cashCall("dinheiro", "123456"),
                                         "message: Retorno do pagamento: 9", "ecfStatusImp()"}));
    EXPECT_FALSE(isOpen());
}

struct GenerationCase {
    const char* name;
    bool model30;
    const char* call;  // %1: the amount
};

void PrintTo(const GenerationCase& generation, std::ostream* out) {
    *out << generation.name;
}

class AmountNotANumber : public PaymentWindow,
                         public ::testing::WithParamInterface<GenerationCase> {};

TEST_P(AmountNotANumber, IsSentThenFailsToConvertAndTheWindowStays) {
    GetParam().model30 ? startModel30() : startModel204();
    writeLinesFile("linha\r\n");
    showWithSubtotal(QByteArray(21, ' '));  // any amount would close the window
    check("CheckBox2")->setChecked(true);
    if (GetParam().model30) {
        dialogs.acknowledge();
    }
    dialogs.acknowledge();
    log.clear();
    pay("12a");
    const QStringList events = log.events();
    ASSERT_GE(events.size(), 2);
    EXPECT_EQ(events.mid(events.size() - 2),
              (QStringList{QString::fromLatin1(GetParam().call).arg("12a"),
                           "exception: '12a' is not a valid floating point value"}));
    EXPECT_TRUE(isOpen());
    EXPECT_TRUE(driver.callsOf("ecfImpLinha").isEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    Generations, AmountNotANumber,
    ::testing::Values(GenerationCase{"Model204", false,
                                     "ecfPagCancPag(0, \"dinheiro\", \"%1\", 0, 0)"},
                      GenerationCase{"Model30", true, "ecfPagamento(0, \"00\", \"%1\", 0)"}),
    [](const auto& info) { return std::string(info.param.name); });

class EmptyAmount : public PaymentWindow, public ::testing::WithParamInterface<GenerationCase> {};

TEST_P(EmptyAmount, SendsNothingAndTheWindowStays) {
    GetParam().model30 ? startModel30() : startModel204();
    writeLinesFile("linha\r\n");
    showWithSubtotal(kSubtotal1234_56);
    check("CheckBox2")->setChecked(true);
    dialogs.acknowledge();
    log.clear();
    pay("");
    EXPECT_EQ(log.events(),
              QStringList{GetParam().model30 ? "message: Posição na tabela: 00"
                                             : "message: Preencha o campo do valor do pagamento"});
    EXPECT_TRUE(isOpen());
}

INSTANTIATE_TEST_SUITE_P(Generations, EmptyAmount,
                         ::testing::Values(GenerationCase{"Model204", false, ""},
                                           GenerationCase{"Model30", true, ""}),
                         [](const auto& info) { return std::string(info.param.name); });

class CommercialLinesAfterPayment : public PaymentWindow,
                                    public ::testing::WithParamInterface<GenerationCase> {};

TEST_P(CommercialLinesAfterPayment, EightLinesFollowASuccessfulPaymentFromAThreeLineFile) {
    GetParam().model30 ? startModel30() : startModel204();
    writeLinesFile(
        "Obrigado pela prefer\xeancia\r\n  Volte sempre  \r\nCNPJ 00.000.000/0001-00\r\n");
    showWithSubtotal(QByteArray(17, ' ') + "1,00");
    check("CheckBox2")->setChecked(true);
    if (GetParam().model30) {
        dialogs.acknowledge();
    }
    log.clear();
    pay("100");
    QStringList expected;
    if (GetParam().model30) {
        expected.append("message: Posição na tabela: 00");
    }
    expected.append(QString::fromLatin1(GetParam().call).arg("100"));
    expected += QStringList{"ecfImpLinha(\"Obrigado pela preferência\")",
                            "ecfImpLinha(\"  Volte sempre  \")",
                            "ecfImpLinha(\"CNPJ 00.000.000/0001-00\")",
                            "ecfImpLinha(\"\")",
                            "ecfImpLinha(\"\")",
                            "ecfImpLinha(\"\")",
                            "ecfImpLinha(\"\")",
                            "ecfImpLinha(\"\")",
                            "ecfStatusImp()"};
    EXPECT_EQ(log.events(), expected);
    EXPECT_FALSE(isOpen());
}

INSTANTIATE_TEST_SUITE_P(
    Generations, CommercialLinesAfterPayment,
    ::testing::Values(GenerationCase{"Model204", false,
                                     "ecfPagCancPag(0, \"dinheiro\", \"%1\", 0, 0)"},
                      GenerationCase{"Model30", true, "ecfPagamento(0, \"00\", \"%1\", 0)"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(PaymentWindow, LinesAfterEachPaymentThatSucceedsEvenWhenItDoesNotClose) {
    startModel204();
    writeLinesFile("a\nb\nc\nd\ne\nf\ng\nh\ni\n");  // LF alone; the ninth is not read
    showWithSubtotal(kSubtotal1234_56);
    check("CheckBox2")->setChecked(true);
    log.clear();
    pay("100000");
    EXPECT_EQ(
        log.events(),
        (QStringList{cashCall("dinheiro", "100000"), "ecfImpLinha(\"a\")", "ecfImpLinha(\"b\")",
                     "ecfImpLinha(\"c\")", "ecfImpLinha(\"d\")", "ecfImpLinha(\"e\")",
                     "ecfImpLinha(\"f\")", "ecfImpLinha(\"g\")", "ecfImpLinha(\"h\")"}));
    EXPECT_TRUE(isOpen());
}

TEST_F(PaymentWindow, RefusedFirstLineEndsTheCommercialLines) {
    startModel204();
    writeLinesFile("um\r\ndois\r\n");
    showWithSubtotal(kSubtotal1234_56);
    check("CheckBox2")->setChecked(true);
    driver.setResult("ecfImpLinha", 14);
    dialogs.acknowledge();
    log.clear();
    pay("123456");
    EXPECT_EQ(log.events(),
              (QStringList{cashCall("dinheiro", "123456"), "ecfImpLinha(\"um\")",
                           "message: Ocorreu o erro 14 na ativação das linhas comerciais",
                           "ecfStatusImp()"}));
    EXPECT_FALSE(isOpen());
}

TEST_F(PaymentWindow, LaterLinesAreSentWhateverTheyReturn) {
    startModel204();
    writeLinesFile("um\r\ndois\r\ntres\r\n");
    showWithSubtotal(kSubtotal1234_56);
    check("CheckBox2")->setChecked(true);
    driver.queueResults("ecfImpLinha", {0, 14, 14});
    log.clear();
    pay("100");
    EXPECT_EQ(driver.callsOf("ecfImpLinha").size(), 8);
    EXPECT_TRUE(dialogs.boxes().isEmpty());
}

TEST_F(PaymentWindow, NoLinesWithoutTheFileOrWithoutTheTick) {
    startModel204();
    showWithSubtotal(kSubtotal1234_56);
    // Ticked, but nothing is registered: the offer is declined.
    dialogs.answer(DialogAnswer::No);
    click("frmtopay", "CheckBox2");
    ASSERT_TRUE(check("CheckBox2")->isChecked());
    log.clear();
    pay("100");
    EXPECT_EQ(log.events(), QStringList{cashCall("dinheiro", "100")});

    // Registered, but not ticked.
    writeLinesFile("um\r\n");
    click("frmtopay", "CheckBox2");
    ASSERT_FALSE(check("CheckBox2")->isChecked());
    log.clear();
    pay("100");
    EXPECT_EQ(log.events(), QStringList{cashCall("dinheiro", "100")});
}

TEST_F(PaymentWindow, TickingWithoutRegisteredLinesOffersToRegisterThem) {
    startModel204();
    showWithSubtotal(kSubtotal1234_56);
    dialogs.answer(DialogAnswer::Yes);
    log.clear();
    click("frmtopay", "CheckBox2");
    EXPECT_EQ(log.events(), QStringList{"confirmation: " + kLinesQuestion});
    EXPECT_EQ(dialogs.boxes().first().caption, "Confirmação");
    EXPECT_EQ(activeForm(), form("linecom"));
    EXPECT_EQ(control<QLineEdit>("linecom", "Edit1")->text(),
              "Coloque aqui a primeira linha comercial");

    // Saving there hands activation back to the payment window, which reads
    // the subtotal again; the lines now follow the next payment.
    log.clear();
    click("linecom", "Button1");
    EXPECT_EQ(activeForm(), form("frmtopay"));
    EXPECT_EQ(log.events(), QStringList{"ecfStatusCupom(&1)"});
    log.clear();
    pay("123456");
    EXPECT_EQ(driver.callsOf("ecfImpLinha").first(),
              "ecfImpLinha(\"Coloque aqui a primeira linha comercial\")");
    EXPECT_EQ(driver.callsOf("ecfImpLinha").size(), 8);
    EXPECT_FALSE(isOpen());
}

TEST_F(PaymentWindow, OfferOnlyWhenTickedAndNothingIsRegistered) {
    startModel204();
    showWithSubtotal(kSubtotal1234_56);
    dialogs.answer(DialogAnswer::No);
    click("frmtopay", "CheckBox2");  // ticked: asked, declined
    EXPECT_EQ(activeForm(), form("frmtopay"));
    click("frmtopay", "CheckBox2");  // unticked: not asked
    writeLinesFile("um\r\n");
    click("frmtopay", "CheckBox2");  // ticked with lines registered: not asked
    EXPECT_EQ(dialogs.texts(), QStringList{kLinesQuestion});
    EXPECT_EQ(driver.calls(), QStringList{"ecfStatusCupom(&1)"});  // the activation's only
}

TEST_F(PaymentWindow, CancelaClosesWithoutPaying) {
    startModel204();
    showWithSubtotal(kSubtotal1234_56);
    log.clear();
    click("frmtopay", "BitBtn2");
    EXPECT_EQ(log.events(), QStringList{"ecfStatusImp()"});
    EXPECT_FALSE(isOpen());
}
