#include "stroco/stroco.h"

#include "ui_stroco.h"

Ttroco* troco = nullptr;

Ttroco::Ttroco(QWidget* parent) : TForm(parent), ui(std::make_unique<Ui::Ttroco>()) {
    ui->setupUi(this);
    setBorder(Border::SingleDialog);
}

Ttroco::~Ttroco() = default;
