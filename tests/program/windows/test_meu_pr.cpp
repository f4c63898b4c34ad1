// The main window: port choice, information panel, menu tree and dispatch.
#include "meu_pr/meu_pr.h"
#include "meu_proj/bench_windows.h"
#include "support/app_fixture.h"
#include "toolkit/form_registry.h"
#include "toolkit/trichedit.h"

#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>

namespace {

const QString kPortQuestion = QStringLiteral(
    "Este programa irá usar a COM1 para se comunicar com a impressora.No entanto, se você "
    "desejar, pode mudar para a COM2. Deseja mudar?");

QStringList panelWith(const QString& portLine, const QStringList& tail) {
    return QStringList{" ",
                       " ",
                       portLine,
                       " ",
                       " ",
                       "VOLDRANE Eletronica Ltda.",
                       "Demonstrativo para Windows 32 bits",
                       "Versão 3.01.107",
                       " ",
                       "Neste momento a impressora está:"} +
           tail;
}

}  // namespace

class MainWindow : public AppFixture {
protected:
    QStringList panel() const { return control<TRichEdit>("frmMain", "RichEdit1")->lines(); }
    // Comes back to the main window from a secondary one, as the operator does.
    void returnToMainWindow() {
        trigger("Statusdotroco3011");
        log.clear();  // the change totaliser window's own query
        form("troco")->Close();
    }
};

TEST_F(MainWindow, FirstActivationWithCom2AndAnIdlePrinter) {
    dialogs.answer(DialogAnswer::Yes);
    dialogs.answer(DialogAnswer::Yes);
    createApplicationForms();
    EXPECT_EQ(log.events(),
              (QStringList{"confirmation: " + kPortQuestion, "ChangePort(1)", "ecfLineFeed(1, 0)",
                           "ecfStatusImp()", "confirmation: A impressora é modelo 3.0 ?"}));
    EXPECT_EQ(panel(), panelWith("Porta COM2 sendo utilizada", {"livre"}));
    EXPECT_EQ(PortChoiceMarker, 314);
    EXPECT_EQ(PrinterStateCode, 0);
    EXPECT_EQ(PrinterStateText, "000");
}

TEST_F(MainWindow, Com1AndAProbeThatFails) {
    driver.setResult("ecfLineFeed", 79);
    dialogs.answer(DialogAnswer::No);
    dialogs.acknowledge();
    dialogs.answer(DialogAnswer::Yes);
    createApplicationForms();
    EXPECT_EQ(driver.calls().mid(0, 2), (QStringList{"ChangePort(0)", "ecfLineFeed(1, 0)"}));
    EXPECT_EQ(dialogs.texts()[1],
              "Ocorreu um problema de comunicação com a impressora. Erro "
              "informado: 79");
    EXPECT_EQ(dialogs.boxes()[1].caption, "WIN_ECF");
    EXPECT_EQ(panel()[2], "A porta selecionada não responde");
    // The port stays chosen: the question is not asked again.
    log.clear();
    returnToMainWindow();
    EXPECT_FALSE(log.events().join('\n').contains(kPortQuestion));
}

TEST_F(MainWindow, DismissedPortQuestionIsAskedAgainAtTheNextActivation) {
    dialogs.answer(DialogAnswer::Closed);
    dialogs.answer(DialogAnswer::Yes);
    createApplicationForms();
    EXPECT_EQ(PortChoiceMarker, 0);
    EXPECT_EQ(driver.callsOf("ChangePort").size(), 0);
    EXPECT_EQ(panel()[2], "Demonstrativo para Win32 - versão 2.0");

    dialogs.answer(DialogAnswer::No);
    log.clear();
    returnToMainWindow();
    EXPECT_EQ(log.events().mid(0, 3), (QStringList{"confirmation: " + kPortQuestion,
                                                   "ChangePort(0)", "ecfLineFeed(1, 0)"}));
    EXPECT_EQ(PortChoiceMarker, 314);
    EXPECT_EQ(panel()[2], "Porta COM1 sendo utilizada");
}

struct StateLine {
    const char* reply;
    int code;
    const char* line;  // nullptr: no line after the heading
};

class PanelState : public MainWindow, public ::testing::WithParamInterface<StateLine> {};

TEST_P(PanelState, StateCodeGivesItsPanelLine) {
    driver.setReply("ecfStatusImp", GetParam().reply);
    startApplication();
    const QStringList tail =
        GetParam().line ? QStringList{QString::fromUtf8(GetParam().line)} : QStringList{};
    EXPECT_EQ(panel(), panelWith("Porta COM1 sendo utilizada", tail));
    EXPECT_EQ(PrinterStateCode, GetParam().code);
}

