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
constexpr ReplyField kLine1{1, 48};
constexpr ReplyField kLine2{49, 48};
constexpr ReplyField kLine3{97, 48};
constexpr ReplyField kStore{145, 4};
constexpr ReplyField kEquipment{149, 4};
constexpr ReplyField kCgc{153, 18};
constexpr ReplyField kIm{171, 15};
constexpr ReplyField kIe{186, 16};
constexpr ReplyField kFirstDate{202, 8};
constexpr ReplyField kFirstTime{210, 6};
constexpr ReplyField kLastDate{216, 8};
constexpr ReplyField kLastTime{224, 6};
constexpr ReplyField kRestarts{230, 5};
constexpr ReplyField kGrandTotal{235, 22};

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
