// "Cupom não fiscal vinculado": the linked non-fiscal coupon.
#pragma once

#include "toolkit/tform.h"

#include <memory>

namespace Ui {
class Tcupomnf;
}

class Tcupomnf : public TForm {
    Q_OBJECT
public:
    explicit Tcupomnf(QWidget* parent = nullptr);
    ~Tcupomnf() override;

private:
    std::unique_ptr<Ui::Tcupomnf> ui;
};

extern Tcupomnf* cupomnf;
