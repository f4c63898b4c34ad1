// "Status de cupons vinculados pendentes": the pending linked coupons listing.
#pragma once

#include "toolkit/tform.h"

#include <memory>

namespace Ui {
class Tstvincs;
}

class Tstvincs : public TForm {
    Q_OBJECT
public:
    explicit Tstvincs(QWidget* parent = nullptr);
    ~Tstvincs() override;

private:
    std::unique_ptr<Ui::Tstvincs> ui;
};

extern Tstvincs* stvincs;
