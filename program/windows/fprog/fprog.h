// "Funções de programação": programming of a version 2.04 printer. Six
// functions chosen by radio button share one work area: date and time, a
// new header, the whole tax-rate table, one tax rate, the product-code size
// and the encrypted code.
#pragma once

#include "toolkit/tform.h"
#include "wincommon/programming.h"

#include <QPointer>
#include <memory>

namespace Ui {
class Tfrmprog;
}

class Tfrmprog : public TForm {
    Q_OBJECT
public:
    explicit Tfrmprog(QWidget* parent = nullptr);
    ~Tfrmprog() override;

    void FormCreate() override;
    void FormActivate() override;
    void RadioButton1Click();
    void RadioButton2Click();
    void RadioButton3Click();
    void RadioButton4Click();
    void RadioButton5Click();
    void RadioButton6Click();
    void Button1Click();
    void Button2Click();

    // Shows the work-area controls of function mode 1 to 6.
    void ShowFunctionControls(int mode);

private:
    void SetTaxTableTexts();
    void SendHeader();
    void SendTaxTable();
    void SendOneRate();
    void SendCodeSize();
    void SendSymbols();

    std::unique_ptr<Ui::Tfrmprog> ui;
    ProgrammingWorkArea area_;
};

extern QPointer<Tfrmprog> frmprog;
