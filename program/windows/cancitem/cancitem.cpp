#include "cancitem/cancitem.h"

#include "ui_cancitem.h"

#include "driver/codepage.h"
#include "driver/fiscal_driver.h"
#include "toolkit/handlers.h"
#include "wincommon/radio_group.h"
#include "wincommon/report.h"

QPointer<Tcancitm> cancitm;

Tcancitm::Tcancitm(QWidget* parent) : TForm(parent), ui(std::make_unique<Ui::Tcancitm>()) {
    ui->setupUi(this);
    RadioGroup1 = new RadioGroup(ui->RadioGroup1);
    setBorder(Border::SingleNoIcons);
    setDefaultButton(ui->Button1);
    connectHandler(ui->Button1, &QPushButton::clicked, this, &Tcancitm::Button1Click);
    connectHandler(ui->Button2, &QPushButton::clicked, this, &Tcancitm::Button2Click);
}

Tcancitm::~Tcancitm() = default;

void Tcancitm::Button1Click() {
    // The item index is the printer's operation: 0 gives the discount, 1
    // cancels it. An empty value goes as it is; the printer decides.
    const int32_t operation = RadioGroup1->itemIndex();
    const int32_t result = fiscalDriver().ecfDescItem(operation, toDriverText(ui->Edit1->text()),
                                                      toDriverText(ui->Edit2->text()));
    reportResult(ResultPrefix::OcorreuErro, result);
}

void Tcancitm::Button2Click() {
    Close();
}
