// "Funções de programação para versão 3.00": programming of a version 3.00
// printer, the twin of the version 2.04 window. Five functions: date and
// time, a new header with its municipal registration, one tax rate of twenty
// with its tax type, the product-code size and the encrypted code.
#pragma once

#include "toolkit/tform.h"
#include "wincommon/programming.h"

#include <QPointer>
#include <memory>

namespace Ui {
class Tfrmprog30;
}

class Tfrmprog30 : public TForm {
    Q_OBJECT
public:
    explicit Tfrmprog30(QWidget* parent = nullptr);
    ~Tfrmprog30() override;

    void FormActivate() override;
    void RadioButton1Click();
    void RadioButton2Click();
    void RadioButton4Click();
    void RadioButton5Click();
    void RadioButton6Click();
    void Button1Click();
    void Button2Click();

    // Shows the work-area controls of function mode 1, 2, 4, 5 or 6.
    void ShowFunctionControls(int mode);

private:
    void SendHeader();
    void SendOneRate();
    void SendCodeSize();
    void SendSymbols();

    std::unique_ptr<Ui::Tfrmprog30> ui;
    ProgrammingWorkArea area_;
};

extern QPointer<Tfrmprog30> frmprog30;
