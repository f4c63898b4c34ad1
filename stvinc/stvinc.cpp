#include "stvinc/stvinc.h"

#include "ui_stvinc.h"

Tstvincs* stvincs = nullptr;

Tstvincs::Tstvincs(QWidget* parent) : TForm(parent), ui(std::make_unique<Ui::Tstvincs>()) {
    ui->setupUi(this);
    setBorder(Border::SingleDialog);
}

Tstvincs::~Tstvincs() = default;
