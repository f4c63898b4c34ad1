#include "demos/demos.h"

#include "ui_demos.h"

Tfdemos* fdemos = nullptr;

Tfdemos::Tfdemos(QWidget* parent) : TForm(parent), ui(std::make_unique<Ui::Tfdemos>()) {
    ui->setupUi(this);
    setBorder(Border::SingleDialog);
}

Tfdemos::~Tfdemos() = default;
