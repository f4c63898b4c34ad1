// "Venda de item": the item sale.
#pragma once

#include "toolkit/tform.h"

#include <memory>

namespace Ui {
class Tfrmitem4;
}

class Tfrmitem4 : public TForm {
    Q_OBJECT
public:
    explicit Tfrmitem4(QWidget* parent = nullptr);
    ~Tfrmitem4() override;

private:
    std::unique_ptr<Ui::Tfrmitem4> ui;
};

extern Tfrmitem4* frmitem4;
