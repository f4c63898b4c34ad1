// "Pagamento": the payments of the open fiscal coupon, in either printer
// generation's form.
#pragma once

#include "toolkit/tform.h"

#include <QPointer>
#include <cstdint>
#include <memory>
#include <optional>

namespace Ui {
class Tfrmtopay;
}

// 1 when the operator said at start-up that the printer is a model 3.0.
extern int32_t PrinterIsModel30;

// The last item indexes read from the condition and payment-type lists.
extern int32_t PaymentCondition;
extern int32_t PaymentTypeIndex;

// The coupon's subtotal as the printer reported it at the last activation,
// and what remains to be paid, both in cents.
extern long double CouponSubtotal;
extern long double RemainingAmount;

class Tfrmtopay : public TForm {
    Q_OBJECT
public:
    explicit Tfrmtopay(QWidget* parent = nullptr);
    ~Tfrmtopay() override;

    void FormCreate() override;
    void FormActivate() override;
    void ComboBox1Click();
    void ComboBox2Click();
    void CheckBox2Click();
    void BitBtn1Click();
    void BitBtn2Click();

private:
    // A payment that reached the driver: its result, and whether the
    // payments now cover the subtotal.
    struct SentPayment {
        int32_t result;
        bool covered;
    };

    // Each returns nothing when no payment was sent.
    std::optional<SentPayment> PayByCondition();
    std::optional<SentPayment> PayByTablePosition();
    void PrintCommercialLines();

    std::unique_ptr<Ui::Tfrmtopay> ui;
};

extern QPointer<Tfrmtopay> frmtopay;
