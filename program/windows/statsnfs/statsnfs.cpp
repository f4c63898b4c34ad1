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
constexpr ReplyField kActive{2, 1};
constexpr ReplyField kTitle{3, 20};
constexpr ReplyField kDiscountAllowed{23, 1};
constexpr ReplyField kSurchargeAllowed{24, 1};
constexpr ReplyField kCancellationAllowed{25, 1};
constexpr ReplyField kPaymentRequired{26, 1};
constexpr ReplyField kLinked{27, 1};
constexpr ReplyField kLink{28, 2};
constexpr ReplyField kCoupons{30, 6};
constexpr ReplyField kCancelledCoupons{36, 6};
constexpr ReplyField kSales{42, 18};
constexpr ReplyField kSurcharges{60, 18};
constexpr ReplyField kDiscounts{78, 18};
constexpr ReplyField kCancellations{96, 18};

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
