#include "statsnfs/statsnfs.h"

#include "ui_statsnfs.h"

Tstatnfs* statnfs = nullptr;

Tstatnfs::Tstatnfs(QWidget* parent) : TForm(parent), ui(std::make_unique<Ui::Tstatnfs>()) {
    ui->setupUi(this);
    setBorder(Border::SingleDialog);
}

Tstatnfs::~Tstatnfs() = default;
