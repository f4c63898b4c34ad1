#include "cupom_nf/cupom_nf.h"

#include "ui_cupom_nf.h"

#include "driver/codepage.h"
#include "driver/fiscal_driver.h"
#include "toolkit/dialogs.h"
#include "toolkit/handlers.h"
#include "wincommon/report.h"

QPointer<Tcupomnf> cupomnf;

namespace {

// A linked voucher has a plain header, whatever the header options say.
constexpr int32_t VoucherHeaderFlags = 0;

}  // namespace

Tcupomnf::Tcupomnf(QWidget* parent) : TForm(parent), ui(std::make_unique<Ui::Tcupomnf>()) {
    ui->setupUi(this);
    setBorder(Border::SingleNoIcons);
    // Enter leaves without sending: "Cancela" is the default button.
    setDefaultButton(ui->Button1);
    connectHandler(ui->Button1, &QPushButton::clicked, this, &Tcupomnf::Button1Click);
    connectHandler(ui->Button2, &QPushButton::clicked, this, &Tcupomnf::Button2Click);
}

Tcupomnf::~Tcupomnf() = default;

void Tcupomnf::Button1Click() {
    Close();
}

void Tcupomnf::Button2Click() {
    // The texts go as typed; the printer checks the coupon, the voucher and
    // the value.
    const QByteArray coo = toDriverText(ui->Edit2->text());
    const QByteArray value = toDriverText(ui->Edit1->text());
    const QByteArray position = toDriverText(positionCode(ui->ComboBox1->currentIndex()));
    FiscalDriver& driver = fiscalDriver();
    if (reportResult(ResultPrefix::OcorreuErro, driver.ecfImpCab(VoucherHeaderFlags)) &&
        reportResult(ResultPrefix::OcorreuErro, driver.ecfInicCNFVinculado(coo, position, value))) {
        showMessage(QStringLiteral("Concluído com sucesso!"));
    }
    Close();
}
