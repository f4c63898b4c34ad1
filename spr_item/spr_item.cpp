#include "spr_item/spr_item.h"

#include "ui_spr_item.h"

Ts_venda* s_venda = nullptr;

Ts_venda::Ts_venda(QWidget* parent) : TForm(parent), ui(std::make_unique<Ui::Ts_venda>()) {
    ui->setupUi(this);
    setBorder(Border::SingleDialog);
}

Ts_venda::~Ts_venda() = default;
