#include "descitem/descitem.h"

#include "ui_descitem.h"

#include "driver/codepage.h"
#include "driver/fiscal_driver.h"
#include "toolkit/handlers.h"
#include "wincommon/fit.h"
#include "wincommon/radio_group.h"
#include "wincommon/report.h"

QPointer<Tdescitm> descitm;

namespace {

// The items of the choice of item.
constexpr int LastItem = 0;       // "Último item"
constexpr int GivenPosition = 1;  // "Item específico"

}  // namespace

Tdescitm::Tdescitm(QWidget* parent) : TForm(parent), ui(std::make_unique<Ui::Tdescitm>()) {
    ui->setupUi(this);
    RadioGroup1 = new RadioGroup(ui->RadioGroup1);
    setBorder(Border::SingleNoIcons);
    setDefaultButton(ui->Button1);
    // The description's sample text shows whole.
    fitFieldToText(ui->Edit1);
    // The position starts enabled although "Último item" is chosen; the
    // first choice in the group sets it.
    connectHandler(RadioGroup1, &RadioGroup::clicked, this, &Tdescitm::RadioGroup1Click);
    connectHandler(ui->Button1, &QPushButton::clicked, this, &Tdescitm::Button1Click);
    connectHandler(ui->Button2, &QPushButton::clicked, this, &Tdescitm::Button2Click);
}

Tdescitm::~Tdescitm() = default;

void Tdescitm::RadioGroup1Click() {
    const int item = RadioGroup1->itemIndex();
    if (item == LastItem || item == GivenPosition) {
        const bool position = item == GivenPosition;
        ui->Label2->setEnabled(position);
        ui->Edit2->setEnabled(position);
    }
}

void Tdescitm::Button1Click() {
    // Both texts go as typed: the position is neither converted nor filled.
    const QByteArray description = toDriverText(ui->Edit1->text());
    const int item = RadioGroup1->itemIndex();
    FiscalDriver& driver = fiscalDriver();
    if (item == LastItem) {
        reportResult(ResultPrefix::OcorreuErro, driver.ecfCancItem(description));
    } else if (item == GivenPosition) {
        reportResult(ResultPrefix::OcorreuErro,
                     driver.ecfCancItemDef(toDriverText(ui->Edit2->text()), description));
    }
    Close();
}

void Tdescitm::Button2Click() {
    Close();
}
