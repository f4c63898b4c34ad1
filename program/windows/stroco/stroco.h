// "Status do totalizador de troco": the description and accumulated value
// of the printer's change totaliser, read again at every activation.
#pragma once

#include "toolkit/tform.h"

#include <QPointer>
#include <memory>

namespace Ui {
class Ttroco;
}

class Ttroco : public TForm {
    Q_OBJECT
public:
    explicit Ttroco(QWidget* parent = nullptr);
    ~Ttroco() override;

    void FormActivate() override;
    void Button1Click();

private:
    std::unique_ptr<Ui::Ttroco> ui;
};

extern QPointer<Ttroco> troco;
