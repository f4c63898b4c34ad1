#include "fprog/fprog.h"

#include "ui_fprog.h"

#include "driver/codepage.h"
#include "driver/fiscal_driver.h"
#include "toolkit/dialogs.h"
#include "toolkit/handlers.h"
#include "wincommon/first_show_fonts.h"
#include "wincommon/report.h"

#include <array>

QPointer<Tfrmprog> frmprog;

namespace {

// The sample table of rates, positions 0 to 9.
const std::array<const char*, 10> kSampleRates = {"5,00",  "3,00",  "7,00",  "12,00", "17,00",
                                                  "25,00", "13,00", "14,00", "25,00", "25,00"};

// The default symbols of the digits 0 to 9.
const QString kDefaultSymbols = QStringLiteral("!@#$%&*()+");

// The municipal registration asked for a model 3.0 header.
const QString kImCaption = QStringLiteral("Insrição Municipal");
const QString kImPrompt = QStringLiteral("Por favor, informe o número da inscrição municipal.");
const QString kImDefault = QStringLiteral("728182-382");
constexpr int kImMaxLength = 15;

const QString kErrorNumberPrefix = QStringLiteral("Ocorreu o erro número ");

// The driver's answer when the printer lacks the command.
constexpr int32_t kNotThisModel = 79;

QString askMunicipalRegistration() {
    QString im = inputBox(kImCaption, kImPrompt, kImDefault);
    while (im.size() > kImMaxLength) {
        showMessage(
            QStringLiteral("Tamanho máximo da inscrição municipal: 15 dígitos. Sua informação "
                           "excedeu este limite"));
        im = inputBox(kImCaption, kImPrompt, kImDefault);
    }
    return im;
}

}  // namespace

Tfrmprog::Tfrmprog(QWidget* parent) : TForm(parent), ui(std::make_unique<Ui::Tfrmprog>()) {
    // The fields' own fonts are laid out when the window is first shown.
    setupUiWithFontsAtFirstShow(*ui, this);
    setBorder(Border::SingleDialog);
    setDefaultButton(ui->Button1);
    area_.labels = {ui->Label2,  ui->Label3,  ui->Label4,  ui->Label5,  ui->Label6,  ui->Label7,
                    ui->Label8,  ui->Label9,  ui->Label10, ui->Label11, ui->Label12, ui->Label13,
                    ui->Label14, ui->Label15, ui->Label16, ui->Label17};
    area_.edits = {ui->Edit1,  ui->Edit2,  ui->Edit3,  ui->Edit4,  ui->Edit5,  ui->Edit6,
                   ui->Edit7,  ui->Edit8,  ui->Edit9,  ui->Edit10, ui->Edit11, ui->Edit12,
                   ui->Edit13, ui->Edit14, ui->Edit15, ui->Edit16};
    area_.rateList = ui->ComboBox1;
    area_.staticTexts = {ui->StaticText1, ui->StaticText2, ui->StaticText3};

    connectSelectedHandler(ui->RadioButton1, this, &Tfrmprog::RadioButton1Click);
    connectSelectedHandler(ui->RadioButton2, this, &Tfrmprog::RadioButton2Click);
    connectSelectedHandler(ui->RadioButton3, this, &Tfrmprog::RadioButton3Click);
    connectSelectedHandler(ui->RadioButton4, this, &Tfrmprog::RadioButton4Click);
    connectSelectedHandler(ui->RadioButton5, this, &Tfrmprog::RadioButton5Click);
    connectSelectedHandler(ui->RadioButton6, this, &Tfrmprog::RadioButton6Click);
    connectHandler(ui->Button1, &QPushButton::clicked, this, &Tfrmprog::Button1Click);
    connectHandler(ui->Button2, &QPushButton::clicked, this, &Tfrmprog::Button2Click);
}

Tfrmprog::~Tfrmprog() = default;

void Tfrmprog::FormCreate() {
    ui->Label1->hide();
}

void Tfrmprog::FormActivate() {
    // Every activation comes back to the tax table with the sample rates.
    ui->RadioButton3->setChecked(true);
    SetTaxTableTexts();
}

void Tfrmprog::ShowFunctionControls(int mode) {
    showWorkAreaMode(area_, mode);
}

void Tfrmprog::SetTaxTableTexts() {
    for (int position = 0; position <= 9; ++position) {
        area_.label(position + 2)->setText(QStringLiteral("Taxa %1").arg(position));
        area_.edit(position + 1)->setText(QString::fromLatin1(kSampleRates[position]));
    }
}

void Tfrmprog::RadioButton1Click() {
    ShowFunctionControls(1);
    fillDateTimeFunction(area_);
}

void Tfrmprog::RadioButton2Click() {
    ShowFunctionControls(2);
    fillHeaderSamples(area_);
}

void Tfrmprog::RadioButton3Click() {
    ShowFunctionControls(3);
    SetTaxTableTexts();
}

