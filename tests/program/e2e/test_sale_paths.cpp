// Other roads of a sale through the windows on the emulated printer:
// cancelling, a restart with a coupon open, and a 2.04 printer.
#include "e2e/e2e_fixture.h"
#include "meu_pr/meu_pr.h"
#include "meu_proj/bench_windows.h"
#include "toolkit/trichedit.h"

#include <QComboBox>

class SalePaths : public EndToEnd {
protected:
    void chooseEntry(const QString& formName, const QString& comboName, int index) {
        auto* combo = control<QComboBox>(formName, comboName);
        combo->setCurrentIndex(index);
        emit combo->activated(index);
    }

    // Insert and one item of the item sale window, answering its questions
    // the first time.
    void sellOneItem(const QString& price, bool firstCoupon = true) {
        if (firstCoupon) {
            dialogs.answer(DialogAnswer::Yes);  // the printer formats the item line
            dialogs.answer(DialogAnswer::Yes);  // version 3.00
        }
        trigger("Cupomfiscal2");
        setText("frmitem4", "Edit5", price);
        chooseEntry("frmitem4", "ComboBox1", 1);
        click("frmitem4", "BitBtn1");
    }

    QString panelLastLine() const {
        return control<TRichEdit>("frmMain", "RichEdit1")->lines().last();
    }
};

TEST_F(SalePaths, CancelaVendaCancelsTheOpenCoupon) {
    startApplication();
    sellOneItem("700");
    ASSERT_EQ(PrinterStateCode, 65);
    trigger("Cancelavenda2");
    click("frmopera", "Button1");
    EXPECT_EQ(driver.callsOf("ecfLineFeed").last(), "ecfLineFeed(1, 8)");
    EXPECT_EQ(PrinterStateCode, 100);
    EXPECT_EQ(panelLastLine(), "em período de venda");
    EXPECT_TRUE(paperText().join('\n').contains("CANCELAD"));
}

TEST_F(SalePaths, CancelaCupomCancelsTheLastCouponIssued) {
    startApplication();
    sellOneItem("700");
    ASSERT_EQ(driver.ecfPagamento(0, "00", "700", 0), 0);
    trigger("Finalizavenda1");
    click("frmopera", "Button1");
    ASSERT_EQ(PrinterStateCode, 100);
    trigger("Cancelacupom2");
    click("frmopera", "Button1");
    EXPECT_EQ(dialogs.boxes().size(), 2) << dialogs.texts().join(QChar(10)).toStdString();
    EXPECT_EQ(driver.callsOf("ecfCancDoc"), QStringList{"ecfCancDoc(\"OPERADOR\")"});
    // Nothing to cancel any more: the printer refuses a second time.
    trigger("Cancelacupom2");
    dialogs.acknowledge();
    click("frmopera", "Button1");
    EXPECT_TRUE(dialogs.texts().last().startsWith("Retorno: "));
}

TEST_F(SalePaths, AnOpenCouponSurvivesARestartOfTheProgram) {
    startApplication();
    sellOneItem("1500");
    ASSERT_EQ(printerState(), 65);

    // The operator closes the program in the middle of the sale and starts it again.
    destroyApplicationForms();
    startApplication();
    EXPECT_EQ(PrinterStateCode, 65);
    EXPECT_EQ(panelLastLine(), "em venda");
    EXPECT_EQ(sliceField(couponStatus(), CouponStatusFields::Subtotal).trimmed(), "15,00");

    // The sale goes on where it was.
    trigger("Pagamento1");
    setText("frmtopay", "Edit1", "1500");
    dialogs.acknowledge();
    click("frmtopay", "BitBtn1");
    EXPECT_FALSE(form("frmtopay")->isVisible());
    EXPECT_EQ(printerState(), 124);
}

TEST_F(SalePaths, PrinterOfVersion204PaysByWordAndCondition) {
    changePrinter([](fiscemu::Settings& s) { s.model = fiscemu::Model::V204; });
    startApplication({DialogAnswer::No, DialogAnswer::No});
    dialogs.answer(DialogAnswer::Yes);  // the printer formats the item line
    dialogs.answer(DialogAnswer::No);   // not a version 3.00: the earlier tax list
    trigger("Cupomfiscal2");
    EXPECT_EQ(control<QComboBox>("frmitem4", "ComboBox1")->count(), 17);
    setText("frmitem4", "Edit5", "1000");
    chooseEntry("frmitem4", "ComboBox1", 13);  // "Isento"
    click("frmitem4", "BitBtn1");
    ASSERT_EQ(dialogs.boxes().size(), 2) << dialogs.texts().join('\n').toStdString();
    EXPECT_EQ(PrinterStateCode, 65);

    trigger("Pagamento1");
    EXPECT_TRUE(control<QWidget>("frmtopay", "ComboBox1")->isVisible());
    chooseEntry("frmtopay", "ComboBox1", 0);  // "Pagamento à vista"
    chooseEntry("frmtopay", "ComboBox2", 1);  // CHEQUE
    setText("frmtopay", "Edit1", "1200");
    click("frmtopay", "BitBtn1");
    EXPECT_EQ(driver.callsOf("ecfPagCancPag"),
              QStringList{"ecfPagCancPag(0, \"CHEQUE\", \"1200\", 0, 0)"});
    EXPECT_FALSE(form("frmtopay")->isVisible());
    EXPECT_EQ(printerState(), 124);
    trigger("Finalizavenda1");
    click("frmopera", "Button1");
    EXPECT_EQ(PrinterStateCode, 100);
    const QString paper = paperText().join('\n');
    EXPECT_TRUE(paper.contains("CHEQUE")) << paper.toStdString();
    EXPECT_TRUE(paper.contains("2,00")) << paper.toStdString();  // the change
}
