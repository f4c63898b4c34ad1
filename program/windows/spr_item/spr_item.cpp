#include "spr_item/spr_item.h"

#include "ui_spr_item.h"

#include "driver/codepage.h"
#include "driver/fiscal_driver.h"
#include "toolkit/convert.h"
#include "toolkit/handlers.h"
#include "wincommon/report.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

QPointer<Ts_venda> s_venda;

namespace {

constexpr int kCodeWidth = 13;
constexpr int kDescriptionWidth = 34;

// An empty quantity field counts as 0; anything else must be an integer.
int quantityPart(const QString& text) {
    return text.isEmpty() ? 0 : StrToInt(text);
}

// The price typed in cents with the comma before its last two characters:
// 1234 gives 12,34, 50 gives ,50 and 5 gives ,5.
QString priceText(const QString& cents) {
    const int whole = std::max(0, static_cast<int>(cents.size()) - 2);
    return cents.left(whole) + QLatin1Char(',') + cents.mid(whole);
}

long double roundHalfToEven(long double value) {
    const long double below = std::floor(value);
    const long double fraction = value - below;
    if (fraction > 0.5L) {
        return below + 1;
    }
    if (fraction < 0.5L) {
        return below;
    }
    return std::fmod(below, 2.0L) == 0 ? below : below + 1;
}

// An integral value as plain decimal digits, whatever its size.
QString integerDigits(long double value) {
    if (value == 0) {
        value = 0;  // no "-0"
    }
    const int size = std::snprintf(nullptr, 0, "%.0Lf", value);
    std::string digits(static_cast<std::size_t>(size) + 1, '\0');
    std::snprintf(digits.data(), digits.size(), "%.0Lf", value);
    digits.resize(static_cast<std::size_t>(size));
    return QString::fromStdString(digits);
}

// The printed item line: code (13 characters and a space), description (34
// characters), quantity, " x    " and the price with its decimal comma.
QString formattedItemLine(const QString& code, const QString& description,
                          const QString& quantityInteger, const QString& quantityThousandths,
                          const QString& unitPriceCents) {
    const QString quantity = QString::number(quantityPart(quantityInteger)) + QLatin1Char(',') +
                             QString::number(quantityPart(quantityThousandths));
    return code.left(kCodeWidth).leftJustified(kCodeWidth) + QLatin1Char(' ') +
           description.leftJustified(kDescriptionWidth) + quantity + QStringLiteral(" x    ") +
           priceText(unitPriceCents);
}

// The item total in cents, as plain digits.
QString formattedItemTotal(const QString& quantityInteger, const QString& quantityThousandths,
                           const QString& unitPriceCents) {
    // Every step in extended precision, halves to even: in double some
    // totals that lie near a half come out on the other side of it.
    const long double price = StrToFloat(unitPriceCents) / 100;
    const long double integerPart = quantityPart(quantityInteger);
    const long double thousandths = quantityPart(quantityThousandths);
    const long double total = integerPart * price + thousandths * (price / 1000);
    return integerDigits(roundHalfToEven(total * 100));
}

}  // namespace

Ts_venda::Ts_venda(QWidget* parent) : TForm(parent), ui(std::make_unique<Ui::Ts_venda>()) {
    ui->setupUi(this);
    setBorder(Border::SingleNoIcons);
    setDefaultButton(ui->BitBtn1);
    // The tax box starts with no entry chosen, showing the layout's text.
    const QString shownText = ui->ComboBox1->currentText();
    ui->ComboBox1->setCurrentIndex(-1);
    ui->ComboBox1->setEditText(shownText);
    connectHandler(ui->BitBtn1, &QPushButton::clicked, this, &Ts_venda::BitBtn1Click);
    connectHandler(ui->BitBtn2, &QPushButton::clicked, this, &Ts_venda::BitBtn2Click);
}

Ts_venda::~Ts_venda() = default;

void Ts_venda::BitBtn1Click() {
    // A field that does not convert ends the handler here, before the sale.
    const QString line = formattedItemLine(ui->Edit4->text(), ui->Edit1->text(), ui->Edit2->text(),
                                           ui->Edit3->text(), ui->Edit5->text());
    const QString total =
        formattedItemTotal(ui->Edit2->text(), ui->Edit3->text(), ui->Edit5->text());
    // The entry the box shows; a text typed over it that names no entry
    // is no selection (-1), which the driver receives as it is.
    const int32_t taxIndex = ui->ComboBox1->findText(ui->ComboBox1->currentText());
    const int32_t result =
        fiscalDriver().ecfVendaItem78(toDriverText(line), toDriverText(total), taxIndex);
    reportResult(ResultPrefix::OcorreuErro, result);
    Close();
}

void Ts_venda::BitBtn2Click() {
    Close();
}
