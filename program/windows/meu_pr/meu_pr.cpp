#include "meu_pr/meu_pr.h"

#include "ui_meu_pr.h"

#include "driver/codepage.h"
#include "driver/fiscal_driver.h"
#include "driver/reply.h"
#include "toolkit/app_environment.h"
#include "toolkit/convert.h"
#include "toolkit/form_registry.h"
#include "toolkit/handlers.h"
#include "wincommon/report.h"

#include <QTime>

int32_t OperationCode = 0;
int32_t HeaderFlags = 0;
int32_t PrinterStateCode = 0;
QString PrinterStateText;
QByteArray LastStatusReply;
int32_t SaleWindowKind = 0;
int32_t PortChoiceMarker = 0;
QString PanelStatusLine;

QPointer<TfrmMain> frmMain;

void resetSharedValues() {
    OperationCode = 0;
    HeaderFlags = 0;
    PrinterStateCode = 0;
    PrinterStateText.clear();
    LastStatusReply.clear();
    SaleWindowKind = 0;
    PortChoiceMarker = 0;
    PanelStatusLine.clear();
}

namespace {

// The operation codes of the operator window.
namespace Operation {
constexpr int32_t FinishSale = 6;
constexpr int32_t CancelSale = 7;
constexpr int32_t ManagerialX = 10;
constexpr int32_t ManagerialZ = 11;
constexpr int32_t ZReduction = 13;
constexpr int32_t XReading = 14;
constexpr int32_t CancelCoupon = 199;
}  // namespace Operation

// Header option bits, in the order the boxes add them.
constexpr int kHeaderBits[7] = {1, 2, 4, 16, 32, 64, 128};

const QString kBlankLine = QStringLiteral(" ");
const QString kBlank40 = QString(40, QLatin1Char(' '));

// The panel's letter size, which every refresh restores.
constexpr int kPanelPoints = 10;

// The longest authentication line the printer prints whole.
constexpr int kAuthenticationWidth = 48;

}  // namespace

// The logo lives in the windows library's resources, which a static library
// must register itself.
static void initMainWindowResources() {
    Q_INIT_RESOURCE(meu_pr);
}

TfrmMain::TfrmMain(QWidget* parent) : TForm(parent), ui_(std::make_unique<Ui::TfrmMain>()) {
    initMainWindowResources();
    ui_->setupUi(this);
    setBorder(Border::SingleDialog);
    setVisibleAtCreation(true);
    setStartsMaximized(true);
    setDefaultButton(ui_->Button1);

    QPalette windowPalette = palette();
    windowPalette.setColor(QPalette::Window, QColor(0xC0, 0xC0, 0xC0));
    setPalette(windowPalette);
    setAutoFillBackground(true);

    // The panel's letters already at the size every refresh gives them, so
    // that only one size of them is ever loaded.
    QFont panelFont(QStringLiteral("Courier New"), kPanelPoints);
    panelFont.setStyleHint(QFont::Monospace);
    panelFont.setBold(true);
    ui_->RichEdit1->setFont(panelFont);
    ui_->RichEdit1->setBackgroundColor(Qt::black);
    ui_->RichEdit1->setTextColor(Qt::cyan);

    ui_->StatusBar1->setSizeGripEnabled(false);

    NameSeparators();
    ConnectMenu();
}

TfrmMain::~TfrmMain() = default;

void TfrmMain::NameSeparators() {
    const QList<QPair<QMenu*, QStringList>> separators = {
        {ui_->Leituras1, {QStringLiteral("N6"), QStringLiteral("N1")}},
        {ui_->Status, {QStringLiteral("N4"), QStringLiteral("N7")}},
        {ui_->Genricos1, {QStringLiteral("N5"), QStringLiteral("Cheques1")}},
        {ui_->Adicionais1, {QStringLiteral("N2"), QStringLiteral("N3")}},
    };
    for (const auto& [menu, names] : separators) {
        int next = 0;
        for (QAction* action : menu->actions()) {
            if (action->isSeparator() && next < names.size()) {
                action->setObjectName(names[next++]);
            }
        }
    }
    // A submenu's entry in its parent menu carries the submenu's name too.
    for (QMenu* menu : findChildren<QMenu*>()) {
        menu->menuAction()->setObjectName(menu->objectName());
    }
}

