#include "payment/payment.h"

#include "ui_payment.h"

#include "driver/codepage.h"
#include "driver/fiscal_driver.h"
#include "driver/reply.h"
#include "linescom/commercial_lines_file.h"
#include "linescom/linescom.h"
#include "meu_pr/meu_pr.h"
#include "toolkit/convert.h"
#include "toolkit/dialogs.h"
#include "toolkit/handlers.h"
#include "wincommon/fit.h"
#include "wincommon/report.h"

#include <array>
#include <cmath>

int32_t PrinterIsModel30 = 0;
int32_t PaymentCondition = 0;
int32_t PaymentTypeIndex = 0;
long double CouponSubtotal = 0;
long double RemainingAmount = 0;

QPointer<Tfrmtopay> frmtopay;

namespace {

// Payment conditions of printers before model 3.0, by ComboBox1 index.
constexpr int32_t CashCondition = 0;   // "Pagamento à vista"
constexpr int32_t TermsCondition = 1;  // "Pagamento à prazo"

// Payment-type words of printers before model 3.0, by ComboBox2 index.
const std::array<const char*, 4> kPaymentTypeWords = {"dinheiro", "CHEQUE", "Cartao", "ticket"};

QByteArray paymentTypeWord(int32_t index) {
    if (index >= 0 && index < static_cast<int32_t>(kPaymentTypeWords.size())) {
        return kPaymentTypeWords[index];
    }
    return "Dinheiro";
}

// The item an editable list names: the selected one while its text stands,
// else the item with exactly the typed text, else -1 (the operator typed
// something that is no item).
int32_t itemIndexOf(const QComboBox* combo) {
    const int current = combo->currentIndex();
    if (current >= 0 && combo->itemText(current) == combo->currentText()) {
        return current;
    }
    return combo->findText(combo->currentText(), Qt::MatchExactly | Qt::MatchCaseSensitive);
}

// The subtotal field of the coupon status reply in cents: leading blanks
// skipped, every "." dropped, "," the decimal separator, blanks alone 0.
// The printer reports whole cents, so the product is rounded to them: a
// binary fraction such as 1234,56 times 100 lands a hair above 123456, and
// a remainder of a hair would keep the window waiting for a payment that
// was already made in full.
long double subtotalInCents(const QString& field) {
    qsizetype start = 0;
    while (start < field.size() && field[start] == QLatin1Char(' ')) {
        ++start;
    }
    QString number = field.mid(start);
    number.remove(QLatin1Char('.'));
    if (number.isEmpty()) {
        return 0;
    }
    return std::round(StrToFloat(number) * 100);
}

}  // namespace

Tfrmtopay::Tfrmtopay(QWidget* parent) : TForm(parent), ui(std::make_unique<Ui::Tfrmtopay>()) {
    ui->setupUi(this);
    setBorder(Border::SingleDialog);
    setDefaultButton(ui->BitBtn1);
    // A new window starts from a new process's values.
    PrinterIsModel30 = 0;
    PaymentCondition = 0;
    PaymentTypeIndex = 0;
    CouponSubtotal = 0;
    RemainingAmount = 0;
    connectHandler(ui->ComboBox1, &QComboBox::activated, this, &Tfrmtopay::ComboBox1Click);
    connectHandler(ui->ComboBox2, &QComboBox::activated, this, &Tfrmtopay::ComboBox2Click);
    connectHandler(ui->CheckBox2, &QCheckBox::clicked, this, &Tfrmtopay::CheckBox2Click);
    connectHandler(ui->BitBtn1, &QPushButton::clicked, this, &Tfrmtopay::BitBtn1Click);
    connectHandler(ui->BitBtn2, &QPushButton::clicked, this, &Tfrmtopay::BitBtn2Click);
}

Tfrmtopay::~Tfrmtopay() = default;

void Tfrmtopay::FormCreate() {
    // The printer generation is asked once per run; a model 3.0 pays by
    // payment-table position, so the condition controls go away.
    const DialogAnswer answer = askConfirmation(QStringLiteral("A impressora é modelo 3.0 ?"));
    if (answer == DialogAnswer::Yes) {
        PrinterIsModel30 = 1;
        ui->Label3->hide();
        ui->ComboBox1->hide();
        ui->CheckBox1->hide();
    } else if (answer == DialogAnswer::No) {
        PrinterIsModel30 = 0;
        ui->Label3->show();
        ui->ComboBox1->show();
        ui->CheckBox1->show();
        frmMain->DisableVersion30Commands();
    }
    // The window closes up over the controls this printer does without.
    fitWindowToLayout(this);
}

