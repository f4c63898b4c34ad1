#include "ecfpainel/stateview.h"

#include <QFormLayout>
#include <QHeaderView>
#include <QLabel>
#include <QTableWidget>
#include <QVBoxLayout>

#include "core/clock.h"
#include "core/cp850.h"
#include "core/money.h"
#include "core/printer.h"

namespace {

QString text(const std::string& s) {
    return QString::fromStdString(s);
}

QString amount(fiscemu::Cents cents) {
    return text(fiscemu::formatAmount(cents));
}

QString dateOf(int64_t ymd) {
    return QStringLiteral("%1/%2/%3")
        .arg(int(ymd % 100), 2, 10, QLatin1Char('0'))
        .arg(int(ymd / 100 % 100), 2, 10, QLatin1Char('0'))
        .arg(int(ymd / 10000), 4, 10, QLatin1Char('0'));
}

QString documentKind(const fiscemu::Document& doc) {
    switch (doc.kind) {
        case fiscemu::kDocHeader:
            return QStringLiteral("cabeçalho impresso, sem itens");
        case fiscemu::kDocFiscal:
            return doc.items.empty() ? QStringLiteral("cabeçalho impresso, sem itens")
                                     : QStringLiteral("cupom fiscal");
        case fiscemu::kDocNonFiscal:
            return QStringLiteral("comprovante não fiscal");
        case fiscemu::kDocLinked:
            return QStringLiteral("comprovante não fiscal vinculado");
        default:
            return QStringLiteral("nenhum documento aberto");
    }
}

QString quantity(int64_t thousandths) {
    return QStringLiteral("%1,%2")
        .arg(thousandths / 1000)
        .arg(int(thousandths % 1000), 3, 10, QLatin1Char('0'));
}

}  // namespace

StateView::StateView(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("printerState"));
    auto* form = new QFormLayout;
    form->setLabelAlignment(Qt::AlignRight);
    form->setHorizontalSpacing(10);
    form->setVerticalSpacing(3);
    setLayout(new QVBoxLayout);
    layout()->setContentsMargins(4, 4, 4, 4);
    static_cast<QVBoxLayout*>(layout())->addLayout(form);

    auto row = [&](const char* name, const QString& caption) {
        auto* value = new QLabel(this);
        value->setObjectName(QLatin1String(name));
        value->setTextInteractionFlags(Qt::TextSelectableByMouse);
        auto* label = new QLabel(caption, this);
        label->setObjectName(QLatin1String(name) + QStringLiteral("Label"));
        form->addRow(label, value);
        return value;
    };
    code_ = row("stateCode", QStringLiteral("Estado:"));
    clock_ = row("stateClock", QStringLiteral("Relógio da impressora:"));
    day_ = row("stateDay", QStringLiteral("Dia fiscal:"));
    coo_ = row("stateCoo", QStringLiteral("COO:"));
    z_ = row("stateZ", QStringLiteral("Reduções Z (CRZ):"));
    cro_ = row("stateCro", QStringLiteral("Reinícios (CRO):"));
    grandTotal_ = row("stateGrandTotal", QStringLiteral("Grande total:"));
    model_ = row("stateModel", QStringLiteral("Modelo:"));
    port_ = row("statePort", QStringLiteral("Porta:"));
    document_ = row("stateDocument", QStringLiteral("Documento aberto:"));
    subtotal_ = row("stateSubtotal", QStringLiteral("Subtotal:"));
    paid_ = row("statePaid", QStringLiteral("Pago:"));
    remaining_ = row("stateRemaining", QStringLiteral("Falta pagar:"));

    items_ = new QTableWidget(0, 5, this);
    items_->setObjectName(QStringLiteral("stateItems"));
    items_->setHorizontalHeaderLabels({QStringLiteral("Código"), QStringLiteral("Descrição"),
                                       QStringLiteral("Qtd."), QStringLiteral("Unitário"),
                                       QStringLiteral("Total")});
    items_->verticalHeader()->setVisible(false);
    items_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    items_->setSelectionBehavior(QAbstractItemView::SelectRows);
    items_->horizontalHeader()->setSectionResizeMode(1, QHeaderView::Stretch);
    items_->verticalHeader()->setDefaultSectionSize(items_->fontMetrics().height() + 4);
    layout()->addWidget(items_);
}

void StateView::setStale(bool stale) {
    setEnabled(!stale);
}

void StateView::showState(fiscemu::Device& device) {
    setStale(false);
    const fiscemu::PrinterState& st = device.state();
    const fiscemu::Settings& set = device.settings();
    const fiscemu::Scalars& s = st.s;
    const int state = device.stateCode();
    const int64_t now = device.now();
    code_->setText(QStringLiteral("%1 — %2").arg(text(fiscemu::zeroPad(state, 3)),
                                                 text(fiscemu::stateWords(state))));
    const fiscemu::DateTime dt = fiscemu::localFromEpoch(now);
    clock_->setText(text(fiscemu::formatDateLong(dt) + " " + fiscemu::formatTimeColons(dt)));
    if (s.dayOpen) {
        QString day = QStringLiteral("aberto em %1").arg(dateOf(s.dayDate));
        if (dt.ymd() > s.dayDate)
            day += QStringLiteral("; a data passou, redução Z pendente");
        day_->setText(day);
    } else if (s.zDate == dt.ymd()) {
        day_->setText(QStringLiteral("encerrado hoje pela redução Z (%1)").arg(dateOf(s.zDate)));
    } else {
        day_->setText(QStringLiteral("não aberto (o primeiro documento abre o dia)"));
    }
    coo_->setText(text(fiscemu::zeroPad(s.coo, 6)));
    z_->setText(text(fiscemu::zeroPad(s.crz, 4)));
    cro_->setText(text(fiscemu::zeroPad(s.cro, 4)));
    grandTotal_->setText(amount(s.gt));
    model_->setText(QStringLiteral("ECF-IF %1").arg(QLatin1String(fiscemu::modelName(set.model))));
    port_->setText(set.port == 1 ? QStringLiteral("COM2") : QStringLiteral("COM1"));

    const fiscemu::Document& doc = st.doc;
    if (doc.kind == fiscemu::kDocNone) {
        document_->setText(documentKind(doc));
        subtotal_->clear();
        paid_->clear();
        remaining_->clear();
    } else {
        document_->setText(QStringLiteral("%1, COO %2")
                               .arg(documentKind(doc), text(fiscemu::zeroPad(doc.coo, 6))));
        const fiscemu::Cents subtotal =
            doc.kind == fiscemu::kDocLinked ? doc.linkValue : fiscemu::documentSubtotal(doc);
        const fiscemu::Cents paid = fiscemu::documentPaid(doc);
        subtotal_->setText(amount(subtotal));
        paid_->setText(amount(paid));
        remaining_->setText(amount(subtotal > paid ? subtotal - paid : 0));
    }
    items_->setRowCount(int(doc.items.size()));
    for (int i = 0; i < int(doc.items.size()); ++i) {
        const fiscemu::Item& item = doc.items[size_t(i)];
        const QString values[] = {text(fiscemu::windowsLatinToUtf8(item.code)),
                                  text(fiscemu::windowsLatinToUtf8(item.description)) +
                                      (item.cancelled ? QStringLiteral(" (cancelado)") : QString()),
                                  quantity(item.quantity), amount(item.price), amount(item.net())};
        for (int c = 0; c < 5; ++c) {
            auto* cell = new QTableWidgetItem(values[c]);
            if (c >= 2)
                cell->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            items_->setItem(i, c, cell);
        }
    }
}
