#include "paytable/paytable.h"

#include "ui_paytable.h"

#include "driver/codepage.h"
#include "driver/fiscal_driver.h"
#include "toolkit/handlers.h"
#include "wincommon/report.h"

QPointer<Ttablepay> tablepay;

Ttablepay::Ttablepay(QWidget* parent) : TForm(parent), ui(std::make_unique<Ui::Ttablepay>()) {
    ui->setupUi(this);
    setBorder(Border::SingleNoIcons);
    setDefaultButton(ui->Button1);
    // OK waits for a position: the layout starts it disabled, and each pick
    // in the list enables it for one programming.
    connectHandler(ui->ComboBox1, &QComboBox::activated, this, &Ttablepay::ComboBox1Change);
    connectHandler(ui->Button2, &QPushButton::clicked, this, &Ttablepay::Button2Click);
    connectHandler(ui->Button1, &QPushButton::clicked, this, &Ttablepay::Button1Click);
}

Ttablepay::~Ttablepay() = default;

void Ttablepay::ComboBox1Change() {
    ui->Button2->setEnabled(ui->ComboBox1->currentIndex() >= 0);
}

void Ttablepay::Button2Click() {
    ui->Button2->setEnabled(false);
    const int position = ui->ComboBox1->currentIndex();
    if (position < 0) {
        return;  // no position code without a chosen position
    }
    // The description goes as typed, empty included.
    const int32_t result = fiscalDriver().ecfPayPatterns(toDriverText(positionCode(position)),
                                                         toDriverText(ui->Edit1->text()));
    reportResult(ResultPrefix::OcorreuErro, result);
}

void Ttablepay::Button1Click() {
    Close();
}
