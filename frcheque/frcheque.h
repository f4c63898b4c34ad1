// "Preenchimento de cheques": cheque filling.
#pragma once

#include "toolkit/tform.h"

#include <memory>

namespace Ui {
class Tfrmcheck;
}

class Tfrmcheck : public TForm {
    Q_OBJECT
public:
    explicit Tfrmcheck(QWidget* parent = nullptr);
    ~Tfrmcheck() override;

private:
    std::unique_ptr<Ui::Tfrmcheck> ui;
};

extern Tfrmcheck* frmcheck;
