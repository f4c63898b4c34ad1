// "Venda formatada de item": sells one item of the open fiscal coupon as an
// item line laid out here, with the item total computed here.
#pragma once

#include "toolkit/tform.h"

#include <QPointer>
#include <memory>

namespace Ui {
class Ts_venda;
}

class Ts_venda : public TForm {
    Q_OBJECT
public:
    explicit Ts_venda(QWidget* parent = nullptr);
    ~Ts_venda() override;

    void BitBtn1Click();
    void BitBtn2Click();

private:
    std::unique_ptr<Ui::Ts_venda> ui;
};

extern QPointer<Ts_venda> s_venda;
