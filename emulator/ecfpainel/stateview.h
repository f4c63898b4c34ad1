// The printer's state as its memory holds it: the state code with its words,
// the fiscal day and the printer's clock, the counters, the grand total, the
// open document with its items and what is paid, the model and the port.
#pragma once

#include <QWidget>

#include "core/device.h"

class QLabel;
class QTableWidget;

class StateView : public QWidget {
    Q_OBJECT
public:
    explicit StateView(QWidget* parent = nullptr);

public slots:
    void showState(fiscemu::Device& device);
    // The memory cannot be read: the last figures stay, greyed.
    void setStale(bool stale);

private:
    QLabel* addRow(const QString& name, const QString& caption);

    QLabel *code_, *clock_, *day_, *coo_, *z_, *cro_, *grandTotal_, *document_, *subtotal_, *paid_,
        *remaining_, *model_, *port_;
    QTableWidget* items_;
};
