#include "stataliq/stataliq.h"

#include "ui_stataliq.h"

TForm1* Form1 = nullptr;

TForm1::TForm1(QWidget* parent) : TForm(parent), ui(std::make_unique<Ui::TForm1>()) {
    ui->setupUi(this);
    setBorder(Border::SingleDialog);
}

TForm1::~TForm1() = default;
