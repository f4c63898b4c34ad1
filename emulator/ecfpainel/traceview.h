// The call trace: one row per call with its time, function, arguments (bytes
// escaped as the trace keeps them), result or reply and how long it took; a
// failed call stands out with the printer's reason beside it and the code's
// meaning in its tooltip; filters by function and for refusals only; rows
// copied as text; the newest row followed unless the user scrolled up.
#pragma once

#include <QAbstractTableModel>
#include <QSortFilterProxyModel>
#include <QTableView>
#include <QWidget>

#include <vector>

#include "core/store.h"

class QCheckBox;
class QComboBox;

class TraceModel : public QAbstractTableModel {
    Q_OBJECT
public:
    // The reason right after the result, where the eye is when a row is red.
    enum Column { Time, Function, Arguments, Result, Reason, Duration, ColumnCount };
    // The rows kept in view; older ones leave as new ones come.
    static constexpr int kMaxRows = 20000;

    explicit TraceModel(QObject* parent = nullptr);
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    const fiscemu::TraceRow& row(int i) const { return rows_[size_t(i)]; }
    void append(const std::vector<fiscemu::TraceRow>& rows);
    void clear();

    // Whether a call failed: a result code other than 0, or a reply that is
    // an error reply.
    static bool failed(const fiscemu::TraceRow& row);
    // "12,345" milliseconds, empty when the duration is not known.
    static QString durationText(int64_t micros);
    // The result cell's tooltip: the code, its meaning and the reason.
    static QString resultToolTip(const fiscemu::TraceRow& row);

private:
    std::vector<fiscemu::TraceRow> rows_;
};

class TraceView : public QWidget {
    Q_OBJECT
public:
    explicit TraceView(QWidget* parent = nullptr);

    QTableView* table() const { return table_; }
    TraceModel* model() const { return model_; }
    QComboBox* filter() const { return filter_; }
    QCheckBox* refusalsOnly() const { return refusalsOnly_; }
    // The selected rows as the trace prints them, one per line.
    QString selectedText() const;
    // The refused calls in view, as the trace prints them, for the PDF.
    QStringList refusalLines() const;

public slots:
    void appendRows(const std::vector<fiscemu::TraceRow>& rows);
    void restart();
    void copySelection();

private:
    TraceModel* model_;
    QSortFilterProxyModel* proxy_;
    QTableView* table_;
    QComboBox* filter_;
    QCheckBox* refusalsOnly_;
};
