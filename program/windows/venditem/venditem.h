// "Venda de item": sells one item of the open fiscal coupon, the printer
// laying out the item line from the separate fields.
#pragma once

#include "toolkit/tform.h"

#include <QPointer>
#include <memory>

namespace Ui {
class Tfrmitem4;
}

class Tfrmitem4 : public TForm {
    Q_OBJECT
public:
    explicit Tfrmitem4(QWidget* parent = nullptr);
    ~Tfrmitem4() override;

    void FormActivate() override;
    void BitBtn1Click();
    void BitBtn2Click();

private:
    std::unique_ptr<Ui::Tfrmitem4> ui;
};

extern QPointer<Tfrmitem4> frmitem4;
