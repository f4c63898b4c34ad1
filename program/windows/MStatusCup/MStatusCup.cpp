#include "MStatusCup/MStatusCup.h"

#include "ui_MStatusCup.h"

#include "driver/fiscal_driver.h"
#include "driver/reply.h"
#include "toolkit/dialogs.h"
#include "toolkit/handlers.h"
#include "toolkit/ttimer.h"
#include "wincommon/fit.h"
#include "wincommon/report.h"

#include <QApplication>

#include <cstdint>

QPointer<TFormStatusCup> FormStatusCup;

TFormStatusCup::TFormStatusCup(QWidget* parent)
    : TForm(parent), ui(std::make_unique<Ui::TFormStatusCup>()), Timer1(new TTimer(this)) {
    ui->setupUi(this);
    setBorder(Border::SingleDialog);
    setDefaultButton(ui->BitBtn1);
    // The whole reply, 67 characters, shows uncut on its own row.
    fitFieldToCharacters(ui->Edit8, 67);
    fitWindowToLayout(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(1000);
    connectHandler(Timer1, &TTimer::tick, this, &TFormStatusCup::Timer1Timer);
    connectHandler(ui->BitBtn1, &QPushButton::clicked, this, &TFormStatusCup::BitBtn1Click);
}

TFormStatusCup::~TFormStatusCup() = default;

void TFormStatusCup::FormCreate() {
    Timer1->setEnabled(false);
}

void TFormStatusCup::FormActivate() {
    // The fields keep the last reply until the new one comes.
    if (QueryCoupon()) {
        Timer1->setEnabled(true);
    }
}

void TFormStatusCup::Timer1Timer() {
    // A tick that comes while a box over the window is still open waits for
    // the next one.
    if (QApplication::activeModalWidget()) {
        return;
    }
    if (!QueryCoupon()) {
        Close();
    }
}

void TFormStatusCup::FormDeactivate() {
    Timer1->setEnabled(false);
}

void TFormStatusCup::BitBtn1Click() {
    Close();
}

bool TFormStatusCup::QueryCoupon() {
    int32_t kind = 1;
    const QByteArray reply = fiscalDriver().ecfStatusCupom(&kind);
    if (isFailureReply(reply)) {
        Timer1->setEnabled(false);
        for (QLineEdit* edit :
             {ui->Edit1, ui->Edit2, ui->Edit3, ui->Edit4, ui->Edit5, ui->Edit6, ui->Edit7}) {
            edit->clear();
        }
        ui->Edit8->setText(replyText(reply));
        showMessage(failureReplyMessage(reply));
        return false;
    }
    ui->Edit8->setText(replyText(reply));
    ui->Edit1->setText(sliceField(reply, CouponStatusFields::PrinterNumber));
    ui->Edit2->setText(sliceField(reply, CouponStatusFields::DocumentType));
    ui->Edit3->setText(sliceField(reply, CouponStatusFields::CouponNumber));
    ui->Edit7->setText(sliceField(reply, CouponStatusFields::Time));
    ui->Edit4->setText(sliceField(reply, CouponStatusFields::Date));
    ui->Edit5->setText(sliceField(reply, CouponStatusFields::Subtotal));
    ui->Edit6->setText(sliceField(reply, CouponStatusFields::GrandTotal));
    return true;
}
