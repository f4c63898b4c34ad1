#include "cancitem/cancitem.h"

#include "ui_cancitem.h"

Tcancitm* cancitm = nullptr;

Tcancitm::Tcancitm(QWidget* parent) : TForm(parent), ui(std::make_unique<Ui::Tcancitm>()) {
    ui->setupUi(this);
    setBorder(Border::SingleDialog);
}

Tcancitm::~Tcancitm() = default;
