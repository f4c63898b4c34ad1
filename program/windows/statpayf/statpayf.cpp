#include "statpayf/statpayf.h"

#include "ui_statpayf.h"

#include "driver/fiscal_driver.h"
#include "driver/reply.h"
#include "toolkit/handlers.h"
#include "toolkit/ttimer.h"
#include "wincommon/record_listing.h"

#include <utility>

QPointer<Tstatpay> statpay;

namespace {

// Payment-type record: the two flags, the title and the accumulated total,
// as received.
constexpr ReplyField kActivated = PaymentTypeFields::Activated;
constexpr ReplyField kLinked = PaymentTypeFields::Linked;
constexpr ReplyField kTitle = PaymentTypeFields::Title;
constexpr ReplyField kTotal = PaymentTypeFields::Total;

// Title, then flags and total, then a separator line.
QStringList PaymentTypeLines(const QByteArray& record, int32_t recordIndex) {
    return {
        QString::number(recordIndex) + QStringLiteral(")   Título: ") + sliceField(record, kTitle),
        QStringLiteral("Ativado?  ") + sliceField(record, kActivated) +
            QStringLiteral("         Vinculado? ") + sliceField(record, kLinked) +
            QStringLiteral("         Total: ") + sliceField(record, kTotal),
        QStringLiteral("   "),
    };
}

}  // namespace

Tstatpay::Tstatpay(QWidget* parent)
    : TForm(parent), ui(std::make_unique<Ui::Tstatpay>()), Timer1(new TTimer(this)) {
    ui->setupUi(this);
    setBorder(Border::SingleNoIcons);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(500);

    // Positions 0 to 19; the table's position 20 is not listed.
    RecordListingSettings settings;
    settings.readRecord = [](int32_t record) { return fiscalDriver().ecfStatusPayTypes(record); };
    settings.lastRecord = 19;
    settings.recordLines = &PaymentTypeLines;
    listing = std::make_unique<RecordListing>(ui->RichEdit1, Timer1, std::move(settings));

    connectHandler(Timer1, &TTimer::tick, this, &Tstatpay::Timer1Timer);
    connectHandler(ui->Button1, &QPushButton::clicked, this, &Tstatpay::Button1Click);
}

Tstatpay::~Tstatpay() = default;

void Tstatpay::FormCreate() {
    Timer1->setEnabled(false);
}

void Tstatpay::FormActivate() {
    listing->Activate();
}

void Tstatpay::Timer1Timer() {
    listing->Tick();
}

void Tstatpay::Button1Click() {
    // The listing, if still running, goes on to its last record.
    Close();
}
