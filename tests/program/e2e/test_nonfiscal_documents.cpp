// Non-fiscal documents through their windows on the emulated printer: a
// voucher linked to a coupon paid by cheque, and the items of an unlinked
// voucher charged to the voucher table's positions.
#include "driver/codepage.h"
#include "e2e/e2e_fixture.h"
#include "meu_pr/meu_pr.h"

#include <QComboBox>

class NonFiscalDocuments : public EndToEnd {
protected:
    void SetUp() override {
        EndToEnd::SetUp();
        startApplication();
    }

    void chooseEntry(const QString& formName, const QString& comboName, int index) {
        auto* combo = control<QComboBox>(formName, comboName);
        combo->setCurrentIndex(index);
        emit combo->activated(index);
    }

    void finishThroughTheOperatorWindow() {
        trigger("Finalizavenda1");
        click("frmopera", "Button1");
    }

    QString paper() const { return paperText().join('\n'); }
};

TEST_F(NonFiscalDocuments, VoucherLinkedToACouponPaidByCheque) {
    // A coupon of 20,00 paid at position 01, "Cheque", which the factory's
    // voucher 05 "Comprovante cheque" is linked to.
    dialogs.answer(DialogAnswer::Yes);
    dialogs.answer(DialogAnswer::Yes);
    trigger("Cupomfiscal2");
    setText("frmitem4", "Edit5", "2000");
    chooseEntry("frmitem4", "ComboBox1", 1);
    click("frmitem4", "BitBtn1");
    trigger("Pagamento1");
    chooseEntry("frmtopay", "ComboBox2", 1);
    setText("frmtopay", "Edit1", "2000");
    dialogs.acknowledge();  // "Posição na tabela: 01"
    click("frmtopay", "BitBtn1");
    finishThroughTheOperatorWindow();
    ASSERT_EQ(PrinterStateCode, 100);
    const QString coupon = sliceField(couponStatus(), CouponStatusFields::CouponNumber);
    dialogs.clear();

    trigger("Vinculado1");
    chooseEntry("cupomnf", "ComboBox1", 5);
    setText("cupomnf", "Edit2", coupon);
    setText("cupomnf", "Edit1", "1500");
    dialogs.acknowledge();
    click("cupomnf", "Button2");
    EXPECT_EQ(dialogs.texts(), QStringList{"Concluído com sucesso!"});
    EXPECT_EQ(driver.callsOf("ecfInicCNFVinculado"),
              QStringList{"ecfInicCNFVinculado(\"" + coupon + "\", \"05\", \"1500\")"});
    EXPECT_FALSE(form("cupomnf")->isVisible());
    EXPECT_EQ(printerState(), 122);
    EXPECT_EQ(PrinterStateCode, 122);
    finishThroughTheOperatorWindow();
    EXPECT_EQ(printerState(), 100);
    EXPECT_TRUE(paper().contains("COO VINCULADO:" + coupon)) << paper().toStdString();

    // More than is still pending: the header is printed, the voucher
    // refused, and the header stays open for the operator to cancel.
    dialogs.clear();
    trigger("Vinculado1");
    setText("cupomnf", "Edit1", "501");
    dialogs.acknowledge();
    click("cupomnf", "Button2");
    EXPECT_EQ(dialogs.texts(), QStringList{"Ocorreu o seguinte erro: 2"});
    EXPECT_EQ(printerState(), 90);
    trigger("Cancelavenda2");
    click("frmopera", "Button1");
    EXPECT_EQ(printerState(), 100);
}

TEST_F(NonFiscalDocuments, LinkedVoucherWithoutAPositionIsRefusedAfterTheHeader) {
    trigger("Vinculado1");
    setText("cupomnf", "Edit2", "000001");
    dialogs.acknowledge();
    click("cupomnf", "Button2");
    // "0-1" is no table position.
    EXPECT_EQ(dialogs.texts(), QStringList{"Ocorreu o seguinte erro: 1"});
    EXPECT_EQ(driver.callsOf("ecfImpCab"), QStringList{"ecfImpCab(0)"});
    EXPECT_EQ(printerState(), 90);
}

TEST_F(NonFiscalDocuments, UnlinkedVoucherItemsChargedToTheirPositions) {
    trigger("Novinculado1");
    ASSERT_TRUE(form("vendcnf")->isVisible());
    ASSERT_EQ(printerState(), 122);

    chooseEntry("vendcnf", "ComboBox1", 2);  // "Recebimento"
    click("vendcnf", "Button1");
    setText("vendcnf", "Edit1", "Conta de luz de março");
    setText("vendcnf", "Edit2", "8990");
    chooseEntry("vendcnf", "ComboBox1", 3);  // "Conta de luz"
    click("vendcnf", "Button1");
    EXPECT_TRUE(dialogs.boxes().isEmpty()) << dialogs.texts().join('\n').toStdString();

    // A linked voucher and an empty position are refused; the window stays.
    dialogs.acknowledge(2);
    chooseEntry("vendcnf", "ComboBox1", 4);
    click("vendcnf", "Button1");
    chooseEntry("vendcnf", "ComboBox1", 10);
    click("vendcnf", "Button1");
    EXPECT_EQ(dialogs.texts(),
              (QStringList{"Ocorreu o seguinte erro: 5", "Ocorreu o seguinte erro: 5"}));
    EXPECT_TRUE(form("vendcnf")->isVisible());
    EXPECT_EQ(driver.callsOf("ecfVendaItem78").size(), 4);

    click("vendcnf", "Button2");
    finishThroughTheOperatorWindow();
    EXPECT_EQ(printerState(), 100);
    const QString roll = paper();
    EXPECT_TRUE(roll.contains("Texto descritivo do item")) << roll.toStdString();
    EXPECT_TRUE(roll.contains("Recebimento")) << roll.toStdString();
    // The accent goes in the program's code page, byte for byte.
    EXPECT_TRUE(roll.contains(QString::fromLatin1(toDriverText("Conta de luz de março"))))
        << roll.toStdString();
    EXPECT_TRUE(roll.contains("92,55")) << roll.toStdString();
    // Non-fiscal amounts stay out of the grand total.
    EXPECT_EQ(sliceField(couponStatus(), CouponStatusFields::GrandTotal).trimmed(), "0,00");
}
