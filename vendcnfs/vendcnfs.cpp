#include "vendcnfs/vendcnfs.h"

#include "ui_vendcnfs.h"

Tvendcnf* vendcnf = nullptr;

Tvendcnf::Tvendcnf(QWidget* parent) : TForm(parent), ui(std::make_unique<Ui::Tvendcnf>()) {
    ui->setupUi(this);
    setBorder(Border::SingleDialog);
}

Tvendcnf::~Tvendcnf() = default;
