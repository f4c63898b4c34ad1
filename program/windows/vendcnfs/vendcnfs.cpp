#include "vendcnfs/vendcnfs.h"

#include "ui_vendcnfs.h"

#include "driver/codepage.h"
#include "driver/fiscal_driver.h"
#include "toolkit/handlers.h"
#include "wincommon/report.h"

QPointer<Tvendcnf> vendcnf;

Tvendcnf::Tvendcnf(QWidget* parent) : TForm(parent), ui(std::make_unique<Ui::Tvendcnf>()) {
    ui->setupUi(this);
    setBorder(Border::SingleNoIcons);
    // Enter leaves without selling: "Cancela" is the default button.
    setDefaultButton(ui->Button2);
    connectHandler(ui->Button1, &QPushButton::clicked, this, &Tvendcnf::Button1Click);
    connectHandler(ui->Button2, &QPushButton::clicked, this, &Tvendcnf::Button2Click);
}

Tvendcnf::~Tvendcnf() = default;

void Tvendcnf::Button1Click() {
    // Unlike the formatted fiscal sale, description and value go as typed:
    // the printer lays out a non-fiscal item itself. The list's index is the
    // voucher position, -1 when none is chosen. The window stays for the
    // next item.
    const int32_t result = fiscalDriver().ecfVendaItem78(toDriverText(ui->Edit1->text()),
                                                         toDriverText(ui->Edit2->text()),
                                                         ui->ComboBox1->currentIndex());
    reportResult(ResultPrefix::OcorreuErro, result);
}

void Tvendcnf::Button2Click() {
    Close();
}
