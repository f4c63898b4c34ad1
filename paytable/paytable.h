// "Pagamentos": payment table programming.
#pragma once

#include "toolkit/tform.h"

#include <memory>

namespace Ui {
class Ttablepay;
}

class Ttablepay : public TForm {
    Q_OBJECT
public:
    explicit Ttablepay(QWidget* parent = nullptr);
    ~Ttablepay() override;

private:
    std::unique_ptr<Ui::Ttablepay> ui;
};

extern Ttablepay* tablepay;
