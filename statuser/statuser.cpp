#include "statuser/statuser.h"

#include "ui_statuser.h"

Tstatusr* statusr = nullptr;

Tstatusr::Tstatusr(QWidget* parent) : TForm(parent), ui(std::make_unique<Ui::Tstatusr>()) {
    ui->setupUi(this);
    setBorder(Border::SingleDialog);
}

Tstatusr::~Tstatusr() = default;
