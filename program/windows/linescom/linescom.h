// "Cadastro de linhas comerciais": edits the eight commercial lines, keeps
// them in "linescom.txt" and sends them to the printer.
#pragma once

#include "toolkit/tform.h"

#include <QList>
#include <QPointer>
#include <QStringList>
#include <memory>

class QLineEdit;

namespace Ui {
class Tlinecom;
}

class Tlinecom : public TForm {
    Q_OBJECT
public:
    explicit Tlinecom(QWidget* parent = nullptr);
    ~Tlinecom() override;

    void FormActivate() override;
    void Button1Click();
    void Button2Click();
    void Button3Click();

private:
    QStringList lineTexts() const;

    std::unique_ptr<Ui::Tlinecom> ui;
    QList<QLineEdit*> edits_;  // Edit1 ... Edit8, in printing order
};

extern QPointer<Tlinecom> linecom;
