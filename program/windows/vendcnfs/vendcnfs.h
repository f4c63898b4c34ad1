// "Venda não fiscal": items of the open unlinked non-fiscal voucher, each
// charged to a position of the printer's non-fiscal voucher table.
#pragma once

#include "toolkit/tform.h"

#include <QPointer>
#include <memory>

namespace Ui {
class Tvendcnf;
}

class Tvendcnf : public TForm {
    Q_OBJECT
public:
    explicit Tvendcnf(QWidget* parent = nullptr);
    ~Tvendcnf() override;

    void Button1Click();
    void Button2Click();

private:
    std::unique_ptr<Ui::Tvendcnf> ui;
};

extern QPointer<Tvendcnf> vendcnf;
