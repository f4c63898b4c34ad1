#include "stequip/stequip.h"

#include "ui_stequip.h"

#include "driver/fiscal_driver.h"
#include "toolkit/handlers.h"
#include "wincommon/reply_fields.h"

QPointer<Tstequipo> stequipo;

namespace {

// Equipment record, every field as received.
constexpr ReplyField kMake = EquipmentFields::Make;
constexpr ReplyField kModel = EquipmentFields::Model;
constexpr ReplyField kVersion = EquipmentFields::Version;
constexpr ReplyField kSerialNumber = EquipmentFields::SerialNumber;

}  // namespace

// The picture lives in the windows library's resources, which a static
// library must register itself.
static void initEquipmentWindowResources() {
    Q_INIT_RESOURCE(stequip);
}

Tstequipo::Tstequipo(QWidget* parent) : TForm(parent), ui(std::make_unique<Ui::Tstequipo>()) {
    initEquipmentWindowResources();
    ui->setupUi(this);
    setBorder(Border::SingleNoIcons);
    setDefaultButton(ui->Button1);
    connectHandler(ui->Button1, &QPushButton::clicked, this, &Tstequipo::Button1Click);
}

Tstequipo::~Tstequipo() = default;

void Tstequipo::FormActivate() {
    // A failure leaves the fields as they were, behind its message.
    showReplyFields(fiscalDriver().ecfStatusEquipo(), {
                                                          {ui->Edit1, kMake},
                                                          {ui->Edit2, kModel},
                                                          {ui->Edit3, kVersion},
                                                          {ui->Edit4, kSerialNumber},
                                                      });
}

void Tstequipo::Button1Click() {
    Close();
}