void TfrmMain::ConnectMenu() {
    // Menu items that show a window of the registry.
    const QList<QPair<QAction*, QString>> windowItems = {
        {ui_->LeituraXSerial1, QStringLiteral("xserial")},
        {ui_->Statusdaimpressora1, QStringLiteral("FormStatusImp")},
        {ui_->Statusdocupom1, QStringLiteral("FormStatusCup")},
        {ui_->Statusdasalquotas3001, QStringLiteral("Form1")},
        {ui_->Statusdasformasdepagamento1, QStringLiteral("statpay")},
        {ui_->StatusdoscomprovantesNFs1, QStringLiteral("statnfs")},
        {ui_->DadossobreoECF1, QStringLiteral("stequipo")},
        {ui_->Dadossobreousurio1, QStringLiteral("statusr")},
        {ui_->Statusdotroco3011, QStringLiteral("troco")},
        {ui_->StatusdosCNFvinculados1, QStringLiteral("stvincs")},
        {ui_->Linhascomerciais1, QStringLiteral("linecom")},
        {ui_->Cheques2, QStringLiteral("frmcheck")},
        {ui_->Vinculado1, QStringLiteral("cupomnf")},
        {ui_->Descontodeitem1, QStringLiteral("cancitm")},
        {ui_->Cancelaritens1, QStringLiteral("descitm")},
        {ui_->Pagamento1, QStringLiteral("frmtopay")},
        {ui_->Alteraodesubtotal1, QStringLiteral("frmadsub")},
        {ui_->Programao1, QStringLiteral("frmprog")},
        {ui_->Tabeladepagamentos1, QStringLiteral("tablepay")},
        {ui_->Comprovantesnofiscais1, QStringLiteral("progcnf")},
        {ui_->Programaesgerais1, QStringLiteral("frmprog30")},
        {ui_->Demonstraes1, QStringLiteral("fdemos")},
    };
    for (const auto& [action, formName] : windowItems) {
        const QString name = formName;
        connect(action, &QAction::triggered, this, [name] {
            if (TForm* form = FormRegistry::instance().find(name)) {
                form->Show();
            }
        });
    }

    // Menu items that lead to the operator window.
    const QList<QPair<QAction*, int32_t>> operatorItems = {
        {ui_->LeituraX1, Operation::XReading},
        {ui_->ReduoZ1, Operation::ZReduction},
        {ui_->LeituraXGerencial1, Operation::ManagerialX},
        {ui_->ReduoZGerencial1, Operation::ManagerialZ},
        {ui_->Cancelacupom2, Operation::CancelCoupon},
        {ui_->Cancelavenda2, Operation::CancelSale},
        {ui_->Finalizavenda1, Operation::FinishSale},
    };
    for (const auto& [action, code] : operatorItems) {
        const int32_t operation = code;
        connect(action, &QAction::triggered, this, [this, operation] {
            runHandler([this, operation] { ShowOperatorWindow(operation); }, this);
        });
    }

    connect(ui_->Sairdoprograma1, &QAction::triggered, this, &TfrmMain::Close);
    connectHandler(ui_->Cupomfiscal2, &QAction::triggered, this, &TfrmMain::Cupomfiscal2Click);
    connectHandler(ui_->Novinculado1, &QAction::triggered, this, &TfrmMain::Novinculado1Click);
    connectHandler(ui_->Estilodocabealho1, &QAction::triggered, this,
                   &TfrmMain::Estilodocabealho1Click);
    connectHandler(ui_->Avanodelinha1, &QAction::triggered, this, &TfrmMain::Avanodelinha1Click);
    connectHandler(ui_->Aberturadagaveta1, &QAction::triggered, this,
                   &TfrmMain::Aberturadagaveta1Click);
    connectHandler(ui_->Autenticao1, &QAction::triggered, this, &TfrmMain::Autenticao1Click);
    connectHandler(ui_->Button3, &QPushButton::clicked, this, &TfrmMain::Button3Click);
    connectHandler(ui_->LeituradaMEF1, &QAction::triggered, this, &TfrmMain::LeituradaMEF1Click);
    connectHandler(ui_->Fundodoaplicativo1, &QAction::triggered, this,
                   &TfrmMain::Fundodoaplicativo1Click);
    connectHandler(ui_->Fundodatela1, &QAction::triggered, this, &TfrmMain::Fundodatela1Click);
    connectHandler(ui_->Letrasdopainel1, &QAction::triggered, this,
                   &TfrmMain::Letrasdopainel1Click);

    connectHandler(ui_->Button1, &QPushButton::clicked, this, &TfrmMain::Button1Click);
    connectHandler(ui_->Button2, &QPushButton::clicked, this, &TfrmMain::Button2Click);
    for (QCheckBox* box : {ui_->CheckBox1, ui_->CheckBox2, ui_->CheckBox3, ui_->CheckBox4,
                           ui_->CheckBox5, ui_->CheckBox6, ui_->CheckBox7}) {
        connectHandler(box, &QCheckBox::clicked, this, &TfrmMain::DrawHeaderPreview);
    }
}

