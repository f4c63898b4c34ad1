// The operator window: each menu item's question, its driver call with the
// operator's name, and the line feed after finishing or cancelling.
#include "meu_pr/meu_pr.h"
#include "support/app_fixture.h"
#include "toolkit/tform.h"

#include <QLabel>
#include <QLineEdit>

class OperatorWindow : public AppFixture {
protected:
    void SetUp() override {
        AppFixture::SetUp();
        startApplication();
    }
    QString question() const { return control<QLabel>("frmopera", "Label1")->text(); }
};

struct OperationRow {
    const char* menuItem;
    int code;
    const char* question;
    const char* call;
    bool feeds;
};

class EachOperation : public OperatorWindow, public ::testing::WithParamInterface<OperationRow> {};

TEST_P(EachOperation, MenuSetsTheCodeAndProssegueSendsTheNameThenCloses) {
    const OperationRow row = GetParam();
    trigger(row.menuItem);
    EXPECT_EQ(OperationCode, row.code);
    EXPECT_TRUE(form("frmopera")->isVisible());
    EXPECT_EQ(activeForm(), form("frmopera"));
    EXPECT_EQ(question(), QString::fromUtf8(row.question));

    log.clear();
    click("frmopera", "Button1");
    QStringList expected{QString::fromUtf8(row.call) + "(\"OPERADOR\")"};
    if (row.feeds) {
        expected.append("ecfLineFeed(1, 8)");
    }
    // Closing hands activation back to the main window, which reads the
    // printer again.
    expected.append("ecfStatusImp()");
    EXPECT_EQ(log.events(), expected);
    EXPECT_FALSE(form("frmopera")->isVisible());
    EXPECT_EQ(activeForm(), form("frmMain"));
}

INSTANTIATE_TEST_SUITE_P(
    SevenCodes, EachOperation,
    ::testing::Values(
        OperationRow{"Finalizavenda1", 6, "Você está finalizando a operação. Prosseguir?",
                     "ecfFimTrans", true},
        OperationRow{"Cancelavenda2", 7, "Você está prestes a cancelar a venda. Prosseguir?",
                     "ecfCancVenda", true},
        OperationRow{"LeituraX1", 14, "Você confirma a impressão de uma leitura X?", "ecfLeituraX",
                     false},
        OperationRow{"LeituraXGerencial1", 10, "Será efetuada uma leitura X gerencial. Confirma?",
                     "ecfLXGerencial", false},
        OperationRow{"ReduoZGerencial1", 11, "Será efetuada uma redução Z gerencial. Confirma?",
                     "ecfRZGerencial", false},
        OperationRow{"ReduoZ1", 13, "Você está prestes a realizar o fechamento do dia!",
                     "ecfReducaoZ", false},
        OperationRow{"Cancelacupom2", 199, "Você irá cancelar o último cupom emitido. Prosseguir?",
                     "ecfCancDoc", true}),
    [](const auto& info) { return std::string(info.param.menuItem); });

TEST_F(OperatorWindow, RefusedFinishShowsTheResultWithoutLineFeed) {
    driver.setResult("ecfFimTrans", 12);
    trigger("Finalizavenda1");
    dialogs.acknowledge();
    log.clear();
    click("frmopera", "Button1");
    EXPECT_EQ(log.events(),
              (QStringList{"ecfFimTrans(\"OPERADOR\")", "message: Retorno: 12", "ecfStatusImp()"}));
    EXPECT_EQ(dialogs.boxes().last().caption, "WIN_ECF");
    EXPECT_FALSE(form("frmopera")->isVisible());
}

TEST_F(OperatorWindow, AbortaSendsNothing) {
    trigger("ReduoZ1");
    driver.clearCalls();
    click("frmopera", "Button2");
    EXPECT_EQ(driver.calls(), QStringList{"ecfStatusImp()"});
    EXPECT_FALSE(form("frmopera")->isVisible());
}

TEST_F(OperatorWindow, NameIsSentAsTypedAndKeptForTheNextUse) {
    trigger("LeituraX1");
    setText("frmopera", "Edit1", "  Zé da Silva ");
    driver.clearCalls();
    click("frmopera", "Button1");
    EXPECT_EQ(driver.calls().first(), "ecfLeituraX(\"  Zé da Silva \")");
    trigger("LeituraX1");
    EXPECT_EQ(control<QLineEdit>("frmopera", "Edit1")->text(), "  Zé da Silva ");
}

TEST_F(OperatorWindow, CodeChosenLastDecidesTheOperation) {
    trigger("Cancelacupom2");
    EXPECT_EQ(OperationCode, 199);
    // Choosing another item while the window is open re-words it.
    trigger("ReduoZ1");
    EXPECT_EQ(OperationCode, 13);
    click("frmopera", "Button2");
    trigger("ReduoZ1");
    EXPECT_EQ(question(), "Você está prestes a realizar o fechamento do dia!");
    driver.clearCalls();
    pressEnter("frmopera");  // Prossegue is the default button
    EXPECT_EQ(driver.calls().first(), "ecfReducaoZ(\"OPERADOR\")");
}

TEST_F(OperatorWindow, UnknownCodeKeepsThePreviousQuestionAndSendsNothing) {
    trigger("LeituraX1");
    click("frmopera", "Button2");
    OperationCode = 42;
    driver.clearCalls();
    static_cast<TForm*>(form("frmopera"))->Show();
    EXPECT_EQ(question(), "Você confirma a impressão de uma leitura X?");
    click("frmopera", "Button1");
    EXPECT_EQ(driver.calls(), QStringList{"ecfStatusImp()"});
}
