// "Informações sobre o usuário": what the printer holds about the user the
// operator names at every activation.
#pragma once

#include "toolkit/tform.h"

#include <QPointer>
#include <memory>

namespace Ui {
class Tstatusr;
}

class Tstatusr : public TForm {
    Q_OBJECT
public:
    explicit Tstatusr(QWidget* parent = nullptr);
    ~Tstatusr() override;

    void FormActivate() override;
    void Button1Click();

private:
    std::unique_ptr<Ui::Tstatusr> ui;
};

extern QPointer<Tstatusr> statusr;
