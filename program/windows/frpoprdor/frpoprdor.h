// "Operador": one confirmation window for the seven operations that need
// only the operator's name (finish or cancel the sale, cancel the last
// coupon, X reading, Z reduction, managerial X and Z).
#pragma once

#include "toolkit/tform.h"

#include <QPointer>
#include <memory>

namespace Ui {
class Tfrmopera;
}

class Tfrmopera : public TForm {
    Q_OBJECT
public:
    explicit Tfrmopera(QWidget* parent = nullptr);
    ~Tfrmopera() override;

    void FormActivate() override;
    void Button1Click();
    void Button2Click();

private:
    std::unique_ptr<Ui::Tfrmopera> ui;
};

extern QPointer<Tfrmopera> frmopera;
