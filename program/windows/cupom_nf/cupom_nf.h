// "Cupom não fiscal vinculado": prints the header and opens a non-fiscal
// voucher linked to an earlier fiscal coupon.
#pragma once

#include "toolkit/tform.h"

#include <QPointer>
#include <memory>

namespace Ui {
class Tcupomnf;
}

class Tcupomnf : public TForm {
    Q_OBJECT
public:
    explicit Tcupomnf(QWidget* parent = nullptr);
    ~Tcupomnf() override;

    void Button1Click();
    void Button2Click();

private:
    std::unique_ptr<Ui::Tcupomnf> ui;
};

extern QPointer<Tcupomnf> cupomnf;
