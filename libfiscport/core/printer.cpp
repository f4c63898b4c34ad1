#include "core/printer.h"

#include <algorithm>
#include <cctype>

#include "core/codes.h"
#include "core/cp850.h"
#include "core/printer_checks.h"

namespace fiscemu {

using namespace printer_checks;

namespace {

std::string quantityText(int64_t thousandths) {
    return std::to_string(thousandths / 1000) + "," + zeroPad(thousandths % 1000, 3);
}

}  // namespace

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

// ---------------------------------------------------------------- items

int Printer::addItem(Item item, const std::vector<std::string>& printed) {
    Document& doc = st_.doc;
    if (static_cast<int>(doc.items.size()) >= kMaxItems)
        return kOverflow;
    if (item.total <= 0)
        return kOutOfRange;
    Cents subtotal = documentSubtotal(doc);
    bool fiscal = !isNonFiscalTotaliser(item.totaliser);
    if (item.total > kMaxCoupon || subtotal + item.total > kMaxCoupon)
        return kOverflow;
    if (fiscal && st_.s.gt + item.total > kMaxTotal)
        return kOverflow;
    if (int rc = checkPrinting())
        return rc;

    if (doc.kind == kDocHeader) {
        doc.kind = kDocFiscal;
        st_.s.ccf += 1;
        st_.s.dayCoupons += 1;
    }
    addToTotaliser(item.totaliser, item.total);
    if (fiscal) {
        st_.s.gt += item.total;
        st_.s.dayGross += item.total;
    }
    doc.items.push_back(item);
    for (const std::string& line : printed)
        printWrapped(line);
    return kOk;
}

namespace {
// A fiscal coupon whose items may still change: no subtotal adjustment and
// no payment (other than cancelled ones) yet.
bool fiscalCouponBeforePayments(const Document& doc) {
    if (doc.kind != kDocFiscal || doc.adjKind >= 0)
        return false;
    for (const Payment& p : doc.payments)
        if (!p.cancelled)
            return false;
    return true;
}

bool acceptsFiscalItem(const Document& doc) {
    return doc.kind == kDocHeader || fiscalCouponBeforePayments(doc);
}
}  // namespace

// The totaliser a fiscal item's tax index names, after the checks every
// item sale of a fiscal coupon shares.
int Printer::fiscalItemTotaliser(int32_t tax, int* totaliser) const {
    if (int rc = resolveTax(tax, totaliser))
        return rc;
    if (isNonFiscalTotaliser(*totaliser))
        return kTaxNotProgrammed;
    if (set_.intervention)
        return kIntervention;
    if (!acceptsFiscalItem(st_.doc))
        return kWrongState;
    return kOk;
}

int Printer::vendaItemFields(const Text& code, const Text& desc, const Text& qtyInt,
                             const Text& qtyDec, const Text& price, int32_t tax) {
    if (!textOk(code, 1, static_cast<size_t>(st_.s.codeSize)))
        return kBadFormat;
    if (!textOk(desc, 1, kDescriptionWidth))
        return kBadFormat;
    auto qi = digits(qtyInt, 4);
    auto qd = digits(qtyDec, 3);
    auto unit = digits(price, 9);
    if (!qi || !qd || !unit)
        return kBadFormat;
    int totaliser = 0;
    if (int rc = fiscalItemTotaliser(tax, &totaliser))
        return rc;
    Item item;
    item.code = *code;
    item.description = *desc;
    item.quantity = *qi * 1000 + *qd;
    item.price = *unit;
    item.total = divRoundHalfEven(item.quantity * item.price, 1000);
    item.totaliser = totaliser;
    if (item.quantity <= 0)
        return kOutOfRange;
    std::string number = zeroPad(static_cast<int64_t>(st_.doc.items.size()) + 1, 3);
    std::vector<std::string> lines = {
        number + " " + *code + " " + *desc,
        columns("    " + quantityText(item.quantity) + " x " + formatAmount(item.price) + " " +
                    taxLabel(totaliser),
                formatAmount(item.total))};
    return addItem(item, lines);
}

int Printer::vendaItem78(const Text& line, const Text& totalText, int32_t tax) {
    if (!textOk(line, 1, 78))
        return kBadFormat;
    auto total = digits(totalText, 11);
    if (!total)
        return kBadFormat;
    if (set_.intervention)
        return kIntervention;
    Item item;
    item.description = *line;
    item.price = *total;
    item.total = *total;
    if (st_.doc.kind == kDocNonFiscal) {
        if (is204()) {
            int t = 0;
            if (int rc = resolveTax(tax, &t))
                return rc;
            if (!isNonFiscalTotaliser(t))
                return kVoucherInvalid;
            item.totaliser = t;
        } else {
            if (tax < 0 || tax >= kVoucherPositions)
                return kOutOfRange;
            const Voucher& v = st_.vouchers[tax];
            if (v.name.empty() || v.linked)
                return kVoucherInvalid;
            item.totaliser = kTotVoucherFirst + tax;
        }
        std::string label = isVoucherTotaliser(item.totaliser)
                                ? st_.vouchers[item.totaliser - kTotVoucherFirst].name
                                : totaliserName(item.totaliser);
        return addItem(item, {*line, columns("    " + label, formatAmount(item.total))});
    }
    int totaliser = 0;
    if (int rc = fiscalItemTotaliser(tax, &totaliser))
        return rc;
    item.totaliser = totaliser;
    return addItem(item, {*line, columns("    " + taxLabel(totaliser), formatAmount(item.total))});
}

int Printer::vendaItemFree(const Text& desc, const Text& value, int32_t tax) {
    if (!textOk(desc, 1, kDescriptionWidth))
        return kBadFormat;
    auto total = digits(value, 11);
    if (!total)
        return kBadFormat;
    int totaliser = 0;
    if (int rc = fiscalItemTotaliser(tax, &totaliser))
        return rc;
    Item item;
    item.description = *desc;
    item.price = *total;
    item.total = *total;
    item.totaliser = totaliser;
    std::string number = zeroPad(static_cast<int64_t>(st_.doc.items.size()) + 1, 3);
    return addItem(item, {columns(fit(number + " " + *desc, 34) + " " + taxLabel(totaliser),
                                  formatAmount(item.total))});
}

namespace {
// Items may be adjusted only before payments and before a subtotal adjustment.
bool itemsEditable(const Document& doc) {
    return doc.kind == kDocNonFiscal || fiscalCouponBeforePayments(doc);
}
}  // namespace

int Printer::descItem(int32_t operation, const Text& desc, const Text& value) {
    if (operation != 0 && operation != 1)
        return kOutOfRange;
    if (!textOk(desc, 0, kDescriptionWidth))
        return kBadFormat;
    if (!value)
        return kBadFormat;
    std::optional<int64_t> amount;
    if (operation == 0 || !value->empty()) {
        amount = parseDigits(*value, 11);
        if (!amount)
            return kBadFormat;
    }
    if (set_.intervention)
        return kIntervention;
    Document& doc = st_.doc;
    if (!itemsEditable(doc))
        return kWrongState;
    if (doc.items.empty())
        return kNothingToDo;
    Item& last = doc.items.back();
    if (last.cancelled)
        return kNothingToDo;
    bool nonFiscal = isNonFiscalTotaliser(last.totaliser);
    if (nonFiscal && isVoucherTotaliser(last.totaliser) &&
        !st_.vouchers[last.totaliser - kTotVoucherFirst].discount)
        return kVoucherInvalid;
    std::string number = zeroPad(static_cast<int64_t>(doc.items.size()), 3);
    if (operation == 0) {
        if (last.discount)
            return kAlreadyDone;
        if (*amount <= 0 || *amount >= last.total)
            return kOutOfRange;
        if (int rc = checkPrinting())
            return rc;
        last.discount = *amount;
        addToTotaliser(last.totaliser, -*amount);
        if (nonFiscal) {
            st_.s.dayNfDiscount += *amount;
            if (isVoucherTotaliser(last.totaliser))
                st_.vouchers[last.totaliser - kTotVoucherFirst].discounts += *amount;
        } else {
            st_.s.dayDiscount += *amount;
        }
        print(
            columns("DESCONTO ITEM " + number + " " + fit(*desc, 20), "-" + formatAmount(*amount)));
        return kOk;
    }
    if (!last.discount)
        return kNothingToDo;
    if (amount && *amount != last.discount)
        return kOutOfRange;
    if (int rc = checkPrinting())
        return rc;
    Cents d = last.discount;
    last.discount = 0;
    addToTotaliser(last.totaliser, d);
    if (nonFiscal) {
        st_.s.dayNfDiscount -= d;
        if (isVoucherTotaliser(last.totaliser))
            st_.vouchers[last.totaliser - kTotVoucherFirst].discounts -= d;
    } else {
        st_.s.dayDiscount -= d;
    }
    print(columns("CANC. DESCONTO ITEM " + number + " " + fit(*desc, 14), formatAmount(d)));
    return kOk;
}

int Printer::cancItem(const Text& desc) {
    if (!textOk(desc, 0, kDescriptionWidth))
        return kBadFormat;
    if (set_.intervention)
        return kIntervention;
    if (!itemsEditable(st_.doc))
        return kWrongState;
    if (st_.doc.items.empty())
        return kNothingToDo;
    return cancItemAt(static_cast<int>(st_.doc.items.size()), *desc);
}

int Printer::cancItemDef(const Text& position, const Text& desc) {
    auto pos = digits(position, 4);
    if (!pos)
        return kBadFormat;
    if (!textOk(desc, 0, kDescriptionWidth))
        return kBadFormat;
    if (set_.intervention)
        return kIntervention;
    if (!itemsEditable(st_.doc))
        return kWrongState;
    if (*pos < 1 || *pos > static_cast<int64_t>(st_.doc.items.size()))
        return kOutOfRange;
    return cancItemAt(static_cast<int>(*pos), *desc);
}

int Printer::cancItemAt(int number, const std::string& desc) {
    Item& it = st_.doc.items[number - 1];
    if (it.cancelled)
        return kAlreadyDone;
    bool nonFiscal = isNonFiscalTotaliser(it.totaliser);
    if (nonFiscal && isVoucherTotaliser(it.totaliser) &&
        !st_.vouchers[it.totaliser - kTotVoucherFirst].cancel)
        return kVoucherInvalid;
    if (int rc = checkPrinting())
        return rc;
    Cents net = it.net();
    addToTotaliser(it.totaliser, -net);
    if (nonFiscal) {
        st_.s.dayNfCancel += net;
        if (isVoucherTotaliser(it.totaliser))
            st_.vouchers[it.totaliser - kTotVoucherFirst].cancellations += net;
    } else {
        st_.s.dayCancel += net;
    }
    it.cancelled = true;
    print(columns("CANCELAMENTO ITEM " + zeroPad(number, 3) + " " + fit(desc, 16),
                  "-" + formatAmount(net)));
    return kOk;
}

// ---------------------------------------------------------------- subtotal, payments

int Printer::subTotal() {
    if (set_.intervention)
        return kIntervention;
    const Document& doc = st_.doc;
    if ((doc.kind != kDocFiscal && doc.kind != kDocNonFiscal) || doc.items.empty())
        return kWrongState;
    if (int rc = checkPrinting())
        return rc;
    print(columns("SUBTOTAL R$", formatAmount(documentSubtotal(doc))));
    return kOk;
}

int Printer::acresDescSubTotal(int32_t kind, int32_t cancel, const Text& desc,
                               const Text& amountText) {
    if (kind != 0 && kind != 1)
        return kOutOfRange;
    if (cancel != 0 && cancel != 1)
        return kOutOfRange;
    if (!textOk(desc, 0, kDescriptionWidth))
        return kBadFormat;
    auto amount = digits(amountText, 11);
    if (!amount)
        return kBadFormat;
    if (set_.intervention)
        return kIntervention;
    Document& doc = st_.doc;
    if (doc.kind != kDocFiscal)
        return kWrongState;
    for (const Payment& p : doc.payments)
        if (!p.cancelled)
            return kWrongState;
    Cents subtotal = documentSubtotal(doc);

    if (cancel == 0) {
        if (doc.adjKind >= 0)
            return kAdjustment;
        if (*amount <= 0)
            return kOutOfRange;
        if (subtotal <= 0)
            return kNothingToDo;
        if (kind == 0 && *amount >= subtotal)
            return kOutOfRange;
        if (kind == 1 && (subtotal + *amount > kMaxCoupon || st_.s.gt + *amount > kMaxTotal))
            return kOverflow;
        if (int rc = checkPrinting())
            return rc;
        // Spread the adjustment over the coupon's totalisers in proportion to
        // their amounts; the cents left by the division go to the largest ones.
        std::map<int, Cents> base = documentShares(doc);
        std::vector<std::pair<int, Cents>> parts(base.begin(), base.end());
        std::map<int, Cents> shares;
        Cents given = 0;
        for (const auto& [t, v] : parts) {
            Cents share =
                v > 0 ? static_cast<Cents>((static_cast<__int128>(*amount) * v) / subtotal) : 0;
            shares[t] = share;
            given += share;
        }
        std::stable_sort(parts.begin(), parts.end(),
                         [](const auto& a, const auto& b) { return a.second > b.second; });
        for (size_t i = 0; given < *amount && !parts.empty(); i = (i + 1) % parts.size()) {
            if (parts[i].second <= 0)
                continue;
            shares[parts[i].first] += 1;
            given += 1;
        }
        int sign = kind == 1 ? 1 : -1;
        for (const auto& [t, v] : shares)
            addToTotaliser(t, sign * v);
        if (kind == 1) {
            st_.s.gt += *amount;
            st_.s.dayGross += *amount;
            st_.s.daySurcharge += *amount;
        } else {
            st_.s.dayDiscount += *amount;
        }
        doc.adjKind = kind;
        doc.adjAmount = *amount;
        doc.adjShares = encodeShares(shares);
        print(columns(std::string(kind == 1 ? "ACRESCIMO " : "DESCONTO ") + fit(*desc, 24),
                      (kind == 1 ? "+" : "-") + formatAmount(*amount)));
        print(columns("SUBTOTAL R$", formatAmount(documentSubtotal(doc))));
        return kOk;
    }
    if (doc.adjKind != kind)
        return kAdjustment;
    if (int rc = checkPrinting())
        return rc;
    Cents a = doc.adjAmount;
    int sign = kind == 1 ? -1 : 1;
    for (const auto& [t, v] : decodeShares(doc.adjShares))
        addToTotaliser(t, sign * v);
    if (kind == 1)
        st_.s.dayCancel += a;
    else
        st_.s.dayDiscount -= a;
    doc.adjKind = -1;
    doc.adjAmount = 0;
    doc.adjShares.clear();
    print(columns(std::string(kind == 1 ? "CANC. ACRESCIMO " : "CANC. DESCONTO ") + fit(*desc, 18),
                  formatAmount(a)));
    print(columns("SUBTOTAL R$", formatAmount(documentSubtotal(doc))));
    return kOk;
}

int Printer::doPayment(int cancel, int position, const std::string& name, Cents amount,
                       int condition, bool omit, int lines) {
    Document& doc = st_.doc;
    if (doc.kind != kDocFiscal)
        return kWrongState;
    int sc = state();
    if (cancel == 1) {
        if ((sc != 123 && sc != 124) || doc.commercialLines > 0)
            return kWrongState;
        Payment* last = nullptr;
        for (Payment& p : doc.payments)
            if (!p.cancelled)
                last = &p;
        if (!last || last->position != position || last->amount != amount)
            return kNothingToDo;
        if (int rc = checkPrinting())
            return rc;
        last->cancelled = true;
        st_.payTypes[position].total -= amount;
        st_.payTypes[position].managerial -= amount;
        doc.complementaryLeft = 0;
        print(columns("CANC. PAGAMENTO " + name, "-" + formatAmount(amount)));
        return kOk;
    }
    if (sc != 65 && sc != 123)
        return kWrongState;
    Cents subtotal = documentSubtotal(doc);
    if (subtotal <= 0)
        return kNothingToDo;
    Cents paid = documentPaid(doc);
    if (paid + amount > kMaxCoupon * 10)
        return kOverflow;
    if (st_.payTypes[position].total + amount > kMaxTotal)
        return kOverflow;
    if (int rc = checkPrinting())
        return rc;

    Payment p;
    p.position = position;
    p.name = name;
    p.amount = amount;
    p.condition = condition;
    p.omitCondition = omit;
    doc.payments.push_back(p);
    st_.payTypes[position].total += amount;
    st_.payTypes[position].managerial += amount;
    doc.complementaryLeft = lines;
    if (paid == 0)
        print(columns("TOTAL R$", formatAmount(subtotal)));
    std::string label = name;
    if (condition != kCondPosition && !omit)
        label += condition == kCondCash ? " A VISTA" : " A PRAZO";
    print(columns(label, formatAmount(amount)));
    paid += amount;
    if (paid >= subtotal && paid - subtotal > 0)
        print(columns("TROCO R$", formatAmount(paid - subtotal)));
    return kOk;
}

int Printer::pagamento(int32_t cancel, const Text& position, const Text& amountText,
                       int32_t lines) {
    if (cancel != 0 && cancel != 1)
        return kOutOfRange;
    if (!position || position->size() != 2 || !parseDigits(*position, 2))
        return kBadFormat;
    auto pos = tablePosition(position, kPayPositions - 1);
    if (!pos)
        return kOutOfRange;
    auto amount = digits(amountText, 11);
    if (!amount)
        return kBadFormat;
    if (*amount <= 0)
        return kOutOfRange;
    if (lines < 0 || lines > kMaxComplementaryLines)
        return kOutOfRange;
    if (st_.payTypes[*pos].name.empty())
        return kPayTypeUnknown;
    if (set_.intervention)
        return kIntervention;
    return doPayment(cancel, *pos, st_.payTypes[*pos].name, *amount, kCondPosition, false, lines);
}

int Printer::pagamentoByName(int32_t cancel, const Text& type, const Text& amountText, int32_t omit,
                             int32_t lines, int condition) {
    if (cancel != 0 && cancel != 1)
        return kOutOfRange;
    if (!textOk(type, 1, 20))
        return kBadFormat;
    auto amount = digits(amountText, 11);
    if (!amount)
        return kBadFormat;
    if (*amount <= 0)
        return kOutOfRange;
    if (omit != 0 && omit != 1)
        return kOutOfRange;
    if (lines < 0 || lines > kMaxComplementaryLines)
        return kOutOfRange;
    if (set_.intervention)
        return kIntervention;
    int pos = -1;
    for (int i = 0; i < kPayPositions; ++i)
        if (!st_.payTypes[i].name.empty() && equalsIgnoreCase(st_.payTypes[i].name, *type)) {
            pos = i;
            break;
        }
    if (pos < 0) {
        // A 2.04 printer learns payment types by their names; a 3.00 one only
        // knows the positions programmed in its table.
        if (!is204() || cancel == 1)
            return kPayTypeUnknown;
        for (int i = 0; i < kPayPositions && pos < 0; ++i)
            if (st_.payTypes[i].name.empty() && st_.payTypes[i].total == 0)
                pos = i;
        if (pos < 0)
            return kPayTypeUnknown;
        int rc = doPayment(cancel, pos, *type, *amount, condition, omit == 1, lines);
        if (rc == kOk)
            st_.payTypes[pos].name = *type;
        return rc;
    }
    std::string printed = is204() ? *type : st_.payTypes[pos].name;
    return doPayment(cancel, pos, printed, *amount, condition, omit == 1, lines);
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
