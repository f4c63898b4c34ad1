#include "statuser/statuser.h"

#include "ui_statuser.h"

#include "driver/fiscal_driver.h"
#include "toolkit/convert.h"
#include "toolkit/dialogs.h"
#include "toolkit/handlers.h"
#include "wincommon/reply_fields.h"

#include <cstdint>

QPointer<Tstatusr> statusr;

namespace {

// User record, every field as received.
constexpr ReplyField kLine1 = UserFields::Line1;
constexpr ReplyField kLine2 = UserFields::Line2;
constexpr ReplyField kLine3 = UserFields::Line3;
constexpr ReplyField kStore = UserFields::Store;
constexpr ReplyField kEquipment = UserFields::Equipment;
constexpr ReplyField kCgc = UserFields::Cgc;
constexpr ReplyField kIm = UserFields::Im;
constexpr ReplyField kIe = UserFields::Ie;
constexpr ReplyField kFirstDate = UserFields::FirstDate;
constexpr ReplyField kFirstTime = UserFields::FirstTime;
constexpr ReplyField kLastDate = UserFields::LastDate;
constexpr ReplyField kLastTime = UserFields::LastTime;
constexpr ReplyField kRestarts = UserFields::Restarts;
constexpr ReplyField kGrandTotal = UserFields::GrandTotal;

}  // namespace

Tstatusr::Tstatusr(QWidget* parent) : TForm(parent), ui(std::make_unique<Ui::Tstatusr>()) {
    ui->setupUi(this);
    setBorder(Border::SingleNoIcons);
    setDefaultButton(ui->Button1);
    connectHandler(ui->Button1, &QPushButton::clicked, this, &Tstatusr::Button1Click);
}

Tstatusr::~Tstatusr() = default;

void Tstatusr::FormActivate() {
    // A cancelled box answers its default, user 1; an answer that is not a
    // number ends here, with nothing asked of the printer.
    const int32_t user = StrToInt(
        inputBox(QStringLiteral("Escolha o usuário"),
                 QStringLiteral("Por favor, forneça o número do usuário (ex.: 1, 2, 3, etc.)"),
                 QStringLiteral("1")));
    showReplyFields(fiscalDriver().ecfStatusUser(user), {
                                                            {ui->Edit1, kLine1},
                                                            {ui->Edit2, kLine2},
                                                            {ui->Edit3, kLine3},
                                                            {ui->Edit4, kStore},
                                                            {ui->Edit5, kEquipment},
                                                            {ui->Edit10, kCgc},
                                                            {ui->Edit11, kIm},
                                                            {ui->Edit12, kIe},
                                                            {ui->Edit8, kFirstDate},
                                                            {ui->Edit6, kFirstTime},
                                                            {ui->Edit9, kLastDate},
                                                            {ui->Edit7, kLastTime},
                                                            {ui->Edit13, kRestarts},
                                                            {ui->Edit14, kGrandTotal},
                                                        });
}

void Tstatusr::Button1Click() {
    Close();
}
