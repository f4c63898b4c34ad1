// Item discounts, item cancellations and subtotal adjustments through
// their windows on the emulated printer: what each window sends is what the
// printer takes, and its refusals come back as the windows show them.
#include "e2e/e2e_fixture.h"
#include "meu_pr/meu_pr.h"

#include <QCheckBox>
#include <QComboBox>

class ItemAdjustments : public EndToEnd {
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

    // An item of the item sale window; the first Insert answers its questions.
    void sellItem(const QString& description, const QString& price, bool first) {
        if (first) {
            dialogs.answer(DialogAnswer::Yes);  // the printer formats the item line
            dialogs.answer(DialogAnswer::Yes);  // version 3.00
        }
        trigger("Cupomfiscal2");
        setText("frmitem4", "Edit4", description);
        setText("frmitem4", "Edit5", price);
        chooseEntry("frmitem4", "ComboBox1", 1);
        click("frmitem4", "BitBtn1");
        ASSERT_EQ(dialogs.boxes().size(), first ? 2 : 0)
            << dialogs.texts().join('\n').toStdString();
        dialogs.clear();
    }

    QString subtotal() {
        return sliceField(couponStatus(), CouponStatusFields::Subtotal).trimmed();
    }

    // Pays the whole subtotal in cash and finishes the coupon.
    void payAndFinish(const QString& cents) {
        trigger("Pagamento1");
        chooseEntry("frmtopay", "ComboBox2", 0);
        setText("frmtopay", "Edit1", cents);
        dialogs.acknowledge();  // "Posição na tabela: 00"
        click("frmtopay", "BitBtn1");
        ASSERT_EQ(printerState(), 124);
        trigger("Finalizavenda1");
        click("frmopera", "Button1");
        dialogs.clear();
    }
};

TEST_F(ItemAdjustments, DiscountOnTheLastItemGivenCancelledAndRefused) {
    sellItem("CAFE TORRADO", "1000", true);
    sellItem("ACUCAR CRISTAL", "500", false);
    ASSERT_EQ(subtotal(), "15,00");

    // The window's defaults carry no value: the printer refuses the empty text.
    trigger("Descontodeitem1");
    dialogs.acknowledge();
    click("cancitm", "Button1");
    EXPECT_EQ(dialogs.texts(), QStringList{"Ocorreu o seguinte erro: 1"});

    setText("cancitm", "Edit1", "Leve mais");
    setText("cancitm", "Edit2", "50");
    click("cancitm", "Button1");
    EXPECT_EQ(dialogs.boxes().size(), 1) << dialogs.texts().join('\n').toStdString();
    EXPECT_EQ(subtotal(), "14,50");

    // A second discount on the same item is refused; cancelling works.
    dialogs.acknowledge();
    click("cancitm", "Button1");
    EXPECT_EQ(dialogs.texts().last(), "Ocorreu o seguinte erro: 17");
    click("cancitm", "RadioGroup1Item1");
    click("cancitm", "Button1");
    EXPECT_EQ(dialogs.boxes().size(), 2);
    EXPECT_EQ(subtotal(), "15,00");
    EXPECT_TRUE(form("cancitm")->isVisible());
    EXPECT_EQ(driver.callsOf("ecfDescItem").last(), "ecfDescItem(1, \"Leve mais\", \"50\")");
    click("cancitm", "Button2");

    dialogs.clear();
    payAndFinish("1500");
    EXPECT_EQ(PrinterStateCode, 100);
    const QString paper = paperText().join('\n');
    EXPECT_TRUE(paper.contains("DESCONTO ITEM 002 Leve mais")) << paper.toStdString();
    EXPECT_TRUE(paper.contains("CANC. DESCONTO ITEM 002")) << paper.toStdString();
}

