// "Status dos documentos não fiscais programados": the non-fiscal document status listing.
#pragma once

#include "toolkit/tform.h"

#include <memory>

namespace Ui {
class Tstatnfs;
}

class Tstatnfs : public TForm {
    Q_OBJECT
public:
    explicit Tstatnfs(QWidget* parent = nullptr);
    ~Tstatnfs() override;

private:
    std::unique_ptr<Ui::Tstatnfs> ui;
};

extern Tstatnfs* statnfs;
