// "Status das formas de pagamento": the payment-type status listing.
#pragma once

#include "toolkit/tform.h"

#include <memory>

namespace Ui {
class Tstatpay;
}

class Tstatpay : public TForm {
    Q_OBJECT
public:
    explicit Tstatpay(QWidget* parent = nullptr);
    ~Tstatpay() override;

private:
    std::unique_ptr<Ui::Tstatpay> ui;
};

extern Tstatpay* statpay;
