#include "driver/reply.h"

#include "driver/codepage.h"

#include <array>

QString sliceField(const QByteArray& reply, int position, int length) {
    if (position < 1 || length <= 0 || position > reply.size()) {
        return QString();
    }
    return fromDriverText(reply.mid(position - 1, length));
}

QString sliceField(const QByteArray& reply, ReplyField field) {
    return sliceField(reply, field.position, field.length);
}

bool isFailureReply(const QByteArray& reply) {
    return reply.contains("Erro");
}

QString replyErrorNumber(const QByteArray& reply) {
    return sliceField(reply, 7, 3);
}

QString replyText(const QByteArray& reply) {
    return fromDriverText(reply);
}

namespace {

struct StateEntry {
    int code;
    const char* panelWords;
    const char* statusWindowWords;
};

constexpr std::array<StateEntry, 10> kStates = {{
    {PrinterState::Idle, "livre", "livre"},
    {PrinterState::Selling, "em venda", "em venda"},
    {PrinterState::CouponOpen, "com cupom aberto", "cupom aberto"},
    {PrinterState::TechnicalIntervention, "em intervenção técnica", "em intervenção técnica"},
    {PrinterState::SalesPeriod, "em período de venda", "em período de venda"},
    {PrinterState::WaitingForClosing, "esperando fechamento", "esperando fechamento"},
    {PrinterState::DayClosed, "com o fechamento do dia já feito", "fechamento do dia já feito"},
    {PrinterState::InReport, "em relatório", "relatório"},
    {PrinterState::InPayment, "em pagamento", "em pagamento"},
    {PrinterState::InCommercialLines, "em linha comercial", "em linha comercial"},
}};

}  // namespace

std::optional<QString> printerStateWords(int code, StateWords column) {
    for (const StateEntry& entry : kStates) {
        if (entry.code == code) {
            return QString::fromUtf8(column == StateWords::InformationPanel
                                         ? entry.panelWords
                                         : entry.statusWindowWords);
        }
    }
    return std::nullopt;
}
