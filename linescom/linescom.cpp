#include "linescom/linescom.h"

#include "ui_linescom.h"

Tlinecom* linecom = nullptr;

Tlinecom::Tlinecom(QWidget* parent) : TForm(parent), ui(std::make_unique<Ui::Tlinecom>()) {
    ui->setupUi(this);
    setBorder(Border::SingleDialog);
}

Tlinecom::~Tlinecom() = default;
