#include "subtotal/subtotal.h"

#include "ui_subtotal.h"

Tfrmadsub* frmadsub = nullptr;

Tfrmadsub::Tfrmadsub(QWidget* parent) : TForm(parent), ui(std::make_unique<Ui::Tfrmadsub>()) {
    ui->setupUi(this);
    setBorder(Border::SingleDialog);
}

Tfrmadsub::~Tfrmadsub() = default;
