// "Cancelamento de item": the item cancellation.
#pragma once

#include "toolkit/tform.h"

#include <memory>

namespace Ui {
class Tdescitm;
}

class Tdescitm : public TForm {
    Q_OBJECT
public:
    explicit Tdescitm(QWidget* parent = nullptr);
    ~Tdescitm() override;

private:
    std::unique_ptr<Ui::Tdescitm> ui;
};

extern Tdescitm* descitm;
