#include "venditem/venditem.h"

#include "ui_venditem.h"

#include "driver/codepage.h"
#include "driver/fiscal_driver.h"
#include "toolkit/dialogs.h"
#include "toolkit/handlers.h"
#include "wincommon/report.h"

#include <cstddef>

QPointer<Tfrmitem4> frmitem4;

namespace {

// The tax list by printer generation: its tax rates, then the other
// totalisers. The entry's index in the list is what the driver receives.
const char* const kVersion30Totalisers[] = {"Substituição tributária", "Isento", "Não incidente"};
const char* const kEarlierTotalisers[] = {
    "Sangria (não fiscal)",
    "Entrada de numerário (não fiscal)",
    "Substituição tributária",
    "Isento",
    "Não incidente",
    "Serviços",
    "Recebimentos diversos (não fiscal)",
};

// A list that holds at least the ten tax rates has been filled already.
constexpr int kFilledListSize = 10;

template <std::size_t N>
QStringList taxList(int rates, const char* const (&totalisers)[N]) {
    QStringList entries;
    for (int rate = 0; rate < rates; ++rate) {
        entries.append(QStringLiteral("Alíquota %1").arg(rate));
    }
    for (const char* totaliser : totalisers) {
        entries.append(QString::fromUtf8(totaliser));
    }
    return entries;
}

}  // namespace

Tfrmitem4::Tfrmitem4(QWidget* parent) : TForm(parent), ui(std::make_unique<Ui::Tfrmitem4>()) {
    ui->setupUi(this);
    setBorder(Border::SingleDialog);
    setDefaultButton(ui->BitBtn1);
    connectHandler(ui->BitBtn1, &QPushButton::clicked, this, &Tfrmitem4::BitBtn1Click);
    connectHandler(ui->BitBtn2, &QPushButton::clicked, this, &Tfrmitem4::BitBtn2Click);
}

Tfrmitem4::~Tfrmitem4() = default;

void Tfrmitem4::FormActivate() {
    // The printer generation is asked once per run: a dismissed question
    // leaves the list empty and comes again at the next activation.
    if (ui->ComboBox1->count() >= kFilledListSize) {
        return;
    }
    const DialogAnswer answer = askConfirmation(QStringLiteral("A impressora é versão 3.00 ?"));
    if (answer != DialogAnswer::Yes && answer != DialogAnswer::No) {
        return;
    }
    ui->ComboBox1->addItems(answer == DialogAnswer::Yes ? taxList(16, kVersion30Totalisers)
                                                        : taxList(10, kEarlierTotalisers));
    // A drop-down list starts with no entry chosen.
    ui->ComboBox1->setCurrentIndex(-1);
}

void Tfrmitem4::BitBtn1Click() {
    // The fields go as typed; the printer lays out and checks them.
    const QByteArray code = toDriverText(ui->Edit3->text());
    const QByteArray description = toDriverText(ui->Edit4->text());
    const QByteArray quantityInteger = toDriverText(ui->Edit1->text());
    const QByteArray quantityDecimal = toDriverText(ui->Edit2->text());
    const QByteArray unitPrice = toDriverText(ui->Edit5->text());
    int32_t taxIndex = ui->ComboBox1->currentIndex();
    if (taxIndex < 0) {
        showMessage(QStringLiteral("Nenhuma alíquota foi selecionada. Será usada taxa 0."));
        taxIndex = 0;
    }
    const int32_t result = fiscalDriver().ecfVenda_Item(code, description, quantityInteger,
                                                        quantityDecimal, unitPrice, taxIndex);
    reportResult(QStringLiteral("Retorno da venda 1: "), result);
    Close();
}

void Tfrmitem4::BitBtn2Click() {
    Close();
}
