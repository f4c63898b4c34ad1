// "Status do totalizador de troco": the change totaliser status.
#pragma once

#include "toolkit/tform.h"

#include <memory>

namespace Ui {
class Ttroco;
}

class Ttroco : public TForm {
    Q_OBJECT
public:
    explicit Ttroco(QWidget* parent = nullptr);
    ~Ttroco() override;

private:
    std::unique_ptr<Ui::Ttroco> ui;
};

extern Ttroco* troco;
