#include "fprog/fprog.h"

#include "ui_fprog.h"

Tfrmprog* frmprog = nullptr;

Tfrmprog::Tfrmprog(QWidget* parent) : TForm(parent), ui(std::make_unique<Ui::Tfrmprog>()) {
    ui->setupUi(this);
    setBorder(Border::SingleDialog);
}

Tfrmprog::~Tfrmprog() = default;
