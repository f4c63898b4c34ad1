#include "venditem/venditem.h"

#include "ui_venditem.h"

Tfrmitem4* frmitem4 = nullptr;

Tfrmitem4::Tfrmitem4(QWidget* parent) : TForm(parent), ui(std::make_unique<Ui::Tfrmitem4>()) {
    ui->setupUi(this);
    setBorder(Border::SingleDialog);
}

Tfrmitem4::~Tfrmitem4() = default;
