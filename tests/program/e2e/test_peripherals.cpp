// The serial X reading, cheques, the payment and voucher tables, the
// authentication line, line feed, drawer and the fiscal memory reading,
// through the windows on the emulated printer.
#include "core/state.h"
#include "e2e/e2e_fixture.h"
#include "toolkit/tform.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>

class Peripherals : public EndToEnd {
protected:
    QString text(const QString& formName, const QString& editName) const {
        return control<QLineEdit>(formName, editName)->text();
    }
    void pick(const QString& formName, const QString& comboName, int index) {
        auto* combo = control<QComboBox>(formName, comboName);
        combo->setCurrentIndex(index);
        emit combo->activated(index);
    }
    // The lines the printer put on one station of the roll since the test
    // began, as code page 850 bytes read one to one.
    QStringList station(char which) const {
        QStringList lines;
        for (const fiscemu::PaperRow& row : paperRoll()) {
            if (row.station == which) {
                lines.append(QString::fromLatin1(row.bytes.data(), int(row.bytes.size())));
            }
        }
        return lines;
    }
    void expectNoBoxes() {
        EXPECT_TRUE(dialogs.boxes().isEmpty()) << dialogs.texts().join('\n').toStdString();
    }
};

// Serial X reading ---------------------------------------------------------

TEST_F(Peripherals, SerialXReadingShowsTheDaysCoupon) {
    startApplication();
    // A coupon of one item of 10,00 at 17% (rate position 4), paid in cash.
    ASSERT_EQ(driver.ecfImpCab(0), 0);
    ASSERT_EQ(driver.ecfVenda_Item("123", "CAFE", "1", "000", "1000", 4), 0);
    ASSERT_EQ(driver.ecfPagCancPag(0, "Dinheiro", "1000", 0, 0), 0);
    ASSERT_EQ(driver.ecfFimTrans("OPERADOR"), 0);
    driver.clearCalls();

    trigger("LeituraXSerial1");
    EXPECT_EQ(driver.calls(), QStringList{"ecfLeituraXSerial()"});
    expectNoBoxes();

    EXPECT_EQ(text("xserial", "Edit1"), "0001");      // next Z reduction
    EXPECT_EQ(text("xserial", "Edit2"), "10/03/26");  // the day opened on the printer's date
    EXPECT_EQ(text("xserial", "Edit10"), QString(17, '0') + "1000");  // grand total
    EXPECT_EQ(text("xserial", "Edit26"), "01700");                    // Alíquota 04
    EXPECT_EQ(text("xserial", "Edit27"), QString(14, '0') + "1000");
    EXPECT_EQ(text("xserial", "Edit28"), QString(15, '0') + "170");
    EXPECT_EQ(text("xserial", "Edit14"), "00500");  // Alíquota 00
    EXPECT_EQ(text("xserial", "Edit15"), QString(18, '0'));

    // The 55 fields, run together, are the printer's reply, all of it.
    QString joined;
    for (int n = 1; n <= 55; ++n) {
        joined += text("xserial", QStringLiteral("Edit%1").arg(n));
    }
    const QByteArray reply = driver.ecfLeituraXSerial();
    EXPECT_EQ(reply.size(), 744);
    EXPECT_EQ(joined, QString::fromLatin1(reply));

    click("xserial", "Button2");
    EXPECT_EQ(text("xserial", "Edit1"), "");
    EXPECT_FALSE(form("xserial")->isVisible());
}

// Cheques -----------------------------------------------------------------

struct ChequeRun {
    const char* name;
    DialogAnswer kolvex;
    bool version300;
    const char* call;
    const char* heading;
};

class EachChequePrinter : public Peripherals, public ::testing::WithParamInterface<ChequeRun> {};

TEST_P(EachChequePrinter, ChequeStationShowsBankValueWordsPayeeCityAndDate) {
    const ChequeRun row = GetParam();
    startApplication();
    dialogs.answer(row.kolvex);
    trigger("Cheques2");
    auto* banks = control<QComboBox>("frmcheck", "ComboBox1");
    banks->setCurrentIndex(banks->findText("033 - ", Qt::MatchStartsWith));
    setText("frmcheck", "Edit1", "10050");
    setText("frmcheck", "Edit2", "Maria Souza");
    control<QCheckBox>("frmcheck", "CheckBox1")->setChecked(row.version300);
    dialogs.clear();
    // Only the Kolvex 3.00 call shows its eight-character date first.
    const bool showsDate = row.kolvex == DialogAnswer::Yes && row.version300;
    if (showsDate) {
        dialogs.acknowledge();
    }
    driver.clearCalls();
    click("frmcheck", "Button1");
    ASSERT_EQ(driver.calls().size(), 1);
    EXPECT_TRUE(driver.calls().first().startsWith(QString::fromLatin1(row.call)))
        << driver.calls().first().toStdString();
    EXPECT_EQ(dialogs.texts(), showsDate ? QStringList{"07032026"} : QStringList{});

    const QStringList cheque = station('C');
    const QString all = cheque.join('\n');
    ASSERT_FALSE(cheque.isEmpty());
    EXPECT_EQ(cheque.first(), QString::fromLatin1(row.heading));
    EXPECT_TRUE(all.contains("R$ 100,50")) << all.toStdString();
    EXPECT_TRUE(all.contains("(CEM REAIS E CINQUENTA CENTAVOS)")) << all.toStdString();
    EXPECT_TRUE(cheque.contains("A Maria Souza")) << all.toStdString();
    EXPECT_TRUE(all.contains("Campo Sereno, 07 de ")) << all.toStdString();
    EXPECT_TRUE(all.contains(" de 2026")) << all.toStdString();
    EXPECT_EQ(cheque.last(), "Campo Especial");
}

