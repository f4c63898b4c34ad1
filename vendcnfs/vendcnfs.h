// "Venda não fiscal": the non-fiscal sale.
#pragma once

#include "toolkit/tform.h"

#include <memory>

namespace Ui {
class Tvendcnf;
}

class Tvendcnf : public TForm {
    Q_OBJECT
public:
    explicit Tvendcnf(QWidget* parent = nullptr);
    ~Tvendcnf() override;

private:
    std::unique_ptr<Ui::Tvendcnf> ui;
};

extern Tvendcnf* vendcnf;
