#include "frcheque/frcheque.h"

#include "ui_frcheque.h"

Tfrmcheck* frmcheck = nullptr;

Tfrmcheck::Tfrmcheck(QWidget* parent) : TForm(parent), ui(std::make_unique<Ui::Tfrmcheck>()) {
    ui->setupUi(this);
    setBorder(Border::SingleDialog);
}

Tfrmcheck::~Tfrmcheck() = default;
