// The subtotal adjustment window: kind and cancel flag from the choices,
// both texts as typed, the result, and the window staying open.
#include "support/app_fixture.h"
#include "toolkit/tform.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QRadioButton>
#include <ostream>

namespace {

QString adjustment(int kind, int cancel, const QString& description, const QString& amount) {
    return QStringLiteral("ecfCancAcresDescSubTotal(%1, %2, \"%3\", \"%4\")")
        .arg(kind)
        .arg(cancel)
        .arg(description, amount);
}

const QString kDefaultDescription = QStringLiteral("01234567890123456789012");

}  // namespace

class SubtotalWindow : public AppFixture {
protected:
    void SetUp() override {
        AppFixture::SetUp();
        startApplication();
        trigger("Alteraodesubtotal1");
        log.clear();
    }
};

TEST_F(SubtotalWindow, MenuShowsItWithTheDefaults) {
    EXPECT_TRUE(form("frmadsub")->isVisible());
    EXPECT_EQ(activeForm(), form("frmadsub"));
    EXPECT_EQ(form("frmadsub")->windowTitle(), "Acréscimos ou descontos no subtotal");
    EXPECT_EQ(control<QGroupBox>("frmadsub", "RadioGroup1")->title(), "Alteração ");
    EXPECT_EQ(control<QRadioButton>("frmadsub", "RadioGroup1Item0")->text(),
              "Acréscimo no subtotal");
    EXPECT_EQ(control<QRadioButton>("frmadsub", "RadioGroup1Item1")->text(),
              "Desconto no subtotal");
    EXPECT_TRUE(control<QRadioButton>("frmadsub", "RadioGroup1Item0")->isChecked());
    EXPECT_EQ(control<QLineEdit>("frmadsub", "Edit1")->text(), kDefaultDescription);
    EXPECT_EQ(control<QLineEdit>("frmadsub", "Edit2")->text(), "Edit1");
    EXPECT_FALSE(control<QCheckBox>("frmadsub", "CheckBox1")->isChecked());
    EXPECT_EQ(control<QCheckBox>("frmadsub", "CheckBox1")->text(), "Cancela alteração anterior");
}

TEST_F(SubtotalWindow, DefaultsSendASurchargeOfTheDefaultTextsAndStayOpen) {
    click("frmadsub", "BitBtn1");
    EXPECT_EQ(log.events(), QStringList{adjustment(1, 0, kDefaultDescription, "Edit1")});
    EXPECT_TRUE(form("frmadsub")->isVisible());
    EXPECT_EQ(activeForm(), form("frmadsub"));
}

struct ChoiceRow {
    const char* name;
    const char* item;
    bool cancel;
    int kind;
    int flag;
    friend void PrintTo(const ChoiceRow& row, std::ostream* out) { *out << row.name; }
};

class EachChoice : public SubtotalWindow, public ::testing::WithParamInterface<ChoiceRow> {};

TEST_P(EachChoice, KindAndFlagFollowTheChoices) {
    const ChoiceRow row = GetParam();
    click("frmadsub", row.item);
    control<QCheckBox>("frmadsub", "CheckBox1")->setChecked(row.cancel);
    setText("frmadsub", "Edit1", "Ajuste");
    setText("frmadsub", "Edit2", "150");
    click("frmadsub", "BitBtn1");
    EXPECT_EQ(log.events(), QStringList{adjustment(row.kind, row.flag, "Ajuste", "150")});
}

INSTANTIATE_TEST_SUITE_P(
    KindsAndCancellation, EachChoice,
    ::testing::Values(ChoiceRow{"Surcharge", "RadioGroup1Item0", false, 1, 0},
                      ChoiceRow{"SurchargeCancelled", "RadioGroup1Item0", true, 1, 1},
                      ChoiceRow{"Discount", "RadioGroup1Item1", false, 0, 0},
                      ChoiceRow{"DiscountCancelled", "RadioGroup1Item1", true, 0, 1}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(SubtotalWindow, RefusalIsShownAndTheWindowStaysForAnotherTry) {
    driver.setResult("ecfCancAcresDescSubTotal", 19);
    dialogs.acknowledge();
    click("frmadsub", "BitBtn1");
    EXPECT_EQ(log.events(), (QStringList{adjustment(1, 0, kDefaultDescription, "Edit1"),
                                         "message: Ocorreu o seguinte erro: 19"}));
    EXPECT_EQ(dialogs.boxes().last().caption, "WIN_ECF");
    EXPECT_TRUE(form("frmadsub")->isVisible());

    driver.setResult("ecfCancAcresDescSubTotal", 0);
    setText("frmadsub", "Edit2", "300");
    click("frmadsub", "BitBtn1");
    EXPECT_EQ(driver.calls().last(), adjustment(1, 0, kDefaultDescription, "300"));
    EXPECT_EQ(dialogs.boxes().size(), 1);
}

TEST_F(SubtotalWindow, TextsThatAreNoNumbersGoToThePrinterUnchecked) {
    setText("frmadsub", "Edit1", "");
    setText("frmadsub", "Edit2", " 1,50 ");
    click("frmadsub", "BitBtn1");
    EXPECT_EQ(log.events(), QStringList{adjustment(1, 0, "", " 1,50 ")});
}

TEST_F(SubtotalWindow, EnterSendsAndCancelaClosesKeepingTheFields) {
    click("frmadsub", "RadioGroup1Item1");
    setText("frmadsub", "Edit2", "75");
    pressEnter("frmadsub");
    EXPECT_EQ(log.events(), QStringList{adjustment(0, 0, kDefaultDescription, "75")});

    log.clear();
    click("frmadsub", "BitBtn2");
    EXPECT_EQ(log.events(), QStringList{"ecfStatusImp()"});
    EXPECT_FALSE(form("frmadsub")->isVisible());
    EXPECT_EQ(activeForm(), form("frmMain"));

    trigger("Alteraodesubtotal1");
    EXPECT_TRUE(control<QRadioButton>("frmadsub", "RadioGroup1Item1")->isChecked());
    EXPECT_EQ(control<QLineEdit>("frmadsub", "Edit2")->text(), "75");
}
