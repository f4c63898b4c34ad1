// Decoding of the driver's fixed-position status replies; their layouts
// are listed once in reply_layouts.h, beside the C interface.
//
// Replies are cut by 1-based character positions; a field that runs past the
// end of the reply comes out short or empty, and a null reply is empty text.
#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

#include "replies/reply_layouts.h"

// The text of positions [position, position + length) of the reply, shown
// as the operator sees it.
QString sliceField(const QByteArray& reply, ReplyField field);
QString sliceField(const QByteArray& reply, int position, int length);

// A reply containing "Erro" anywhere (exact case) is a failure reply.
bool isFailureReply(const QByteArray& reply);

// The three characters 7 to 9 of a failure reply, as they stand.
QString replyErrorNumber(const QByteArray& reply);

// The whole reply as text.
QString replyText(const QByteArray& reply);

// Where the words for a printer state code are shown.
enum class StateWords {
    InformationPanel,  // the main window's panel
    StatusWindow,      // the printer status window
};

// The printer's internal state codes (characters 3 to 5 of the printer
// status reply, read as a decimal integer).
namespace PrinterState {
constexpr int Idle = 0;
constexpr int Selling = 65;
constexpr int CouponOpen = 90;
constexpr int TechnicalIntervention = 99;
constexpr int SalesPeriod = 100;
constexpr int WaitingForClosing = 113;
constexpr int DayClosed = 115;
constexpr int InReport = 122;
constexpr int InPayment = 123;
constexpr int InCommercialLines = 124;
}  // namespace PrinterState

// The words for a state code in the given column; none for a code outside
// the table.
std::optional<QString> printerStateWords(int code, StateWords column);
