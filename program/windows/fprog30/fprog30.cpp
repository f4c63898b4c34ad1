#include "fprog30/fprog30.h"

#include "ui_fprog30.h"

#include "driver/codepage.h"
#include "driver/fiscal_driver.h"
#include "toolkit/dialogs.h"
#include "toolkit/handlers.h"
#include "wincommon/first_show_fonts.h"
#include "wincommon/report.h"

QPointer<Tfrmprog30> frmprog30;

namespace {

// The default symbols of the digits 0 to 9, another set than the 2.04
// window's.
const QString kDefaultSymbols = QStringLiteral("-=[]{};:<>");

// The rate sent for an empty value field.
const QString kBlankRate = QStringLiteral("    ");

// The tax types of a rate, by RadioGroup1 item.
const QString kIcmsType = QStringLiteral("T");
const QString kIssType = QStringLiteral("S");

const QString kErrorNumberPrefix = QStringLiteral("Ocorreu o erro número ");

}  // namespace

Tfrmprog30::Tfrmprog30(QWidget* parent) : TForm(parent), ui(std::make_unique<Ui::Tfrmprog30>()) {
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

    connectSelectedHandler(ui->RadioButton1, this, &Tfrmprog30::RadioButton1Click);
    connectSelectedHandler(ui->RadioButton2, this, &Tfrmprog30::RadioButton2Click);
    connectSelectedHandler(ui->RadioButton4, this, &Tfrmprog30::RadioButton4Click);
    connectSelectedHandler(ui->RadioButton5, this, &Tfrmprog30::RadioButton5Click);
    connectSelectedHandler(ui->RadioButton6, this, &Tfrmprog30::RadioButton6Click);
    connectHandler(ui->Button1, &QPushButton::clicked, this, &Tfrmprog30::Button1Click);
    connectHandler(ui->Button2, &QPushButton::clicked, this, &Tfrmprog30::Button2Click);
}

Tfrmprog30::~Tfrmprog30() = default;

void Tfrmprog30::FormActivate() {
    // Every activation comes back to the date and time; the printer is
    // asked again only when another function was chosen.
    ui->RadioButton1->setChecked(true);
    ui->Label1->hide();
    ShowFunctionControls(1);
}

void Tfrmprog30::ShowFunctionControls(int mode) {
    ui->Label18->hide();
    ui->Edit17->hide();
    ui->RadioGroup1->hide();
    showWorkAreaMode(area_, mode);
    if (mode == 2) {
        ui->Label18->show();
        ui->Edit17->show();
    } else if (mode == 4) {
        ui->RadioGroup1->show();
    }
}

void Tfrmprog30::RadioButton1Click() {
    ShowFunctionControls(1);
    fillDateTimeFunction(area_);
}

void Tfrmprog30::RadioButton2Click() {
    ShowFunctionControls(2);
    fillHeaderSamples(area_);
    ui->Label18->setText(QStringLiteral("IM = "));
    ui->Edit17->resize(135, ui->Edit17->height());
    ui->Edit17->setText(QStringLiteral("123456789012345"));
}

void Tfrmprog30::RadioButton4Click() {
    ui->RadioGroup1->show();
    fillSingleRateSamples(area_);
    ShowFunctionControls(4);
}

void Tfrmprog30::RadioButton5Click() {
    ShowFunctionControls(5);
    fillCodeSizeSamples(area_);
}

void Tfrmprog30::RadioButton6Click() {
    fillSymbolSamples(area_, kDefaultSymbols);
    ShowFunctionControls(6);
}

void Tfrmprog30::Button1Click() {
    const BusyLabel busy(ui->Label1);
    if (ui->RadioButton1->isChecked()) {
        sendPcDateTime(area_);
    }
    if (ui->RadioButton2->isChecked()) {
        SendHeader();
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

void Tfrmprog30::Button2Click() {
    Close();
}

void Tfrmprog30::SendHeader() {
    programNewHeader(this, area_, QStringLiteral("Programação ABORTADA pelo usuário."),
                     [this](const HeaderFields& header) {
                         // An empty registration goes as one blank; its length is not checked.
                         const QString typedIm = ui->Edit17->text();
                         const QString im = typedIm.isEmpty() ? QStringLiteral(" ") : typedIm;
                         // What goes to the printer, one value at a time, before it goes.
                         showMessage(QStringLiteral("linha1: ") + header.line1);
                         showMessage(QStringLiteral("linha2: ") + header.line2);
                         showMessage(QStringLiteral("linha3: ") + header.line3);
                         showMessage(QStringLiteral("loja: ") + QString::number(header.store));
                         showMessage(QStringLiteral("equip: ") + QString::number(header.equipment));
                         showMessage(QStringLiteral("cgc: ") + header.cgc);
                         showMessage(QStringLiteral("ie: ") + header.ie);
                         showMessage(QStringLiteral("im: ") + im);
                         const int32_t result = fiscalDriver().ecfProgHeader30(
                             toDriverText(header.line1), toDriverText(header.line2),
                             toDriverText(header.line3), header.store, header.equipment,
                             toDriverText(header.cgc), toDriverText(header.ie), toDriverText(im));
                         if (reportResult(ResultPrefix::OcorreuErro, result)) {
                             showMessage(QStringLiteral("Cabeçalho cadastrado com SUCESSO."));
                         }
                     });
}

void Tfrmprog30::SendOneRate() {
    const int position = ui->ComboBox1->currentIndex();
    const QString typed = ui->Edit5->text();
    // An empty value goes as blanks, which the range check lets through.
    QString rate = kBlankRate;
    bool refused = false;
    if (!typed.isEmpty()) {
        const int32_t hundredths = rateHundredths(typed);
        rate = QString::number(hundredths);
        refused = !rateInRange(hundredths);
    }
    if (position == -1) {
        showMessage(kChooseRateMessage);
    }
    if (refused) {
        showMessage(kRateRangeMessage);
    }
    if (refused || position == -1) {
        return;
    }
    const QString type = ui->RadioGroup1Item0->isChecked() ? kIcmsType : kIssType;
    const int32_t result = fiscalDriver().ecfCargaAliqSelect(
        toDriverText(QString::number(position)), toDriverText(type), toDriverText(rate));
    if (reportResult(ResultPrefix::OcorreuErro, result)) {
        showMessage(QStringLiteral("OK !"));
        showMessage(QStringLiteral("A taxa foi cadastrada com SUCESSO!"));
    }
}

void Tfrmprog30::SendCodeSize() {
    const std::optional<int32_t> size = checkedCodeSize(area_);
    if (!size) {
        return;
    }
    if (reportResult(kErrorNumberPrefix, fiscalDriver().ecfPrgCod(*size))) {
        showMessage(QStringLiteral("O tamanho do código de produto foi alterado com SUCESSO"));
    }
}

void Tfrmprog30::SendSymbols() {
    // The last digit's complaint comes as a plain message, the others as errors.
    const std::optional<QString> code =
        checkedSymbols(area_, [](int digit, const QString& message) {
            if (digit == 9) {
                showMessage(message);
            } else {
                showError(message);
            }
        });
    if (!code) {
        return;
    }
    if (reportResult(kErrorNumberPrefix, fiscalDriver().ecfCargaCodCripto(toDriverText(*code)))) {
        showMessage(QStringLiteral("Seu criptograma foi cadastrado com SUCESSO!"));
    }
}
