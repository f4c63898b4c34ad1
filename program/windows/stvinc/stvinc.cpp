#include "stvinc/stvinc.h"

#include "ui_stvinc.h"

#include "driver/fiscal_driver.h"
#include "driver/reply.h"
#include "toolkit/handlers.h"
#include "toolkit/ttimer.h"
#include "wincommon/first_show_fonts.h"
#include "wincommon/record_listing.h"

#include <utility>

QPointer<Tstvincs> stvincs;

namespace {

// Linked-coupon record, every field as received.
constexpr ReplyField kPending = LinkedFields::Pending;
constexpr ReplyField kPosition = LinkedFields::Position;
constexpr ReplyField kOperationValue = LinkedFields::OperationValue;
constexpr ReplyField kTransactionValue = LinkedFields::TransactionValue;
constexpr ReplyField kCouponNumber = LinkedFields::CouponNumber;
constexpr ReplyField kIssued = LinkedFields::Issued;
constexpr ReplyField kIssuedNumber = LinkedFields::IssuedNumber;

QStringList LinkedCouponLines(const QByteArray& record, int32_t recordIndex) {
    const auto field = [&record](ReplyField f) { return sliceField(record, f); };
    return {
        QStringLiteral("POSIÇÃO: ") + QString::number(recordIndex) + QString(10, QLatin1Char(' ')) +
            QStringLiteral(" Pendente? ") + field(kPending),
        QStringLiteral("Posição ao qual está vinculado: ") + field(kPosition),
        QStringLiteral("Valor da operação: ") + field(kOperationValue),
        QStringLiteral("Valor da transação: ") + field(kTransactionValue),
        QStringLiteral("COO do cupom ao qual está vinculado: ") + field(kCouponNumber),
        QStringLiteral("Cupom emitido: ") + field(kIssued),
        QStringLiteral("COO do CNF vinculado emitido: ") + field(kIssuedNumber),
    };
}

}  // namespace

Tstvincs::Tstvincs(QWidget* parent)
    : TForm(parent), ui(std::make_unique<Ui::Tstvincs>()), Timer1(new TTimer(this)) {
    // The panel's bold font is laid out when the window is first shown.
    setupUiWithFontsAtFirstShow(*ui, this);
    setBorder(Border::SingleDialog);
    setDefaultButton(ui->Button1);
    // The selection stays as visible when the panel loses the focus.
    QPalette panelColours = ui->RichEdit1->palette();
    for (QPalette::ColorRole role : {QPalette::Highlight, QPalette::HighlightedText}) {
        panelColours.setBrush(QPalette::Inactive, role, panelColours.brush(QPalette::Active, role));
    }
    ui->RichEdit1->setPalette(panelColours);
    // The timer keeps its default pace of one record a second.
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(1000);

    // Records 0 to 19; every record after the first that reads without error
    // moves the bar on by 5 and stands after a line of one blank.
    RecordListingSettings settings;
    settings.readRecord = [](int32_t record) { return fiscalDriver().ecfStatusVincs(record); };
    settings.lastRecord = 19;
    settings.recordLines = &LinkedCouponLines;
    settings.linesBeforeLaterRecords = {QStringLiteral(" ")};
    settings.progressBar = ui->ProgressBar1;
    settings.progressStep = 5;
    listing = std::make_unique<RecordListing>(ui->RichEdit1, Timer1, std::move(settings));

    connectHandler(Timer1, &TTimer::tick, this, &Tstvincs::Timer1Timer);
    connectHandler(ui->Button1, &QPushButton::clicked, this, &Tstvincs::Button1Click);
}

Tstvincs::~Tstvincs() = default;

void Tstvincs::FormCreate() {
    Timer1->setEnabled(false);
}

void Tstvincs::FormActivate() {
    listing->Activate();
}

void Tstvincs::Timer1Timer() {
    listing->Tick();
}

void Tstvincs::Button1Click() {
    // The listing, if still running, goes on to its last record.
    Close();
}
