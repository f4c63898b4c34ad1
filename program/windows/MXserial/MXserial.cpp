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
// EditN (reply_layouts.h).
constexpr const std::array<ReplyField, 55>& kReadingFields = XReadingFields::All;
constexpr int kReadingLength = XReadingFields::Length;

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
