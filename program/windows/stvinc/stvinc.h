// "Status de cupons vinculados pendentes": the pending linked coupons of a
// 3.01 printer, one record per tick, with the progress of the search.
#pragma once

#include "toolkit/tform.h"

#include <QPointer>
#include <memory>

class RecordListing;
class TTimer;

namespace Ui {
class Tstvincs;
}

class Tstvincs : public TForm {
    Q_OBJECT
public:
    explicit Tstvincs(QWidget* parent = nullptr);
    ~Tstvincs() override;

    void FormCreate() override;
    void FormActivate() override;
    void Timer1Timer();
    void Button1Click();

private:
    std::unique_ptr<Ui::Tstvincs> ui;
    TTimer* Timer1;
    std::unique_ptr<RecordListing> listing;
};

extern QPointer<Tstvincs> stvincs;
