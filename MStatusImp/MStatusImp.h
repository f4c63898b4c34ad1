// "Status da Impressora": the printer status monitor.
#pragma once

#include "toolkit/tform.h"

#include <memory>

namespace Ui {
class TFormStatusImp;
}

class TFormStatusImp : public TForm {
    Q_OBJECT
public:
    explicit TFormStatusImp(QWidget* parent = nullptr);
    ~TFormStatusImp() override;

private:
    std::unique_ptr<Ui::TFormStatusImp> ui;
};

extern TFormStatusImp* FormStatusImp;
