// "Pagamentos": gives a description to one position (00 to 20) of a
// version-3.00 printer's payment table.
#pragma once

#include "toolkit/tform.h"

#include <QPointer>
#include <memory>

namespace Ui {
class Ttablepay;
}

class Ttablepay : public TForm {
    Q_OBJECT
public:
    explicit Ttablepay(QWidget* parent = nullptr);
    ~Ttablepay() override;

    void Button2Click();
    void ComboBox1Change();
    void Button1Click();

private:
    std::unique_ptr<Ui::Ttablepay> ui;
};

extern QPointer<Ttablepay> tablepay;