INSTANTIATE_TEST_SUITE_P(
    Printers, EachChequePrinter,
    ::testing::Values(ChequeRun{"Kolvex", DialogAnswer::Yes, false, "ecfImpCheque(33, ",
                                "CHEQUE KOLVEX  BANCO 033"},
                      ChequeRun{"Kolvex300", DialogAnswer::Yes, true, "ecfChequeKolvex300(33, ",
                                "CHEQUE KOLVEX 3.00  BANCO 033"},
                      ChequeRun{"Marvik", DialogAnswer::No, true, "ecfImpChequeMarvik(33, ",
                                "CHEQUE MARVIK  BANCO 033"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Peripherals, ChequeRefusedInTheMiddleOfACouponShowsTheResult) {
    startApplication();
    ASSERT_EQ(driver.ecfImpCab(0), 0);
    dialogs.answer(DialogAnswer::Yes);
    trigger("Cheques2");
    control<QComboBox>("frmcheck", "ComboBox1")->setCurrentIndex(0);
    setText("frmcheck", "Edit1", "500");
    dialogs.clear();
    dialogs.acknowledge();
    click("frmcheck", "Button1");
    EXPECT_EQ(dialogs.texts(), QStringList{"Ocorreu o seguinte erro: 12"});
    EXPECT_TRUE(station('C').isEmpty());
}

// Payment table and non-fiscal vouchers -----------------------------------

TEST_F(Peripherals, ProgrammedPaymentTypeAndVoucherShowInTheStatusReplies) {
    startApplication();
    trigger("Tabeladepagamentos1");
    pick("tablepay", "ComboBox1", 5);
    setText("tablepay", "Edit1", "Vale refeicao");
    click("tablepay", "Button2");
    EXPECT_EQ(driver.callsOf("ecfPayPatterns"),
              QStringList{"ecfPayPatterns(\"05\", \"Vale refeicao\")"});
    expectNoBoxes();

    trigger("Comprovantesnofiscais1");
    control<QComboBox>("progcnf", "ComboBox1")->setCurrentIndex(6);
    control<QComboBox>("progcnf", "ComboBox2")->setCurrentIndex(5);
    setText("progcnf", "Edit1", "Conta de agua");
    for (const char* name : {"CheckBox1", "CheckBox5", "CheckBox9"}) {
        control<QCheckBox>("progcnf", name)->setChecked(true);
    }
    click("progcnf", "Button1");
    EXPECT_EQ(driver.callsOf("ecfProgNFComprov"),
              QStringList{"ecfProgNFComprov(\"06\", \"Conta de agua\", \"S\", \"N\", \"S\", "
                          "\"N\", \"S\", \"05\")"});
    expectNoBoxes();

    // Payment type 05: programmed, active, linked to a voucher, its title.
    const QByteArray payType = driver.ecfStatusPayTypes(5);
    EXPECT_EQ(sliceField(payType, 1, 3), "1SS");
    EXPECT_EQ(sliceField(payType, 4, 20), "Vale refeicao       ");
    // Voucher 06: programmed, active, title, the five flags, payment type 05.
    const QByteArray voucher = driver.ecfStatusDocsNFs(6);
    EXPECT_EQ(sliceField(voucher, 1, 2), "1S");
    EXPECT_EQ(sliceField(voucher, 3, 20), "Conta de agua       ");
    EXPECT_EQ(sliceField(voucher, 23, 5), "SNSNS");
    EXPECT_EQ(sliceField(voucher, 28, 2), "05");
}

TEST_F(Peripherals, PrinterBefore30RefusesBothTablesWithTheCommunicationHint) {
    changePrinter([](fiscemu::Settings& s) { s.model = fiscemu::Model::V204; });
    startApplication();
    trigger("Tabeladepagamentos1");
    pick("tablepay", "ComboBox1", 1);
    dialogs.acknowledge();
    click("tablepay", "Button2");
    EXPECT_EQ(dialogs.texts(), QStringList{"Ocorreu o seguinte erro: 79"});

    dialogs.clear();
    trigger("Comprovantesnofiscais1");
    control<QComboBox>("progcnf", "ComboBox1")->setCurrentIndex(3);
    control<QComboBox>("progcnf", "ComboBox2")->setCurrentIndex(0);
    dialogs.acknowledge(2);
    click("progcnf", "Button1");
    EXPECT_EQ(dialogs.texts(),
              (QStringList{"Ocorreu o seguinte erro: 79",
                           "Este erro indica uma falha de comunicação. Verifique se a impressora "
                           "é, de fato, uma Tolvar modelo 3.0"}));
}

// Authentication, line feed, drawer -----------------------------------------

TEST_F(Peripherals, AuthenticationLinePrintedAsProposed) {
    startApplication();
    trigger("Autenticao1");
    const QString proposed = text("frmMain", "Edit1");
    // Time and date of the PC, three blanks, the printer's subtotal field.
    EXPECT_EQ(proposed, "14:05:0907/03/2026   " + QString(17, ' ') + "0,00");
    click("frmMain", "Button3");
    expectNoBoxes();
    EXPECT_EQ(station('A'), QStringList{proposed});
}

TEST_F(Peripherals, LongAuthenticationLineConfirmedIsCutByThePrinter) {
    startApplication();
    const QString line = QString(30, 'A') + QString(30, 'B');
    setText("frmMain", "Edit1", line);
    dialogs.answer(DialogAnswer::Yes);
    click("frmMain", "Button3");
    EXPECT_EQ(driver.callsOf("ecfAutentica"), QStringList{"ecfAutentica(\"" + line + "\")"});
    EXPECT_EQ(station('A'), QStringList{line.left(48)});
}

TEST_F(Peripherals, AuthenticationWithoutTheSlipShowsTheRefusal) {
    changePrinter([](fiscemu::Settings& s) { s.authPaper = false; });
    startApplication();
    dialogs.acknowledge();
    click("frmMain", "Button3");
    EXPECT_EQ(dialogs.texts(), QStringList{"Retorno: 22"});
    EXPECT_TRUE(station('A').isEmpty());
}

TEST_F(Peripherals, LineFeedFeedsFiveLinesAndTheDrawerOpens) {
    startApplication();
    const auto before = paperRoll().size();
    trigger("Avanodelinha1");
    expectNoBoxes();
    const std::vector<fiscemu::PaperRow> roll = paperRoll();
    ASSERT_EQ(roll.size(), before + 5);
    for (size_t i = before; i < roll.size(); ++i) {
        EXPECT_EQ(roll[i].station, 'R');
        EXPECT_EQ(roll[i].bytes, "");
    }

    EXPECT_EQ(sliceField(printerStatus(), PrinterStatusFields::DrawerSensor), "1");
    trigger("Aberturadagaveta1");
    expectNoBoxes();
    EXPECT_EQ(sliceField(printerStatus(), PrinterStatusFields::DrawerSensor), "0");
}

TEST_F(Peripherals, LineFeedWithoutPaperShowsTheRefusal) {
    changePrinter([](fiscemu::Settings& s) { s.paper = fiscemu::kPaperOutLevel; });
    startApplication();
    dialogs.acknowledge();
    trigger("Avanodelinha1");
    EXPECT_EQ(dialogs.texts(), QStringList{"Retorno: 21"});
}

// Fiscal memory reading ---------------------------------------------------

TEST_F(Peripherals, LeituraDaMefWritesTavrelInTheWorkingDirectory) {
    startApplication();
    trigger("ReduoZ1");
    click("frmopera", "Button1");
    ASSERT_EQ(printerState(), 115);
    dialogs.clear();
    driver.clearCalls();

    trigger("LeituradaMEF1");
    EXPECT_EQ(driver.calls(),
              QStringList{"ecfLeitMemFisc(2, \"101098\", \"101198\", 1, 10, \"tavrel.txt\")"});
    expectNoBoxes();
    QFile file(QStringLiteral("tavrel.txt"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QString reading = QString::fromLatin1(file.readAll());
    EXPECT_TRUE(reading.startsWith("LEITURA DA MEMORIA FISCAL\r\n")) << reading.toStdString();
    EXPECT_TRUE(reading.contains("REDUCOES 0001 A 0010")) << reading.toStdString();
    EXPECT_TRUE(reading.contains("Z 0001  DATA 10/03/26")) << reading.toStdString();
    EXPECT_TRUE(reading.contains("REDUCOES NO PERIODO: 1")) << reading.toStdString();
}
