// "Cancelamento de item": cancels the last item sold, or the item at a
// given position of the open coupon.
#pragma once

#include "toolkit/tform.h"

#include <QPointer>
#include <memory>

namespace Ui {
class Tdescitm;
}

class RadioGroup;

class Tdescitm : public TForm {
    Q_OBJECT
public:
    explicit Tdescitm(QWidget* parent = nullptr);
    ~Tdescitm() override;

    void RadioGroup1Click();
    void Button1Click();
    void Button2Click();

private:
    std::unique_ptr<Ui::Tdescitm> ui;
    RadioGroup* RadioGroup1;
};

extern QPointer<Tdescitm> descitm;
