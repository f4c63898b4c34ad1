#include "MStatusCup/MStatusCup.h"

#include "ui_MStatusCup.h"

TFormStatusCup* FormStatusCup = nullptr;

TFormStatusCup::TFormStatusCup(QWidget* parent)
    : TForm(parent), ui(std::make_unique<Ui::TFormStatusCup>()) {
    ui->setupUi(this);
    setBorder(Border::SingleDialog);
}

TFormStatusCup::~TFormStatusCup() = default;
