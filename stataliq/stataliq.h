// "Status das alíquotas cadastradas": the tax-rate status listing.
#pragma once

#include "toolkit/tform.h"

#include <memory>

namespace Ui {
class TForm1;
}

class TForm1 : public TForm {
    Q_OBJECT
public:
    explicit TForm1(QWidget* parent = nullptr);
    ~TForm1() override;

private:
    std::unique_ptr<Ui::TForm1> ui;
};

extern TForm1* Form1;
