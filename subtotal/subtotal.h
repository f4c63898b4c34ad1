// "Acréscimos ou descontos no subtotal": subtotal surcharge and discount.
#pragma once

#include "toolkit/tform.h"

#include <memory>

namespace Ui {
class Tfrmadsub;
}

class Tfrmadsub : public TForm {
    Q_OBJECT
public:
    explicit Tfrmadsub(QWidget* parent = nullptr);
    ~Tfrmadsub() override;

private:
    std::unique_ptr<Ui::Tfrmadsub> ui;
};

extern Tfrmadsub* frmadsub;
