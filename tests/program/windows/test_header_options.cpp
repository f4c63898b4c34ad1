// The header-style options: the option word, the sample header and the
// panel refresh that follows OK and Cancelar.
#include "meu_pr/meu_pr.h"
#include "support/app_fixture.h"
#include "toolkit/trichedit.h"

#include <QCheckBox>

namespace {

const QString kEquals = QString(40, '=');
const QString kBlanks = QString(40, ' ');
const QString kAddress1 = "****** VOLDRANE ELETRÔNICA LTDA.  ******";
const QString kAddress2 = "Rua Acácias, 208 - Jd. Aurora  91350-120";
const QString kAddress3 = "Campo Sereno - Rio Grande do Sul - BR";
const QString kCgc = "CGC 012345678901234567  IE 012345678-901";
const QString kTime = "== 13:45 ===============================";
const QString kCupom = "              CUPOM FISCAL              ";
const QString kFree1 = " Estas linhas são geralmente usadas para";
const QString kFree2 = "informar o formato da impressão de itens";

}  // namespace

class HeaderOptions : public AppFixture {
protected:
    void SetUp() override {
        AppFixture::SetUp();
        startApplication();
    }
    QCheckBox* box(int n) const {
        return control<QCheckBox>("frmMain", QStringLiteral("CheckBox%1").arg(n));
    }
    void setBoxes(QList<int> checked) {
        for (int n = 1; n <= 7; ++n) {
            box(n)->setChecked(checked.contains(n));
        }
    }
    QStringList panel() const { return control<TRichEdit>("frmMain", "RichEdit1")->lines(); }
};

TEST_F(HeaderOptions, FlagsAreZeroUntilTheFirstOkAlthoughCheckBox5StartsChecked) {
    EXPECT_TRUE(box(5)->isChecked());
    for (int n : {1, 2, 3, 4, 6, 7}) {
        EXPECT_FALSE(box(n)->isChecked()) << n;
    }
    EXPECT_EQ(HeaderFlags, 0);
    click("frmMain", "Button1");
    EXPECT_EQ(HeaderFlags, 32);
}

TEST_F(HeaderOptions, OkAddsTheBitsOfTheCheckedBoxes) {
    const QList<QPair<QList<int>, int>> cases = {
        {{1, 5}, 33}, {{1, 2, 3, 4, 5, 6, 7}, 247}, {{}, 0}, {{4}, 16}, {{6, 7}, 192}, {{2, 3}, 6}};
    for (const auto& [checked, flags] : cases) {
        setBoxes(checked);
        click("frmMain", "Button1");
        EXPECT_EQ(HeaderFlags, flags);
    }
}

TEST_F(HeaderOptions, OkRefreshesThePanelWithTheHelpLinesAndKeepsTheOptions) {
    driver.clearCalls();
    pressEnter("frmMain");  // OK is the main window's default button
    EXPECT_EQ(driver.calls(), QStringList{"ecfStatusImp()"});
    EXPECT_EQ(panel(), (QStringList{" ", " ", "Porta COM1 sendo utilizada", " ", " ",
                                    "Para iniciar cupom fiscal, pressione INSERT",
                                    "Para vender um item, pressione INSERT",
                                    "Para pagar, pressione CTRL + P", " ",
                                    "Neste momento a impressora está:", "livre"}));
    EXPECT_TRUE(box(1)->isVisible());
}

TEST_F(HeaderOptions, SampleWithEveryBoxChecked) {
    setBoxes({1, 2, 3, 4, 5, 6});
    box(7)->click();
    EXPECT_EQ(panel(), (QStringList{kBlanks, kCgc, kBlanks, kTime, kBlanks, kCupom, kBlanks, kFree1,
                                    kFree2}));
}

TEST_F(HeaderOptions, SampleWithNoBoxCheckedHasSevenLines) {
    setBoxes({5});
    box(5)->click();
    EXPECT_EQ(panel(),
              (QStringList{kEquals, kAddress1, kAddress2, kAddress3, kCgc, kTime, kCupom}));
    EXPECT_EQ(kAddress3.size(), 37);
    for (const QString& line : panel()) {
        if (line != kAddress3) {
            EXPECT_EQ(line.size(), 40) << line.toStdString();
        }
    }
}

TEST_F(HeaderOptions, ToggleingCheckBox4RedrawsAnUnchangedSample) {
    box(1)->click();
    const QStringList before = panel();
    box(4)->click();
    EXPECT_EQ(panel(), before);
    EXPECT_EQ(before, (QStringList{kEquals, kAddress1, kAddress2, kAddress3, kCgc, kBlanks, kTime,
                                   kCupom, kFree1, kFree2}));
}

TEST_F(HeaderOptions, CancelarHidesTheOptionsAndKeepsTheFlags) {
    setBoxes({1, 5});
    click("frmMain", "Button1");
    box(7)->click();
    driver.clearCalls();
    click("frmMain", "Button2");
    EXPECT_EQ(HeaderFlags, 33);
    EXPECT_EQ(driver.calls(), QStringList{"ecfStatusImp()"});
    EXPECT_EQ(panel()[5], "Para iniciar cupom fiscal, pressione INSERT");
    for (const char* name : {"CheckBox1", "CheckBox4", "CheckBox7", "Button1", "Button2"}) {
        EXPECT_FALSE(control<QWidget>("frmMain", name)->isVisible()) << name;
    }

    trigger("Estilodocabealho1");
    for (const char* name : {"CheckBox1", "CheckBox4", "CheckBox7", "Button1", "Button2"}) {
        EXPECT_TRUE(control<QWidget>("frmMain", name)->isVisible()) << name;
    }
    EXPECT_TRUE(box(7)->isChecked());
    EXPECT_EQ(panel().first(), kBlanks);
    EXPECT_EQ(HeaderFlags, 33);
}
