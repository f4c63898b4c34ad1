// "Status das alíquotas cadastradas": the tax rates of a 3.00 printer, one
// record per tick, with a legend for the tax type.
#pragma once

#include "toolkit/tform.h"

#include <QPointer>
#include <memory>

class RecordListing;
class TTimer;

namespace Ui {
class TForm1;
}

class TForm1 : public TForm {
    Q_OBJECT
public:
    explicit TForm1(QWidget* parent = nullptr);
    ~TForm1() override;

    void FormCreate() override;
    void FormActivate() override;
    void Timer1Timer();
    void Button1Click();

private:
    std::unique_ptr<Ui::TForm1> ui;
    TTimer* Timer1;
    std::unique_ptr<RecordListing> listing;
};

extern QPointer<TForm1> Form1;
