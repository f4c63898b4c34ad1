// "Desconto de item": the item discount.
#pragma once

#include "toolkit/tform.h"

#include <memory>

namespace Ui {
class Tcancitm;
}

class Tcancitm : public TForm {
    Q_OBJECT
public:
    explicit Tcancitm(QWidget* parent = nullptr);
    ~Tcancitm() override;

private:
    std::unique_ptr<Ui::Tcancitm> ui;
};

extern Tcancitm* cancitm;
