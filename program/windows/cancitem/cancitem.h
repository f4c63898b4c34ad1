// "Desconto de item": a discount on the item just sold, or the
// cancellation of that discount.
#pragma once

#include "toolkit/tform.h"

#include <QPointer>
#include <memory>

namespace Ui {
class Tcancitm;
}

class RadioGroup;

class Tcancitm : public TForm {
    Q_OBJECT
public:
    explicit Tcancitm(QWidget* parent = nullptr);
    ~Tcancitm() override;

    void Button1Click();
    void Button2Click();

private:
    std::unique_ptr<Ui::Tcancitm> ui;
    RadioGroup* RadioGroup1;
};

extern QPointer<Tcancitm> cancitm;
