// The two programming windows on the emulated printer: the tax table, one
// rate, the printer's clock, the header, the product-code size and the
// encrypted code, each read back from the printer afterwards.
#include "e2e/e2e_fixture.h"
#include "toolkit/app_environment.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>

namespace {

// One record of the tax-rate status: programmed flag, type, rate "17,00".
constexpr ReplyField kRateProgrammed{1, 1};
constexpr ReplyField kRateType{2, 1};
constexpr ReplyField kRateValue{3, 5};

// The serial X reading carries the ten 2.04 rates as five digits each, in
// rows of 41 characters (rate, totaliser, tax) from character 173 on.
QString serialRate(const QByteArray& reading, int position) {
    return sliceField(reading, 173 + 41 * position, 5);
}

// The user record: three header lines of 48, store and equipment of 4,
// CGC of 18, IM of 15, IE of 16.
constexpr ReplyField kUserLine1{1, 48};
constexpr ReplyField kUserStore{145, 4};
constexpr ReplyField kUserEquipment{149, 4};
constexpr ReplyField kUserCgc{153, 18};
constexpr ReplyField kUserIm{171, 15};
constexpr ReplyField kUserIe{186, 16};

}  // namespace

class ProgrammingOnThePrinter : public EndToEnd {
protected:
    void SetUp() override {
        EndToEnd::SetUp();
        startApplication();
    }

    void type(const QString& form, int edit, const QString& text) {
        setText(form, QStringLiteral("Edit%1").arg(edit), text);
    }
    QString labelText(const QString& form, int label) const {
        return control<QLabel>(form, QStringLiteral("Label%1").arg(label))->text();
    }
    QByteArray rateStatus(int position) { return driver.ecfStatusAliquotas(position); }
};

TEST_F(ProgrammingOnThePrinter, TaxTableIsLoadedAndReadBackInBothReplies) {
    trigger("Programao1");
    type("frmprog", 1, "6,5");
    type("frmprog", 2, "0,75");
    type("frmprog", 10, "99,99");
    dialogs.acknowledge();
    driver.clearCalls();
    click("frmprog", "Button1");
    EXPECT_EQ(dialogs.texts(), QStringList{"As taxas foram cadastradas com sucesso!"});
    ASSERT_EQ(driver.calls().size(), 10);
    EXPECT_EQ(driver.calls()[0], "ecfCargaTabAliq(0, \"650\")");
    EXPECT_EQ(driver.calls()[9], "ecfCargaTabAliq(9, \"9999\")");

    const QStringList expected = {"06,50", "00,75", "07,00", "12,00", "17,00",
                                  "25,00", "13,00", "14,00", "25,00", "99,99"};
    for (int position = 0; position <= 9; ++position) {
        const QByteArray record = rateStatus(position);
        EXPECT_EQ(sliceField(record, kRateProgrammed), "1") << position;
        EXPECT_EQ(sliceField(record, kRateType), "T") << position;
        EXPECT_EQ(sliceField(record, kRateValue), expected[position]) << position;
    }
    const QByteArray reading = driver.ecfLeituraXSerial();
    EXPECT_EQ(serialRate(reading, 0), "00650");
    EXPECT_EQ(serialRate(reading, 1), "00075");
    EXPECT_EQ(serialRate(reading, 4), "01700");
    EXPECT_EQ(serialRate(reading, 9), "09999");
}

TEST_F(ProgrammingOnThePrinter, TaxTableIsRefusedOnceTheDayIsOpen) {
    ASSERT_EQ(driver.ecfLeituraX("OPERADOR"), 0);  // the X reading opens the day
    trigger("Programao1");
    type("frmprog", 1, "9,00");
    dialogs.acknowledge();
    driver.clearCalls();
    click("frmprog", "Button1");
    EXPECT_EQ(dialogs.texts(),
              QStringList{"Durante a carga da alíquota 0 ocorreu o seguinte erro: 12"});
    EXPECT_EQ(driver.calls(), QStringList{"ecfCargaTabAliq(0, \"900\")"});
    EXPECT_EQ(sliceField(rateStatus(0), kRateValue), "05,00");
}

