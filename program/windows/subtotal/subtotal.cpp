#include "subtotal/subtotal.h"

#include "ui_subtotal.h"

#include "driver/codepage.h"
#include "driver/fiscal_driver.h"
#include "toolkit/handlers.h"
#include "wincommon/radio_group.h"
#include "wincommon/report.h"

QPointer<Tfrmadsub> frmadsub;

namespace {

// The items of the adjustment group.
constexpr int SurchargeItem = 0;  // "Acréscimo no subtotal"

// The printer's kinds of adjustment.
constexpr int32_t SurchargeKind = 1;
constexpr int32_t DiscountKind = 0;

}  // namespace

Tfrmadsub::Tfrmadsub(QWidget* parent) : TForm(parent), ui(std::make_unique<Ui::Tfrmadsub>()) {
    ui->setupUi(this);
    RadioGroup1 = new RadioGroup(ui->RadioGroup1);
    setBorder(Border::SingleDialog);
    setDefaultButton(ui->BitBtn1);
    connectHandler(ui->BitBtn1, &QPushButton::clicked, this, &Tfrmadsub::BitBtn1Click);
    connectHandler(ui->BitBtn2, &QPushButton::clicked, this, &Tfrmadsub::BitBtn2Click);
}

Tfrmadsub::~Tfrmadsub() = default;

void Tfrmadsub::BitBtn1Click() {
    // Both texts go as typed: the printer checks the description and the
    // amount itself.
    const int32_t kind = RadioGroup1->itemIndex() == SurchargeItem ? SurchargeKind : DiscountKind;
    const int32_t cancel = ui->CheckBox1->isChecked() ? 1 : 0;
    const int32_t result = fiscalDriver().ecfCancAcresDescSubTotal(
        kind, cancel, toDriverText(ui->Edit1->text()), toDriverText(ui->Edit2->text()));
    reportResult(ResultPrefix::OcorreuErro, result);
}

void Tfrmadsub::BitBtn2Click() {
    Close();
}
