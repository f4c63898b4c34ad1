// "Status do Cupom": the coupon status reply cut into its fields, refreshed
// every second while the window is the active one.
#pragma once

#include "toolkit/tform.h"

#include <QByteArray>
#include <QPointer>
#include <memory>

class TTimer;

namespace Ui {
class TFormStatusCup;
}

class TFormStatusCup : public TForm {
    Q_OBJECT
public:
    explicit TFormStatusCup(QWidget* parent = nullptr);
    ~TFormStatusCup() override;

    void FormCreate() override;
    void FormActivate() override;
    void FormDeactivate() override;
    void Timer1Timer();
    void BitBtn1Click();

private:
    // One query: a good reply fills the fields and returns true; a failure
    // reply stops polling, empties the fields, shows the reply in Edit8 and
    // its error number in a message, and returns false.
    bool QueryCoupon();

    std::unique_ptr<Ui::TFormStatusCup> ui;
    TTimer* Timer1;
};

extern QPointer<TFormStatusCup> FormStatusCup;
