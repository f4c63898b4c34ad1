// "Comprovantes não fiscais": non-fiscal voucher programming.
#pragma once

#include "toolkit/tform.h"

#include <memory>

namespace Ui {
class Tprogcnf;
}

class Tprogcnf : public TForm {
    Q_OBJECT
public:
    explicit Tprogcnf(QWidget* parent = nullptr);
    ~Tprogcnf() override;

private:
    std::unique_ptr<Ui::Tprogcnf> ui;
};

extern Tprogcnf* progcnf;
