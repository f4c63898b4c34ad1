// "Leitura X Serial": the X reading read back from the printer as data and
// shown cut into its 55 fields, read again at every activation.
#pragma once

#include "toolkit/tform.h"

#include <QList>
#include <QPointer>
#include <memory>

class QLineEdit;

namespace Ui {
class Txserial;
}

class Txserial : public TForm {
    Q_OBJECT
public:
    explicit Txserial(QWidget* parent = nullptr);
    ~Txserial() override;

    void FormActivate() override;
    void Button2Click();

private:
    std::unique_ptr<Ui::Txserial> ui;
    QList<QLineEdit*> fields_;  // Edit1 .. Edit55, in the order of the reply
};

extern QPointer<Txserial> xserial;