void TfrmMain::FormCreate() {
    HeaderFlags = 0;
}

void TfrmMain::FormActivate() {
    ChoosePort();
    RefreshInfoPanel(PanelLines::Activation);
}

void TfrmMain::DisableVersion30Commands() {
    ui_->Programaoverso3001->setEnabled(false);
    ui_->Programaoverso3001->menuAction()->setEnabled(false);
    for (QAction* action :
         {ui_->Statusdasalquotas3001, ui_->Statusdasformasdepagamento1,
          ui_->StatusdoscomprovantesNFs1, ui_->Statusdotroco3011, ui_->StatusdosCNFvinculados1}) {
        action->setEnabled(false);
    }
}

void TfrmMain::ChoosePort() {
    if (PortChoiceMarker == PortChosen) {
        return;
    }
    const DialogAnswer answer = askConfirmation(
        QStringLiteral("Este programa irá usar a COM1 para se comunicar com a impressora.") +
        QStringLiteral("No entanto, se você desejar, pode mudar para a COM2. Deseja mudar?"));
    if (answer == DialogAnswer::Yes) {
        UsePort(1, QStringLiteral("Porta COM2 sendo utilizada"));
    } else if (answer == DialogAnswer::No) {
        UsePort(0, QStringLiteral("Porta COM1 sendo utilizada"));
    }
}

void TfrmMain::UsePort(int32_t port, const QString& portLine) {
    fiscalDriver().ChangePort(port);
    // A feed of no lines probes the link.
    const int32_t probe = fiscalDriver().ecfLineFeed(1, 0);
    PortChoiceMarker = PortChosen;
    if (probe != 0) {
        showMessage(QStringLiteral("Ocorreu um problema de comunicação com a impressora.") +
                    QStringLiteral(" Erro informado: ") + QString::number(probe));
        PanelStatusLine = QStringLiteral("A porta selecionada não responde");
    } else {
        PanelStatusLine = portLine;
    }
}

void TfrmMain::RefreshInfoPanel(PanelLines lines) {
    TRichEdit* panel = ui_->RichEdit1;
    panel->clear();
    if (PanelStatusLine.isEmpty()) {
        PanelStatusLine = QStringLiteral("Demonstrativo para Win32 - versão 2.0");
    }
    panel->setFontSize(kPanelPoints);
    for (const QString& line : {kBlankLine, kBlankLine, PanelStatusLine, kBlankLine, kBlankLine}) {
        panel->addLine(line);
    }
    const QStringList middle =
        lines == PanelLines::Activation
            ? QStringList{QStringLiteral("VOLDRANE Eletronica Ltda."),
                          QStringLiteral("Demonstrativo para Windows 32 bits"),
                          QStringLiteral("Versão 3.01.107")}
            : QStringList{QStringLiteral("Para iniciar cupom fiscal, pressione INSERT"),
                          QStringLiteral("Para vender um item, pressione INSERT"),
                          QStringLiteral("Para pagar, pressione CTRL + P")};
    for (const QString& line : middle) {
        panel->addLine(line);
    }
    panel->addLine(kBlankLine);
    panel->addLine(QStringLiteral("Neste momento a impressora está:"));

    LastStatusReply = fiscalDriver().ecfStatusImp();
    if (isFailureReply(LastStatusReply)) {
        const QString error = replyErrorNumber(LastStatusReply);
        reportFailureReply(LastStatusReply);
        showMessage(QStringLiteral(
            "Verifique se a impressora está fora de linha, desligada ou desconectada"));
        panel->addLine(QStringLiteral("em estado desconhecido devido ao erro ") + error);
        return;
    }
    PrinterStateText = sliceField(LastStatusReply, PrinterStatusFields::StateCode);
    PrinterStateCode = StrToInt(PrinterStateText);
    if (const auto words = printerStateWords(PrinterStateCode, StateWords::InformationPanel)) {
        panel->addLine(*words);
    }
}

void TfrmMain::ShowOperatorWindow(int32_t operationCode) {
    OperationCode = operationCode;
    if (TForm* form = FormRegistry::instance().find(QStringLiteral("frmopera"))) {
        form->Show();
    }
}

// Header-style options --------------------------------------------------