INSTANTIATE_TEST_SUITE_P(
    Codes, PanelState,
    ::testing::Values(StateLine{"01000011", 0, "livre"}, StateLine{"01065011", 65, "em venda"},
                      StateLine{"01090011", 90, "com cupom aberto"},
                      StateLine{"01115011", 115, "com o fechamento do dia já feito"},
                      StateLine{"01124011", 124, "em linha comercial"},
                      StateLine{"01050011", 50, nullptr}, StateLine{"01101", 101, nullptr}),
    [](const auto& info) { return "code" + std::to_string(info.param.code); });

TEST_F(MainWindow, FailureReplyGivesTwoMessagesAndKeepsTheLastState) {
    driver.setReply("ecfStatusImp", "01065011");
    startApplication();
    driver.setReply("ecfStatusImp", "Erro: 079 impressora desligada");
    dialogs.acknowledge(2);
    log.clear();
    returnToMainWindow();
    EXPECT_EQ(log.events().mid(log.events().indexOf("ecfStatusImp()")),
              (QStringList{"ecfStatusImp()", "message: Ocorreu o erro de número 079",
                           "message: Verifique se a impressora está fora de linha, desligada ou "
                           "desconectada"}));
    EXPECT_EQ(panel(), panelWith("Porta COM1 sendo utilizada",
                                 {"em estado desconhecido devido ao erro 079"}));
    EXPECT_EQ(PrinterStateCode, 65);
    EXPECT_EQ(PrinterStateText, "065");
}

TEST_F(MainWindow, NonNumericStateEndsTheRefreshWithTheConversionError) {
    driver.setReply("ecfStatusImp", "01065011");
    startApplication();
    driver.setReply("ecfStatusImp", "01X5Z011");
    dialogs.acknowledge();
    returnToMainWindow();
    ASSERT_EQ(dialogs.boxes().size(), 1);
    EXPECT_EQ(dialogs.boxes()[0].kind, DialogKind::Exception);
    EXPECT_EQ(dialogs.boxes()[0].text, "'X5Z' is not a valid integer value");
    EXPECT_EQ(panel(), panelWith("Porta COM1 sendo utilizada", {}));
    EXPECT_EQ(PrinterStateCode, 65);
}

TEST_F(MainWindow, EveryActivationReadsThePrinterAgain) {
    startApplication();
    driver.setReply("ecfStatusImp", "01100011");
    returnToMainWindow();
    EXPECT_EQ(driver.callsOf("ecfStatusImp").size(), 1);
    EXPECT_EQ(PrinterStateCode, 100);
    EXPECT_EQ(panel().last(), "em período de venda");
}

TEST_F(MainWindow, LookOfThePanelAndTheWindow) {
    startApplication();
    auto* richEdit = control<TRichEdit>("frmMain", "RichEdit1");
    EXPECT_TRUE(richEdit->isReadOnly());
    EXPECT_EQ(richEdit->backgroundColor(), QColor(Qt::black));
    EXPECT_EQ(richEdit->textColor(), QColor(Qt::cyan));
    EXPECT_TRUE(richEdit->font().bold());
    EXPECT_EQ(richEdit->font().family(), "Courier New");
    EXPECT_EQ(richEdit->font().pointSize(), 10);
    EXPECT_EQ(form("frmMain")->palette().color(QPalette::Window), QColor(0xC0, 0xC0, 0xC0));
    auto* statusBar = control<QStatusBar>("frmMain", "StatusBar1");
    EXPECT_TRUE(statusBar->currentMessage().isEmpty());
    const QPixmap logo = control<QLabel>("frmMain", "Image1")->pixmap();
    EXPECT_FALSE(logo.isNull());
    EXPECT_EQ(logo.size(), QSize(155, 30));
    for (const char* name : {"CheckBox1", "CheckBox7", "Button1", "Button2", "Edit1", "Button3"}) {
        EXPECT_TRUE(control<QWidget>("frmMain", name)->isVisible()) << name;
    }
    EXPECT_EQ(control<QLineEdit>("frmMain", "Edit1")->text(),
              "1234567890123456789012345678901234567890");
}

struct MenuEntry {
    const char* parent;
    const char* name;
    const char* caption;  // nullptr for a separator
    const char* shortcut;
};

