#include "MXserial/MXserial.h"

#include "ui_MXserial.h"

Txserial* xserial = nullptr;

Txserial::Txserial(QWidget* parent) : TForm(parent), ui(std::make_unique<Ui::Txserial>()) {
    ui->setupUi(this);
    setBorder(Border::SingleDialog);
}

Txserial::~Txserial() = default;
