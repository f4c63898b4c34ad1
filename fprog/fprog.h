// "Funções de programação": programming of a version 2.04 printer.
#pragma once

#include "toolkit/tform.h"

#include <memory>

namespace Ui {
class Tfrmprog;
}

class Tfrmprog : public TForm {
    Q_OBJECT
public:
    explicit Tfrmprog(QWidget* parent = nullptr);
    ~Tfrmprog() override;

private:
    std::unique_ptr<Ui::Tfrmprog> ui;
};

extern Tfrmprog* frmprog;
