// "Status dos documentos não fiscais programados": the non-fiscal vouchers
// of a 3.00 printer, one record per tick, with their options and counters.
#pragma once

#include "toolkit/tform.h"

#include <QPointer>
#include <memory>

class RecordListing;
class TTimer;

namespace Ui {
class Tstatnfs;
}

class Tstatnfs : public TForm {
    Q_OBJECT
public:
    explicit Tstatnfs(QWidget* parent = nullptr);
    ~Tstatnfs() override;

    void FormCreate() override;
    void FormActivate() override;
    void Timer1Timer();
    void Button1Click();

private:
    std::unique_ptr<Ui::Tstatnfs> ui;
    TTimer* Timer1;
    std::unique_ptr<RecordListing> listing;
};

extern QPointer<Tstatnfs> statnfs;
