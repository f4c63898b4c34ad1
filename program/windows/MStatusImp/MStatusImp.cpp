#include "MStatusImp/MStatusImp.h"

#include "ui_MStatusImp.h"

#include "driver/fiscal_driver.h"
#include "driver/reply.h"
#include "toolkit/convert.h"
#include "toolkit/dialogs.h"
#include "toolkit/handlers.h"
#include "toolkit/ttimer.h"
#include "wincommon/report.h"

#include <QApplication>

QPointer<TFormStatusImp> FormStatusImp;

namespace {

// The state characters before a good reply replaces them: "3" is no code of
// the table, so a failed query shows the unknown state.
const QString kNoReplyState = QStringLiteral("3");

// The words of the state characters; a code outside the table reads as the
// given unknown-state text. Characters that are not a number end the
// handler with the conversion error, before the words field changes.
QString stateWords(const QString& stateText, const QString& unknown) {
    return printerStateWords(StrToInt(stateText), StateWords::StatusWindow).value_or(unknown);
}

}  // namespace

TFormStatusImp::TFormStatusImp(QWidget* parent)
    : TForm(parent), ui(std::make_unique<Ui::TFormStatusImp>()), Timer1(new TTimer(this)) {
    ui->setupUi(this);
    setBorder(Border::SingleDialog);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(1000);
    connectHandler(Timer1, &TTimer::tick, this, &TFormStatusImp::Timer1Timer);
    connectHandler(ui->BitBtn1, &QPushButton::clicked, this, &TFormStatusImp::BitBtn1Click);
}

TFormStatusImp::~TFormStatusImp() = default;

void TFormStatusImp::FormCreate() {
    Timer1->setEnabled(false);
}

void TFormStatusImp::FormActivate() {
    QString stateText = kNoReplyState;
    for (QLineEdit* edit :
         {ui->Edit1, ui->Edit2, ui->Edit3, ui->Edit4, ui->Edit5, ui->Edit6, ui->Edit7}) {
        edit->clear();
    }
    const QByteArray reply = fiscalDriver().ecfStatusImp();
    if (isFailureReply(reply)) {
        showMessage(failureReplyMessage(reply));
        ClearReplyFields();
        Timer1->setEnabled(false);
    } else {
        stateText = ShowReply(reply);
        Timer1->setEnabled(true);
    }
    ui->Edit3->setText(stateWords(stateText, QStringLiteral("EM ESTADO DESCONHECIDO")));
}

void TFormStatusImp::Timer1Timer() {
    // A tick that comes while a box over the window is still open (the
    // conversion error of the activation's reply, say) waits for the next
    // one, so that boxes do not pile up once a second.
    if (QApplication::activeModalWidget()) {
        return;
    }
    QString stateText = kNoReplyState;
    const QByteArray reply = fiscalDriver().ecfStatusImp();
    if (isFailureReply(reply)) {
        Timer1->setEnabled(false);
        ClearReplyFields();
        ui->Edit3->clear();
        ui->Edit7->setText(replyText(reply));
        showMessage(failureReplyMessage(reply));
        Close();
    } else {
        stateText = ShowReply(reply);
    }
    ui->Edit3->setText(stateWords(stateText, QStringLiteral("em estado desconhecido")));
}

void TFormStatusImp::FormDeactivate() {
    Timer1->setEnabled(false);
}

void TFormStatusImp::BitBtn1Click() {
    Close();
}

QString TFormStatusImp::ShowReply(const QByteArray& reply) {
    ui->Edit7->setText(replyText(reply));
    ui->Edit1->setText(sliceField(reply, PrinterStatusFields::Users));
    const QString stateText = sliceField(reply, PrinterStatusFields::StateCode);
    ui->Edit2->setText(stateText);
    ui->Edit4->setText(sliceField(reply, PrinterStatusFields::LowPaperSensor));
    ui->Edit5->setText(sliceField(reply, PrinterStatusFields::AuthenticationSensor));
    ui->Edit6->setText(sliceField(reply, PrinterStatusFields::DrawerSensor));
    return stateText;
}

void TFormStatusImp::ClearReplyFields() {
    for (QLineEdit* edit : {ui->Edit1, ui->Edit2, ui->Edit4, ui->Edit5, ui->Edit6}) {
        edit->clear();
    }
}