TEST_F(ProgrammingOnThePrinter, OneRateOfTheTable) {
    trigger("Programao1");
    click("frmprog", "RadioButton4");
    control<QComboBox>("frmprog", "ComboBox1")->setCurrentIndex(3);
    type("frmprog", 5, "18,25");
    dialogs.acknowledge();
    click("frmprog", "Button1");
    EXPECT_EQ(dialogs.texts(), QStringList{"A taxa foi cadastrada com sucesso!"});
    EXPECT_EQ(sliceField(rateStatus(3), kRateValue), "18,25");
}

TEST_F(ProgrammingOnThePrinter, PrinterClockIsSetToThePcClock) {
    setClock([] { return QDateTime(QDate(2026, 3, 11), QTime(9, 30, 15)); });
    trigger("Programao1");
    click("frmprog", "RadioButton1");
    // The emulated printer's own clock, before.
    EXPECT_EQ(labelText("frmprog", 14), "120000");
    EXPECT_EQ(labelText("frmprog", 15), "10/03/26");

    click("frmprog", "Button1");
    EXPECT_TRUE(dialogs.boxes().isEmpty()) << dialogs.texts().join('\n').toStdString();
    EXPECT_EQ(driver.callsOf("ecfAcertaData"), QStringList{"ecfAcertaData(11, 3, 26, 9, 30, 15)"});
    EXPECT_EQ(sliceField(couponStatus(), CouponStatusFields::Time), "093015");
    EXPECT_EQ(sliceField(couponStatus(), CouponStatusFields::Date), "11/03/26");

    // Coming back to the function reads the new clock.
    click("frmprog", "RadioButton6");
    click("frmprog", "RadioButton1");
    EXPECT_EQ(labelText("frmprog", 14), "093015");
    EXPECT_EQ(labelText("frmprog", 15), "11/03/26");
}

TEST_F(ProgrammingOnThePrinter, PrinterRefusesAClockBeforeItsLastDocument) {
    // The test's PC clock stands on 07/03/26, before the printer's 10/03/26.
    trigger("Programao1");
    click("frmprog", "RadioButton1");
    dialogs.acknowledge();
    click("frmprog", "Button1");
    EXPECT_EQ(dialogs.texts(), QStringList{"ecfAcertaData retornou 7"});
    EXPECT_EQ(sliceField(couponStatus(), CouponStatusFields::Date), "10/03/26");
}

TEST_F(ProgrammingOnThePrinter, HeaderOfAPrinterBeforeModel30RegistersANewUser) {
    trigger("Programao1");
    click("frmprog", "RadioButton2");
    type("frmprog", 1, "MERCADO BOA VISTA");
    dialogs.answer(DialogAnswer::Yes);
    dialogs.answer(DialogAnswer::No);  // 48 columns
    dialogs.answer(DialogAnswer::No);  // not a model 3.0
    click("frmprog", "Button1");
    EXPECT_EQ(dialogs.boxes().size(), 3);
    EXPECT_EQ(driver.callsOf("ecfCabLoja").size(), 1);
    EXPECT_EQ(sliceField(printerStatus(), PrinterStatusFields::Users), "02");
    const QByteArray user = driver.ecfStatusUser(2);
    EXPECT_EQ(sliceField(user, kUserLine1).trimmed(), "MERCADO BOA VISTA");
    EXPECT_EQ(sliceField(user, kUserStore), "0001");
    EXPECT_EQ(sliceField(user, kUserEquipment), "0001");
    EXPECT_EQ(sliceField(user, kUserCgc), "123456789012345678");
    EXPECT_EQ(sliceField(user, kUserIe).trimmed(), "123456789012345");
    EXPECT_EQ(sliceField(user, kUserIm).trimmed(), "728182-382");  // the user's, kept
}

TEST_F(ProgrammingOnThePrinter, HeaderOfAModel30CarriesTheTypedIm) {
    trigger("Programao1");
    click("frmprog", "RadioButton2");
    dialogs.answer(DialogAnswer::Yes);
    dialogs.answer(DialogAnswer::Yes);
    dialogs.answer(DialogAnswer::Yes);
    dialogs.typeInput("99887-1");
    click("frmprog", "Button1");
    EXPECT_EQ(driver.callsOf("ecfProgHeader30").size(), 1);
    EXPECT_EQ(dialogs.boxes().size(), 4);  // no result message
    EXPECT_EQ(sliceField(driver.ecfStatusUser(2), kUserIm).trimmed(), "99887-1");
}

