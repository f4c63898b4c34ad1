// "Informações sobre o equipamento": the printer's make, model, firmware
// version and serial number, read again at every activation.
#pragma once

#include "toolkit/tform.h"

#include <QPointer>
#include <memory>

namespace Ui {
class Tstequipo;
}

class Tstequipo : public TForm {
    Q_OBJECT
public:
    explicit Tstequipo(QWidget* parent = nullptr);
    ~Tstequipo() override;

    void FormActivate() override;
    void Button1Click();

private:
    std::unique_ptr<Ui::Tstequipo> ui;
};

extern QPointer<Tstequipo> stequipo;
