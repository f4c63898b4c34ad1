// The linked non-fiscal voucher window: a plain header, then the voucher
// with the coupon's COO, the voucher position and the value; each refusal
// shown once, and the window closing whatever happened.
#include "meu_pr/meu_pr.h"
#include "support/app_fixture.h"
#include "toolkit/tform.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <ostream>

namespace {

QString voucher(const QString& coo, const QString& position, const QString& value) {
    return QStringLiteral("ecfInicCNFVinculado(\"%1\", \"%2\", \"%3\")").arg(coo, position, value);
}

}  // namespace

class LinkedVoucherWindow : public AppFixture {
protected:
    void SetUp() override {
        AppFixture::SetUp();
        startApplication();
        trigger("Vinculado1");
        log.clear();
    }

    void choosePosition(int index) {
        auto* list = control<QComboBox>("cupomnf", "ComboBox1");
        list->setCurrentIndex(index);
        emit list->activated(index);
    }
};

TEST_F(LinkedVoucherWindow, MenuShowsItWithTheDefaults) {
    EXPECT_TRUE(form("cupomnf")->isVisible());
    EXPECT_EQ(activeForm(), form("cupomnf"));
    EXPECT_EQ(form("cupomnf")->windowTitle(), "Cupom não fiscal vinculado");
    EXPECT_EQ(form("cupomnf")->border(), TForm::Border::SingleNoIcons);
    auto* list = control<QComboBox>("cupomnf", "ComboBox1");
    EXPECT_FALSE(list->isEditable());
    ASSERT_EQ(list->count(), 21);
    EXPECT_EQ(list->itemText(0), "Posição 00");
    EXPECT_EQ(list->itemText(20), "Posição 20");
    EXPECT_EQ(list->currentIndex(), -1);
    EXPECT_EQ(
        list->toolTip(),
        "Posição que este comprovante vinculado ocupa na tabela de comprovantes não fiscais.");
    auto* value = control<QLineEdit>("cupomnf", "Edit1");
    auto* coo = control<QLineEdit>("cupomnf", "Edit2");
    EXPECT_EQ(value->text(), "100");
    EXPECT_EQ(value->maxLength(), 9);
    EXPECT_EQ(coo->text(), "");
    EXPECT_EQ(coo->maxLength(), 6);
    EXPECT_EQ(control<QLabel>("cupomnf", "Label2")->text(),
              "Valor do cupom fiscal ao qual foi vinculado: ");
    EXPECT_EQ(control<QLabel>("cupomnf", "Label3")->text(), "Contador de ordem de operação:");
    EXPECT_EQ(coo->toolTip(),
              "Este número é o COO, número do cupom fiscal ao qual o "
              "comprovante não fiscal será vinculado");
}

TEST_F(LinkedVoucherWindow, OkWithoutPositionSendsMinusOneAfterThePlainHeader) {
    dialogs.acknowledge();
    click("cupomnf", "Button2");
    EXPECT_EQ(log.events(), (QStringList{"ecfImpCab(0)", voucher("", "0-1", "100"),
                                         "message: Concluído com sucesso!", "ecfStatusImp()"}));
    EXPECT_FALSE(form("cupomnf")->isVisible());
    EXPECT_EQ(activeForm(), form("frmMain"));
}

TEST_F(LinkedVoucherWindow, HeaderOptionsOfTheMainWindowAreNotUsed) {
    HeaderFlags = 33;
    choosePosition(5);
    setText("cupomnf", "Edit2", "000123");
    dialogs.acknowledge();
    click("cupomnf", "Button2");
    EXPECT_EQ(driver.calls().mid(0, 2),
              (QStringList{"ecfImpCab(0)", voucher("000123", "05", "100")}));
}

struct PositionRow {
    int index;
    const char* code;
    friend void PrintTo(const PositionRow& row, std::ostream* out) { *out << row.code; }
};

class EachPosition : public LinkedVoucherWindow,
                     public ::testing::WithParamInterface<PositionRow> {};

TEST_P(EachPosition, PositionIsTwoDigits) {
    choosePosition(GetParam().index);
    setText("cupomnf", "Edit2", "42");
    setText("cupomnf", "Edit1", "1999");
    dialogs.acknowledge();
    click("cupomnf", "Button2");
    EXPECT_EQ(driver.callsOf("ecfInicCNFVinculado"),
              QStringList{voucher("42", QString::fromLatin1(GetParam().code), "1999")});
}

INSTANTIATE_TEST_SUITE_P(Positions, EachPosition,
                         ::testing::Values(PositionRow{0, "00"}, PositionRow{9, "09"},
                                           PositionRow{10, "10"}, PositionRow{20, "20"}),
                         [](const auto& info) { return std::string(info.param.code); });

TEST_F(LinkedVoucherWindow, RefusedHeaderShowsOneMessageAndSendsNothingMore) {
    driver.setResult("ecfImpCab", 12);
    dialogs.acknowledge();
    click("cupomnf", "Button2");
    EXPECT_EQ(log.events(), (QStringList{"ecfImpCab(0)", "message: Ocorreu o seguinte erro: 12",
                                         "ecfStatusImp()"}));
    EXPECT_FALSE(form("cupomnf")->isVisible());
}

TEST_F(LinkedVoucherWindow, RefusedVoucherIsShownWithoutTheSuccessMessage) {
    driver.setResult("ecfInicCNFVinculado", 26);
    choosePosition(4);
    setText("cupomnf", "Edit2", "000007");
    dialogs.acknowledge();
    click("cupomnf", "Button2");
    EXPECT_EQ(log.events(),
              (QStringList{"ecfImpCab(0)", voucher("000007", "04", "100"),
                           "message: Ocorreu o seguinte erro: 26", "ecfStatusImp()"}));
    EXPECT_FALSE(form("cupomnf")->isVisible());
}

TEST_F(LinkedVoucherWindow, EnterIsCancelaAndLeavesWithoutSending) {
    setText("cupomnf", "Edit2", "000123");
    pressEnter("cupomnf");
    EXPECT_EQ(log.events(), QStringList{"ecfStatusImp()"});
    EXPECT_FALSE(form("cupomnf")->isVisible());

    // The fields are kept for the next showing.
    trigger("Vinculado1");
    EXPECT_EQ(control<QLineEdit>("cupomnf", "Edit2")->text(), "000123");
    click("cupomnf", "Button1");
    EXPECT_FALSE(form("cupomnf")->isVisible());
}
