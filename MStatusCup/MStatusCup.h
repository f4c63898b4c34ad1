// "Status do Cupom": the coupon status monitor.
#pragma once

#include "toolkit/tform.h"

#include <memory>

namespace Ui {
class TFormStatusCup;
}

class TFormStatusCup : public TForm {
    Q_OBJECT
public:
    explicit TFormStatusCup(QWidget* parent = nullptr);
    ~TFormStatusCup() override;

private:
    std::unique_ptr<Ui::TFormStatusCup> ui;
};

extern TFormStatusCup* FormStatusCup;
