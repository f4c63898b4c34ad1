// "Comprovantes não fiscais": defines one position (00 to 20) of a
// version-3.00 printer's table of non-fiscal vouchers.
#pragma once

#include "toolkit/tform.h"

#include <QPointer>
#include <memory>

namespace Ui {
class Tprogcnf;
}

class Tprogcnf : public TForm {
    Q_OBJECT
public:
    explicit Tprogcnf(QWidget* parent = nullptr);
    ~Tprogcnf() override;

    void Button1Click();
    void Button2Click();

private:
    std::unique_ptr<Ui::Tprogcnf> ui;
};

extern QPointer<Tprogcnf> progcnf;