// The whole menu tree in display order.
const MenuEntry kMenuTree[] = {
    {"MainMenu1", "Leituras1", "Relatórios", ""},
    {"Leituras1", "LeituraX1", "Leitura X", "Ctrl+X"},
    {"Leituras1", "ReduoZ1", "Redução Z", "Ctrl+Z"},
    {"Leituras1", "LeituraXSerial1", "Leitura X Serial", "Shift+Alt+Backspace"},
    {"Leituras1", "N6", nullptr, ""},
    {"Leituras1", "LeituraXGerencial1", "Leitura X Gerencial", ""},
    {"Leituras1", "ReduoZGerencial1", "Redução Z Gerencial", ""},
    {"Leituras1", "LeituradaMEF1", "Leitura da MEF", ""},
    {"Leituras1", "N1", nullptr, ""},
    {"Leituras1", "Sairdoprograma1", "Sair do programa", "Ctrl+F4"},
    {"MainMenu1", "Status", "Status", ""},
    {"Status", "Statusdaimpressora1", "Status da impressora", "Shift+Ins"},
    {"Status", "Statusdocupom1", "Status do cupom", "Shift+Del"},
    {"Status", "N4", nullptr, ""},
    {"Status", "Statusdasalquotas3001", "Status das alíquotas (3.00)", "Shift+F5"},
    {"Status", "Statusdasformasdepagamento1", "Status das formas de pagamento (3.00)", "Shift+F6"},
    {"Status", "StatusdoscomprovantesNFs1", "Status dos comprovantes NFs (3.00)", "Shift+F7"},
    {"Status", "DadossobreoECF1", "Dados sobre o ECF", "Shift+F8"},
    {"Status", "Dadossobreousurio1", "Dados sobre o usuário", "Shift+F9"},
    {"Status", "N7", nullptr, ""},
    {"Status", "Statusdotroco3011", "Status do troco (3.01)", "Shift+F10"},
    {"Status", "StatusdosCNFvinculados1", "Status dos CNF vinculados (3.01)", "Shift+F11"},
    {"MainMenu1", "Genricos1", "Genéricos", ""},
    {"Genricos1", "Avanodelinha1", "Avanço de linha", "Ctrl+L"},
    {"Genricos1", "Autenticao1", "Autenticação", "Ctrl+A"},
    {"Genricos1", "Aberturadagaveta1", "Abertura da gaveta", "Ctrl+G"},
    {"Genricos1", "N5", nullptr, ""},
    {"Genricos1", "Linhascomerciais1", "Linhas comerciais", "Ctrl+Y"},
    {"Genricos1", "Cheques1", nullptr, ""},
    {"Genricos1", "Cheques2", "Cheques", ""},
    {"MainMenu1", "Cupom1", "Cupom", ""},
    {"Cupom1", "Cupomfiscal1", "Cupom fiscal", ""},
    {"Cupomfiscal1", "Cupomfiscal2", "Cupom fiscal", "Ins"},
    {"Cupomfiscal1", "Cancelacupom2", "Cancela cupom", "Ctrl+Shift+F12"},
    {"Cupomfiscal1", "Cancelavenda2", "Cancela venda", "F12"},
    {"Cupom1", "Cupomnofiscal1", "Cupom não fiscal", ""},
    {"Cupomnofiscal1", "Vinculado1", "Vinculado", ""},
    {"Cupomnofiscal1", "Novinculado1", "Não vinculado", "Del"},
    {"Cupom1", "Operaessobreitens1", "Operações sobre itens", ""},
    {"Operaessobreitens1", "Descontodeitem1", "Desconto de item", "Ctrl+F5"},
    {"Operaessobreitens1", "Cancelaritens1", "Cancelar itens", ""},
    {"Cupom1", "Pagamento1", "Pagamento", "Ctrl+P"},
    {"Cupom1", "Finalizavenda1", "Finaliza venda", "Ctrl+F"},
    {"Cupom1", "Alteraodesubtotal1", "Alteração de subtotal", "Alt+Backspace"},
    {"MainMenu1", "Adicionais1", "Adicionais", ""},
    {"Adicionais1", "Programao1", "Programação (versão 2.04) ", ""},
    {"Adicionais1", "Programaoverso3001", "Programação (versão 3.00) ", ""},
    {"Programaoverso3001", "Tabeladepagamentos1", "Tabela de pagamentos", ""},
    {"Programaoverso3001", "Comprovantesnofiscais1", "Comprovantes não fiscais", ""},
    {"Programaoverso3001", "Programaesgerais1", "Programações gerais", ""},
    {"Adicionais1", "N2", nullptr, ""},
    {"Adicionais1", "Demonstraes1", "Demonstrações para ECF 2.04", ""},
    {"Adicionais1", "Estilodocabealho1", "Estilo do cabeçalho", ""},
    {"Adicionais1", "N3", nullptr, ""},
    {"Adicionais1", "Cores1", "Cores do aplicativo", ""},
    {"Cores1", "Fundodoaplicativo1", "Fundo do aplicativo", ""},
    {"Cores1", "Fundodatela1", "Fundo do painel", ""},
    {"Cores1", "Letrasdopainel1", "Letras do painel", ""},
};

