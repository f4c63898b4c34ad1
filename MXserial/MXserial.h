// "Leitura X Serial": the serial X reading.
#pragma once

#include "toolkit/tform.h"

#include <memory>

namespace Ui {
class Txserial;
}

class Txserial : public TForm {
    Q_OBJECT
public:
    explicit Txserial(QWidget* parent = nullptr);
    ~Txserial() override;

private:
    std::unique_ptr<Ui::Txserial> ui;
};

extern Txserial* xserial;
