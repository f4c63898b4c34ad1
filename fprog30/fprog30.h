// "Funções de programação para versão 3.00": programming of a version 3.00 printer.
#pragma once

#include "toolkit/tform.h"

#include <memory>

namespace Ui {
class Tfrmprog30;
}

class Tfrmprog30 : public TForm {
    Q_OBJECT
public:
    explicit Tfrmprog30(QWidget* parent = nullptr);
    ~Tfrmprog30() override;

private:
    std::unique_ptr<Ui::Tfrmprog30> ui;
};

extern Tfrmprog30* frmprog30;
