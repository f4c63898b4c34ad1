// "Informações sobre o usuário": the user information.
#pragma once

#include "toolkit/tform.h"

#include <memory>

namespace Ui {
class Tstatusr;
}

class Tstatusr : public TForm {
    Q_OBJECT
public:
    explicit Tstatusr(QWidget* parent = nullptr);
    ~Tstatusr() override;

private:
    std::unique_ptr<Ui::Tstatusr> ui;
};

extern Tstatusr* statusr;
