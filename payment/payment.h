// "Pagamento": the payments of the open fiscal coupon, in either printer
// generation's form.
#pragma once

#include "toolkit/tform.h"

#include <cstdint>
#include <memory>

namespace Ui {
class Tfrmtopay;
}

// 1 when the operator said at start-up that the printer is a model 3.0.
extern int32_t PrinterIsModel30;

class Tfrmtopay : public TForm {
    Q_OBJECT
public:
    explicit Tfrmtopay(QWidget* parent = nullptr);
    ~Tfrmtopay() override;

    void FormCreate() override;

private:
    std::unique_ptr<Ui::Tfrmtopay> ui;
};

extern Tfrmtopay* frmtopay;