void TfrmMain::Button1Click() {
    const QCheckBox* boxes[7] = {ui_->CheckBox1, ui_->CheckBox2, ui_->CheckBox3, ui_->CheckBox4,
                                 ui_->CheckBox5, ui_->CheckBox6, ui_->CheckBox7};
    int32_t flags = 0;
    for (int i = 0; i < 7; ++i) {
        if (boxes[i]->isChecked()) {
            flags += kHeaderBits[i];
        }
    }
    HeaderFlags = flags;
    RefreshInfoPanel(PanelLines::Help);
}

void TfrmMain::Button2Click() {
    SetHeaderOptionsVisible(false);
    RefreshInfoPanel(PanelLines::Help);
}

void TfrmMain::Estilodocabealho1Click() {
    SetHeaderOptionsVisible(true);
    DrawHeaderPreview();
}

void TfrmMain::SetHeaderOptionsVisible(bool visible) {
    for (QWidget* control : std::initializer_list<QWidget*>{
             ui_->CheckBox1, ui_->CheckBox2, ui_->CheckBox3, ui_->CheckBox4, ui_->CheckBox5,
             ui_->CheckBox6, ui_->CheckBox7, ui_->Button1, ui_->Button2}) {
        control->setVisible(visible);
    }
}

void TfrmMain::DrawHeaderPreview() {
    TRichEdit* panel = ui_->RichEdit1;
    panel->clear();
    panel->addLine(ui_->CheckBox7->isChecked() ? kBlank40 : QString(40, QLatin1Char('=')));
    if (!ui_->CheckBox6->isChecked()) {
        panel->addLine(QStringLiteral("****** VOLDRANE ELETRÔNICA LTDA.  ******"));
        panel->addLine(QStringLiteral("Rua Acácias, 208 - Jd. Aurora  91350-120"));
        panel->addLine(QStringLiteral("Campo Sereno - Rio Grande do Sul - BR"));
    }
    panel->addLine(QStringLiteral("CGC 012345678901234567  IE 012345678-901"));
    if (ui_->CheckBox1->isChecked()) {
        panel->addLine(kBlank40);
    }
    panel->addLine(QStringLiteral("== 13:45 ==============================="));
    if (ui_->CheckBox2->isChecked()) {
        panel->addLine(kBlank40);
    }
    panel->addLine(QStringLiteral("              CUPOM FISCAL              "));
    if (ui_->CheckBox3->isChecked()) {
        panel->addLine(kBlank40);
    }
    if (ui_->CheckBox5->isChecked()) {
        panel->addLine(QStringLiteral(" Estas linhas são geralmente usadas para"));
        panel->addLine(QStringLiteral("informar o formato da impressão de itens"));
    }
}

// Coupon opening ----------------------------------------------------------

bool TfrmMain::RefuseSaleInCurrentState() {
    switch (PrinterStateCode) {
        case PrinterState::WaitingForClosing:
            showMessage(
                QStringLiteral("A impressora está aguardando fechamento e não pode realizar "
                               "vendas neste estado."));
            return true;
        case PrinterState::DayClosed:
            showMessage(
                QStringLiteral("O fechamento do dia corrente já foi realizado. A impressora "
                               "não pode realizar vendas neste estado."));
            return true;
        case PrinterState::InPayment:
            showMessage(
                QStringLiteral("A impressora está em pagamento. Neste estado, não é possível "
                               "vender novos itens."));
            return true;
        case PrinterState::InCommercialLines:
            showMessage(
                QStringLiteral("A impressora está em linhas comerciais. Neste estado, não é "
                               "possível vender novos itens."));
            return true;
        default:
            return false;
    }
}

// Prints the header when the printer is idle or in its sales period; true
// when no header was needed or the printer accepted it.
bool TfrmMain::PrintHeaderWhenIdle() {
    if (PrinterStateCode != PrinterState::Idle && PrinterStateCode != PrinterState::SalesPeriod) {
        return true;
    }
    return reportResult(ResultPrefix::Retorno, fiscalDriver().ecfImpCab(HeaderFlags));
}

void TfrmMain::Cupomfiscal2Click() {
    if (RefuseSaleInCurrentState()) {
        return;
    }
    PrintHeaderWhenIdle();
    if (SaleWindowKind != SaleWindow::Formatted && SaleWindowKind != SaleWindow::Item) {
        const DialogAnswer answer =
            askConfirmation(QStringLiteral("A impressora realiza venda de produto formatada?"));
        if (answer == DialogAnswer::No) {
            SaleWindowKind = SaleWindow::Formatted;
        } else if (answer == DialogAnswer::Yes) {
            SaleWindowKind = SaleWindow::Item;
        }
    }
    const QString saleWindow = SaleWindowKind == SaleWindow::Formatted ? QStringLiteral("s_venda")
                               : SaleWindowKind == SaleWindow::Item    ? QStringLiteral("frmitem4")
                                                                       : QString();
    if (TForm* form = FormRegistry::instance().find(saleWindow)) {
        form->Show();
    }
}

