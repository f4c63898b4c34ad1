#include "MStatusImp/MStatusImp.h"

#include "ui_MStatusImp.h"

TFormStatusImp* FormStatusImp = nullptr;

TFormStatusImp::TFormStatusImp(QWidget* parent)
    : TForm(parent), ui(std::make_unique<Ui::TFormStatusImp>()) {
    ui->setupUi(this);
    setBorder(Border::SingleDialog);
}

TFormStatusImp::~TFormStatusImp() = default;
