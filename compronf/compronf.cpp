#include "compronf/compronf.h"

#include "ui_compronf.h"

Tprogcnf* progcnf = nullptr;

Tprogcnf::Tprogcnf(QWidget* parent) : TForm(parent), ui(std::make_unique<Ui::Tprogcnf>()) {
    ui->setupUi(this);
    setBorder(Border::SingleDialog);
}

Tprogcnf::~Tprogcnf() = default;
