#include "descitem/descitem.h"

#include "ui_descitem.h"

Tdescitm* descitm = nullptr;

Tdescitm::Tdescitm(QWidget* parent) : TForm(parent), ui(std::make_unique<Ui::Tdescitm>()) {
    ui->setupUi(this);
    setBorder(Border::SingleDialog);
}

Tdescitm::~Tdescitm() = default;