void Tfrmtopay::FormActivate() {
    // Every activation starts the payments over from the printer's subtotal.
    ui->Edit1->selectAll();
    RemainingAmount = 0;
    ui->ComboBox1->setCurrentIndex(0);
    ui->ComboBox2->setCurrentIndex(0);

    int32_t kind = 1;
    const QByteArray reply = fiscalDriver().ecfStatusCupom(&kind);
    if (isFailureReply(reply)) {
        showMessage(QStringLiteral("A impressora não está respondendo."));
        Close();
        return;
    }
    const QString field = sliceField(reply, CouponStatusFields::Subtotal);
    ui->StaticText1->setText(field);
    CouponSubtotal = subtotalInCents(field);
    RemainingAmount = CouponSubtotal;
}

void Tfrmtopay::ComboBox1Click() {
    PaymentCondition = ui->ComboBox1->currentIndex();
}

void Tfrmtopay::ComboBox2Click() {
    PaymentTypeIndex = ui->ComboBox2->currentIndex();
}

void Tfrmtopay::CheckBox2Click() {
    if (!ui->CheckBox2->isChecked() || CommercialLinesFile::exists()) {
        return;
    }
    const DialogAnswer answer = askConfirmation(
        QStringLiteral("Não existem linhas comerciais cadastradas em seu disco. Você gostaria de "
                       "cadastrá-las agora?"));
    if (answer == DialogAnswer::Yes) {
        linecom->Show();
    }
}

std::optional<Tfrmtopay::SentPayment> Tfrmtopay::PayByCondition() {
    const QString amountText = ui->Edit1->text();
    const int32_t lines = ui->TrackBar1->value();
    PaymentTypeIndex = itemIndexOf(ui->ComboBox2);
    PaymentCondition = itemIndexOf(ui->ComboBox1);
    const QByteArray word = paymentTypeWord(PaymentTypeIndex);

    if (amountText.isEmpty()) {
        showMessage(QStringLiteral("Preencha o campo do valor do pagamento"));
        return std::nullopt;
    }
    // The amount goes as typed; it is read as a number only after the call,
    // so a text that is none has been sent when its conversion fails.
    const QByteArray amount = toDriverText(amountText);
    FiscalDriver& driver = fiscalDriver();
    int32_t result = 0;
    if (PaymentCondition == CashCondition) {
        result = driver.ecfPagCancPag(0, word, amount, 0, lines);
        RemainingAmount = RemainingAmount - StrToFloat(amountText);
    } else if (PaymentCondition == TermsCondition) {
        // On terms, one amount settles the coupon: it is measured against the
        // whole subtotal, whatever was paid before.
        result = driver.ecfPrazoCancPrazo(0, word, amount, 0, lines);
        RemainingAmount = CouponSubtotal - StrToFloat(amountText);
    } else {
        return std::nullopt;  // a condition the operator typed: nothing to send
    }
    return SentPayment{result, !(RemainingAmount > 0)};
}

std::optional<Tfrmtopay::SentPayment> Tfrmtopay::PayByTablePosition() {
    PaymentTypeIndex = itemIndexOf(ui->ComboBox2);
    const QString position = positionCode(PaymentTypeIndex);
    const QString amountText = ui->Edit1->text();
    const int32_t lines = ui->TrackBar1->value();
    showMessage(QStringLiteral("Posição na tabela: ") + position);
    if (amountText.isEmpty()) {
        return std::nullopt;
    }
    const int32_t result =
        fiscalDriver().ecfPagamento(0, toDriverText(position), toDriverText(amountText), lines);
    RemainingAmount = RemainingAmount - StrToFloat(amountText);
    return SentPayment{result, !(RemainingAmount > 0)};
}

void Tfrmtopay::BitBtn1Click() {
    const std::optional<SentPayment> sent =
        PrinterIsModel30 == 1 ? PayByTablePosition() : PayByCondition();
    if (!sent) {
        return;
    }
    if (reportResult(QStringLiteral("Retorno do pagamento: "), sent->result) &&
        ui->CheckBox2->isChecked() && CommercialLinesFile::exists()) {
        PrintCommercialLines();
    }
    if (sent->covered) {
        Close();
    }
}

void Tfrmtopay::PrintCommercialLines() {
    // The first line tells whether the printer takes commercial lines now;
    // the other seven follow it unchecked.
    const QStringList lines = CommercialLinesFile::read();
    FiscalDriver& driver = fiscalDriver();
    const int32_t first = driver.ecfImpLinha(toDriverText(lines[0]));
    if (first != 0) {
        showMessage(
            QStringLiteral("Ocorreu o erro %1 na ativação das linhas comerciais").arg(first));
        return;
    }
    for (int i = 1; i < CommercialLinesFile::LineCount; ++i) {
        driver.ecfImpLinha(toDriverText(lines[i]));
    }
}

void Tfrmtopay::BitBtn2Click() {
    Close();
}
