#include "cupom_nf/cupom_nf.h"

#include "ui_cupom_nf.h"

Tcupomnf* cupomnf = nullptr;

Tcupomnf::Tcupomnf(QWidget* parent) : TForm(parent), ui(std::make_unique<Ui::Tcupomnf>()) {
    ui->setupUi(this);
    setBorder(Border::SingleDialog);
}

Tcupomnf::~Tcupomnf() = default;
