// "Venda formatada de item": the formatted item sale.
#pragma once

#include "toolkit/tform.h"

#include <memory>

namespace Ui {
class Ts_venda;
}

class Ts_venda : public TForm {
    Q_OBJECT
public:
    explicit Ts_venda(QWidget* parent = nullptr);
    ~Ts_venda() override;

private:
    std::unique_ptr<Ui::Ts_venda> ui;
};

extern Ts_venda* s_venda;
