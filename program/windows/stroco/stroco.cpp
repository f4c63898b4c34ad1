#include "stroco/stroco.h"

#include "ui_stroco.h"

#include "driver/fiscal_driver.h"
#include "toolkit/handlers.h"
#include "wincommon/reply_fields.h"

QPointer<Ttroco> troco;

namespace {

// Change totaliser record, both fields as received.
constexpr ReplyField kDescription = ChangeFields::Description;
constexpr ReplyField kAccumulated = ChangeFields::Accumulated;

}  // namespace

Ttroco::Ttroco(QWidget* parent) : TForm(parent), ui(std::make_unique<Ui::Ttroco>()) {
    ui->setupUi(this);
    setBorder(Border::SingleDialog);
    connectHandler(ui->Button1, &QPushButton::clicked, this, &Ttroco::Button1Click);
}

Ttroco::~Ttroco() = default;

void Ttroco::FormActivate() {
    // A failure leaves the fields as they were, behind its message.
    showReplyFields(fiscalDriver().ecfStatusTroco(), {
                                                         {ui->Edit1, kDescription},
                                                         {ui->Edit2, kAccumulated},
                                                     });
}

void Ttroco::Button1Click() {
    Close();
}
