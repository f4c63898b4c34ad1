// "Demonstrações": the demonstration scripts.
#pragma once

#include "toolkit/tform.h"

#include <memory>

namespace Ui {
class Tfdemos;
}

class Tfdemos : public TForm {
    Q_OBJECT
public:
    explicit Tfdemos(QWidget* parent = nullptr);
    ~Tfdemos() override;

private:
    std::unique_ptr<Ui::Tfdemos> ui;
};

extern Tfdemos* fdemos;
