#include "compronf/compronf.h"

#include "ui_compronf.h"

#include "driver/codepage.h"
#include "driver/fiscal_driver.h"
#include "toolkit/dialogs.h"
#include "toolkit/handlers.h"
#include "wincommon/fit.h"
#include "wincommon/report.h"

QPointer<Tprogcnf> progcnf;

namespace {

// The printer's answer when it does not answer at all, or is no model 3.0.
constexpr int32_t kNoAnswer = 79;

QByteArray yesNoFlag(const QCheckBox* box) {
    return box->isChecked() ? QByteArrayLiteral("S") : QByteArrayLiteral("N");
}

}  // namespace

Tprogcnf::Tprogcnf(QWidget* parent) : TForm(parent), ui(std::make_unique<Ui::Tprogcnf>()) {
    ui->setupUi(this);
    setBorder(Border::SingleNoIcons);
    setDefaultButton(ui->Button2);
    // The rows of options sit close together, with no stretched gaps.
    fitWindowToLayout(this);
    connectHandler(ui->Button1, &QPushButton::clicked, this, &Tprogcnf::Button1Click);
    connectHandler(ui->Button2, &QPushButton::clicked, this, &Tprogcnf::Button2Click);
}

Tprogcnf::~Tprogcnf() = default;

void Tprogcnf::Button1Click() {
    // Every check runs, so the operator hears of all that is missing at once.
    bool complete = true;
    if (ui->ComboBox1->currentIndex() < 0) {
        showMessage(QStringLiteral("Nenhuma posição foi selecionada."));
        complete = false;
    }
    if (ui->ComboBox2->currentIndex() < 0) {
        showMessage(QStringLiteral("Nenhuma forma de pagamento foi selecionada."));
        complete = false;
    }
    if (ui->Edit1->text().isEmpty()) {
        showMessage(QStringLiteral("Campo da descrição precisa ser preechido"));
        complete = false;
    }
    if (!complete) {
        return;
    }

    const int32_t result = fiscalDriver().ecfProgNFComprov(
        toDriverText(positionCode(ui->ComboBox1->currentIndex())), toDriverText(ui->Edit1->text()),
        yesNoFlag(ui->CheckBox1), yesNoFlag(ui->CheckBox3), yesNoFlag(ui->CheckBox5),
        yesNoFlag(ui->CheckBox7), yesNoFlag(ui->CheckBox9),
        toDriverText(positionCode(ui->ComboBox2->currentIndex())));
    if (!reportResult(ResultPrefix::OcorreuErro, result) && result == kNoAnswer) {
        showMessage(
            QStringLiteral("Este erro indica uma falha de comunicação. Verifique se a impressora "
                           "é, de fato, uma Tolvar modelo 3.0"));
    }
}

void Tprogcnf::Button2Click() {
    Close();
}
