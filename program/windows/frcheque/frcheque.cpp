#include "frcheque/frcheque.h"

#include "ui_frcheque.h"

#include "driver/codepage.h"
#include "driver/fiscal_driver.h"
#include "toolkit/app_environment.h"
#include "toolkit/convert.h"
#include "toolkit/dialogs.h"
#include "toolkit/handlers.h"
#include "wincommon/report.h"

#include <QDate>

QPointer<Tfrmcheck> frmcheck;

namespace {

const QByteArray kCity = QByteArrayLiteral("Campo Sereno");
const QByteArray kExtraText = QByteArrayLiteral("Campo Especial");

// Today's date as day, month and year run together: "070326" with a
// two-digit year, "07032026" with four.
QByteArray chequeDate(const QString& yearFormat) {
    return currentDateTime().date().toString(QStringLiteral("ddMM") + yearFormat).toLatin1();
}

}  // namespace

Tfrmcheck::Tfrmcheck(QWidget* parent) : TForm(parent), ui(std::make_unique<Ui::Tfrmcheck>()) {
    ui->setupUi(this);
    setBorder(Border::SingleNoIcons);
    connectHandler(ui->Button1, &QPushButton::clicked, this, &Tfrmcheck::Button1Click);
    connectHandler(ui->Button2, &QPushButton::clicked, this, &Tfrmcheck::Button2Click);
}

Tfrmcheck::~Tfrmcheck() = default;

void Tfrmcheck::FormActivate() {
    // A question closed without an answer keeps the last choice.
    const DialogAnswer answer =
        askConfirmation(QStringLiteral("Deseja preecher cheque na Kolvex?"));
    if (answer == DialogAnswer::Yes) {
        ChequeDevice = ChequePrinter::Kolvex;
        ui->CheckBox1->setEnabled(true);
    } else if (answer == DialogAnswer::No) {
        ChequeDevice = ChequePrinter::Marvik;
        ui->CheckBox1->setEnabled(false);
    }
}

void Tfrmcheck::Button1Click() {
    // The bank code is the first three characters of the chosen item; with
    // no bank chosen the conversion fails and nothing is sent.
    const int32_t bank = StrToInt(ui->ComboBox1->currentText().left(3));
    const QByteArray value = toDriverText(ui->Edit1->text());
    const QByteArray payee = toDriverText(ui->Edit2->text());

    FiscalDriver& driver = fiscalDriver();
    int32_t result = 0;
    if (ChequeDevice == ChequePrinter::Kolvex && ui->CheckBox1->isChecked()) {
        const QByteArray date = chequeDate(QStringLiteral("yyyy"));
        showMessage(QString::fromLatin1(date));
        result = driver.ecfChequeKolvex300(bank, value, payee, kCity, date, kExtraText,
                                           QByteArrayLiteral("REAL"), QByteArrayLiteral("REAIS"));
    } else if (ChequeDevice == ChequePrinter::Kolvex) {
        result = driver.ecfImpCheque(bank, value, payee, kCity, chequeDate(QStringLiteral("yy")),
                                     kExtraText);
    } else {
        result = driver.ecfImpChequeMarvik(bank, value, payee, kCity,
                                           chequeDate(QStringLiteral("yy")), kExtraText);
    }
    reportResult(ResultPrefix::OcorreuErro, result);
}

void Tfrmcheck::Button2Click() {
    Close();
}
