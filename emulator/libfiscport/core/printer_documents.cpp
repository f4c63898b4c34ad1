// The printer's documents: the header that opens each one, non-fiscal and
// linked vouchers, free lines, closing and cancelling a document, cheques,
// authentication and the drawer.
#include "core/printer.h"

#include <algorithm>

#include "core/codes.h"
#include "core/cp850.h"
#include "core/printer_checks.h"

namespace fiscemu {

using namespace printer_checks;

namespace {

const char* const kMonths[] = {"janeiro",  "fevereiro", "março",    "abril",
                               "maio",     "junho",     "julho",    "agosto",
                               "setembro", "outubro",   "novembro", "dezembro"};

// The vouchers a closed or cancelled document used, each once however many
// of its items it took: a voucher's counters count documents, not items.
std::vector<int> eachOnce(std::vector<int> vouchers) {
    std::sort(vouchers.begin(), vouchers.end());
    vouchers.erase(std::unique(vouchers.begin(), vouchers.end()), vouchers.end());
    return vouchers;
}

}  // namespace

// ---------------------------------------------------------------- documents

int Printer::lineFeed(int32_t station, int32_t lines) {
    if (station != 1 && station != 2)
        return refuse(kOutOfRange, "estação " + std::to_string(station) +
                                       ": esperado 1 (bobina) ou 2 (documento)");
    if (lines < 0 || lines > 127)
        return refuse(kOutOfRange, "linhas " + std::to_string(lines) + ": esperado de 0 a 127");
    if (lines == 0)
        return kOk;  // a probe: the printer answers, nothing moves
    if (int rc = checkPrinting())
        return rc;
    for (int i = 0; i < lines; ++i)
        print("");
    return kOk;
}

int Printer::impCab(int32_t flags) {
    if (flags < 0 || flags > 255)
        return refuse(kOutOfRange, "opções " + std::to_string(flags) + ": esperado de 0 a 255");
    if (int rc = checkIntervention())
        return rc;
    int sc = state();
    if (sc == kStateZDue)
        return refuse(kZDue, "dia aberto em " + formatYmdShort(static_cast<int>(st_.s.dayDate)) +
                                 " e a data passou: a redução Z vem antes de novo documento");
    if (sc == kStateDayClosed)
        return refuse(kDayClosed, "redução Z já feita hoje: novos documentos só amanhã");
    if (sc != kStateIdle && sc != kStateSalesPeriod)
        return refuseState("o cabeçalho abre um documento e pede que nenhum esteja aberto");
    if (int rc = checkPrinting())
        return rc;
    if ((flags & 16) && set_.paper == kPaperLowLevel)
        return refuse(kPaperLow, "pouco papel e a opção 16 do cabeçalho recusa começar assim");

    openDayIfNeeded();
    st_.s.coo += 1;
    st_.s.lastDocTime = now_;
    Document doc;
    doc.kind = kDocHeader;
    doc.coo = static_cast<int>(st_.s.coo);
    doc.flags = flags;
    doc.opened = now_;
    st_.doc = doc;

    const User& u = st_.user();
    print((flags & 128) ? std::string(kLineWidth, ' ') : std::string(kLineWidth, '='));
    if (!(flags & 64)) {
        for (const std::string* l : {&u.line1, &u.line2, &u.line3})
            if (!l->empty())
                print(*l);
    }
    // The registrations share a line while they fit the receipt's width; the
    // municipal one moves to a line of its own otherwise.
    std::string ids = "CGC " + u.cgc + "  IE " + u.ie;
    if (!is204() && !u.im.empty() && u.im != " ") {
        const std::string im = "IM " + u.im;
        if (ids.size() + 2 + im.size() <= kLineWidth) {
            ids += "  " + im;
        } else {
            print(ids);
            ids = im;
        }
    }
    print(ids);
    if (flags & 1)
        print(std::string(kLineWidth, ' '));
    std::string timeLine = "== " + formatHourMinute(clock()) + " ";
    std::string cooText = " COO:" + zeroPad(st_.s.coo, 6) + " ==";
    print(timeLine + std::string(kLineWidth - timeLine.size() - cooText.size(), '=') + cooText);
    if (flags & 2)
        print(std::string(kLineWidth, ' '));
    print(center("CUPOM FISCAL"));
    if (flags & 4)
        print(std::string(kLineWidth, ' '));
    return kOk;
}

int Printer::inicCupomNFiscal(int32_t kind) {
    if (kind != 1)
        return refuse(kOutOfRange, "tipo " + std::to_string(kind) + ": esperado 1");
    if (int rc = checkIntervention())
        return rc;
    if (st_.doc.kind != kDocHeader)
        return refuseState("o comprovante não fiscal vem logo depois do cabeçalho, sem itens");
    if (int rc = checkPrinting())
        return rc;
    st_.doc.kind = kDocNonFiscal;
    st_.s.gnf += 1;
    printUtf8(center("COMPROVANTE NÃO FISCAL"));
    return kOk;
}

int Printer::inicCNFVinculado(const Text& cooText, const Text& posText, const Text& valueText) {
    auto coo = digits(cooText, 6);
    if (!coo)
        return refuse(kBadFormat, "COO " + digitsFault(cooText, 6));
    int pos = 0;
    if (int rc = checkPosition(posText, kVoucherPositions - 1, &pos, "comprovante", why()))
        return rc;
    Cents value = 0;
    if (int rc = checkAmount(valueText, &value, "valor", why()))
        return rc;
    if (value <= 0)
        return refuse(kOutOfRange, "valor " + quoted(valueText) + ": deve ser maior que zero");
    if (*coo <= 0)
        return refuse(kOutOfRange, "COO " + quoted(cooText) + ": deve ser maior que zero");
    if (int rc = checkIntervention())
        return rc;
    if (st_.doc.kind != kDocHeader)
        return refuseState("o comprovante vinculado vem logo depois do cabeçalho, sem itens");
    const Voucher& v = st_.vouchers[pos];
    if (v.name.empty())
        return refuse(kVoucherInvalid,
                      "comprovante " + zeroPad(pos, 2) + ": posição não programada");
    if (!v.linked)
        return refuse(kVoucherInvalid, "comprovante " + zeroPad(pos, 2) + " '" +
                                           windowsLatinToUtf8(v.name) + "': não é vinculado");
    int found = -1;
    for (size_t i = 0; i < st_.pending.size(); ++i) {
        const PendingLink& pl = st_.pending[i];
        if (pl.coo == *coo && pl.payType == v.related && pl.pending()) {
            found = static_cast<int>(i);
            break;
        }
    }
    if (found < 0)
        return refuse(kNoPendingLink, "COO " + zeroPad(*coo, 6) + ": nenhum pagamento em " +
                                          windowsLatinToUtf8(st_.payTypes[v.related].name) +
                                          " pendente de comprovante");
    PendingLink& pl = st_.pending[found];
    if (value > pl.amount - pl.used)
        return refuse(kOutOfRange, "valor " + formatAmount(value) + ": resta vincular " +
                                       formatAmount(pl.amount - pl.used) + " do COO " +
                                       zeroPad(*coo, 6));
    if (int rc = checkPrinting())
        return rc;

    pl.used += value;
    pl.issued += 1;
    pl.lastCoo = st_.doc.coo;
    st_.doc.kind = kDocLinked;
    st_.doc.linkIndex = found;
    st_.doc.linkVoucher = pos;
    st_.doc.linkValue = value;
    st_.s.gnf += 1;
    printUtf8(center("COMPROVANTE NÃO FISCAL VINCULADO"));
    print(columns(v.name, "COO VINCULADO:" + zeroPad(*coo, 6)));
    print(columns(st_.payTypes[v.related].name, formatAmount(value)));
    return kOk;
}

int Printer::fimTrans(const Text& op) {
    if (int rc = checkOperator(op, why()))
        return rc;
    if (int rc = checkIntervention())
        return rc;
    Document& doc = st_.doc;
    switch (doc.kind) {
        case kDocNone:
            return refuseState("não há documento aberto a encerrar");
        case kDocHeader:
            return refuse(kNothingToDo,
                          "documento só com cabeçalho: nada a encerrar (ecfCancVenda o cancela)");
        case kDocFiscal:
            if (state() != kStateCommercialLines)
                return refuse(kNotPaid,
                              "ecfFimTrans antes de cobrir o total: faltam " +
                                  formatAmount(documentSubtotal(doc) - documentPaid(doc)));
            break;
        default:
            break;
    }
    if (int rc = checkPrinting())
        return rc;

    if (doc.kind == kDocFiscal) {
        Cents subtotal = documentSubtotal(doc);
        Cents change = documentPaid(doc) - subtotal;
        st_.s.dayChange += change;
        std::map<int, Cents> payments;
        for (const Payment& p : doc.payments) {
            if (p.cancelled)
                continue;
            payments[p.position] += p.amount;
            bool linkedType = false;
            for (const Voucher& v : st_.vouchers)
                linkedType |= !v.name.empty() && v.linked && v.related == p.position;
            if (linkedType) {
                if (static_cast<int>(st_.pending.size()) >= kMaxPendingLinks) {
                    // Keep the newest records: the oldest settled one makes room first.
                    auto settled = std::find_if(st_.pending.begin(), st_.pending.end(),
                                                [](const PendingLink& l) { return !l.pending(); });
                    st_.pending.erase(settled != st_.pending.end() ? settled : st_.pending.begin());
                }
                PendingLink pl;
                pl.coo = doc.coo;
                pl.payType = p.position;
                pl.amount = p.amount;
                st_.pending.push_back(pl);
            }
        }
        st_.s.lastCouponShares = encodeShares(documentShares(doc));
        st_.s.lastCouponPayments = encodeShares(payments);
        st_.s.lastCouponNet = subtotal;
        st_.s.lastCouponChange = change;
        st_.s.lastCouponCancelled = 0;
        st_.s.couponSeconds += std::max<int64_t>(0, now_ - doc.opened);
        printFooter(*op);
        closeDocument(kDocFiscal);
        return kOk;
    }
    if (doc.kind == kDocNonFiscal) {
        std::vector<int> used;
        for (const Item& it : doc.items)
            if (isVoucherTotaliser(it.totaliser))
                used.push_back(it.totaliser - kTotVoucherFirst);
        for (int v : eachOnce(used))
            st_.vouchers[v].count += 1;
        if (!doc.items.empty())
            print(columns("TOTAL", formatAmount(documentSubtotal(doc))));
    } else if (doc.kind == kDocLinked && doc.linkVoucher >= 0) {
        st_.vouchers[doc.linkVoucher].count += 1;
    }
    printFooter(*op);
    closeDocument(doc.kind);
    return kOk;
}

int Printer::cancVenda(const Text& op) {
    if (int rc = checkOperator(op, why()))
        return rc;
    if (int rc = checkIntervention())
        return rc;
    Document& doc = st_.doc;
    if (doc.kind == kDocNone)
        return refuseState("não há documento aberto a cancelar (ecfCancDoc cancela o último)");
    if (int rc = checkPrinting())
        return rc;

    if (doc.kind == kDocHeader || doc.kind == kDocFiscal) {
        Cents reversed = 0;
        for (const auto& [t, v] : documentShares(doc)) {
            addToTotaliser(t, -v);
            reversed += v;
        }
        st_.s.dayCancel += reversed;
        for (const Payment& p : doc.payments) {
            if (!p.cancelled)
                addToPayType(p.position, -p.amount);
        }
        if (doc.kind == kDocFiscal) {
            st_.s.cancelledCoupons += 1;
            st_.s.dayCancelledCoupons += 1;
        }
        st_.s.couponSeconds += std::max<int64_t>(0, now_ - doc.opened);
        printUtf8(center("*** CUPOM FISCAL CANCELADO ***"));
        if (reversed)
            print(columns("VALOR CANCELADO", formatAmount(reversed)));
    } else {
        Cents reversed = 0;
        std::vector<int> used;
        for (const Item& it : doc.items) {
            if (it.cancelled)
                continue;
            Cents net = it.net();
            addToTotaliser(it.totaliser, -net);
            reversed += net;
            if (isVoucherTotaliser(it.totaliser)) {
                int v = it.totaliser - kTotVoucherFirst;
                st_.vouchers[v].cancellations += net;
                used.push_back(v);
            }
        }
        if (doc.kind == kDocLinked && doc.linkIndex >= 0 &&
            doc.linkIndex < static_cast<int>(st_.pending.size())) {
            PendingLink& pl = st_.pending[doc.linkIndex];
            pl.used -= doc.linkValue;
            pl.issued -= 1;
            if (pl.issued == 0)
                pl.lastCoo = 0;
            used.push_back(doc.linkVoucher);
        }
        for (int v : eachOnce(used))
            if (v >= 0)
                st_.vouchers[v].cancelCount += 1;
        st_.s.dayNfCancel += reversed;
        st_.s.dayCancelledNf += 1;
        printUtf8(center("*** COMPROVANTE NÃO FISCAL CANCELADO ***"));
        if (reversed)
            print(columns("VALOR CANCELADO", formatAmount(reversed)));
    }
    printFooter(*op);
    st_.s.lastCouponCancelled = 1;
    closeDocument(0);
    return kOk;
}

int Printer::cancDoc(const Text& op) {
    if (int rc = checkOperator(op, why()))
        return rc;
    if (int rc = checkIdle())
        return rc;
    if (st_.s.lastDocKind != kDocFiscal || st_.s.lastCouponCancelled ||
        st_.s.lastDocCoo != st_.s.coo || !st_.s.dayOpen)
        return refuse(kCannotCancelDoc, lastDocumentNotCancellable());
    if (int rc = checkPrinting())
        return rc;

    for (const auto& [t, v] : decodeShares(st_.s.lastCouponShares))
        addToTotaliser(t, -v);
    for (const auto& [pos, v] : decodeShares(st_.s.lastCouponPayments)) {
        if (pos >= 0 && pos < kPayPositions)
            addToPayType(pos, -v);
    }
    st_.s.dayCancel += st_.s.lastCouponNet;
    st_.s.dayChange -= st_.s.lastCouponChange;
    st_.s.cancelledCoupons += 1;
    st_.s.dayCancelledCoupons += 1;
    int64_t cancelled = st_.s.lastDocCoo;
    st_.pending.erase(std::remove_if(st_.pending.begin(), st_.pending.end(),
                                     [&](const PendingLink& l) { return l.coo == cancelled; }),
                      st_.pending.end());
    st_.s.coo += 1;
    print(std::string(kLineWidth, '='));
    print(center("COMPROVANTE DE CANCELAMENTO"));
    print(columns("CUPOM FISCAL CANCELADO", "COO:" + zeroPad(cancelled, 6)));
    print(columns("VALOR CANCELADO", formatAmount(st_.s.lastCouponNet)));
    printFooter(*op);
    st_.s.lastDocKind = 0;
    st_.s.lastDocCoo = st_.s.coo;
    st_.s.lastCouponCancelled = 1;
    st_.s.lastDocTime = now_;
    st_.user().lastTime = now_;
    return kOk;
}

int Printer::impLinha(const Text& line) {
    if (int rc = checkText(line, 0, kLineWidth, "linha", why()))
        return rc;
    if (int rc = checkIntervention())
        return rc;
    Document& doc = st_.doc;
    bool allowed = false;
    switch (doc.kind) {
        case kDocHeader:
            allowed = (doc.flags & 32) && doc.freeLines < 2;
            break;
        case kDocFiscal: {
            int sc = state();
            if ((sc == kStatePaying || sc == kStateCommercialLines) && doc.complementaryLeft > 0)
                allowed = true;
            else if (sc == kStateCommercialLines && doc.commercialLines < kMaxCommercialLines)
                allowed = true;
            break;
        }
        case kDocNonFiscal:
        case kDocLinked:
            allowed = true;
            break;
        default:
            break;
    }
    if (!allowed)
        return refuseState(freeLineRefusal());
    if (int rc = checkPrinting())
        return rc;
    if (doc.kind == kDocHeader) {
        doc.freeLines += 1;
    } else if (doc.kind == kDocFiscal) {
        if (doc.complementaryLeft > 0)
            doc.complementaryLeft -= 1;
        else
            doc.commercialLines += 1;
    }
    print(*line);
    return kOk;
}

// Why the last document cannot be cancelled.
std::string Printer::lastDocumentNotCancellable() const {
    if (!st_.s.dayOpen)
        return "não há dia aberto: o último cupom já passou pela redução Z";
    if (st_.s.lastDocKind != kDocFiscal)
        return "o último documento (COO " + zeroPad(st_.s.lastDocCoo, 6) +
               ") não é um cupom fiscal";
    if (st_.s.lastCouponCancelled)
        return "o último cupom (COO " + zeroPad(st_.s.lastDocCoo, 6) + ") já foi cancelado";
    return "o cupom de COO " + zeroPad(st_.s.lastDocCoo, 6) + " não é o último documento (COO " +
           zeroPad(st_.s.coo, 6) + ")";
}

// Why a free line is not accepted in the document open now.
std::string Printer::freeLineRefusal() const {
    const Document& doc = st_.doc;
    switch (doc.kind) {
        case kDocNone:
            return "linha livre pede um documento aberto";
        case kDocHeader:
            return (doc.flags & 32) ? "o cabeçalho já tem as 2 linhas livres que aceita"
                                    : "linhas livres depois do cabeçalho pedem a opção 32";
        default:
            if (doc.commercialLines >= kMaxCommercialLines)
                return "o cupom já tem as " + std::to_string(kMaxCommercialLines) +
                       " linhas comerciais que aceita";
            return "no cupom fiscal, linhas livres só depois do pagamento (complementares) ou "
                   "com o total pago (comerciais)";
    }
}

// ---------------------------------------------------------------- cheques, peripherals

int Printer::cheque(ChequeKind kind, int32_t bank, const Text& valueText, const Text& payee,
                    const Text& city, const Text& date, const Text& extra, const Text& singular,
                    const Text& plural) {
    if (bank < 1 || bank > 999)
        return refuse(kOutOfRange, "banco " + std::to_string(bank) + ": esperado de 001 a 999");
    Cents value = 0;
    if (int rc = checkPositiveAmount(valueText, &value, "valor", why()))
        return rc;
    if (int rc = checkText(payee, 1, 65, "favorecido", why()))
        return rc;
    if (int rc = checkText(city, 1, 30, "cidade", why()))
        return rc;
    if (int rc = checkText(extra, 0, 40, "mensagem adicional", why()))
        return rc;
    const size_t dateWidth = kind == kKolvex300 ? 8u : 6u;
    if (!date || date->size() != dateWidth)
        return refuse(kBadFormat, "data " + quoted(date) + ": esperado " +
                                      (dateWidth == 8 ? "DDMMAAAA" : "DDMMAA"));
    int ymd = parseDate(*date);
    if (!ymd)
        return refuse(kBadDate, "data " + quoted(date) + ": não é uma data válida");
    std::string one = "REAL", many = "REAIS";
    if (kind == kKolvex300) {
        if (int rc = checkText(singular, 1, 20, "moeda no singular", why()))
            return rc;
        if (int rc = checkText(plural, 1, 20, "moeda no plural", why()))
            return rc;
        // The program's words join the printer's own, which are converted
        // back to bytes with them.
        one = windowsLatinToUtf8(*singular);
        many = windowsLatinToUtf8(*plural);
    }
    if (int rc = checkIntervention())
        return rc;
    int sc = state();
    if (sc == kStateCouponOpen || sc == kStateSelling || sc == kStateNonFiscal)
        return refuseState("o cheque não se imprime com cupom em venda ou comprovante aberto");

    const char* device = kind == kMarvik ? "MARVIK" : kind == kKolvex ? "KOLVEX" : "KOLVEX 3.00";
    print(std::string("CHEQUE ") + device + "  BANCO " + zeroPad(bank, 3), kCheque);
    print(columns("", "R$ " + formatAmount(value)), kCheque);
    // The amount in words fills whole lines, breaking between words.
    std::string words = utf8ToWindowsLatin("(" + amountInWords(value, one, many) + ")");
    std::string lineText;
    size_t start = 0;
    while (start < words.size()) {
        size_t end = words.find(' ', start);
        if (end == std::string::npos)
            end = words.size();
        std::string word = words.substr(start, end - start);
        if (!lineText.empty() && lineText.size() + 1 + word.size() > kLineWidth) {
            print(lineText, kCheque);
            lineText.clear();
        }
        lineText += (lineText.empty() ? "" : " ") + word;
        start = end + 1;
    }
    if (!lineText.empty())
        print(lineText, kCheque);
    print("A " + *payee, kCheque);
    print(*city + ", " + zeroPad(ymd % 100, 2) + " de " +
              utf8ToWindowsLatin(kMonths[ymd / 100 % 100 - 1]) + " de " +
              std::to_string(ymd / 10000),
          kCheque);
    if (!extra->empty())
        print(*extra, kCheque);
    return kOk;
}

int Printer::autentica(const Text& text) {
    if (int rc = checkText(text, 0, std::string::npos, "texto", why()))
        return rc;
    if (int rc = checkIntervention())
        return rc;
    if (!set_.authPaper)
        return refuse(kNoAuthPaper, "nenhum documento na estação de autenticação");
    // The printer prints what fits in its 48 columns and drops the rest.
    print(text->substr(0, kLineWidth), kAuthentication);
    return kOk;
}

int Printer::abreGaveta() {
    if (set_.drawer != kDrawerAbsent) {
        set_.drawer = kDrawerOpen;
        set_.drawerOpenedAt = wallNow();
    }
    return kOk;
}

}  // namespace fiscemu
