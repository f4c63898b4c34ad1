#include "paytable/paytable.h"

#include "ui_paytable.h"

Ttablepay* tablepay = nullptr;

Ttablepay::Ttablepay(QWidget* parent) : TForm(parent), ui(std::make_unique<Ui::Ttablepay>()) {
    ui->setupUi(this);
    setBorder(Border::SingleDialog);
}

Ttablepay::~Ttablepay() = default;
