// Programming the printer: clock, owner, tax rates, code size, encryption
// symbols, payment types and non-fiscal vouchers.
#include "core/printer.h"

#include <cctype>

#include "core/codes.h"
#include "core/cp850.h"
#include "core/printer_checks.h"

namespace fiscemu {

using namespace printer_checks;

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
    int pos = 0;
    if (int rc = checkPosition(position, kPayPositions - 1, &pos))
        return rc;
    if (!textOk(description, 0, 20))
        return kBadFormat;
    if (st_.doc.kind != kDocNone)
        return kWrongState;
    PayType& p = st_.payTypes[pos];
    if (p.name != *description && p.total != 0)
        return kInUse;
    p.name = *description;
    return kOk;
}

int Printer::progNFComprov(const Text& position, const Text& description, const Text& discount,
                           const Text& surcharge, const Text& cancel, const Text& payment,
                           const Text& linked, const Text& related) {
    int pos = 0;
    if (int rc = checkPosition(position, kVoucherPositions - 1, &pos))
        return rc;
    if (!textOk(description, 1, 20))
        return kBadFormat;
    auto d = yesNo(discount), s = yesNo(surcharge), c = yesNo(cancel), p = yesNo(payment),
         l = yesNo(linked);
    if (!d || !s || !c || !p || !l)
        return kBadFormat;
    int rel = 0;
    if (int rc = checkPosition(related, kPayPositions - 1, &rel))
        return rc;
    if (*l && st_.payTypes[rel].name.empty())
        return kPayTypeUnknown;
    if (st_.doc.kind != kDocNone)
        return kWrongState;
    Voucher& v = st_.vouchers[pos];
    Voucher updated = v;
    updated.name = *description;
    updated.discount = *d;
    updated.surcharge = *s;
    updated.cancel = *c;
    updated.payment = *p;
    updated.linked = *l;
    updated.related = rel;
    bool moved = v.count || v.cancelCount || v.sales || v.cancellations || v.discounts;
    if (moved && !(updated == v))
        return kInUse;
    v = updated;
    return kOk;
}

}  // namespace fiscemu
