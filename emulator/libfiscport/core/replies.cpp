#include "core/replies.h"

#include "core/clock.h"
#include "core/codes.h"
#include "core/printer.h"

namespace fiscemu {

namespace {

std::string amountField(Cents v, size_t width) {
    return padLeft(formatAmount(v), width);
}

// Plain digits with implied cents, zero-filled (the serial reading's format).
std::string digitsField(Cents v, int width) {
    return zeroPad(v < 0 ? 0 : v, width);
}

std::string elapsed(int64_t seconds) {
    if (seconds < 0)
        seconds = 0;
    int64_t h = seconds / 3600;
    if (h > 999)
        return "999:59:59";
    return zeroPad(h, 3) + ":" + zeroPad(seconds / 60 % 60, 2) + ":" + zeroPad(seconds % 60, 2);
}

char flag(bool b) {
    return b ? 'S' : 'N';
}

// The first character of a record reply: '1' for a position in use.
char inUse(bool b) {
    return b ? '1' : '0';
}

// Every record reply answers an index outside its table with the same
// failure; otherwise it lays out the record the index names.
// `why` receives the reason, naming the table.
std::string outOfTable(const char* table, int32_t index, int first, int last, std::string* why) {
    if (why)
        *why = std::string("índice ") + std::to_string(index) + " fora da tabela de " + table +
               ": esperado de " + std::to_string(first) + " a " + std::to_string(last);
    return failureReply(kOutOfRange);
}

template <typename Record, typename Layout>
std::string recordReply(const std::vector<Record>& table, int32_t index, Layout layout,
                        const char* name, std::string* why) {
    if (index < 0 || index >= static_cast<int32_t>(table.size()))
        return outOfTable(name, index, 0, static_cast<int>(table.size()) - 1, why);
    return layout(table[index]);
}

Cents totalOf(const PrinterState& st, int t) {
    auto it = st.totals.find(t);
    return it == st.totals.end() ? 0 : it->second;
}

}  // namespace

std::string serialNumber(const Settings& set) {
    return modelFacts(set.model).serial;
}

std::string replyStatusImp(const PrinterState& st, const Settings& set, int64_t now) {
    std::string r = zeroPad(static_cast<int64_t>(st.users.size()), 2);
    r += zeroPad(stateCode(st, set, now), 3);
    r += set.paper != kPaperOk ? '1' : '0';
    r += set.authPaper ? '0' : '1';
    r += drawerReadsOpen(set, wallNow()) ? '0' : '1';
    return r;
}

std::string replyStatusCupom(const PrinterState& st, const Settings& set, int64_t now) {
    (void)set;
    DateTime dt = localFromEpoch(now);
    const Document& doc = st.doc;
    char type = '0';
    if (doc.kind == kDocHeader || doc.kind == kDocFiscal)
        type = '1';
    if (doc.kind == kDocNonFiscal)
        type = '2';
    if (doc.kind == kDocLinked)
        type = '3';
    std::string r = zeroPad(st.user().equipment, 4);
    r += type;
    r += zeroPad(doc.kind != kDocNone ? doc.coo : st.s.coo, 6);
    r += formatTimeCompact(dt);
    r += formatDateShort(dt);
    r += amountField(doc.kind != kDocNone ? documentSubtotal(doc) : 0, 21);
    r += amountField(st.s.gt, 21);
    return r;
}

std::string replyAliquota(const PrinterState& st, int32_t index, std::string* why) {
    return recordReply(
        st.rates, index,
        [](const TaxRate& t) {
            std::string r;
            r += inUse(t.programmed);
            r += t.programmed ? t.type : ' ';
            r += formatRate(t.programmed ? t.rate : 0);
            r += amountField(t.total, 16);
            r += amountField(taxOf(t.total, t.rate), 14);
            return r;
        },
        "alíquotas", why);
}

std::string replyPayType(const PrinterState& st, int32_t index, std::string* why) {
    return recordReply(
        st.payTypes, index,
        [&](const PayType& p) {
            bool linked = false;
            for (const Voucher& v : st.vouchers)
                linked |= !v.name.empty() && v.linked && v.related == index;
            std::string r;
            r += inUse(!p.name.empty());
            r += flag(!p.name.empty());
            r += flag(linked);
            r += fit(p.name, 20);
            r += ' ';
            r += amountField(p.total, 20);
            return r;
        },
        "formas de pagamento", why);
}

std::string replyDocNF(const PrinterState& st, int32_t index, std::string* why) {
    return recordReply(
        st.vouchers, index,
        [](const Voucher& v) {
            std::string r;
            r += inUse(!v.name.empty());
            r += flag(!v.name.empty());
            r += fit(v.name, 20);
            r += flag(v.discount);
            r += flag(v.surcharge);
            r += flag(v.cancel);
            r += flag(v.payment);
            r += flag(v.linked);
            r += zeroPad(v.related, 2);
            r += zeroPad(v.count, 6);
            r += zeroPad(v.cancelCount, 6);
            r += amountField(v.sales, 18);
            r += amountField(v.surcharges, 18);
            r += amountField(v.discounts, 18);
            r += amountField(v.cancellations, 18);
            return r;
        },
        "comprovantes não fiscais", why);
}

std::string replyEquipo(const PrinterState& st, const Settings& set) {
    (void)st;
    const ModelFacts& m = modelFacts(set.model);
    return fit("VOLDRANE", 10) + fit(std::string("ECF-IF ") + m.name, 15) + m.version + m.serial;
}

std::string replyUser(const PrinterState& st, int32_t user, std::string* why) {
    if (user < 1 || user > static_cast<int32_t>(st.users.size()))
        return outOfTable("usuários", user, 1, static_cast<int>(st.users.size()), why);
    const User& u = st.users[user - 1];
    bool current = user == static_cast<int32_t>(st.users.size());
    DateTime first = localFromEpoch(u.firstTime), last = localFromEpoch(u.lastTime);
    std::string r = fit(u.line1, 48) + fit(u.line2, 48) + fit(u.line3, 48);
    r += zeroPad(u.store, 4);
    r += zeroPad(u.equipment, 4);
    r += fit(u.cgc, 18);
    r += fit(u.im, 15);
    r += fit(u.ie, 16);
    r += formatDateShort(first);
    r += formatTimeCompact(first);
    r += formatDateShort(last);
    r += formatTimeCompact(last);
    r += zeroPad(u.cro, 5);
    r += amountField(current ? st.s.gt : u.gt, 22);
    return r;
}

std::string replyTroco(const PrinterState& st) {
    return fit("Troco", 21) + amountField(st.s.dayChange, 21);
}

std::string replyVinc(const PrinterState& st, int32_t index, std::string* why) {
    if (index < 0 || index >= kMaxPendingLinks)
        return outOfTable("vínculos", index, 0, kMaxPendingLinks - 1, why);
    PendingLink pl;
    if (index < static_cast<int32_t>(st.pending.size()))
        pl = st.pending[index];
    std::string r;
    r += flag(pl.pending());
    r += zeroPad(pl.payType, 2);
    r += amountField(pl.amount, 20);
    r += amountField(pl.used, 20);
    r += zeroPad(pl.coo, 6);
    r += zeroPad(pl.issued, 2);
    r += zeroPad(pl.lastCoo, 6);
    return r;
}

std::string replyXSerial(const PrinterState& st, const Settings& set, int64_t now) {
    const Scalars& s = st.s;
    bool is204 = set.model == Model::V204;
    std::string r;
    r += zeroPad(s.crz + 1, 4);
    r += s.dayOpen ? formatYmdShort(static_cast<int>(s.dayDate)) : "00/00/00";
    r += zeroPad(s.cro, 4);
    r += zeroPad(s.dayOpen ? s.dayCooStart : 0, 6);
    r += zeroPad(s.coo, 6);
    r += zeroPad(s.dayCancelledCoupons, 6);
    r += digitsField(s.dayCancel, 21);
    r += digitsField(s.dayDiscount, 21);
    r += digitsField(s.daySurcharge, 21);
    r += digitsField(s.gt, 21);
    r += digitsField(totalOf(st, kTotSubstitution), 18);
    r += digitsField(totalOf(st, kTotExempt), 18);
    r += digitsField(totalOf(st, kTotNotLevied), 18);
    for (int i = 0; i < 10; ++i) {
        const TaxRate& t = st.rates[i];
        r += zeroPad(t.programmed ? t.rate : 0, 5);
        r += digitsField(t.total, 18);
        r += digitsField(taxOf(t.total, t.rate), 18);
    }
    r += zeroPad(s.dayOpen ? s.dayGnfStart : 0, 6);
    r += zeroPad(s.gnf, 6);
    r += zeroPad(s.dayCancelledNf, 6);
    Cents services = 0;
    if (is204) {
        services = totalOf(st, kTotServices);
    } else {
        for (const TaxRate& t : st.rates)
            if (t.programmed && t.type == 'S')
                services += t.total;
    }
    Cents withdrawal = is204 ? totalOf(st, kTotWithdrawal) : st.vouchers[0].sales;
    Cents cashIn = is204 ? totalOf(st, kTotCashIn) : st.vouchers[1].sales;
    Cents receipts = is204 ? totalOf(st, kTotReceipts) : st.vouchers[2].sales;
    r += digitsField(withdrawal, 18);
    r += digitsField(cashIn, 18);
    r += digitsField(services, 18);
    r += digitsField(receipts, 18);
    r += digitsField(s.dayNfCancel, 18);
    r += digitsField(s.dayNfDiscount, 18);
    r += digitsField(s.dayNfSurcharge, 18);
    r += elapsed(s.couponSeconds);
    r += elapsed(s.dayOpen ? now - s.dayOpenedAt : 0);
    return r;
}

std::string replyCgcIe(const PrinterState& st) {
    return fit(st.user().cgc, 18) + fit(st.user().ie, 15);
}

}  // namespace fiscemu
