// The day's readings: X and Z readings, the fiscal-memory record a Z writes,
// and the managerial reports.
#include "core/printer.h"

#include "core/codes.h"
#include "core/cp850.h"
#include "core/printer_checks.h"

namespace fiscemu {

using namespace printer_checks;

// ---------------------------------------------------------------- readings

std::vector<std::string> Printer::readingLines(const std::string& title, const std::string& op) {
    std::vector<std::string> l;
    const Scalars& s = st_.s;
    DateTime dt = clock();
    l.push_back(std::string(kLineWidth, '='));
    l.push_back(center(title));
    l.push_back(columns("DATA DO MOVIMENTO", formatYmdShort(static_cast<int>(s.dayDate))));
    l.push_back(columns("EMITIDA EM", formatDateLong(dt) + " " + formatTimeColons(dt)));
    l.push_back(std::string(kLineWidth, '-'));
    l.push_back("CONTADORES");
    l.push_back(columns("COO  ORDEM DE OPERACAO", zeroPad(s.coo, 6)));
    l.push_back(columns("CCF  CUPONS FISCAIS", zeroPad(s.ccf, 6)));
    l.push_back(columns("GNF  OPERACOES NAO FISCAIS", zeroPad(s.gnf, 6)));
    l.push_back(columns("CRZ  REDUCOES Z", zeroPad(s.crz, 4)));
    l.push_back(columns("CRO  REINICIO DE OPERACAO", zeroPad(s.cro, 4)));
    l.push_back(columns("CFC  CUPONS CANCELADOS NO DIA", zeroPad(s.dayCancelledCoupons, 4)));
    l.push_back(columns("CNC  NAO FISCAIS CANCELADOS", zeroPad(s.dayCancelledNf, 4)));
    l.push_back(std::string(kLineWidth, '-'));
    l.push_back("TOTALIZADORES");
    Cents net = s.dayGross - s.dayCancel - s.dayDiscount;
    l.push_back(columns("GRANDE TOTAL", formatAmount(s.gt)));
    l.push_back(columns("VENDA BRUTA DIARIA", formatAmount(s.dayGross)));
    l.push_back(columns("CANCELAMENTOS", formatAmount(s.dayCancel)));
    l.push_back(columns("DESCONTOS", formatAmount(s.dayDiscount)));
    l.push_back(columns("ACRESCIMOS", formatAmount(s.daySurcharge)));
    l.push_back(columns("VENDA LIQUIDA", formatAmount(net)));
    l.push_back(std::string(kLineWidth, '-'));
    l.push_back(columns("ALIQUOTA       VALOR", "IMPOSTO"));
    int positions = is204() ? kTaxPositions204 : kTaxPositions;
    for (int i = 0; i < positions; ++i) {
        const TaxRate& r = st_.rates[i];
        if (!r.programmed)
            continue;
        std::string left = zeroPad(i, 2) + " " + r.type + formatRate(r.rate) + "% " +
                           padLeft(formatAmount(r.total), 16);
        l.push_back(columns(left, formatAmount(taxOf(r.total, r.rate))));
    }
    auto special = [&](int t, const char* name) {
        auto it = st_.totals.find(t);
        l.push_back(columns(name, formatAmount(it == st_.totals.end() ? 0 : it->second)));
    };
    special(kTotSubstitution, "F  SUBSTITUICAO TRIBUTARIA");
    special(kTotExempt, "I  ISENTO");
    special(kTotNotLevied, "N  NAO INCIDENTE");
    if (is204())
        special(kTotServices, "ISS SERVICOS");
    l.push_back(std::string(kLineWidth, '-'));
    l.push_back("NAO FISCAIS");
    if (is204()) {
        special(kTotWithdrawal, "SANGRIA");
        special(kTotCashIn, "ENTRADA DE NUMERARIO");
        special(kTotReceipts, "RECEBIMENTOS DIVERSOS");
    } else {
        for (int i = 0; i < kVoucherPositions; ++i) {
            const Voucher& v = st_.vouchers[i];
            if (v.name.empty())
                continue;
            l.push_back(columns(zeroPad(i, 2) + " " + v.name + " " + zeroPad(v.count, 4),
                                formatAmount(v.sales)));
        }
    }
    l.push_back(columns("CANCELAMENTOS NAO FISCAIS", formatAmount(s.dayNfCancel)));
    l.push_back(std::string(kLineWidth, '-'));
    l.push_back("MEIOS DE PAGAMENTO");
    for (int i = 0; i < kPayPositions; ++i) {
        const PayType& p = st_.payTypes[i];
        if (p.name.empty())
            continue;
        l.push_back(columns(zeroPad(i, 2) + " " + p.name, formatAmount(p.total)));
    }
    l.push_back(columns("TROCO", formatAmount(s.dayChange)));
    l.push_back(columns("GT CRIPTOGRAFADO", encryptDigits(std::to_string(s.gt), s.crypto)));
    l.push_back(std::string(kLineWidth, '-'));
    if (!op.empty())
        l.push_back("OPERADOR: " + op);
    return l;
}

// An X reading and a managerial report take the same checks, count a
// non-fiscal operation and close as the last document.
int Printer::openReport(const Text& op) {
    if (int rc = checkOperator(op, why()))
        return rc;
    if (int rc = checkIdle())
        return rc;
    if (int rc = checkPrinting())
        return rc;
    openDayIfNeeded();
    st_.s.coo += 1;
    st_.s.gnf += 1;
    return kOk;
}

void Printer::closeReport() {
    printFooter("");
    st_.s.lastDocKind = 0;
    st_.s.lastDocCoo = st_.s.coo;
    st_.s.lastDocTime = now_;
}

int Printer::leituraX(const Text& op) {
    if (int rc = openReport(op))
        return rc;
    for (const std::string& line : readingLines("LEITURA X", *op))
        print(line);
    closeReport();
    return kOk;
}

void Printer::resetDay() {
    Scalars& s = st_.s;
    for (TaxRate& r : st_.rates)
        r.total = 0;
    for (PayType& p : st_.payTypes)
        p.total = 0;
    for (Voucher& v : st_.vouchers) {
        v.count = v.cancelCount = 0;
        v.sales = v.surcharges = v.discounts = v.cancellations = 0;
    }
    st_.totals.clear();
    st_.pending.clear();
    s.dayOpen = 0;
    s.dayOpenedAt = 0;
    s.dayCooStart = s.dayGnfStart = 0;
    s.dayGtStart = s.gt;
    s.dayCancelledCoupons = s.dayCancelledNf = s.dayCoupons = 0;
    s.dayGross = s.dayCancel = s.dayDiscount = s.daySurcharge = 0;
    s.dayNfCancel = s.dayNfDiscount = s.dayNfSurcharge = s.dayChange = 0;
    s.couponSeconds = 0;
}

int Printer::reducaoZ(const Text& op) {
    if (int rc = checkOperator(op, why()))
        return rc;
    if (int rc = checkIdle())
        return rc;
    if (state() == kStateDayClosed)
        return refuse(kDayClosed, "redução Z já feita hoje, " +
                                      formatYmdShort(static_cast<int>(st_.s.zDate)) +
                                      ": a próxima só amanhã");
    if (int rc = checkPrinting())
        return rc;
    Scalars& s = st_.s;
    if (!s.dayOpen) {
        // A Z reduction with no movement closes today.
        s.dayDate = clock().ymd();
        s.dayCooStart = s.coo + 1;
        s.dayGnfStart = s.gnf;
    }
    s.coo += 1;
    s.crz += 1;
    for (const std::string& line : readingLines("REDUCAO Z", *op))
        print(line);
    printFooter("");

    FiscalRecord rec;
    rec.z = s.crz;
    rec.ymd = s.dayDate;
    rec.time = now_;
    rec.coo = s.coo;
    rec.cro = s.cro;
    rec.gt = s.gt;
    rec.gross = s.dayGross;
    rec.cancellations = s.dayCancel;
    rec.discounts = s.dayDiscount;
    rec.surcharges = s.daySurcharge;
    rec.net = s.dayGross - s.dayCancel - s.dayDiscount;
    std::map<int, Cents> details;
    for (int i = 0; i < kTaxPositions; ++i)
        if (st_.rates[i].total)
            details[i] = st_.rates[i].total;
    for (const auto& [t, v] : st_.totals)
        details[t] = v;
    rec.details = encodeShares(details);
    out_.fiscalRecord = rec;

    s.zDate = s.dayDate;
    s.lastDocKind = 0;
    s.lastDocCoo = s.coo;
    s.lastDocTime = now_;
    st_.user().lastTime = now_;
    st_.user().gt = s.gt;
    resetDay();
    return kOk;
}

int Printer::lxGerencial(const Text& op) {
    return rzGerencialImpl(op, false);
}
int Printer::rzGerencial(const Text& op) {
    return rzGerencialImpl(op, true);
}

int Printer::rzGerencialImpl(const Text& op, bool reset) {
    if (int rc = openReport(op))
        return rc;
    st_.s.mgrReports += 1;
    print(std::string(kLineWidth, '='));
    print(center(reset ? "REDUCAO Z GERENCIAL" : "LEITURA X GERENCIAL"));
    print(columns("RELATORIO GERENCIAL", zeroPad(st_.s.mgrReports, 4)));
    print(std::string(kLineWidth, '-'));
    Cents total = 0;
    for (int i = 0; i < kPayPositions; ++i) {
        PayType& p = st_.payTypes[i];
        if (p.name.empty() && !p.managerial)
            continue;
        print(columns(zeroPad(i, 2) + " " + p.name, formatAmount(p.managerial)));
        total += p.managerial;
        if (reset)
            p.managerial = 0;
    }
    print(columns("TOTAL RECEBIDO", formatAmount(total)));
    if (!op->empty())
        print("OPERADOR: " + *op);
    closeReport();
    return kOk;
}

}  // namespace fiscemu