TEST_F(MainWindow, MenuTreeInDisplayOrderWithCaptionsShortcutsAndSeparators) {
    startApplication();
    TForm* main = form("frmMain");
    QMap<QString, QStringList> childrenSeen;
    for (const MenuEntry& entry : kMenuTree) {
        const QString parentName = QString::fromUtf8(entry.parent);
        QWidget* parent = parentName == "MainMenu1"
                              ? static_cast<QWidget*>(main->findChild<QMenuBar*>("MainMenu1"))
                              : main->findChild<QMenu*>(parentName);
        ASSERT_NE(parent, nullptr) << entry.parent;
        const int index = childrenSeen[parentName].size();
        childrenSeen[parentName].append(entry.name);
        ASSERT_LT(index, parent->actions().size()) << entry.name;
        QAction* action = parent->actions()[index];
        EXPECT_EQ(action->objectName(), entry.name);
        if (entry.caption) {
            EXPECT_FALSE(action->isSeparator()) << entry.name;
            EXPECT_EQ(action->text(), QString::fromUtf8(entry.caption)) << entry.name;
        } else {
            EXPECT_TRUE(action->isSeparator()) << entry.name;
        }
        EXPECT_EQ(action->shortcut(), QKeySequence(QString::fromUtf8(entry.shortcut)))
            << entry.name;
    }
    for (auto it = childrenSeen.cbegin(); it != childrenSeen.cend(); ++it) {
        QWidget* parent = it.key() == "MainMenu1"
                              ? static_cast<QWidget*>(main->findChild<QMenuBar*>("MainMenu1"))
                              : main->findChild<QMenu*>(it.key());
        EXPECT_EQ(parent->actions().size(), it.value().size()) << it.key().toStdString();
    }
}

struct ShowItem {
    const char* menuItem;
    const char* formName;
};

class MenuShowsWindow : public MainWindow, public ::testing::WithParamInterface<ShowItem> {};

TEST_P(MenuShowsWindow, ItemShowsItsWindowNonModally) {
    startApplication();
    TForm* target = form(GetParam().formName);
    ASSERT_NE(target, nullptr);
    // Windows that ask or query when they become active get their answers
    // from the window's own tests; here only the show itself counts.
    dialogs.onBox([this](const RecordedBox& box) {
        switch (box.kind) {
            case DialogKind::Input:
                dialogs.typeInput("1");
                break;
            case DialogKind::Confirmation:
            case DialogKind::SystemYesNo:
            case DialogKind::InformationQuestion:
                dialogs.answer(DialogAnswer::No);
                break;
            default:
                dialogs.acknowledge();
        }
    });
    trigger(GetParam().menuItem);
    EXPECT_TRUE(target->isVisible());
    EXPECT_EQ(activeForm(), target);
    EXPECT_FALSE(target->isModal());
    EXPECT_TRUE(form("frmMain")->isVisible());
}

INSTANTIATE_TEST_SUITE_P(
    WindowItems, MenuShowsWindow,
    ::testing::Values(
        ShowItem{"LeituraXSerial1", "xserial"}, ShowItem{"Statusdaimpressora1", "FormStatusImp"},
        ShowItem{"Statusdocupom1", "FormStatusCup"}, ShowItem{"Statusdasalquotas3001", "Form1"},
        ShowItem{"Statusdasformasdepagamento1", "statpay"},
        ShowItem{"StatusdoscomprovantesNFs1", "statnfs"}, ShowItem{"DadossobreoECF1", "stequipo"},
        ShowItem{"Statusdotroco3011", "troco"}, ShowItem{"StatusdosCNFvinculados1", "stvincs"},
        ShowItem{"Linhascomerciais1", "linecom"}, ShowItem{"Cheques2", "frmcheck"},
        ShowItem{"Vinculado1", "cupomnf"}, ShowItem{"Descontodeitem1", "cancitm"},
        ShowItem{"Cancelaritens1", "descitm"}, ShowItem{"Alteraodesubtotal1", "frmadsub"},
        ShowItem{"Programao1", "frmprog"}, ShowItem{"Tabeladepagamentos1", "tablepay"},
        ShowItem{"Comprovantesnofiscais1", "progcnf"}, ShowItem{"Programaesgerais1", "frmprog30"},
        ShowItem{"Demonstraes1", "fdemos"}),
    [](const auto& info) { return std::string(info.param.menuItem); });

TEST_F(MainWindow, SairDoProgramaClosesTheMainWindow) {
    startApplication();
    trigger("Sairdoprograma1");
    EXPECT_FALSE(form("frmMain")->isVisible());
}
