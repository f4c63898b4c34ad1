#include "statsnfs/statsnfs.h"

#include "ui_statsnfs.h"

#include "driver/fiscal_driver.h"
#include "driver/reply.h"
#include "toolkit/handlers.h"
#include "toolkit/ttimer.h"
#include "wincommon/record_listing.h"

#include <utility>

QPointer<Tstatnfs> statnfs;

namespace {

// Non-fiscal document record, every field as received.
constexpr ReplyField kActive = NonFiscalFields::Active;
constexpr ReplyField kTitle = NonFiscalFields::Title;
constexpr ReplyField kDiscountAllowed = NonFiscalFields::DiscountAllowed;
constexpr ReplyField kSurchargeAllowed = NonFiscalFields::SurchargeAllowed;
constexpr ReplyField kCancellationAllowed = NonFiscalFields::CancellationAllowed;
constexpr ReplyField kPaymentRequired = NonFiscalFields::PaymentRequired;
constexpr ReplyField kLinked = NonFiscalFields::Linked;
constexpr ReplyField kLink = NonFiscalFields::Link;
constexpr ReplyField kCoupons = NonFiscalFields::Coupons;
constexpr ReplyField kCancelledCoupons = NonFiscalFields::CancelledCoupons;
constexpr ReplyField kSales = NonFiscalFields::Sales;
constexpr ReplyField kSurcharges = NonFiscalFields::Surcharges;
constexpr ReplyField kDiscounts = NonFiscalFields::Discounts;
constexpr ReplyField kCancellations = NonFiscalFields::Cancellations;

// Six lines of fields, then a separator line.
QStringList VoucherLines(const QByteArray& record, int32_t recordIndex) {
    const auto field = [&record](ReplyField f) { return sliceField(record, f); };
    return {
        QString::number(recordIndex) + QStringLiteral(")    Título: ") + field(kTitle) +
            QStringLiteral("     Ativo?   ") + field(kActive),
        QStringLiteral("Permite Desconto?  ") + field(kDiscountAllowed) +
            QStringLiteral("      Permite Acréscimo?  ") + field(kSurchargeAllowed),
        QStringLiteral("Permite Cancelamento?  ") + field(kCancellationAllowed) +
            QStringLiteral("      Obriga pagamento?  ") + field(kPaymentRequired),
        QStringLiteral("É vinculado?   ") + field(kLinked) + QStringLiteral("        Vínculo:  ") +
            field(kLink) + QStringLiteral("        Cupons NF:  ") + field(kCoupons) +
            QStringLiteral("        Cupons NF Canc.:  ") + field(kCancelledCoupons),
        QStringLiteral("Venda NF: ") + field(kSales) + QStringLiteral("     Acre. NF: ") +
            field(kSurcharges),
        QStringLiteral("Desc. NF: ") + field(kDiscounts) + QStringLiteral("     Canc. NF: ") +
            field(kCancellations),
        QStringLiteral("  "),
    };
}

}  // namespace

Tstatnfs::Tstatnfs(QWidget* parent)
    : TForm(parent), ui(std::make_unique<Ui::Tstatnfs>()), Timer1(new TTimer(this)) {
    ui->setupUi(this);
    setBorder(Border::SingleNoIcons);
    setDefaultButton(ui->Button1);
    // The timer keeps its default pace of one record a second.
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(1000);

    RecordListingSettings settings;
    settings.readRecord = [](int32_t record) { return fiscalDriver().ecfStatusDocsNFs(record); };
    settings.lastRecord = 15;
    settings.recordLines = &VoucherLines;
    listing = std::make_unique<RecordListing>(ui->RichEdit1, Timer1, std::move(settings));

    connectHandler(Timer1, &TTimer::tick, this, &Tstatnfs::Timer1Timer);
    connectHandler(ui->Button1, &QPushButton::clicked, this, &Tstatnfs::Button1Click);
}

Tstatnfs::~Tstatnfs() = default;

void Tstatnfs::FormCreate() {
    Timer1->setEnabled(false);
}

void Tstatnfs::FormActivate() {
    listing->Activate();
}

void Tstatnfs::Timer1Timer() {
    listing->Tick();
}

void Tstatnfs::Button1Click() {
    // The listing, if still running, goes on to its last record.
    Close();
}
