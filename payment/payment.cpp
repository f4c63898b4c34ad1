#include "payment/payment.h"

#include "ui_payment.h"

#include "meu_pr/meu_pr.h"
#include "toolkit/dialogs.h"

int32_t PrinterIsModel30 = 0;

Tfrmtopay* frmtopay = nullptr;

Tfrmtopay::Tfrmtopay(QWidget* parent) : TForm(parent), ui(std::make_unique<Ui::Tfrmtopay>()) {
    ui->setupUi(this);
    setBorder(Border::SingleDialog);
}

Tfrmtopay::~Tfrmtopay() = default;

void Tfrmtopay::FormCreate() {
    // The printer generation is asked once per run; a model 3.0 pays by
    // payment-table position, so the condition controls go away.
    const DialogAnswer answer = askConfirmation(QStringLiteral("A impressora é modelo 3.0 ?"));
    if (answer == DialogAnswer::Yes) {
        PrinterIsModel30 = 1;
        ui->Label3->hide();
        ui->ComboBox1->hide();
        ui->CheckBox1->hide();
    } else if (answer == DialogAnswer::No) {
        PrinterIsModel30 = 0;
        ui->Label3->show();
        ui->ComboBox1->show();
        ui->CheckBox1->show();
        frmMain->DisableVersion30Commands();
    }
}
