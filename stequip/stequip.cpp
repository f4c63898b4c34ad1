#include "stequip/stequip.h"

#include "ui_stequip.h"

Tstequipo* stequipo = nullptr;

Tstequipo::Tstequipo(QWidget* parent) : TForm(parent), ui(std::make_unique<Ui::Tstequipo>()) {
    ui->setupUi(this);
    setBorder(Border::SingleDialog);
}

Tstequipo::~Tstequipo() = default;
