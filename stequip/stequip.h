// "Informações sobre o equipamento": the equipment information.
#pragma once

#include "toolkit/tform.h"

#include <memory>

namespace Ui {
class Tstequipo;
}

class Tstequipo : public TForm {
    Q_OBJECT
public:
    explicit Tstequipo(QWidget* parent = nullptr);
    ~Tstequipo() override;

private:
    std::unique_ptr<Ui::Tstequipo> ui;
};

extern Tstequipo* stequipo;
