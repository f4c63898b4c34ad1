// "Acréscimos ou descontos no subtotal": a surcharge or a discount on the
// subtotal of the open fiscal coupon, or the cancellation of the last one.
#pragma once

#include "toolkit/tform.h"

#include <QPointer>
#include <memory>

namespace Ui {
class Tfrmadsub;
}

class RadioGroup;

class Tfrmadsub : public TForm {
    Q_OBJECT
public:
    explicit Tfrmadsub(QWidget* parent = nullptr);
    ~Tfrmadsub() override;

    void BitBtn1Click();
    void BitBtn2Click();

private:
    std::unique_ptr<Ui::Tfrmadsub> ui;
    RadioGroup* RadioGroup1;
};

extern QPointer<Tfrmadsub> frmadsub;
