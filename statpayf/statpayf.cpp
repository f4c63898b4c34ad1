#include "statpayf/statpayf.h"

#include "ui_statpayf.h"

Tstatpay* statpay = nullptr;

Tstatpay::Tstatpay(QWidget* parent) : TForm(parent), ui(std::make_unique<Ui::Tstatpay>()) {
    ui->setupUi(this);
    setBorder(Border::SingleDialog);
}

Tstatpay::~Tstatpay() = default;
