// The non-fiscal sale window: description and value as typed, the voucher
// position as the list's index, one item per Submete, and the window
// staying open for the next.
#include "support/app_fixture.h"
#include "toolkit/tform.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>

namespace {

QString item(const QString& description, const QString& value, int index) {
    return QStringLiteral("ecfVendaItem78(\"%1\", \"%2\", %3)").arg(description, value).arg(index);
}

}  // namespace

class NonFiscalSaleWindow : public AppFixture {
protected:
    void SetUp() override {
        AppFixture::SetUp();
        startApplication();
        // "Não vinculado" on the idle printer: header, voucher, then this window.
        trigger("Novinculado1");
        ASSERT_EQ(driver.calls(), (QStringList{"ecfImpCab(0)", "ecfInicCupomNFiscal(1)"}));
        log.clear();
        driver.clearCalls();
    }

    void choosePosition(int index) {
        auto* list = control<QComboBox>("vendcnf", "ComboBox1");
        list->setCurrentIndex(index);
        emit list->activated(index);
    }
};

TEST_F(NonFiscalSaleWindow, ShownAfterTheVoucherOpensWithTheDefaults) {
    EXPECT_TRUE(form("vendcnf")->isVisible());
    EXPECT_EQ(activeForm(), form("vendcnf"));
    EXPECT_EQ(form("vendcnf")->windowTitle(), "Venda não fiscal");
    EXPECT_EQ(form("vendcnf")->border(), TForm::Border::SingleNoIcons);
    auto* description = control<QLineEdit>("vendcnf", "Edit1");
    auto* value = control<QLineEdit>("vendcnf", "Edit2");
    EXPECT_EQ(description->text(), "Texto descritivo do item");
    EXPECT_EQ(value->text(), "265");
    // No length limit on either.
    EXPECT_EQ(description->maxLength(), QLineEdit().maxLength());
    EXPECT_EQ(value->maxLength(), QLineEdit().maxLength());
    auto* list = control<QComboBox>("vendcnf", "ComboBox1");
    EXPECT_FALSE(list->isEditable());
    ASSERT_EQ(list->count(), 20);
    EXPECT_EQ(list->itemText(0), "Posição 00");
    EXPECT_EQ(list->itemText(19), "Posição 19");
    EXPECT_EQ(list->currentIndex(), -1);
    EXPECT_EQ(control<QLabel>("vendcnf", "Label3")->text(),
              "Utilizar o seguinte comprovante não fiscal:");
}

TEST_F(NonFiscalSaleWindow, SubmeteWithTheDefaultsSendsMinusOneAndStays) {
    click("vendcnf", "Button1");
    EXPECT_EQ(log.events(), QStringList{item("Texto descritivo do item", "265", -1)});
    EXPECT_TRUE(form("vendcnf")->isVisible());
    EXPECT_EQ(activeForm(), form("vendcnf"));
}

TEST_F(NonFiscalSaleWindow, SeveralItemsOneEachWithTheTextsUnformatted) {
    choosePosition(12);
    click("vendcnf", "Button1");
    setText("vendcnf", "Edit1", "Conta de água ");
    setText("vendcnf", "Edit2", "1.000,50");
    choosePosition(0);
    click("vendcnf", "Button1");
    choosePosition(19);
    click("vendcnf", "Button1");
    EXPECT_EQ(log.events(), (QStringList{item("Texto descritivo do item", "265", 12),
                                         item("Conta de água ", "1.000,50", 0),
                                         item("Conta de água ", "1.000,50", 19)}));
    EXPECT_TRUE(form("vendcnf")->isVisible());
}

TEST_F(NonFiscalSaleWindow, RefusalIsShownAndTheWindowStays) {
    driver.queueResults("ecfVendaItem78", {5});
    dialogs.acknowledge();
    choosePosition(4);
    click("vendcnf", "Button1");
    click("vendcnf", "Button1");
    EXPECT_EQ(log.events(), (QStringList{item("Texto descritivo do item", "265", 4),
                                         "message: Ocorreu o seguinte erro: 5",
                                         item("Texto descritivo do item", "265", 4)}));
    EXPECT_TRUE(form("vendcnf")->isVisible());
}

TEST_F(NonFiscalSaleWindow, EnterIsCancelaAndClosesWithoutSelling) {
    pressEnter("vendcnf");
    EXPECT_EQ(log.events(), QStringList{"ecfStatusImp()"});
    EXPECT_FALSE(form("vendcnf")->isVisible());
    EXPECT_EQ(activeForm(), form("frmMain"));
}

TEST_F(NonFiscalSaleWindow, CancelaClosesAndTheFieldsStay) {
    choosePosition(3);
    setText("vendcnf", "Edit2", "990");
    click("vendcnf", "Button2");
    EXPECT_EQ(log.events(), QStringList{"ecfStatusImp()"});
    EXPECT_FALSE(form("vendcnf")->isVisible());
    form("vendcnf")->Show();
    EXPECT_EQ(control<QComboBox>("vendcnf", "ComboBox1")->currentIndex(), 3);
    EXPECT_EQ(control<QLineEdit>("vendcnf", "Edit2")->text(), "990");
}
