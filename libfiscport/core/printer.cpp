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
        return 99;
    switch (st.doc.kind) {
        case kDocHeader:
            return 90;
        case kDocFiscal: {
            if (st.doc.items.empty())
                return 90;
            bool anyPayment = false;
            for (const Payment& p : st.doc.payments)
                anyPayment |= !p.cancelled;
            if (!anyPayment)
                return 65;
            return documentPaid(st.doc) >= documentSubtotal(st.doc) ? 124 : 123;
        }
        case kDocNonFiscal:
        case kDocLinked:
            return 122;
        default:
            break;
    }
    int today = localFromEpoch(now).ymd();
    if (st.s.dayOpen)
        return today > st.s.dayDate ? 113 : 100;
    if (st.s.zDate == today)
        return 115;
    return 0;
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

int Printer::checkPrinting() const {
    if (set_.intervention)
        return kIntervention;
    if (set_.paper == kPaperOutLevel)
        return kPaperOut;
    return kOk;
}

int Printer::checkIdle() const {
    if (set_.intervention)
        return kIntervention;
    if (st_.doc.kind != kDocNone)
        return kWrongState;
    return kOk;
}

void Printer::print(const std::string& bytes, char station) {
    out_.paper.push_back(
        PaperLine{station, st_.doc.kind != kDocNone ? st_.doc.coo : st_.s.coo, bytes});
}

void Printer::printUtf8(const std::string& text, char station) {
    print(utf8ToCp850(text), station);
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
    if (isRateTotaliser(t)) {
        st_.rates[t].total += v;
    } else if (isVoucherTotaliser(t)) {
        st_.vouchers[t - kTotVoucherFirst].sales += v;
    } else {
        st_.totals[t] += v;
        if (st_.totals[t] == 0)
            st_.totals.erase(t);
    }
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
                return kTaxNotProgrammed;
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
        return kOutOfRange;
    }
    if (index >= 0 && index <= 15) {
        if (!st_.rates[index].programmed)
            return kTaxNotProgrammed;
        *totaliser = index;
        return kOk;
    }
    static const int kSpecial3[] = {kTotSubstitution, kTotExempt, kTotNotLevied};
    if (index >= 16 && index <= 18) {
        *totaliser = kSpecial3[index - 16];
        return kOk;
    }
    return kOutOfRange;
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

// ---------------------------------------------------------------- programming

namespace {
// Programming that changes the fiscal configuration waits for the day's Z
// reduction, unless a technician has the printer in intervention.
int fiscalProgrammingAllowed(const PrinterState& st, const Settings& set) {
    if (st.doc.kind != kDocNone)
        return kWrongState;
    if (st.s.dayOpen && !set.intervention)
        return kWrongState;
    return kOk;
}
}  // namespace

int Printer::acertaData(int32_t day, int32_t month, int32_t year, int32_t hour, int32_t minute,
                        int32_t second) {
    int y = year;
    if (year >= 0 && year <= 99)
        y = expandYear(year);
    if (!validDate(y, month, day) || !validTime(hour, minute, second))
        return kBadDate;
    if (st_.doc.kind != kDocNone)
        return kWrongState;
    DateTime dt;
    dt.year = y;
    dt.month = month;
    dt.day = day;
    dt.hour = hour;
    dt.minute = minute;
    dt.second = second;
    int64_t target = epochFromLocal(dt);
    if (target < st_.s.lastDocTime)
        return kBadDate;
    set_.clockOffset = target - systemNow();
    return kOk;
}

int Printer::cabLoja(const Text& l1, const Text& l2, const Text& l3, int32_t store,
                     int32_t equipment, const Text& cgc, const Text& ie, const Text* im) {
    if (!textOk(l1, 1, kLineWidth) || !textOk(l2, 0, kLineWidth) || !textOk(l3, 0, kLineWidth))
        return kBadFormat;
    if (store < 0 || store > 9999 || equipment < 0 || equipment > 9999)
        return kOutOfRange;
    if (!textOk(cgc, 1, 18) || !textOk(ie, 1, 15))
        return kBadFormat;
    if (im && !textOk(*im, 0, 15))
        return kBadFormat;
    if (int rc = fiscalProgrammingAllowed(st_, set_))
        return rc;
    std::string newIm = im ? **im : st_.user().im;
    User& cur = st_.user();
    if (cur.cgc != *cgc || cur.ie != *ie || cur.im != newIm) {
        if (static_cast<int>(st_.users.size()) >= kMaxUsers)
            return kUsersFull;
        cur.gt = st_.s.gt;
        User u;
        u.cgc = *cgc;
        u.ie = *ie;
        u.im = newIm;
        u.firstTime = now_;
        u.lastTime = now_;
        u.cro = static_cast<int>(st_.s.cro);
        u.gt = st_.s.gt;
        st_.users.push_back(u);
    }
    User& u = st_.user();
    u.line1 = *l1;
    u.line2 = *l2;
    u.line3 = *l3;
    u.store = store;
    u.equipment = equipment;
    return kOk;
}

