// The item discount window: the operation from the choice, both texts as
// typed, the result, and the window staying open.
#include "support/app_fixture.h"
#include "toolkit/tform.h"

#include <QLineEdit>
#include <QRadioButton>

namespace {

QString discount(int operation, const QString& description, const QString& value) {
    return QStringLiteral("ecfDescItem(%1, \"%2\", \"%3\")").arg(operation).arg(description, value);
}

const QString kDefaultDescription = QStringLiteral("Texto descrevendo o desconto no item");

}  // namespace

class ItemDiscountWindow : public AppFixture {
protected:
    void SetUp() override {
        AppFixture::SetUp();
        startApplication();
        trigger("Descontodeitem1");
        log.clear();
    }
};

TEST_F(ItemDiscountWindow, MenuShowsItWithTheDefaults) {
    EXPECT_TRUE(form("cancitm")->isVisible());
    EXPECT_EQ(activeForm(), form("cancitm"));
    EXPECT_EQ(form("cancitm")->windowTitle(), "Desconto de item");
    EXPECT_EQ(form("cancitm")->border(), TForm::Border::SingleNoIcons);
    EXPECT_EQ(control<QRadioButton>("cancitm", "RadioGroup1Item0")->text(), "Realizar desconto");
    EXPECT_EQ(control<QRadioButton>("cancitm", "RadioGroup1Item1")->text(), "Cancelar desconto");
    EXPECT_TRUE(control<QRadioButton>("cancitm", "RadioGroup1Item0")->isChecked());
    auto* description = control<QLineEdit>("cancitm", "Edit1");
    auto* value = control<QLineEdit>("cancitm", "Edit2");
    EXPECT_EQ(description->text(), kDefaultDescription);
    EXPECT_EQ(value->text(), "");
    EXPECT_EQ(description->maxLength(), 60);
    EXPECT_EQ(value->maxLength(), 60);
}

TEST_F(ItemDiscountWindow, DefaultsSendADiscountWithAnEmptyValueAndStayOpen) {
    click("cancitm", "Button1");
    EXPECT_EQ(log.events(), QStringList{discount(0, kDefaultDescription, "")});
    EXPECT_TRUE(form("cancitm")->isVisible());
    EXPECT_EQ(activeForm(), form("cancitm"));
}

TEST_F(ItemDiscountWindow, DiscountThenItsCancellationWithWhatTheFieldsHold) {
    setText("cancitm", "Edit1", "Promoção");
    setText("cancitm", "Edit2", "120");
    click("cancitm", "Button1");
    click("cancitm", "RadioGroup1Item1");
    click("cancitm", "Button1");
    setText("cancitm", "Edit2", "");
    pressEnter("cancitm");  // OK is the default button
    EXPECT_EQ(log.events(),
              (QStringList{discount(0, "Promoção", "120"), discount(1, "Promoção", "120"),
                           discount(1, "Promoção", "")}));
    EXPECT_TRUE(dialogs.boxes().isEmpty());
}

TEST_F(ItemDiscountWindow, RefusalIsShownAndTheWindowStays) {
    driver.setResult("ecfDescItem", 17);
    dialogs.acknowledge();
    setText("cancitm", "Edit2", "50");
    click("cancitm", "Button1");
    EXPECT_EQ(log.events(), (QStringList{discount(0, kDefaultDescription, "50"),
                                         "message: Ocorreu o seguinte erro: 17"}));
    EXPECT_TRUE(form("cancitm")->isVisible());
}

TEST_F(ItemDiscountWindow, CancelaClosesSendingNothingAndTheFieldsStay) {
    click("cancitm", "RadioGroup1Item1");
    setText("cancitm", "Edit2", "99");
    click("cancitm", "Button2");
    EXPECT_EQ(log.events(), QStringList{"ecfStatusImp()"});
    EXPECT_FALSE(form("cancitm")->isVisible());
    trigger("Descontodeitem1");
    EXPECT_TRUE(control<QRadioButton>("cancitm", "RadioGroup1Item1")->isChecked());
    EXPECT_EQ(control<QLineEdit>("cancitm", "Edit2")->text(), "99");
}
