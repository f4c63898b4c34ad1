// What the two programming windows (version 2.04 and version 3.00) share:
// the work area that each function rearranges, the date and time function,
// the header checks, the tax-rate text, the product-code size and the
// encrypted-code symbols.
#pragma once

#include "toolkit/handlers.h"

#include <QAbstractButton>
#include <QString>
#include <array>
#include <cstdint>
#include <functional>
#include <optional>

class QComboBox;
class QLabel;
class QLineEdit;
class QWidget;

// The controls of the shared work area, by their number in the layout.
struct ProgrammingWorkArea {
    std::array<QLabel*, 16> labels{};      // Label2 .. Label17
    std::array<QLineEdit*, 16> edits{};    // Edit1 .. Edit16
    QComboBox* rateList = nullptr;         // ComboBox1
    std::array<QLabel*, 3> staticTexts{};  // StaticText1 .. StaticText3

    QLabel* label(int number) const { return labels[number - 2]; }
    QLineEdit* edit(int number) const { return edits[number - 1]; }
    QLabel* staticText(int number) const { return staticTexts[number - 1]; }
};

// Hides the whole work area, gives the widened fields back their layout
// width, then shows the controls of function mode 1 to 6.
void showWorkAreaMode(const ProgrammingWorkArea& area, int mode);

// Connects the handler of a radio button: it runs when the button becomes
// the selected one, whether the operator selects it or the program does;
// selecting it again when it already is runs nothing.
template <typename Form>
QMetaObject::Connection connectSelectedHandler(QAbstractButton* button, Form* form,
                                               void (Form::*handler)()) {
    return QObject::connect(button, &QAbstractButton::toggled, form, [form, handler](bool on) {
        if (on) {
            runHandler([form, handler] { (form->*handler)(); }, form);
        }
    });
}

// The busy label of the send handler: shown while the guard lives, hidden
// when the handler ends, also when a conversion error ends it.
class BusyLabel {
public:
    explicit BusyLabel(QLabel* label);
    ~BusyLabel();
    BusyLabel(const BusyLabel&) = delete;
    BusyLabel& operator=(const BusyLabel&) = delete;

private:
    QLabel* label_;
};

// The hourglass over a window while the guard lives; the arrow after.
class HourglassCursor {
public:
    explicit HourglassCursor(QWidget* window);
    ~HourglassCursor();
    HourglassCursor(const HourglassCursor&) = delete;
    HourglassCursor& operator=(const HourglassCursor&) = delete;

private:
    QWidget* window_;
};

// Date and time (function 1). Fills the six "Nova" fields with the PC's
// date and time and shows beside them the printer's, as the coupon status
// reports them, or " ----- " after a failed query.
void fillDateTimeFunction(const ProgrammingWorkArea& area);
// Sets the printer to the PC's date and time when all six fields hold a
// number; what they hold is not sent.
void sendPcDateTime(const ProgrammingWorkArea& area);

// A new header (function 2): the captions, widths and sample texts.
void fillHeaderSamples(const ProgrammingWorkArea& area);

// The header as it goes to the driver, the texts as typed.
struct HeaderFields {
    QString line1;
    QString line2;
    QString line3;
    int32_t store = 0;
    int32_t equipment = 0;
    QString cgc;
    QString ie;
};

// The new header up to its sending: the irreversibility warning (on No the
// aborted message, and the end), the 40/48-column question, then under the
// hourglass every check of the fields, each refusal with its message. When
// none refused, send runs with the fields, still under the hourglass.
void programNewHeader(QWidget* window, const ProgrammingWorkArea& area,
                      const QString& abortedMessage,
                      const std::function<void(const HeaderFields&)>& send);

// One tax rate (function 4): the captions and the sample rate.
void fillSingleRateSamples(const ProgrammingWorkArea& area);

// A rate typed with a decimal comma, in hundredths of a percent, as text in
// general form ("5,00" gives "500", "2,345" gives "234,5").
QString rateHundredthsText(const QString& typed);
// The same as a whole number; a fraction left over is a conversion error.
int32_t rateHundredths(const QString& typed);
// The printer takes rates from 0% to 99,99%.
bool rateInRange(int32_t hundredths);

extern const QString kChooseRateMessage;  // no entry chosen in the rate list
extern const QString kRateRangeMessage;   // the rate outside 0 .. 99,99%

// Product-code size (function 5): the caption and the sample size.
void fillCodeSizeSamples(const ProgrammingWorkArea& area);
// The size in Edit7, or none after the range message.
std::optional<int32_t> checkedCodeSize(const ProgrammingWorkArea& area);

// Encrypted code (function 6): "0 = " .. "9 = " and one symbol per digit.
void fillSymbolSamples(const ProgrammingWorkArea& area, const QString& symbols);
// The ten symbols in digit order, or none when a field does not hold
// exactly one character; every field is checked and each wrong one is
// reported, in digit order, through report.
std::optional<QString> checkedSymbols(
    const ProgrammingWorkArea& area,
    const std::function<void(int digit, const QString& message)>& report);
