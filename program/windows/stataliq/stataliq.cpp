#include "stataliq/stataliq.h"

#include "ui_stataliq.h"

#include "driver/fiscal_driver.h"
#include "driver/reply.h"
#include "toolkit/handlers.h"
#include "toolkit/ttimer.h"
#include "wincommon/record_listing.h"

QPointer<TForm1> Form1;

namespace {

// Tax-rate record: type, rate, accumulated amount and tax, as received.
constexpr ReplyField kTaxType = TaxRateFields::TaxType;
constexpr ReplyField kRate = TaxRateFields::Rate;
constexpr ReplyField kAmount = TaxRateFields::Amount;
constexpr ReplyField kTax = TaxRateFields::Tax;

// The one panel line of a tax-rate record.
QStringList TaxRateLines(const QByteArray& record, int32_t recordIndex) {
    return {QString::number(recordIndex) + QStringLiteral(") Tipo: ") +
            sliceField(record, kTaxType) + QStringLiteral("    Taxa: ") +
            sliceField(record, kRate) + QStringLiteral("%  Montante: ") +
            sliceField(record, kAmount) + QStringLiteral("  Imposto: ") + sliceField(record, kTax)};
}

}  // namespace

TForm1::TForm1(QWidget* parent)
    : TForm(parent), ui(std::make_unique<Ui::TForm1>()), Timer1(new TTimer(this)) {
    ui->setupUi(this);
    setBorder(Border::SingleNoIcons);
    setDefaultButton(ui->Button1);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(500);

    RecordListingSettings settings;
    settings.readRecord = [](int32_t record) { return fiscalDriver().ecfStatusAliquotas(record); };
    settings.lastRecord = 15;
    settings.headingLines = {QStringLiteral(" Legenda para o Tipo:  (T = ICMS ou S = ISSQN)  "),
                             QString(19, QLatin1Char(' '))};
    settings.recordLines = &TaxRateLines;
    listing = std::make_unique<RecordListing>(ui->RichEdit1, Timer1, std::move(settings));

    connectHandler(Timer1, &TTimer::tick, this, &TForm1::Timer1Timer);
    connectHandler(ui->Button1, &QPushButton::clicked, this, &TForm1::Button1Click);
}

TForm1::~TForm1() = default;

void TForm1::FormCreate() {
    Timer1->setEnabled(false);
}

void TForm1::FormActivate() {
    listing->Activate();
}

void TForm1::Timer1Timer() {
    listing->Tick();
}

void TForm1::Button1Click() {
    // The listing, if still running, goes on to its last record.
    Close();
}
