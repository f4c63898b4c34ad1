#include "ecfpainel/traceview.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QScrollBar>
#include <QVBoxLayout>

#include <algorithm>

#include "core/codes.h"
#include "core/device.h"
#include "core/trace.h"
#include "core/tracelog.h"

namespace {

const QColor kFailedBackground(0xFD, 0xE2, 0xE0);
const QColor kFailedText(0xA8, 0x10, 0x10);

QString text(const std::string& s) {
    return QString::fromStdString(s);
}

// The function, when one is chosen, and the refusals, when asked for,
// decide the filter; with neither every row is let in.
class CallFilter : public QSortFilterProxyModel {
public:
    using QSortFilterProxyModel::QSortFilterProxyModel;
    void setFunction(const QString& name) {
        function_ = name;
        invalidateFilter();
    }
    void setRefusalsOnly(bool on) {
        refusalsOnly_ = on;
        invalidateFilter();
    }

protected:
    bool filterAcceptsRow(int row, const QModelIndex&) const override {
        auto* model = static_cast<TraceModel*>(sourceModel());
        const fiscemu::TraceRow& r = model->row(row);
        if (refusalsOnly_ && !TraceModel::failed(r))
            return false;
        return function_.isEmpty() || text(r.function) == function_;
    }

private:
    QString function_;
    bool refusalsOnly_ = false;
};

}  // namespace

TraceModel::TraceModel(QObject* parent) : QAbstractTableModel(parent) {
    setObjectName(QStringLiteral("callTraceModel"));
}

int TraceModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(rows_.size());
}

int TraceModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

bool TraceModel::failed(const fiscemu::TraceRow& row) {
    const std::string& r = row.result;
    if (!r.empty() && r.front() == '"')
        return r.find("Erro") != std::string::npos;
    // A traced reason always marks a refusal.
    return (r != "0" && !r.empty() && row.function != "ChangePort") || !row.reason.empty();
}

QString TraceModel::durationText(int64_t micros) {
    if (micros < 0)
        return QString();
    return QLocale().toString(double(micros) / 1000.0, 'f', 3);
}

QString TraceModel::resultToolTip(const fiscemu::TraceRow& row) {
    const std::optional<int> code = fiscemu::readTraceResult(row.result).code;
    if (!code)
        return text(row.result);
    const fiscemu::ResultCode* known = fiscemu::findResultCode(*code);
    QString tip = QStringLiteral("%1 — %2").arg(*code).arg(
        known ? text(known->meaning) : QStringLiteral("código fora da tabela (falha simulada)"));
    if (!row.reason.empty())
        tip += QStringLiteral("\nMotivo: ") + text(row.reason);
    return tip;
}

QVariant TraceModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= int(rows_.size()))
        return {};
    const fiscemu::TraceRow& r = rows_[size_t(index.row())];
    if (role == Qt::DisplayRole || role == Qt::ToolTipRole) {
        switch (index.column()) {
            case Time:
                // The PC time with milliseconds; the date is in the tooltip.
                return role == Qt::ToolTipRole ? text(r.time) : text(r.time).mid(11);
            case Function:
                return text(r.function);
            case Arguments:
                return text(r.args);
            case Result:
                return role == Qt::ToolTipRole ? resultToolTip(r) : text(r.result);
            case Duration:
                return durationText(r.micros);
            case Reason:
                return text(r.reason);
        }
    }
    if (role == Qt::TextAlignmentRole && index.column() == Duration)
        return QVariant(Qt::AlignRight | Qt::AlignVCenter);
    if (failed(r)) {
        if (role == Qt::BackgroundRole)
            return kFailedBackground;
        if (role == Qt::ForegroundRole)
            return kFailedText;
        if (role == Qt::FontRole && index.column() == Result) {
            QFont bold;
            bold.setBold(true);
            return bold;
        }
    }
    return {};
}

QVariant TraceModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    switch (section) {
        case Time:
            return QStringLiteral("Hora");
        case Function:
            return QStringLiteral("Função");
        case Arguments:
            return QStringLiteral("Argumentos");
        case Result:
            return QStringLiteral("Resultado ou resposta");
        case Duration:
            return QStringLiteral("Duração (ms)");
        case Reason:
            return QStringLiteral("Motivo");
    }
    return {};
}

void TraceModel::append(const std::vector<fiscemu::TraceRow>& rows) {
    if (rows.empty())
        return;
    const size_t incoming = std::min(rows.size(), size_t(kMaxRows));
    const size_t total = rows_.size() + incoming;
    if (total > size_t(kMaxRows)) {
        const int drop = int(total - size_t(kMaxRows));
        beginRemoveRows({}, 0, drop - 1);
        rows_.erase(rows_.begin(), rows_.begin() + drop);
        endRemoveRows();
    }
    const int first = int(rows_.size());
    beginInsertRows({}, first, first + int(incoming) - 1);
    rows_.insert(rows_.end(), rows.end() - long(incoming), rows.end());
    endInsertRows();
}

void TraceModel::clear() {
    beginResetModel();
    rows_.clear();
    endResetModel();
}

