// "Status da Impressora": the printer status reply field by field, with the
// internal state in words, refreshed every second while the window is the
// active one.
#pragma once

#include "toolkit/tform.h"

#include <QByteArray>
#include <QPointer>
#include <QString>
#include <memory>

class TTimer;

namespace Ui {
class TFormStatusImp;
}

class TFormStatusImp : public TForm {
    Q_OBJECT
public:
    explicit TFormStatusImp(QWidget* parent = nullptr);
    ~TFormStatusImp() override;

    void FormCreate() override;
    void FormActivate() override;
    void FormDeactivate() override;
    void Timer1Timer();
    void BitBtn1Click();

private:
    // Fills the fields of a good reply, in the order the operator sees them
    // change; returns its state characters.
    QString ShowReply(const QByteArray& reply);
    // Empties every field but the state words and the whole reply.
    void ClearReplyFields();

    std::unique_ptr<Ui::TFormStatusImp> ui;
    TTimer* Timer1;
};

extern QPointer<TFormStatusImp> FormStatusImp;
