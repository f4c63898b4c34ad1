// A whole fiscal coupon through the windows on the emulated printer: the
// header, items of both kinds, a split payment with the commercial lines,
// and the closing.
#include "e2e/e2e_fixture.h"
#include "meu_pr/meu_pr.h"
#include "toolkit/trichedit.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QTextStream>

class WholeCoupon : public EndToEnd {
protected:
    void chooseEntry(const QString& formName, const QString& comboName, int index) {
        auto* combo = control<QComboBox>(formName, comboName);
        combo->setCurrentIndex(index);
        emit combo->activated(index);
    }

    void registerCommercialLines(const QStringList& lines) {
        trigger("Linhascomerciais1");
        for (int i = 0; i < lines.size(); ++i) {
            setText("linecom", QStringLiteral("Edit%1").arg(i + 1), lines[i]);
        }
        click("linecom", "Button1");  // Salvar
    }

    // The cents of the subtotal field the printer reports now.
    qint64 subtotalCents() {
        QString field = sliceField(couponStatus(), CouponStatusFields::Subtotal).trimmed();
        field.remove('.').remove(',');
        return field.toLongLong();
    }
};

TEST_F(WholeCoupon, SoldPaidInTwoPartsWithCommercialLinesAndFinished) {
    startApplication();
    registerCommercialLines(
        {"Obrigado pela preferência", "Volte sempre", "", "", "", "", "", "Fim das linhas"});
    EXPECT_TRUE(QFile::exists("linescom.txt"));

    // Header options: a blank line after the CGC and the two free lines.
    control<QCheckBox>("frmMain", "CheckBox1")->setChecked(true);
    click("frmMain", "Button1");
    ASSERT_EQ(HeaderFlags, 33);

    // Insert: the header, then the item sale window with its tax list.
    dialogs.answer(DialogAnswer::Yes);  // the printer formats the item line
    dialogs.answer(DialogAnswer::Yes);  // version 3.00
    trigger("Cupomfiscal2");
    EXPECT_EQ(driver.callsOf("ecfImpCab"), QStringList{"ecfImpCab(33)"});
    dialogs.clear();
    ASSERT_TRUE(form("frmitem4")->isVisible());
    setText("frmitem4", "Edit3", "7891000100103");
    setText("frmitem4", "Edit4", "CAFE TORRADO 500G");
    setText("frmitem4", "Edit1", "002");
    setText("frmitem4", "Edit2", "000");
    setText("frmitem4", "Edit5", "1250");
    chooseEntry("frmitem4", "ComboBox1", 0);
    click("frmitem4", "BitBtn1");
    EXPECT_TRUE(dialogs.boxes().isEmpty()) << dialogs.texts().join('\n').toStdString();
    EXPECT_FALSE(form("frmitem4")->isVisible());
    EXPECT_EQ(PrinterStateCode, 65);

    // A pre-formatted item from the formatted sale window.
    form("s_venda")->Show();
    setText("s_venda", "Edit4", "123");
    setText("s_venda", "Edit1", "ACUCAR CRISTAL 1KG");
    setText("s_venda", "Edit2", "3");
    setText("s_venda", "Edit3", "0");
    setText("s_venda", "Edit5", "450");
    chooseEntry("s_venda", "ComboBox1", 1);
    click("s_venda", "BitBtn1");
    EXPECT_TRUE(dialogs.boxes().isEmpty()) << dialogs.texts().join('\n').toStdString();
    EXPECT_EQ(driver.callsOf("ecfVendaItem78").size(), 1);
    EXPECT_EQ(subtotalCents(), 2 * 1250 + 3 * 450);

    // Ctrl+P: two payments in cash; the commercial lines after the second.
    trigger("Pagamento1");
    ASSERT_TRUE(form("frmtopay")->isVisible());
    EXPECT_EQ(control<QWidget>("frmtopay", "StaticText1")->property("text").toString().trimmed(),
              "38,50");
    chooseEntry("frmtopay", "ComboBox2", 0);
    setText("frmtopay", "Edit1", "2000");
    dialogs.acknowledge();  // "Posição na tabela: 00"
    click("frmtopay", "BitBtn1");
    EXPECT_TRUE(form("frmtopay")->isVisible());
    EXPECT_EQ(printerState(), 123);

    control<QCheckBox>("frmtopay", "CheckBox2")->setChecked(true);
    setText("frmtopay", "Edit1", "2000");
    dialogs.acknowledge();
    click("frmtopay", "BitBtn1");
    EXPECT_EQ(dialogs.texts(), (QStringList{"Posição na tabela: 00", "Posição na tabela: 00"}));
    EXPECT_FALSE(form("frmtopay")->isVisible());
    EXPECT_EQ(driver.callsOf("ecfImpLinha").size(), 8);
    EXPECT_EQ(printerState(), 124);

    // Ctrl+F: finish with the operator's name.
    trigger("Finalizavenda1");
    click("frmopera", "Button1");
    EXPECT_EQ(dialogs.boxes().size(), 2) << dialogs.texts().join('\n').toStdString();
    EXPECT_EQ(PrinterStateCode, 100);
    EXPECT_EQ(control<TRichEdit>("frmMain", "RichEdit1")->lines().last(), "em período de venda");

    // The emulator's own view: the day's grand total and the paper roll.
    QString grandTotal = sliceField(couponStatus(), CouponStatusFields::GrandTotal).trimmed();
    EXPECT_EQ(grandTotal, "38,50");
    const QString paper = paperText().join('\n');
    for (const char* expected : {"CAFE TORRADO 500G", "ACUCAR CRISTAL 1KG", "Volte sempre",
                                 "Fim das linhas", "OPERADOR", "TROCO", "1,50"}) {
        EXPECT_TRUE(paper.contains(QString::fromLatin1(expected))) << expected << "\n"
                                                                   << paper.toStdString();
    }
}
