// The item cancellation window: the last item or the item at a position,
// the position field following the choice, the result, and the closing.
#include "support/app_fixture.h"
#include "toolkit/tform.h"

#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>

namespace {

const QString kDefaultDescription = QStringLiteral("Texto descrevendo o desconto no item");

}  // namespace

class ItemCancellationWindow : public AppFixture {
protected:
    void SetUp() override {
        AppFixture::SetUp();
        startApplication();
        trigger("Cancelaritens1");
        log.clear();
    }

    bool positionEnabled() const {
        const bool label = control<QLabel>("descitm", "Label2")->isEnabled();
        const bool edit = control<QLineEdit>("descitm", "Edit2")->isEnabled();
        EXPECT_EQ(label, edit);
        return edit;
    }
};

TEST_F(ItemCancellationWindow, MenuShowsItWithTheDefaults) {
    EXPECT_TRUE(form("descitm")->isVisible());
    EXPECT_EQ(activeForm(), form("descitm"));
    EXPECT_EQ(form("descitm")->windowTitle(), "Cancelamento de item");
    EXPECT_EQ(form("descitm")->border(), TForm::Border::SingleNoIcons);
    EXPECT_EQ(control<QRadioButton>("descitm", "RadioGroup1Item0")->text(), "Último item");
    EXPECT_EQ(control<QRadioButton>("descitm", "RadioGroup1Item1")->text(), "Item específico");
    EXPECT_TRUE(control<QRadioButton>("descitm", "RadioGroup1Item0")->isChecked());
    EXPECT_EQ(control<QLabel>("descitm", "Label2")->text(), "Posição do item específico:");
    EXPECT_EQ(control<QLineEdit>("descitm", "Edit1")->text(), kDefaultDescription);
    EXPECT_EQ(control<QLineEdit>("descitm", "Edit2")->text(), "0001");
    EXPECT_EQ(control<QLineEdit>("descitm", "Edit1")->maxLength(), 60);
    EXPECT_EQ(control<QLineEdit>("descitm", "Edit2")->maxLength(), 60);
    // Enabled at the start, though the last item is chosen.
    EXPECT_TRUE(positionEnabled());
}

TEST_F(ItemCancellationWindow, DefaultsCancelTheLastItemWithTheDescriptionAndClose) {
    click("descitm", "Button1");
    EXPECT_EQ(log.events(),
              (QStringList{"ecfCancItem(\"" + kDefaultDescription + "\")", "ecfStatusImp()"}));
    EXPECT_FALSE(form("descitm")->isVisible());
    EXPECT_EQ(activeForm(), form("frmMain"));
}

TEST_F(ItemCancellationWindow, ChoiceEnablesAndDisablesThePosition) {
    click("descitm", "RadioGroup1Item0");
    EXPECT_FALSE(positionEnabled());
    click("descitm", "RadioGroup1Item1");
    EXPECT_TRUE(positionEnabled());
    click("descitm", "RadioGroup1Item1");
    EXPECT_TRUE(positionEnabled());
    click("descitm", "RadioGroup1Item0");
    EXPECT_FALSE(positionEnabled());
    EXPECT_TRUE(log.events().isEmpty());
}

TEST_F(ItemCancellationWindow, GivenItemSendsThePositionAsTypedThenTheDescription) {
    click("descitm", "RadioGroup1Item1");
    click("descitm", "Button1");
    EXPECT_EQ(driver.calls().first(), "ecfCancItemDef(\"0001\", \"" + kDefaultDescription + "\")");

    // Neither filled nor converted.
    trigger("Cancelaritens1");
    setText("descitm", "Edit2", "7");
    setText("descitm", "Edit1", "Item errado");
    driver.clearCalls();
    pressEnter("descitm");  // OK is the default button
    EXPECT_EQ(driver.calls(),
              (QStringList{"ecfCancItemDef(\"7\", \"Item errado\")", "ecfStatusImp()"}));
    EXPECT_FALSE(form("descitm")->isVisible());
}

TEST_F(ItemCancellationWindow, RefusalIsShownAndTheWindowStillCloses) {
    driver.setResult("ecfCancItem", 16);
    dialogs.acknowledge();
    click("descitm", "Button1");
    EXPECT_EQ(log.events(),
              (QStringList{"ecfCancItem(\"" + kDefaultDescription + "\")",
                           "message: Ocorreu o seguinte erro: 16", "ecfStatusImp()"}));
    EXPECT_FALSE(form("descitm")->isVisible());

    driver.setResult("ecfCancItemDef", 2);
    trigger("Cancelaritens1");
    click("descitm", "RadioGroup1Item1");
    dialogs.acknowledge();
    log.clear();
    click("descitm", "Button1");
    EXPECT_EQ(log.events(),
              (QStringList{"ecfCancItemDef(\"0001\", \"" + kDefaultDescription + "\")",
                           "message: Ocorreu o seguinte erro: 2", "ecfStatusImp()"}));
}

TEST_F(ItemCancellationWindow, CancelaClosesSendingNothingAndKeepsTheChoice) {
    click("descitm", "RadioGroup1Item0");
    setText("descitm", "Edit1", "Outro texto");
    click("descitm", "Button2");
    EXPECT_EQ(log.events(), QStringList{"ecfStatusImp()"});
    EXPECT_FALSE(form("descitm")->isVisible());
    trigger("Cancelaritens1");
    EXPECT_FALSE(positionEnabled());
    EXPECT_EQ(control<QLineEdit>("descitm", "Edit1")->text(), "Outro texto");
}
