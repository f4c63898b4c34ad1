#include "core/printer.h"

#include <algorithm>
#include <cctype>

#include "core/codes.h"
#include "core/cp850.h"
#include "core/printer_checks.h"

namespace fiscemu {

using namespace printer_checks;

int stateCode(const PrinterState& st, const Settings& set, int64_t now) {
    if (set.intervention)
        return kStateIntervention;
    switch (st.doc.kind) {
        case kDocHeader:
            return kStateCouponOpen;
        case kDocFiscal: {
            if (st.doc.items.empty())
                return kStateCouponOpen;
            bool anyPayment = false;
            for (const Payment& p : st.doc.payments)
                anyPayment |= !p.cancelled;
            if (!anyPayment)
                return kStateSelling;
            return documentPaid(st.doc) >= documentSubtotal(st.doc) ? kStateCommercialLines
                                                                    : kStatePaying;
        }
        case kDocNonFiscal:
        case kDocLinked:
            return kStateNonFiscal;
        default:
            break;
    }
    int today = localFromEpoch(now).ymd();
    if (st.s.dayOpen)
        return today > st.s.dayDate ? kStateZDue : kStateSalesPeriod;
    if (st.s.zDate == today)
        return kStateDayClosed;
    return kStateIdle;
}

std::string stateWords(int code) {
    switch (code) {
        case kStateIdle:
            return "sem dia fiscal aberto";
        case kStateSalesPeriod:
            return "período de vendas, sem documento aberto";
        case kStateCouponOpen:
            return "cabeçalho impresso, documento sem itens";
        case kStateSelling:
            return "cupom fiscal em venda";
        case kStatePaying:
            return "em pagamento, total ainda não coberto";
        case kStateCommercialLines:
            return "total pago, linhas comerciais";
        case kStateNonFiscal:
            return "documento não fiscal aberto";
        case kStateZDue:
            return "a data passou: redução Z pendente";
        case kStateDayClosed:
            return "dia encerrado: redução Z feita hoje";
        case kStateIntervention:
            return "em intervenção técnica";
        default:
            return "estado desconhecido";
    }
}

std::map<int, Cents> documentShares(const Document& doc) {
    std::map<int, Cents> shares;
    for (const Item& it : doc.items)
        if (!it.cancelled)
            shares[it.totaliser] += it.net();
    if (doc.adjKind >= 0) {
        int sign = doc.adjKind == 1 ? 1 : -1;
        for (const auto& [t, v] : decodeShares(doc.adjShares))
            shares[t] += sign * v;
    }
    return shares;
}

Cents documentSubtotal(const Document& doc) {
    Cents total = 0;
    for (const Item& it : doc.items)
        total += it.net();
    if (doc.adjKind == 1)
        total += doc.adjAmount;
    if (doc.adjKind == 0)
        total -= doc.adjAmount;
    return total;
}

Cents documentPaid(const Document& doc) {
    Cents paid = 0;
    for (const Payment& p : doc.payments)
        if (!p.cancelled)
            paid += p.amount;
    return paid;
}

Cents fiscalTotaliserSum(const PrinterState& st) {
    Cents sum = 0;
    for (const TaxRate& r : st.rates)
        sum += r.total;
    for (const auto& [t, v] : st.totals)
        if (!isNonFiscalTotaliser(t))
            sum += v;
    return sum;
}

Cents taxOf(Cents amount, int rate) {
    if (amount <= 0)
        return 0;
    return divRoundHalfEven(amount * rate, 10000);
}

std::string encryptDigits(const std::string& digitsText, const std::string& symbols) {
    std::string out;
    for (char c : digitsText) {
        if (c >= '0' && c <= '9' && symbols.size() == 10)
            out += symbols[c - '0'];
        else
            out += c;
    }
    return out;
}

DateTime Printer::localFromEpochCached() const {
    return localFromEpoch(now_);
}

// ---------------------------------------------------------------- helpers

int Printer::refuse(int code, std::string reason) const {
    out_.reason = std::move(reason);
    return code;
}

int Printer::refuseState(const std::string& needed) const {
    const int sc = state();
    return refuse(kWrongState, "estado " + zeroPad(sc, 3) + " (" + stateWords(sc) + "): " + needed);
}

int Printer::checkIntervention() const {
    if (set_.intervention)
        return refuse(kIntervention,
                      "impressora em intervenção técnica (estado 099): nenhum comando é aceito "
                      "até o fim da intervenção");
    return kOk;
}

int Printer::checkPrinting() const {
    if (int rc = checkIntervention())
        return rc;
    if (set_.paper == kPaperOutLevel)
        return refuse(kPaperOut, "sem papel na bobina: nada pode ser impresso");
    return kOk;
}

int Printer::checkIdle() const {
    if (int rc = checkIntervention())
        return rc;
    if (st_.doc.kind != kDocNone)
        return refuseState("o comando pede que nenhum documento esteja aberto");
    return kOk;
}

void Printer::print(const std::string& bytes, char station) {
    out_.paper.push_back(
        PaperLine{station, st_.doc.kind != kDocNone ? st_.doc.coo : st_.s.coo, bytes});
}

void Printer::printUtf8(const std::string& text, char station) {
    print(utf8ToWindowsLatin(text), station);
}

void Printer::printWrapped(const std::string& bytes) {
    if (bytes.empty()) {
        print("");
        return;
    }
    for (size_t i = 0; i < bytes.size(); i += kLineWidth)
        print(bytes.substr(i, kLineWidth));
}

void Printer::addToTotaliser(int t, Cents v) {
    fiscemu::addToTotaliser({st_.rates, st_.vouchers, st_.totals}, t, v);
}

// A payment, and its reversal with a negative amount, moves its type's total
// and the type's managerial figure together.
void Printer::addToPayType(int position, Cents amount) {
    st_.payTypes[position].total += amount;
    st_.payTypes[position].managerial += amount;
}

// A discount or cancellation of an item counts in the day's fiscal figure, or
// for an item of a non-fiscal voucher in the day's non-fiscal figure and in
// the voucher's own.
void Printer::countItemAdjustment(int totaliser, Cents amount, Cents Scalars::*fiscalDay,
                                  Cents Scalars::*nonFiscalDay, Cents Voucher::*voucherFigure) {
    if (!isNonFiscalTotaliser(totaliser)) {
        st_.s.*fiscalDay += amount;
        return;
    }
    st_.s.*nonFiscalDay += amount;
    if (isVoucherTotaliser(totaliser))
        st_.vouchers[totaliser - kTotVoucherFirst].*voucherFigure += amount;
}

void Printer::openDayIfNeeded() {
    if (st_.s.dayOpen)
        return;
    int today = clock().ymd();
    if (st_.s.zDate == today)
        return;  // day already closed: documents do not reopen it
    st_.s.dayOpen = 1;
    st_.s.dayDate = today;
    st_.s.dayOpenedAt = now_;
    st_.s.dayCooStart = st_.s.coo + 1;
    st_.s.dayGnfStart = st_.s.gnf;
    st_.s.dayGtStart = st_.s.gt;
}

std::string Printer::taxLabel(int t) const {
    if (isRateTotaliser(t))
        return std::string(1, st_.rates[t].type) + formatRate(st_.rates[t].rate) + "%";
    // The special fiscal totalisers print their own short names.
    if (t >= kTotSubstitution && t <= kTotServices)
        return totaliserName(t);
    return "NF";
}

int Printer::resolveTax(int32_t index, int* totaliser) const {
    if (is204()) {
        if (index >= 0 && index < kTaxPositions204) {
            if (!st_.rates[index].programmed)
                return refuse(kTaxNotProgrammed, "alíquota " + zeroPad(index, 2) +
                                                     ": posição sem alíquota programada");
            *totaliser = index;
            return kOk;
        }
        static const int kSpecial204[] = {kTotWithdrawal, kTotCashIn,    kTotSubstitution,
                                          kTotExempt,     kTotNotLevied, kTotServices,
                                          kTotReceipts};
        if (index >= 10 && index <= 16) {
            *totaliser = kSpecial204[index - 10];
            return kOk;
        }
        return refuse(kOutOfRange, "alíquota " + std::to_string(index) +
                                       ": esperado um índice de 00 a 09, ou de 10 a 16 para os "
                                       "totalizadores especiais (modelo 2.04)");
    }
    if (index >= 0 && index <= 15) {
        if (!st_.rates[index].programmed)
            return refuse(kTaxNotProgrammed,
                          "alíquota " + zeroPad(index, 2) + ": posição sem alíquota programada");
        *totaliser = index;
        return kOk;
    }
    static const int kSpecial3[] = {kTotSubstitution, kTotExempt, kTotNotLevied};
    if (index >= 16 && index <= 18) {
        *totaliser = kSpecial3[index - 16];
        return kOk;
    }
    return refuse(kOutOfRange, "alíquota " + std::to_string(index) +
                                   ": esperado um índice de 00 a 15, ou de 16 a 18 para "
                                   "substituição, isento e não incidência");
}

void Printer::printFooter(const std::string& op) {
    DateTime dt = clock();
    print(std::string(kLineWidth, '-'));
    if (!op.empty())
        print("OPERADOR: " + op);
    print(columns("COO:" + zeroPad(st_.doc.kind != kDocNone ? st_.doc.coo : st_.s.coo, 6),
                  formatDateLong(dt) + " " + formatTimeColons(dt)));
    print(columns("ECF:" + zeroPad(st_.user().equipment, 4) + " LJ:" + zeroPad(st_.user().store, 4),
                  std::string("VOLDRANE ECF-IF ") + modelName(set_.model)));
}

void Printer::closeDocument(int lastKind) {
    st_.s.lastDocKind = lastKind;
    st_.s.lastDocCoo = st_.doc.coo;
    st_.s.lastDocTime = now_;
    st_.user().lastTime = now_;
    st_.user().gt = st_.s.gt;
    st_.doc = Document{};
}

}  // namespace fiscemu
