// The fiscal coupon's body: item sales, item discounts and cancellations,
// the subtotal and its adjustment, payments. Items of a non-fiscal coupon
// go through the same sale and adjustment commands.
#include "core/printer.h"

#include <algorithm>

#include "core/codes.h"
#include "core/cp850.h"
#include "core/printer_checks.h"

namespace fiscemu {

using namespace printer_checks;

namespace {

std::string quantityText(int64_t thousandths) {
    return std::to_string(thousandths / 1000) + "," + zeroPad(thousandths % 1000, 3);
}

// The number the receipt gives the item about to be sold.
std::string nextItemNumber(const Document& doc) {
    return zeroPad(static_cast<int64_t>(doc.items.size()) + 1, 3);
}

}  // namespace

// ---------------------------------------------------------------- items

int Printer::addItem(Item item, const std::vector<std::string>& printed) {
    Document& doc = st_.doc;
    if (static_cast<int>(doc.items.size()) >= kMaxItems)
        return refuse(kOverflow, "documento já tem " + std::to_string(doc.items.size()) +
                                     " itens: máximo " + std::to_string(kMaxItems));
    if (item.total <= 0)
        return refuse(kOutOfRange,
                      "total do item " + formatAmount(item.total) + ": deve ser maior que zero");
    Cents subtotal = documentSubtotal(doc);
    bool fiscal = !isNonFiscalTotaliser(item.totaliser);
    if (item.total > kMaxCoupon || subtotal + item.total > kMaxCoupon)
        return refuse(kOverflow, "item de " + formatAmount(item.total) + " sobre o subtotal " +
                                     formatAmount(subtotal) + ": o documento vai até " +
                                     formatAmount(kMaxCoupon));
    if (fiscal && st_.s.gt + item.total > kMaxTotal)
        return refuse(kOverflow, "item de " + formatAmount(item.total) +
                                     " estouraria o grande total " + formatAmount(st_.s.gt));
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
        return refuse(kTaxNotProgrammed, "alíquota " + std::to_string(tax) + " (" +
                                             totaliserName(*totaliser) +
                                             "): totalizador não fiscal não vende item fiscal");
    if (int rc = checkIntervention())
        return rc;
    if (!acceptsFiscalItem(st_.doc))
        return refuseState(st_.doc.kind == kDocFiscal
                               ? "cupom com pagamento ou acréscimo/desconto no subtotal não aceita "
                                 "mais itens"
                               : "venda de item pede um cupom fiscal aberto (ecfImpCab)");
    return kOk;
}

int Printer::vendaItemFields(const Text& code, const Text& desc, const Text& qtyInt,
                             const Text& qtyDec, const Text& price, int32_t tax) {
    if (int rc = checkText(code, 1, static_cast<size_t>(st_.s.codeSize), "código", why()))
        return rc;
    if (int rc = checkDescription(desc, 1, why()))
        return rc;
    auto qi = digits(qtyInt, 4);
    auto qd = digits(qtyDec, 3);
    auto unit = digits(price, 9);
    if (!qi)
        return refuse(kBadFormat, "quantidade inteira " + digitsFault(qtyInt, 4));
    if (!qd)
        return refuse(kBadFormat, "quantidade decimal " + digitsFault(qtyDec, 3));
    if (!unit)
        return refuse(kBadFormat, "preço unitário " + digitsFault(price, 9));
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
        return refuse(kOutOfRange, "quantidade " + quoted(qtyInt) + "," + quoted(qtyDec) +
                                       ": deve ser maior que zero");
    std::string number = nextItemNumber(st_.doc);
    std::vector<std::string> lines = {
        number + " " + *code + " " + *desc,
        columns("    " + quantityText(item.quantity) + " x " + formatAmount(item.price) + " " +
                    taxLabel(totaliser),
                formatAmount(item.total))};
    return addItem(item, lines);
}

int Printer::vendaItem78(const Text& line, const Text& totalText, int32_t tax) {
    if (int rc = checkText(line, 1, 78, "linha do item", why()))
        return rc;
    Cents total = 0;
    if (int rc = checkAmount(totalText, &total, "total do item", why()))
        return rc;
    if (int rc = checkIntervention())
        return rc;
    Item item;
    item.description = *line;
    item.price = total;
    item.total = total;
    if (st_.doc.kind == kDocNonFiscal) {
        if (is204()) {
            int t = 0;
            if (int rc = resolveTax(tax, &t))
                return rc;
            if (!isNonFiscalTotaliser(t))
                return refuse(kVoucherInvalid,
                              "índice " + std::to_string(tax) +
                                  ": comprovante não fiscal pede um totalizador não fiscal (10, "
                                  "11 ou 16)");
            item.totaliser = t;
        } else {
            if (tax < 0 || tax >= kVoucherPositions)
                return refuse(kOutOfRange, "comprovante " + std::to_string(tax) +
                                               ": esperado de 00 a " +
                                               zeroPad(kVoucherPositions - 1, 2));
            const Voucher& v = st_.vouchers[tax];
            if (v.name.empty())
                return refuse(kVoucherInvalid,
                              "comprovante " + zeroPad(tax, 2) + ": posição não programada");
            if (v.linked)
                return refuse(kVoucherInvalid, "comprovante " + zeroPad(tax, 2) + " '" +
                                                   windowsLatinToUtf8(v.name) +
                                                   "': vinculado, abre-se com ecfInicCNFVinculado");
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
    if (int rc = checkDescription(desc, 1, why()))
        return rc;
    Cents total = 0;
    if (int rc = checkAmount(value, &total, "valor", why()))
        return rc;
    int totaliser = 0;
    if (int rc = fiscalItemTotaliser(tax, &totaliser))
        return rc;
    Item item;
    item.description = *desc;
    item.price = total;
    item.total = total;
    item.totaliser = totaliser;
    std::string number = nextItemNumber(st_.doc);
    return addItem(item, {columns(fit(number + " " + *desc, 34) + " " + taxLabel(totaliser),
                                  formatAmount(item.total))});
}

// Items may be discounted or cancelled only out of intervention, and only
// before payments and before a subtotal adjustment.
int Printer::checkItemsEditable() const {
    if (int rc = checkIntervention())
        return rc;
    if (st_.doc.kind != kDocNonFiscal && !fiscalCouponBeforePayments(st_.doc))
        return refuseState(st_.doc.kind == kDocFiscal
                               ? "itens só mudam antes de pagamentos e de acréscimo/desconto no "
                                 "subtotal"
                               : "não há cupom com itens aberto");
    return kOk;
}

int Printer::descItem(int32_t operation, const Text& desc, const Text& value) {
    if (int rc = checkFlag(operation, "operação", why()))
        return rc;
    if (int rc = checkDescription(desc, 0, why()))
        return rc;
    if (!value)
        return refuse(kBadFormat, "valor " + digitsFault(value, 11));
    std::optional<int64_t> amount;
    if (operation == 0 || !value->empty()) {
        amount = parseDigits(*value, 11);
        if (!amount)
            return refuse(kBadFormat, "valor " + digitsFault(value, 11));
    }
    if (int rc = checkItemsEditable())
        return rc;
    Document& doc = st_.doc;
    if (doc.items.empty())
        return refuse(kNothingToDo, "nenhum item vendido para descontar");
    Item& last = doc.items.back();
    const std::string lastItem =
        "último item (" + zeroPad(static_cast<int64_t>(doc.items.size()), 3) + ")";
    if (last.cancelled)
        return refuse(kNothingToDo, lastItem + " está cancelado");
    if (int rc = checkVoucherAllows(st_, last.totaliser, &Voucher::discount, "desconto", why()))
        return rc;
    std::string number = zeroPad(static_cast<int64_t>(doc.items.size()), 3);
    if (operation == 0) {
        if (last.discount)
            return refuse(kAlreadyDone,
                          lastItem + " já tem desconto de " + formatAmount(last.discount));
        if (*amount <= 0 || *amount >= last.total)
            return refuse(kOutOfRange, "desconto " + formatAmount(*amount) +
                                           ": deve ser maior que zero e menor que o item, " +
                                           formatAmount(last.total));
        if (int rc = checkPrinting())
            return rc;
        last.discount = *amount;
        addToTotaliser(last.totaliser, -*amount);
        countItemAdjustment(last.totaliser, *amount, &Scalars::dayDiscount, &Scalars::dayNfDiscount,
                            &Voucher::discounts);
        print(
            columns("DESCONTO ITEM " + number + " " + fit(*desc, 20), "-" + formatAmount(*amount)));
        return kOk;
    }
    if (!last.discount)
        return refuse(kNothingToDo, lastItem + " não tem desconto a cancelar");
    if (amount && *amount != last.discount)
        return refuse(kOutOfRange, "valor " + formatAmount(*amount) + ": o desconto do item é " +
                                       formatAmount(last.discount));
    if (int rc = checkPrinting())
        return rc;
    Cents d = last.discount;
    last.discount = 0;
    addToTotaliser(last.totaliser, d);
    countItemAdjustment(last.totaliser, -d, &Scalars::dayDiscount, &Scalars::dayNfDiscount,
                        &Voucher::discounts);
    print(columns("CANC. DESCONTO ITEM " + number + " " + fit(*desc, 14), formatAmount(d)));
    return kOk;
}

int Printer::cancItem(const Text& desc) {
    if (int rc = checkDescription(desc, 0, why()))
        return rc;
    if (int rc = checkItemsEditable())
        return rc;
    if (st_.doc.items.empty())
        return refuse(kNothingToDo, "nenhum item vendido para cancelar");
    return cancItemAt(static_cast<int>(st_.doc.items.size()), *desc);
}

int Printer::cancItemDef(const Text& position, const Text& desc) {
    auto pos = digits(position, 4);
    if (!pos)
        return refuse(kBadFormat, "número do item " + digitsFault(position, 4));
    if (int rc = checkDescription(desc, 0, why()))
        return rc;
    if (int rc = checkItemsEditable())
        return rc;
    if (*pos < 1 || *pos > static_cast<int64_t>(st_.doc.items.size()))
        return refuse(kOutOfRange, "item " + quoted(position) + ": o documento tem itens de 1 a " +
                                       std::to_string(st_.doc.items.size()));
    return cancItemAt(static_cast<int>(*pos), *desc);
}

int Printer::cancItemAt(int number, const std::string& desc) {
    Item& it = st_.doc.items[number - 1];
    if (it.cancelled)
        return refuse(kAlreadyDone, "item " + zeroPad(number, 3) + " já está cancelado");
    if (int rc = checkVoucherAllows(st_, it.totaliser, &Voucher::cancel, "cancelamento", why()))
        return rc;
    if (int rc = checkPrinting())
        return rc;
    Cents net = it.net();
    addToTotaliser(it.totaliser, -net);
    countItemAdjustment(it.totaliser, net, &Scalars::dayCancel, &Scalars::dayNfCancel,
                        &Voucher::cancellations);
    it.cancelled = true;
    print(columns("CANCELAMENTO ITEM " + zeroPad(number, 3) + " " + fit(desc, 16),
                  "-" + formatAmount(net)));
    return kOk;
}

// ---------------------------------------------------------------- subtotal, payments

int Printer::subTotal() {
    if (int rc = checkIntervention())
        return rc;
    const Document& doc = st_.doc;
    if ((doc.kind != kDocFiscal && doc.kind != kDocNonFiscal) || doc.items.empty())
        return refuseState("subtotal pede um cupom com itens");
    if (int rc = checkPrinting())
        return rc;
    print(columns("SUBTOTAL R$", formatAmount(documentSubtotal(doc))));
    return kOk;
}

int Printer::acresDescSubTotal(int32_t kind, int32_t cancel, const Text& desc,
                               const Text& amountText) {
    if (int rc = checkFlag(kind, "tipo (0 desconto, 1 acréscimo)", why()))
        return rc;
    if (int rc = checkFlag(cancel, "cancelamento", why()))
        return rc;
    if (int rc = checkDescription(desc, 0, why()))
        return rc;
    Cents amount = 0;
    if (int rc = checkAmount(amountText, &amount, "valor", why()))
        return rc;
    if (int rc = checkIntervention())
        return rc;
    Document& doc = st_.doc;
    if (doc.kind != kDocFiscal)
        return refuseState("acréscimo ou desconto no subtotal pede um cupom fiscal com itens");
    for (const Payment& p : doc.payments)
        if (!p.cancelled)
            return refuseState("acréscimo ou desconto no subtotal vem antes dos pagamentos");
    Cents subtotal = documentSubtotal(doc);
    const char* what = kind == 1 ? "acréscimo" : "desconto";

    if (cancel == 0) {
        if (doc.adjKind >= 0)
            return refuse(kAdjustment, std::string("o cupom já tem ") +
                                           (doc.adjKind == 1 ? "acréscimo" : "desconto") +
                                           " no subtotal de " + formatAmount(doc.adjAmount));
        if (amount <= 0)
            return refuse(kOutOfRange, std::string(what) + " " + quoted(amountText) +
                                           ": deve ser maior que zero");
        if (subtotal <= 0)
            return refuse(kNothingToDo, "subtotal " + formatAmount(subtotal) + ": nada a ajustar");
        if (kind == 0 && amount >= subtotal)
            return refuse(kOutOfRange, "desconto " + formatAmount(amount) +
                                           ": deve ser menor que o subtotal, " +
                                           formatAmount(subtotal));
        if (kind == 1 && (subtotal + amount > kMaxCoupon || st_.s.gt + amount > kMaxTotal))
            return refuse(kOverflow, "acréscimo " + formatAmount(amount) +
                                         " estouraria o total do cupom ou o grande total");
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
                v > 0 ? static_cast<Cents>((static_cast<__int128>(amount) * v) / subtotal) : 0;
            shares[t] = share;
            given += share;
        }
        std::stable_sort(parts.begin(), parts.end(),
                         [](const auto& a, const auto& b) { return a.second > b.second; });
        for (size_t i = 0; given < amount && !parts.empty(); i = (i + 1) % parts.size()) {
            if (parts[i].second <= 0)
                continue;
            shares[parts[i].first] += 1;
            given += 1;
        }
        int sign = kind == 1 ? 1 : -1;
        for (const auto& [t, v] : shares)
            addToTotaliser(t, sign * v);
        if (kind == 1) {
            st_.s.gt += amount;
            st_.s.dayGross += amount;
            st_.s.daySurcharge += amount;
        } else {
            st_.s.dayDiscount += amount;
        }
        doc.adjKind = kind;
        doc.adjAmount = amount;
        doc.adjShares = encodeShares(shares);
        print(columns(std::string(kind == 1 ? "ACRESCIMO " : "DESCONTO ") + fit(*desc, 24),
                      (kind == 1 ? "+" : "-") + formatAmount(amount)));
        print(columns("SUBTOTAL R$", formatAmount(documentSubtotal(doc))));
        return kOk;
    }
    if (doc.adjKind != kind)
        return refuse(kAdjustment, std::string("não há ") + what + " no subtotal a cancelar");
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
        return refuseState("pagamento pede um cupom fiscal com itens");
    int sc = state();
    if (cancel == 1) {
        if ((sc != kStatePaying && sc != kStateCommercialLines) || doc.commercialLines > 0)
            return refuseState(doc.commercialLines > 0
                                   ? "pagamento não se cancela depois das linhas comerciais"
                                   : "não há pagamento a cancelar");
        Payment* last = nullptr;
        for (Payment& p : doc.payments)
            if (!p.cancelled)
                last = &p;
        if (!last || last->position != position || last->amount != amount)
            return refuse(kNothingToDo, "cancelamento de " + windowsLatinToUtf8(name) + " " +
                                            formatAmount(amount) + ": o último pagamento é " +
                                            (last ? windowsLatinToUtf8(last->name) + " " +
                                                        formatAmount(last->amount)
                                                  : std::string("nenhum")));
        if (int rc = checkPrinting())
            return rc;
        last->cancelled = true;
        addToPayType(position, -amount);
        doc.complementaryLeft = 0;
        print(columns("CANC. PAGAMENTO " + name, "-" + formatAmount(amount)));
        return kOk;
    }
    if (sc != kStateSelling && sc != kStatePaying)
        return refuseState(sc == kStateCommercialLines
                               ? "o total já está pago, não aceita outro pagamento"
                               : "venda sem itens não aceita pagamento");
    Cents subtotal = documentSubtotal(doc);
    if (subtotal <= 0)
        return refuse(kNothingToDo, "subtotal " + formatAmount(subtotal) + ": nada a pagar");
    Cents paid = documentPaid(doc);
    if (paid + amount > kMaxCoupon * 10)
        return refuse(kOverflow, "pagamento de " + formatAmount(amount) + " sobre " +
                                     formatAmount(paid) + " já pagos estoura o documento");
    if (st_.payTypes[position].total + amount > kMaxTotal)
        return refuse(kOverflow, "pagamento de " + formatAmount(amount) +
                                     " estoura o total da forma " + zeroPad(position, 2));
    if (int rc = checkPrinting())
        return rc;

    Payment p;
    p.position = position;
    p.name = name;
    p.amount = amount;
    p.condition = condition;
    p.omitCondition = omit;
    doc.payments.push_back(p);
    addToPayType(position, amount);
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
    if (int rc = checkFlag(cancel, "cancelamento", why()))
        return rc;
    int pos = 0;
    if (int rc = checkPosition(position, kPayPositions - 1, &pos, "forma de pagamento", why()))
        return rc;
    Cents amount = 0;
    if (int rc = checkPositiveAmount(amountText, &amount, "valor", why()))
        return rc;
    if (int rc = checkComplementaryLines(lines, why()))
        return rc;
    if (st_.payTypes[pos].name.empty())
        return refuse(kPayTypeUnknown,
                      "forma de pagamento " + zeroPad(pos, 2) + ": posição não programada");
    if (int rc = checkIntervention())
        return rc;
    return doPayment(cancel, pos, st_.payTypes[pos].name, amount, kCondPosition, false, lines);
}

int Printer::pagamentoByName(int32_t cancel, const Text& type, const Text& amountText, int32_t omit,
                             int32_t lines, int condition) {
    if (int rc = checkFlag(cancel, "cancelamento", why()))
        return rc;
    if (int rc = checkText(type, 1, 20, "forma de pagamento", why()))
        return rc;
    Cents amount = 0;
    if (int rc = checkPositiveAmount(amountText, &amount, "valor", why()))
        return rc;
    if (int rc = checkFlag(omit, "omitir condição", why()))
        return rc;
    if (int rc = checkComplementaryLines(lines, why()))
        return rc;
    if (int rc = checkIntervention())
        return rc;
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
            return refuse(kPayTypeUnknown,
                          "forma de pagamento " + quoted(type) + ": não programada na impressora");
        for (int i = 0; i < kPayPositions && pos < 0; ++i)
            if (st_.payTypes[i].name.empty() && st_.payTypes[i].total == 0)
                pos = i;
        if (pos < 0)
            return refuse(kPayTypeUnknown, "forma de pagamento " + quoted(type) +
                                               ": tabela cheia, sem posição livre");
        int rc = doPayment(cancel, pos, *type, amount, condition, omit == 1, lines);
        if (rc == kOk)
            st_.payTypes[pos].name = *type;
        return rc;
    }
    std::string printed = is204() ? *type : st_.payTypes[pos].name;
    return doPayment(cancel, pos, printed, amount, condition, omit == 1, lines);
}

}  // namespace fiscemu
