// "Preenchimento de cheques ": a bank cheque filled on the Kolvex (the
// plain or the version 3.00 call) or on the Marvik cheque printer.
#pragma once

#include "toolkit/tform.h"

#include <QPointer>
#include <cstdint>
#include <memory>

namespace Ui {
class Tfrmcheck;
}

// The cheque printer the operator chose at the window's last activation.
namespace ChequePrinter {
constexpr int32_t Kolvex = 22;
constexpr int32_t Marvik = 11;
}  // namespace ChequePrinter

class Tfrmcheck : public TForm {
    Q_OBJECT
public:
    explicit Tfrmcheck(QWidget* parent = nullptr);
    ~Tfrmcheck() override;

    void FormActivate() override;
    void Button1Click();
    void Button2Click();

private:
    std::unique_ptr<Ui::Tfrmcheck> ui;
    // Kolvex or Marvik as last answered; 0 before the first answer, which
    // fills on the Marvik like any device other than the Kolvex.
    int32_t ChequeDevice = 0;
};

extern QPointer<Tfrmcheck> frmcheck;