TEST_F(ItemAdjustments, ItemCancelledByPositionThenTheLastOne) {
    sellItem("CAFE TORRADO", "1000", true);
    sellItem("ACUCAR CRISTAL", "500", false);
    sellItem("LEITE 1L", "450", false);

    trigger("Cancelaritens1");
    click("descitm", "RadioGroup1Item1");
    setText("descitm", "Edit1", "Troca");
    click("descitm", "Button1");  // position "0001"
    EXPECT_TRUE(dialogs.boxes().isEmpty()) << dialogs.texts().join('\n').toStdString();
    EXPECT_FALSE(form("descitm")->isVisible());
    EXPECT_EQ(subtotal(), "9,50");

    // The same position again: the printer says it is cancelled already.
    trigger("Cancelaritens1");
    dialogs.acknowledge();
    click("descitm", "Button1");
    EXPECT_EQ(dialogs.texts(), QStringList{"Ocorreu o seguinte erro: 17"});
    EXPECT_FALSE(form("descitm")->isVisible());

    // A position past the items, and one that is no number.
    trigger("Cancelaritens1");
    setText("descitm", "Edit2", "0004");
    dialogs.acknowledge();
    click("descitm", "Button1");
    EXPECT_EQ(dialogs.texts().last(), "Ocorreu o seguinte erro: 2");
    trigger("Cancelaritens1");
    setText("descitm", "Edit2", "um");
    dialogs.acknowledge();
    click("descitm", "Button1");
    EXPECT_EQ(dialogs.texts().last(), "Ocorreu o seguinte erro: 1");

    trigger("Cancelaritens1");
    click("descitm", "RadioGroup1Item0");
    click("descitm", "Button1");
    EXPECT_EQ(dialogs.boxes().size(), 3);
    EXPECT_EQ(driver.callsOf("ecfCancItem"), QStringList{"ecfCancItem(\"Troca\")"});
    EXPECT_EQ(subtotal(), "5,00");

    payAndFinish("500");
    const QString paper = paperText().join('\n');
    EXPECT_TRUE(paper.contains("CANCELAMENTO ITEM 001 Troca")) << paper.toStdString();
    EXPECT_TRUE(paper.contains("CANCELAMENTO ITEM 003 Troca")) << paper.toStdString();
}

TEST_F(ItemAdjustments, SubtotalDiscountCancelledThenASurchargeAndThePayment) {
    sellItem("CAFE TORRADO", "1000", true);
    trigger("Alteraodesubtotal1");

    // The window's default amount is no number.
    dialogs.acknowledge();
    click("frmadsub", "BitBtn1");
    EXPECT_EQ(dialogs.texts(), QStringList{"Ocorreu o seguinte erro: 1"});

    click("frmadsub", "RadioGroup1Item1");
    setText("frmadsub", "Edit1", "Cliente fiel");
    setText("frmadsub", "Edit2", "100");
    click("frmadsub", "BitBtn1");
    EXPECT_EQ(subtotal(), "9,00");

    // One adjustment at a time; the previous one is cancelled first.
    dialogs.acknowledge();
    click("frmadsub", "RadioGroup1Item0");
    click("frmadsub", "BitBtn1");
    EXPECT_EQ(dialogs.texts().last(), "Ocorreu o seguinte erro: 19");
    click("frmadsub", "RadioGroup1Item1");
    control<QCheckBox>("frmadsub", "CheckBox1")->setChecked(true);
    click("frmadsub", "BitBtn1");
    EXPECT_EQ(subtotal(), "10,00");

    click("frmadsub", "RadioGroup1Item0");
    control<QCheckBox>("frmadsub", "CheckBox1")->setChecked(false);
    setText("frmadsub", "Edit1", "Entrega");
    setText("frmadsub", "Edit2", "250");
    click("frmadsub", "BitBtn1");
    EXPECT_EQ(dialogs.boxes().size(), 2) << dialogs.texts().join('\n').toStdString();
    EXPECT_EQ(subtotal(), "12,50");
    EXPECT_TRUE(form("frmadsub")->isVisible());
    EXPECT_EQ(driver.callsOf("ecfCancAcresDescSubTotal"),
              (QStringList{"ecfCancAcresDescSubTotal(1, 0, \"01234567890123456789012\", \"Edit1\")",
                           "ecfCancAcresDescSubTotal(0, 0, \"Cliente fiel\", \"100\")",
                           "ecfCancAcresDescSubTotal(1, 0, \"Cliente fiel\", \"100\")",
                           "ecfCancAcresDescSubTotal(0, 1, \"Cliente fiel\", \"100\")",
                           "ecfCancAcresDescSubTotal(1, 0, \"Entrega\", \"250\")"}));
    click("frmadsub", "BitBtn2");

    dialogs.clear();
    payAndFinish("1250");
    EXPECT_EQ(PrinterStateCode, 100);
    EXPECT_EQ(sliceField(couponStatus(), CouponStatusFields::GrandTotal).trimmed(), "12,50");
    const QString paper = paperText().join('\n');
    EXPECT_TRUE(paper.contains("DESCONTO Cliente fiel")) << paper.toStdString();
    EXPECT_TRUE(paper.contains("CANC. DESCONTO Cliente fiel")) << paper.toStdString();
    EXPECT_TRUE(paper.contains("ACRESCIMO Entrega")) << paper.toStdString();
}
