#include "fprog30/fprog30.h"

#include "ui_fprog30.h"

Tfrmprog30* frmprog30 = nullptr;

Tfrmprog30::Tfrmprog30(QWidget* parent) : TForm(parent), ui(std::make_unique<Ui::Tfrmprog30>()) {
    ui->setupUi(this);
    setBorder(Border::SingleDialog);
}

Tfrmprog30::~Tfrmprog30() = default;
