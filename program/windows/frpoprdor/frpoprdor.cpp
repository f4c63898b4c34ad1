#include "frpoprdor/frpoprdor.h"

#include "ui_frpoprdor.h"

#include "driver/codepage.h"
#include "driver/fiscal_driver.h"
#include "meu_pr/meu_pr.h"
#include "toolkit/handlers.h"
#include "wincommon/report.h"

#include <array>

QPointer<Tfrmopera> frmopera;

namespace {

using OperatorCall = int32_t (FiscalDriver::*)(const QByteArray&);

struct Operation {
    int32_t code;
    const char* question;
    OperatorCall call;
    bool feedsAfter;  // eight lines fed after a zero result
};

// In the order the codes are tested.
const std::array<Operation, 7> kOperations = {{
    {6, "Você está finalizando a operação. Prosseguir?", &FiscalDriver::ecfFimTrans, true},
    {7, "Você está prestes a cancelar a venda. Prosseguir?", &FiscalDriver::ecfCancVenda, true},
    {14, "Você confirma a impressão de uma leitura X?", &FiscalDriver::ecfLeituraX, false},
    {10, "Será efetuada uma leitura X gerencial. Confirma?", &FiscalDriver::ecfLXGerencial, false},
    {11, "Será efetuada uma redução Z gerencial. Confirma?", &FiscalDriver::ecfRZGerencial, false},
    {13, "Você está prestes a realizar o fechamento do dia!", &FiscalDriver::ecfReducaoZ, false},
    {199, "Você irá cancelar o último cupom emitido. Prosseguir?", &FiscalDriver::ecfCancDoc, true},
}};

const Operation* operationOf(int32_t code) {
    for (const Operation& operation : kOperations) {
        if (operation.code == code) {
            return &operation;
        }
    }
    return nullptr;
}

}  // namespace

Tfrmopera::Tfrmopera(QWidget* parent) : TForm(parent), ui(std::make_unique<Ui::Tfrmopera>()) {
    ui->setupUi(this);
    setBorder(Border::SingleNoIcons);
    setScreenCentered(true);
    setDefaultButton(ui->Button1);
    connectHandler(ui->Button1, &QPushButton::clicked, this, &Tfrmopera::Button1Click);
    connectHandler(ui->Button2, &QPushButton::clicked, this, &Tfrmopera::Button2Click);
}

Tfrmopera::~Tfrmopera() = default;

void Tfrmopera::FormActivate() {
    // A code outside the table leaves the previous question.
    if (const Operation* operation = operationOf(OperationCode)) {
        ui->Label1->setText(QString::fromUtf8(operation->question));
    }
}

void Tfrmopera::Button1Click() {
    // The name goes as typed: not trimmed, not filled up.
    const QByteArray name = toDriverText(ui->Edit1->text());
    if (const Operation* operation = operationOf(OperationCode)) {
        FiscalDriver& driver = fiscalDriver();
        const int32_t result = (driver.*(operation->call))(name);
        if (reportResult(ResultPrefix::Retorno, result) && operation->feedsAfter) {
            driver.ecfLineFeed(1, 8);
        }
    }
    Close();
}

void Tfrmopera::Button2Click() {
    Close();
}
