// "Demonstrações": four fixed scripts that run whole documents on a
// version 2.04 printer, and the query of the current user's CGC and IE.
#pragma once

#include "toolkit/tform.h"

#include <QPointer>
#include <memory>

namespace Ui {
class Tfdemos;
}

class Tfdemos : public TForm {
    Q_OBJECT
public:
    explicit Tfdemos(QWidget* parent = nullptr);
    ~Tfdemos() override;

    void Button1Click();
    void Button2Click();
    void Button3Click();

private:
    // Each script runs to its end inside the click, paused only by its own
    // messages.
    void SubtotalAdjustmentsScript();
    void NonFiscalQuotationScript();
    void CancellationsScript();
    void CharacterTableScript();

    // The progress bar's step, as the toolkit's bar has one.
    void StartProgress(int step);
    void StepIt();
    void FinishProgress(int position);

    std::unique_ptr<Ui::Tfdemos> ui;
    int progressStep_ = 10;
};

extern QPointer<Tfdemos> fdemos;