void Tfrmprog::RadioButton4Click() {
    fillSingleRateSamples(area_);
    ShowFunctionControls(4);
}

void Tfrmprog::RadioButton5Click() {
    ShowFunctionControls(5);
    fillCodeSizeSamples(area_);
}

void Tfrmprog::RadioButton6Click() {
    fillSymbolSamples(area_, kDefaultSymbols);
    ShowFunctionControls(6);
}

void Tfrmprog::Button1Click() {
    const BusyLabel busy(ui->Label1);
    if (ui->RadioButton1->isChecked()) {
        sendPcDateTime(area_);
    }
    if (ui->RadioButton2->isChecked()) {
        SendHeader();
    }
    if (ui->RadioButton3->isChecked()) {
        SendTaxTable();
    }
    if (ui->RadioButton4->isChecked()) {
        SendOneRate();
    }
    if (ui->RadioButton5->isChecked()) {
        SendCodeSize();
    }
    if (ui->RadioButton6->isChecked()) {
        SendSymbols();
    }
}

void Tfrmprog::Button2Click() {
    Close();
}

void Tfrmprog::SendHeader() {
    programNewHeader(
        this, area_, QStringLiteral("O cadastro de um novo cabeçalho foi abortado."),
        [](const HeaderFields& header) {
            FiscalDriver& driver = fiscalDriver();
            int32_t result = 0;
            switch (askConfirmation(QStringLiteral("A impressora fiscal é modelo 3.0 ?"))) {
                case DialogAnswer::Yes: {
                    const QString im = askMunicipalRegistration();
                    result = driver.ecfProgHeader30(
                        toDriverText(header.line1), toDriverText(header.line2),
                        toDriverText(header.line3), header.store, header.equipment,
                        toDriverText(header.cgc), toDriverText(header.ie), toDriverText(im));
                    break;
                }
                case DialogAnswer::No:
                    result = driver.ecfCabLoja(
                        toDriverText(header.line1), toDriverText(header.line2),
                        toDriverText(header.line3), header.store, header.equipment,
                        toDriverText(header.cgc), toDriverText(header.ie));
                    break;
                default:
                    return;  // closed without an answer: nothing is sent
            }
            reportResult(ResultPrefix::OcorreuErro, result);
        });
}

void Tfrmprog::SendTaxTable() {
    // The rates go unchecked; the first refusal stops the later positions.
    FiscalDriver& driver = fiscalDriver();
    for (int32_t position = 0; position <= 9; ++position) {
        const QString rate = rateHundredthsText(area_.edit(position + 1)->text());
        const int32_t result = driver.ecfCargaTabAliq(position, toDriverText(rate));
        if (result != 0) {
            showMessage(QStringLiteral("Durante a carga da alíquota %1 ocorreu o seguinte erro: %2")
                            .arg(position)
                            .arg(result));
            return;
        }
    }
    showInformation(QStringLiteral("As taxas foram cadastradas com sucesso!"));
}

void Tfrmprog::SendOneRate() {
    const QString typed = ui->Edit5->text();
    if (typed.isEmpty()) {
        showMessage(QStringLiteral("É necessário você informar o valor da taxa"));
        return;
    }
    const int32_t rate = rateHundredths(typed);
    const int32_t position = ui->ComboBox1->currentIndex();
    bool refused = false;
    if (position == -1) {
        showMessage(kChooseRateMessage);
        refused = true;
    }
    if (!rateInRange(rate)) {
        showMessage(kRateRangeMessage);
        refused = true;
    }
    if (refused) {
        return;
    }
    const int32_t result =
        fiscalDriver().ecfCargaTabAliq(position, toDriverText(QString::number(rate)));
    if (reportResult(ResultPrefix::OcorreuErro, result)) {
        showInformation(QStringLiteral("A taxa foi cadastrada com sucesso!"));
    }
}

void Tfrmprog::SendCodeSize() {
    const std::optional<int32_t> size = checkedCodeSize(area_);
    if (!size) {
        return;
    }
    const int32_t result = fiscalDriver().ecfPrgCod(*size);
    if (!reportResult(kErrorNumberPrefix, result)) {
        if (result == kNotThisModel) {
            showInformation(
                QStringLiteral("Lembre-se que esta função funciona apenas nas impressoras modelo "
                               "Kolvex"));
        }
        return;
    }
    showInformation(QStringLiteral("O tamanho do código de produto foi alterado com sucesso"));
}

void Tfrmprog::SendSymbols() {
    const std::optional<QString> code =
        checkedSymbols(area_, [](int, const QString& message) { showError(message); });
    if (!code) {
        return;
    }
    const int32_t result = fiscalDriver().ecfCargaCodCripto(toDriverText(*code));
    if (reportResult(kErrorNumberPrefix, result)) {
        showInformation(QStringLiteral("Seu novo criptograma foi cadastrado com sucesso!"));
    }
}
