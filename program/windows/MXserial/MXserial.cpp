#include "MXserial/MXserial.h"

#include "ui_MXserial.h"

#include "driver/fiscal_driver.h"
#include "driver/reply.h"
#include "toolkit/handlers.h"
#include "wincommon/fit.h"

#include <array>

QPointer<Txserial> xserial;

namespace {

// The serial X reading reply: 55 fields back to back, field n shown in
// EditN. Counters and totalisers, then ten tax-rate rows of value,
// totaliser and tax debited, then the non-fiscal counters, totalisers and
// the two times.
constexpr std::array<ReplyField, 55> kReadingFields = {{
    {1, 4},    {5, 8},    {13, 4},   {17, 6},   {23, 6},   {29, 6},   {35, 21},
    {56, 21},  {77, 21},  {98, 21},  {119, 18}, {137, 18}, {155, 18},  // Edit1-13
    {173, 5},  {178, 18}, {196, 18},                                   // Alíquota 00
    {214, 5},  {219, 18}, {237, 18},                                   // Alíquota 01
    {255, 5},  {260, 18}, {278, 18},                                   // Alíquota 02
    {296, 5},  {301, 18}, {319, 18},                                   // Alíquota 03
    {337, 5},  {342, 18}, {360, 18},                                   // Alíquota 04
    {378, 5},  {383, 18}, {401, 18},                                   // Alíquota 05
    {419, 5},  {424, 18}, {442, 18},                                   // Alíquota 06
    {460, 5},  {465, 18}, {483, 18},                                   // Alíquota 07
    {501, 5},  {506, 18}, {524, 18},                                   // Alíquota 08
    {542, 5},  {547, 18}, {565, 18},                                   // Alíquota 09
    {583, 6},  {589, 6},  {595, 6},  {601, 18}, {619, 18}, {637, 18}, {655, 18},
    {673, 18}, {691, 18}, {709, 18}, {727, 9},  {736, 9},  // Edit44-55
}};

constexpr int kReadingLength = 744;

// The fields leave no gap between them and end at the reply's last
// character.
constexpr bool fieldsAreContiguous() {
    int next = 1;
    for (const ReplyField& field : kReadingFields) {
        if (field.position != next || field.length <= 0) {
            return false;
        }
        next += field.length;
    }
    return next == kReadingLength + 1;
}
static_assert(fieldsAreContiguous(), "the reading's fields must cover 744 characters");

}  // namespace

Txserial::Txserial(QWidget* parent) : TForm(parent), ui(std::make_unique<Ui::Txserial>()) {
    ui->setupUi(this);
    setBorder(Border::Single);
    setDefaultButton(ui->Button2);

    QPalette windowPalette = palette();
    windowPalette.setColor(QPalette::Window, QColor(0xC0, 0xC0, 0xC0));
    setPalette(windowPalette);
    setAutoFillBackground(true);

    for (int n = 1; n <= int(kReadingFields.size()); ++n) {
        auto* field = findChild<QLineEdit*>(QStringLiteral("Edit%1").arg(n));
        Q_ASSERT(field);
        fitFieldToCharacters(field, kReadingFields[size_t(n - 1)].length);
        fields_.append(field);
    }
    // Each field as wide as its part of the reading, and the window no
    // larger than its columns need, so it fits a small screen.
    fitWindowToLayout(this);
    connectHandler(ui->Button2, &QPushButton::clicked, this, &Txserial::Button2Click);
}

Txserial::~Txserial() = default;

void Txserial::FormActivate() {
    // The reply is shown as it came: an error text is cut like a reading,
    // and a short reply leaves the fields past its end empty.
    const QByteArray reading = fiscalDriver().ecfLeituraXSerial();
    for (int i = 0; i < fields_.size(); ++i) {
        fields_[i]->setText(sliceField(reading, kReadingFields[size_t(i)]));
    }
}

void Txserial::Button2Click() {
    for (QLineEdit* field : fields_) {
        field->clear();
    }
    Close();
}
