// Start-up: the port question before any other window exists, the model
// question after it, and the registry in its order.
#include "meu_pr/meu_pr.h"
#include "meu_proj/bench_windows.h"
#include "payment/payment.h"
#include "support/app_fixture.h"
#include "toolkit/form_registry.h"

#include <QApplication>
#include <QImage>
#include <QMenu>

namespace {

const QString kPortQuestion = QStringLiteral(
    "Este programa irá usar a COM1 para se comunicar com a impressora.No entanto, se você "
    "desejar, pode mudar para a COM2. Deseja mudar?");

const QStringList kVersion30Items = {
    QStringLiteral("Programaoverso3001"),          QStringLiteral("Statusdasalquotas3001"),
    QStringLiteral("Statusdasformasdepagamento1"), QStringLiteral("StatusdoscomprovantesNFs1"),
    QStringLiteral("Statusdotroco3011"),           QStringLiteral("StatusdosCNFvinculados1")};

}  // namespace

class Startup : public AppFixture {};

TEST_F(Startup, PortQuestionComesBeforeTheOtherWindowsAndModelQuestionAfter) {
    QList<int> formsAtBox;
    dialogs.onBox([&](const RecordedBox&) { formsAtBox.append(FormRegistry::instance().count()); });
    dialogs.answer(DialogAnswer::Yes);  // COM2
    dialogs.answer(DialogAnswer::Yes);  // model 3.0
    createApplicationForms();

    ASSERT_EQ(dialogs.boxes().size(), 2);
    EXPECT_EQ(dialogs.boxes()[0].kind, DialogKind::Confirmation);
    EXPECT_EQ(dialogs.boxes()[0].caption, QStringLiteral("Confirmação"));
    EXPECT_EQ(dialogs.boxes()[0].text, kPortQuestion);
    EXPECT_EQ(dialogs.boxes()[1].text, QStringLiteral("A impressora é modelo 3.0 ?"));
    // Only the main window exists at the port question; the payment window
    // is the tenth of the registry.
    EXPECT_EQ(formsAtBox, (QList<int>{1, 10}));
    EXPECT_EQ(driver.calls(),
              (QStringList{"ChangePort(1)", "ecfLineFeed(1, 0)", "ecfStatusImp()"}));
    EXPECT_EQ(PrinterIsModel30, 1);
}

TEST_F(Startup, RegistryHoldsTheTwentySevenWindowsInOrderWithTheirCaptions) {
    startApplication();
    const QList<QPair<QString, QString>> expected = {
        {"frmMain", "Demonstrativo para ECF-IF VOLDRANE"},
        {"FormStatusCup", "Status do Cupom"},
        {"frmopera", "Operador"},
        {"FormStatusImp", "Status da Impressora"},
        {"xserial", "Leitura X Serial"},
        {"fdemos", "Demonstrações"},
        {"frmprog", "Funções de programação"},
        {"frmitem4", "Venda de item"},
        {"s_venda", "Venda formatada de item"},
        {"frmtopay", "Pagamento"},
        {"frmadsub", "Acréscimos ou descontos no subtotal"},
        {"linecom", "Cadastro de linhas comerciais"},
        {"frmcheck", "Preenchimento de cheques "},
        {"tablepay", "Pagamentos"},
        {"progcnf", "Comprovantes não fiscais"},
        {"cupomnf", "Cupom não fiscal vinculado"},
        {"cancitm", "Desconto de item"},
        {"descitm", "Cancelamento de item"},
        {"frmprog30", "Funções de programação para versão 3.00"},
        {"Form1", "Status das alíquotas cadastradas"},
        {"statpay", "Status das formas de pagamento"},
        {"statnfs", "Status dos documentos não fiscais programados"},
        {"stequipo", "Informações sobre o equipamento"},
        {"statusr", "Informações sobre o usuário"},
        {"vendcnf", "Venda não fiscal"},
        {"troco", "Status do totalizador de troco"},
        {"stvincs", "Status de cupons vinculados pendentes"},
    };
    const QList<TForm*> forms = FormRegistry::instance().forms();
    ASSERT_EQ(forms.size(), expected.size());
    for (int i = 0; i < forms.size(); ++i) {
        EXPECT_EQ(forms[i]->objectName(), expected[i].first);
        EXPECT_EQ(forms[i]->windowTitle(), expected[i].second);
    }
    // Only the main window is shown, maximised, and it is the active form.
    EXPECT_TRUE(forms[0]->isVisible());
    EXPECT_TRUE(forms[0]->isMaximized());
    for (int i = 1; i < forms.size(); ++i) {
        EXPECT_FALSE(forms[i]->isVisible()) << forms[i]->objectName().toStdString();
    }
    EXPECT_EQ(activeForm(), forms[0]);
}

TEST_F(Startup, ModelAnswerNaoDisablesExactlyTheSixVersion30Items) {
    startApplication({DialogAnswer::No, DialogAnswer::No});
    EXPECT_EQ(PrinterIsModel30, 0);
    const TForm* main = form("frmMain");
    for (QAction* action : main->findChildren<QAction*>()) {
        if (action->objectName().isEmpty()) {
            continue;
        }
        const bool version30 = kVersion30Items.contains(action->objectName());
        EXPECT_EQ(action->isEnabled(), !version30) << action->objectName().toStdString();
    }
    EXPECT_FALSE(main->findChild<QMenu*>("Programaoverso3001")->isEnabled());
}

TEST_F(Startup, ModelAnswerSimLeavesEveryItemEnabled) {
    startApplication({DialogAnswer::No, DialogAnswer::Yes});
    for (QAction* action : form("frmMain")->findChildren<QAction*>()) {
        EXPECT_TRUE(action->isEnabled()) << action->objectName().toStdString();
    }
}

TEST_F(Startup, ModelQuestionDoesNotActivateTheMainWindowAgain) {
    startApplication();
    // Only the main window's first activation queried the printer; the
    // question closing did not run it again.
    dialogs.answer(DialogAnswer::No);
    dialogs.answer(DialogAnswer::Yes);
    destroyApplicationForms();
    driver.clearCalls();
    createApplicationForms();
    EXPECT_EQ(driver.callsOf("ecfStatusImp").size(), 1);
}

TEST_F(Startup, EveryWindowCarriesTheBenchIcon) {
    startApplication();
    const QIcon icon = QApplication::windowIcon();
    ASSERT_FALSE(icon.isNull());
    for (int size : {16, 24, 32, 48, 64, 128, 256})
        EXPECT_TRUE(icon.availableSizes().contains(QSize(size, size))) << size;
    // The logo's navy field at the corner's inside, the receipt's off-white
    // at the centre: the bench's own picture, not a placeholder.
    const QImage picture = icon.pixmap(QSize(64, 64)).toImage();
    ASSERT_EQ(picture.size(), QSize(64, 64));
    EXPECT_EQ(picture.pixelColor(6, 32), QColor(0x00, 0x28, 0x5A));
    EXPECT_EQ(picture.pixelColor(18, 46), QColor(0xF5, 0xF5, 0xEB));
    const QList<TForm*> forms = FormRegistry::instance().forms();
    ASSERT_EQ(forms.size(), 27);
    for (TForm* form : forms)
        EXPECT_EQ(form->windowIcon().cacheKey(), icon.cacheKey())
            << form->objectName().toStdString();
}