TEST_F(ProgrammingOnThePrinter, CodeSizeAndSymbolsOfThe204Window) {
    trigger("Programao1");
    click("frmprog", "RadioButton5");
    type("frmprog", 7, "8");
    dialogs.acknowledge();
    click("frmprog", "Button1");
    click("frmprog", "RadioButton6");
    dialogs.acknowledge();
    click("frmprog", "Button1");
    EXPECT_EQ(dialogs.texts(),
              (QStringList{"O tamanho do código de produto foi alterado com sucesso",
                           "Seu novo criptograma foi cadastrado com sucesso!"}));
    EXPECT_EQ(driver.callsOf("ecfPrgCod"), QStringList{"ecfPrgCod(8)"});
}

TEST_F(ProgrammingOnThePrinter, Window30ShowsThePrinterClockAtItsFirstShowing) {
    trigger("Programaesgerais1");
    EXPECT_EQ(labelText("frmprog30", 14), "120000");
    EXPECT_EQ(labelText("frmprog30", 15), "10/03/26");
    EXPECT_TRUE(dialogs.boxes().isEmpty());
}

TEST_F(ProgrammingOnThePrinter, Window30LoadsAnIssRateAndTakesItOutOfUseWithBlanks) {
    trigger("Programaesgerais1");
    click("frmprog30", "RadioButton4");
    control<QComboBox>("frmprog30", "ComboBox1")->setCurrentIndex(15);
    click("frmprog30", "RadioGroup1Item1");
    type("frmprog30", 5, "5,5");
    dialogs.acknowledge(2);
    click("frmprog30", "Button1");
    EXPECT_EQ(dialogs.texts(), (QStringList{"OK !", "A taxa foi cadastrada com SUCESSO!"}));
    EXPECT_EQ(driver.callsOf("ecfCargaAliqSelect"),
              QStringList{"ecfCargaAliqSelect(\"15\", \"S\", \"550\")"});
    QByteArray record = rateStatus(15);
    EXPECT_EQ(sliceField(record, kRateProgrammed), "1");
    EXPECT_EQ(sliceField(record, kRateType), "S");
    EXPECT_EQ(sliceField(record, kRateValue), "05,50");

    type("frmprog30", 5, "");
    dialogs.acknowledge(2);
    click("frmprog30", "Button1");
    EXPECT_EQ(sliceField(rateStatus(15), kRateProgrammed), "0");
}

TEST_F(ProgrammingOnThePrinter, Window30HeaderWithAnEmptyImIsAccepted) {
    trigger("Programaesgerais1");
    click("frmprog30", "RadioButton2");
    type("frmprog30", 17, "");
    type("frmprog30", 4, "0027");
    dialogs.answer(DialogAnswer::Yes);
    dialogs.answer(DialogAnswer::Yes);
    dialogs.acknowledge(9);
    click("frmprog30", "Button1");
    EXPECT_EQ(dialogs.texts().last(), "Cabeçalho cadastrado com SUCESSO.");
    const QByteArray user = driver.ecfStatusUser(2);
    EXPECT_EQ(sliceField(user, kUserStore), "0027");
    EXPECT_EQ(sliceField(user, kUserIm), QString(15, QLatin1Char(' ')));
}

TEST_F(ProgrammingOnThePrinter, Window30SymbolsAreAccepted) {
    trigger("Programaesgerais1");
    click("frmprog30", "RadioButton6");
    dialogs.acknowledge();
    click("frmprog30", "Button1");
    EXPECT_EQ(dialogs.texts(), QStringList{"Seu criptograma foi cadastrado com SUCESSO!"});
}

TEST_F(ProgrammingOnThePrinter, Model204RefusesTheRateOfThe30Window) {
    changePrinter([](fiscemu::Settings& settings) { settings.model = fiscemu::Model::V204; });
    trigger("Programaesgerais1");
    click("frmprog30", "RadioButton4");
    control<QComboBox>("frmprog30", "ComboBox1")->setCurrentIndex(2);
    dialogs.acknowledge();
    click("frmprog30", "Button1");
    EXPECT_EQ(dialogs.texts(), QStringList{"Ocorreu o seguinte erro: 79"});
}
