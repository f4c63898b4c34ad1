// "Status das formas de pagamento": the payment types of a 3.00 printer, one
// record per tick, with their flags and accumulated totals.
#pragma once

#include "toolkit/tform.h"

#include <QPointer>
#include <memory>

class RecordListing;
class TTimer;

namespace Ui {
class Tstatpay;
}

class Tstatpay : public TForm {
    Q_OBJECT
public:
    explicit Tstatpay(QWidget* parent = nullptr);
    ~Tstatpay() override;

    void FormCreate() override;
    void FormActivate() override;
    void Timer1Timer();
    void Button1Click();

private:
    std::unique_ptr<Ui::Tstatpay> ui;
    TTimer* Timer1;
    std::unique_ptr<RecordListing> listing;
};

extern QPointer<Tstatpay> statpay;
