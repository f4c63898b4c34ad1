// "Cadastro de linhas comerciais": the commercial lines.
#pragma once

#include "toolkit/tform.h"

#include <memory>

namespace Ui {
class Tlinecom;
}

class Tlinecom : public TForm {
    Q_OBJECT
public:
    explicit Tlinecom(QWidget* parent = nullptr);
    ~Tlinecom() override;

private:
    std::unique_ptr<Ui::Tlinecom> ui;
};

extern Tlinecom* linecom;