TraceView::TraceView(QWidget* parent)
    : QWidget(parent),
      model_(new TraceModel(this)),
      proxy_(new CallFilter(this)),
      table_(new QTableView(this)),
      filter_(new QComboBox(this)),
      refusalsOnly_(new QCheckBox(QStringLiteral("Só &recusas"), this)) {
    setObjectName(QStringLiteral("traceBox"));
    table_->setObjectName(QStringLiteral("callTrace"));
    filter_->setObjectName(QStringLiteral("traceFilter"));
    refusalsOnly_->setObjectName(QStringLiteral("traceRefusalsOnly"));
    refusalsOnly_->setToolTip(QStringLiteral("Mostra só as chamadas que a impressora recusou"));
    proxy_->setObjectName(QStringLiteral("callTraceFilter"));
    proxy_->setSourceModel(model_);
    table_->setModel(proxy_);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setWordWrap(false);
    table_->setAlternatingRowColors(true);
    table_->verticalHeader()->setVisible(false);
    table_->verticalHeader()->setDefaultSectionSize(table_->fontMetrics().height() + 4);
    QFont fixed = QFont(QStringLiteral("monospace"));
    fixed.setStyleHint(QFont::TypeWriter);
    table_->setFont(fixed);
    QHeaderView* header = table_->horizontalHeader();
    header->setSectionResizeMode(QHeaderView::Interactive);
    header->resizeSection(TraceModel::Time,
                          table_->fontMetrics().horizontalAdvance("00:00:00.000 "));
    header->resizeSection(TraceModel::Function,
                          table_->fontMetrics().horizontalAdvance("ecfCancAcresDescSubTotal "));
    header->resizeSection(TraceModel::Arguments, 150);
    header->resizeSection(TraceModel::Result,
                          table_->fontMetrics().horizontalAdvance("Resultado ou resposta  "));
    header->resizeSection(TraceModel::Reason, 220);
    header->resizeSection(TraceModel::Duration,
                          table_->fontMetrics().horizontalAdvance("Duração (ms) "));
    header->setStretchLastSection(true);

    filter_->addItem(QStringLiteral("(todas as funções)"), QString());
    for (const std::string& name : fiscemu::driverFunctionNames())
        filter_->addItem(text(name), text(name));
    connect(filter_, &QComboBox::currentIndexChanged, this, [this](int) {
        static_cast<CallFilter*>(proxy_)->setFunction(filter_->currentData().toString());
        table_->scrollToBottom();
    });
    connect(refusalsOnly_, &QCheckBox::toggled, this, [this](bool on) {
        static_cast<CallFilter*>(proxy_)->setRefusalsOnly(on);
        table_->scrollToBottom();
    });

    auto* copy = new QAction(QStringLiteral("Copiar chamadas"), this);
    copy->setObjectName(QStringLiteral("actionCopyCalls"));
    copy->setShortcut(QKeySequence::Copy);
    copy->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    connect(copy, &QAction::triggered, this, &TraceView::copySelection);
    table_->addAction(copy);
    table_->setContextMenuPolicy(Qt::ActionsContextMenu);

    auto* label = new QLabel(QStringLiteral("Chamadas à impressora — filtrar por função:"), this);
    label->setObjectName(QStringLiteral("traceTitle"));
    label->setBuddy(filter_);
    // The title over the filters, wrapping, and a list that narrows: in a
    // narrow panel they never set the window's width; the table scrolls.
    label->setWordWrap(true);
    filter_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    filter_->setMinimumContentsLength(12);
    auto* filters = new QHBoxLayout;
    filters->addWidget(filter_, 1);
    filters->addWidget(refusalsOnly_);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(label);
    layout->addLayout(filters);
    layout->addWidget(table_, 1);
}

void TraceView::appendRows(const std::vector<fiscemu::TraceRow>& rows) {
    QScrollBar* bar = table_->verticalScrollBar();
    const bool follow = bar->value() >= bar->maximum() - 1;
    model_->append(rows);
    if (follow)
        table_->scrollToBottom();
}

void TraceView::restart() {
    model_->clear();
}

QString TraceView::selectedText() const {
    QList<int> rows;
    for (const QModelIndex& index : table_->selectionModel()->selectedRows())
        rows << proxy_->mapToSource(index).row();
    std::sort(rows.begin(), rows.end());
    QString out;
    for (int row : rows) {
        const fiscemu::TraceRow& r = model_->row(row);
        QString line = text(fiscemu::traceLine(r));
        if (line.endsWith(QLatin1Char('\n')))
            line.chop(1);
        if (r.micros >= 0)
            line += QStringLiteral("  [%1 ms]").arg(TraceModel::durationText(r.micros));
        out += line + QLatin1Char('\n');
    }
    return out;
}

QStringList TraceView::refusalLines() const {
    QStringList lines;
    for (int row = 0; row < model_->rowCount(); ++row) {
        const fiscemu::TraceRow& r = model_->row(row);
        if (!TraceModel::failed(r))
            continue;
        QString line = text(fiscemu::traceLine(r));
        if (line.endsWith(QLatin1Char('\n')))
            line.chop(1);
        lines << line;
    }
    return lines;
}

void TraceView::copySelection() {
    const QString text = selectedText();
    if (!text.isEmpty())
        QApplication::clipboard()->setText(text);
}