int Printer::cargaTabAliq(int32_t position, const Text& rate) {
    if (position < 0 || position >= kTaxPositions204)
        return kOutOfRange;
    auto r = digits(rate, 4);
    if (!r)
        return kBadFormat;
    if (int rc = fiscalProgrammingAllowed(st_, set_))
        return rc;
    TaxRate& t = st_.rates[position];
    if (t.total != 0)
        return kInUse;
    t.programmed = true;
    t.type = 'T';
    t.rate = static_cast<int>(*r);
    return kOk;
}

int Printer::cargaAliqSelect(const Text& position, const Text& type, const Text& rate) {
    auto pos = digits(position, 2);
    if (!pos)
        return kBadFormat;
    if (*pos >= kTaxPositions)
        return kOutOfRange;
    if (!type || type->size() != 1)
        return kBadFormat;
    char ty = static_cast<char>(std::toupper(static_cast<unsigned char>((*type)[0])));
    if (ty != 'T' && ty != 'S')
        return kBadFormat;
    if (!rate)
        return kBadFormat;
    bool clear = rate->empty() || rate->find_first_not_of(' ') == std::string::npos;
    std::optional<int64_t> r;
    if (!clear) {
        r = parseDigits(*rate, 4);
        if (!r)
            return kBadFormat;
    }
    if (int rc = fiscalProgrammingAllowed(st_, set_))
        return rc;
    TaxRate& t = st_.rates[*pos];
    if (t.total != 0)
        return kInUse;
    if (clear) {
        t = TaxRate{};  // blanks take the position out of use
    } else {
        t.programmed = true;
        t.type = ty;
        t.rate = static_cast<int>(*r);
    }
    return kOk;
}

int Printer::prgCod(int32_t size) {
    if (size < 1 || size > 13)
        return kOutOfRange;
    if (st_.doc.kind != kDocNone)
        return kWrongState;
    st_.s.codeSize = size;
    return kOk;
}

int Printer::cargaCodCripto(const Text& symbols) {
    if (!textOk(symbols, 10, 10))
        return kBadFormat;
    for (size_t i = 0; i < 10; ++i) {
        unsigned char c = static_cast<unsigned char>((*symbols)[i]);
        if (c <= ' ' || (c >= '0' && c <= '9'))
            return kBadFormat;
        for (size_t j = 0; j < i; ++j)
            if ((*symbols)[j] == (*symbols)[i])
                return kOutOfRange;
    }
    if (st_.doc.kind != kDocNone)
        return kWrongState;
    st_.s.crypto = *symbols;
    return kOk;
}

int Printer::payPatterns(const Text& position, const Text& description) {
    if (!position || position->size() != 2 || !parseDigits(*position, 2))
        return kBadFormat;
    auto pos = tablePosition(position, kPayPositions - 1);
    if (!pos)
        return kOutOfRange;
    if (!textOk(description, 0, 20))
        return kBadFormat;
    if (st_.doc.kind != kDocNone)
        return kWrongState;
    PayType& p = st_.payTypes[*pos];
    if (p.name != *description && p.total != 0)
        return kInUse;
    p.name = *description;
    return kOk;
}

int Printer::progNFComprov(const Text& position, const Text& description, const Text& discount,
                           const Text& surcharge, const Text& cancel, const Text& payment,
                           const Text& linked, const Text& related) {
    if (!position || position->size() != 2 || !parseDigits(*position, 2))
        return kBadFormat;
    auto pos = tablePosition(position, kVoucherPositions - 1);
    if (!pos)
        return kOutOfRange;
    if (!textOk(description, 1, 20))
        return kBadFormat;
    auto d = yesNo(discount), s = yesNo(surcharge), c = yesNo(cancel), p = yesNo(payment),
         l = yesNo(linked);
    if (!d || !s || !c || !p || !l)
        return kBadFormat;
    if (!related || related->size() != 2 || !parseDigits(*related, 2))
        return kBadFormat;
    auto rel = tablePosition(related, kPayPositions - 1);
    if (!rel)
        return kOutOfRange;
    if (*l && st_.payTypes[*rel].name.empty())
        return kPayTypeUnknown;
    if (st_.doc.kind != kDocNone)
        return kWrongState;
    Voucher& v = st_.vouchers[*pos];
    Voucher updated = v;
    updated.name = *description;
    updated.discount = *d;
    updated.surcharge = *s;
    updated.cancel = *c;
    updated.payment = *p;
    updated.linked = *l;
    updated.related = *rel;
    bool moved = v.count || v.cancelCount || v.sales || v.cancellations || v.discounts;
    if (moved && !(updated == v))
        return kInUse;
    v = updated;
    return kOk;
}

}  // namespace fiscemu