void TfrmMain::Novinculado1Click() {
    if (RefuseSaleInCurrentState()) {
        return;
    }
    const bool idle =
        PrinterStateCode == PrinterState::Idle || PrinterStateCode == PrinterState::SalesPeriod;
    if (idle && PrintHeaderWhenIdle()) {
        reportResult(ResultPrefix::Retorno, fiscalDriver().ecfInicCupomNFiscal(1));
    }
    if (TForm* form = FormRegistry::instance().find(QStringLiteral("vendcnf"))) {
        form->Show();
    }
}

// Peripherals -------------------------------------------------------------

void TfrmMain::Avanodelinha1Click() {
    reportResult(ResultPrefix::Retorno, fiscalDriver().ecfLineFeed(1, 5));
}

void TfrmMain::Aberturadagaveta1Click() {
    reportResult(ResultPrefix::Retorno, fiscalDriver().ecfAbreGaveta());
}

void TfrmMain::Autenticao1Click() {
    ui_->Edit1->setVisible(true);
    ui_->Button3->setVisible(true);
    setDefaultButton(ui_->Button3);

    int32_t kind = 1;
    const QByteArray reply = fiscalDriver().ecfStatusCupom(&kind);
    if (isFailureReply(reply)) {
        // The line stays as it was, and Button3 still sends it.
        showMessage(QStringLiteral("A autenticação não pode ser efetuada."));
    } else {
        const QDateTime now = currentDateTime();
        ui_->Edit1->setText(longTimeText(now.time()) + shortDateText(now.date()));
        ui_->Edit1->setText(ui_->Edit1->text() + QStringLiteral("   ") +
                            sliceField(reply, CouponStatusFields::Subtotal));
    }
    ui_->Edit1->selectAll();
    ui_->Edit1->setFocus();
}

void TfrmMain::Button3Click() {
    const QString line = ui_->Edit1->text();
    bool send = line.size() <= kAuthenticationWidth;
    if (!send) {
        send = askConfirmation(QStringLiteral(
                   "Sua linha possui um tamanho maior do que 48 caracteres. Haverá um "
                   "truncamento se você prosseguir. Deseja prosseguir mesmo assim?")) ==
               DialogAnswer::Yes;
    }
    // A longer line goes whole: the printer cuts it.
    if (send) {
        reportResult(ResultPrefix::Retorno, fiscalDriver().ecfAutentica(toDriverText(line)));
    }
    ui_->Button3->setVisible(false);
    ui_->Edit1->setVisible(false);
    // With the line gone, Enter presses the header options' OK again.
    setDefaultButton(ui_->Button1);
}

// Fiscal memory reading ---------------------------------------------------

void TfrmMain::LeituradaMEF1Click() {
    // The driver writes the reading into the working directory; the
    // program does not open the file.
    const int32_t result =
        fiscalDriver().ecfLeitMemFisc(2, QByteArrayLiteral("101098"), QByteArrayLiteral("101198"),
                                      1, 10, QByteArrayLiteral("tavrel.txt"));
    reportResult(QStringLiteral("ecfLeitMemFisc retornou "), result);
}

// Appearance colours ------------------------------------------------------
// Each command applies the colour the operator confirmed; a cancelled dialog
// leaves its target as it was. The dialog starts at black and opens at the
// colour last confirmed in it.

void TfrmMain::Fundodoaplicativo1Click() {
    if (!ColorDialog1.execute()) {
        return;
    }
    // The window's client area: the menu bar and the status bar keep the
    // desktop's colours, so the menu stays readable on any background.
    QWidget* area = centralWidget();
    QPalette areaPalette = area->palette();
    areaPalette.setColor(QPalette::Window, ColorDialog1.color());
    area->setPalette(areaPalette);
    area->setAutoFillBackground(true);
}

void TfrmMain::Fundodatela1Click() {
    if (ColorDialog1.execute()) {
        ui_->RichEdit1->setBackgroundColor(ColorDialog1.color());
    }
}

void TfrmMain::Letrasdopainel1Click() {
    if (ColorDialog1.execute()) {
        ui_->RichEdit1->setTextColor(ColorDialog1.color());
    }
}
