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

// Programming that changes the fiscal configuration waits for the day's Z
// reduction, unless a technician has the printer in intervention.
int Printer::checkFiscalProgramming() const {
    if (st_.doc.kind != kDocNone)
        return refuseState("a programação pede que nenhum documento esteja aberto");
    if (st_.s.dayOpen && !set_.intervention)
        return refuseState("dia aberto em " + formatYmdShort(static_cast<int>(st_.s.dayDate)) +
                           ": a programação fiscal espera a redução Z");
    return kOk;
}

// Programming that needs only that no document be open.
int Printer::checkNoDocument() const {
    if (st_.doc.kind != kDocNone)
        return refuseState("a programação pede que nenhum documento esteja aberto");
    return kOk;
}

int Printer::acertaData(int32_t day, int32_t month, int32_t year, int32_t hour, int32_t minute,
                        int32_t second) {
    int y = year;
    if (year >= 0 && year <= 99)
        y = expandYear(year);
    if (!validDate(y, month, day) || !validTime(hour, minute, second))
        return refuse(kBadDate, "data e hora " + zeroPad(day, 2) + "/" + zeroPad(month, 2) + "/" +
                                    std::to_string(year) + " " + zeroPad(hour, 2) + ":" +
                                    zeroPad(minute, 2) + ":" + zeroPad(second, 2) +
                                    ": não existem");
    if (int rc = checkNoDocument())
        return rc;
    DateTime dt;
    dt.year = y;
    dt.month = month;
    dt.day = day;
    dt.hour = hour;
    dt.minute = minute;
    dt.second = second;
    int64_t target = epochFromLocal(dt);
    if (target < st_.s.lastDocTime)
        return refuse(kBadDate, "a data pedida é anterior ao último documento, de " +
                                    formatDateLong(localFromEpoch(st_.s.lastDocTime)) + " " +
                                    formatTimeColons(localFromEpoch(st_.s.lastDocTime)));
    set_.clockOffset = target - systemNow();
    return kOk;
}

int Printer::cabLoja(const Text& l1, const Text& l2, const Text& l3, int32_t store,
                     int32_t equipment, const Text& cgc, const Text& ie, const Text* im) {
    if (int rc = checkText(l1, 1, kLineWidth, "linha 1", why()))
        return rc;
    if (int rc = checkText(l2, 0, kLineWidth, "linha 2", why()))
        return rc;
    if (int rc = checkText(l3, 0, kLineWidth, "linha 3", why()))
        return rc;
    if (store < 0 || store > 9999)
        return refuse(kOutOfRange, "loja " + std::to_string(store) + ": esperado de 0 a 9999");
    if (equipment < 0 || equipment > 9999)
        return refuse(kOutOfRange,
                      "equipamento " + std::to_string(equipment) + ": esperado de 0 a 9999");
    if (int rc = checkText(cgc, 1, 18, "CGC", why()))
        return rc;
    if (int rc = checkText(ie, 1, 15, "IE", why()))
        return rc;
    if (im)
        if (int rc = checkText(*im, 0, 15, "IM", why()))
            return rc;
    if (int rc = checkFiscalProgramming())
        return rc;
    std::string newIm = im ? **im : st_.user().im;
    User& cur = st_.user();
    if (cur.cgc != *cgc || cur.ie != *ie || cur.im != newIm) {
        if (static_cast<int>(st_.users.size()) >= kMaxUsers)
            return refuse(kUsersFull, "novo CGC, IE ou IM pede outro usuário: a tabela já tem " +
                                          std::to_string(st_.users.size()) + " de " +
                                          std::to_string(kMaxUsers));
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
        return refuse(kOutOfRange, "posição " + std::to_string(position) + ": esperado de 00 a " +
                                       zeroPad(kTaxPositions204 - 1, 2));
    auto r = digits(rate, 4);
    if (!r)
        return refuse(kBadFormat, "alíquota " + digitsFault(rate, 4));
    if (int rc = checkFiscalProgramming())
        return rc;
    TaxRate& t = st_.rates[position];
    if (t.total != 0)
        return refuse(kInUse, rateInUse(position));
    t.programmed = true;
    t.type = 'T';
    t.rate = static_cast<int>(*r);
    return kOk;
}

int Printer::cargaAliqSelect(const Text& position, const Text& type, const Text& rate) {
    auto pos = digits(position, 2);
    if (!pos)
        return refuse(kBadFormat, "posição " + digitsFault(position, 2));
    if (*pos >= kTaxPositions)
        return refuse(kOutOfRange, "posição " + quoted(position) + ": esperado de 00 a " +
                                       zeroPad(kTaxPositions - 1, 2));
    char ty = type && type->size() == 1
                  ? static_cast<char>(std::toupper(static_cast<unsigned char>((*type)[0])))
                  : 0;
    if (ty != 'T' && ty != 'S')
        return refuse(kBadFormat, "tipo " + quoted(type) + ": esperado T (ICMS) ou S (ISS)");
    if (!rate)
        return refuse(kBadFormat, "alíquota " + digitsFault(rate, 4));
    bool clear = rate->empty() || rate->find_first_not_of(' ') == std::string::npos;
    std::optional<int64_t> r;
    if (!clear) {
        r = parseDigits(*rate, 4);
        if (!r)
            return refuse(kBadFormat, "alíquota " + digitsFault(rate, 4) + ", ou brancos");
    }
    if (int rc = checkFiscalProgramming())
        return rc;
    TaxRate& t = st_.rates[*pos];
    if (t.total != 0)
        return refuse(kInUse, rateInUse(static_cast<int>(*pos)));
    if (clear) {
        t = TaxRate{};  // blanks take the position out of use
    } else {
        t.programmed = true;
        t.type = ty;
        t.rate = static_cast<int>(*r);
    }
    return kOk;
}

std::string Printer::rateInUse(int position) const {
    return "alíquota " + zeroPad(position, 2) + " tem " + formatAmount(st_.rates[position].total) +
           " vendidos hoje: não muda antes da redução Z";
}

int Printer::prgCod(int32_t size) {
    if (size < 1 || size > 13)
        return refuse(kOutOfRange, "tamanho " + std::to_string(size) + ": esperado de 1 a 13");
    if (int rc = checkNoDocument())
        return rc;
    st_.s.codeSize = size;
    return kOk;
}

int Printer::cargaCodCripto(const Text& symbols) {
    if (int rc = checkText(symbols, 10, 10, "símbolos", why()))
        return rc;
    for (size_t i = 0; i < 10; ++i) {
        unsigned char c = static_cast<unsigned char>((*symbols)[i]);
        if (c <= ' ' || (c >= '0' && c <= '9'))
            return refuse(kBadFormat, "símbolos " + quoted(symbols) + ": o " +
                                          std::to_string(i + 1) + "º é um espaço ou um algarismo");
        for (size_t j = 0; j < i; ++j)
            if ((*symbols)[j] == (*symbols)[i])
                return refuse(kOutOfRange, "símbolos " + quoted(symbols) + ": o " +
                                               std::to_string(i + 1) + "º repete o " +
                                               std::to_string(j + 1) + "º");
    }
    if (int rc = checkNoDocument())
        return rc;
    st_.s.crypto = *symbols;
    return kOk;
}

int Printer::payPatterns(const Text& position, const Text& description) {
    int pos = 0;
    if (int rc = checkPosition(position, kPayPositions - 1, &pos, "posição", why()))
        return rc;
    if (int rc = checkText(description, 0, 20, "descrição", why()))
        return rc;
    if (int rc = checkNoDocument())
        return rc;
    PayType& p = st_.payTypes[pos];
    if (p.name != *description && p.total != 0)
        return refuse(kInUse, "forma de pagamento " + zeroPad(pos, 2) + " '" +
                                  windowsLatinToUtf8(p.name) + "' recebeu " +
                                  formatAmount(p.total) +
                                  " hoje: não muda de nome antes da redução Z");
    p.name = *description;
    return kOk;
}

int Printer::progNFComprov(const Text& position, const Text& description, const Text& discount,
                           const Text& surcharge, const Text& cancel, const Text& payment,
                           const Text& linked, const Text& related) {
    int pos = 0;
    if (int rc = checkPosition(position, kVoucherPositions - 1, &pos, "posição", why()))
        return rc;
    if (int rc = checkText(description, 1, 20, "descrição", why()))
        return rc;
    const std::pair<const Text*, const char*> switches[] = {{&discount, "permite desconto"},
                                                            {&surcharge, "permite acréscimo"},
                                                            {&cancel, "permite cancelamento"},
                                                            {&payment, "exige pagamento"},
                                                            {&linked, "vinculado"}};
    for (const auto& [value, name] : switches)
        if (!yesNo(*value))
            return refuse(kBadFormat,
                          std::string(name) + " " + quoted(*value) + ": esperado S ou N");
    auto d = yesNo(discount), s = yesNo(surcharge), c = yesNo(cancel), p = yesNo(payment),
         l = yesNo(linked);
    int rel = 0;
    if (int rc = checkPosition(related, kPayPositions - 1, &rel, "forma de pagamento", why()))
        return rc;
    if (*l && st_.payTypes[rel].name.empty())
        return refuse(kPayTypeUnknown, "forma de pagamento " + zeroPad(rel, 2) +
                                           ": posição não programada para o vínculo");
    if (int rc = checkNoDocument())
        return rc;
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
        return refuse(kInUse, "comprovante " + zeroPad(pos, 2) + " '" + windowsLatinToUtf8(v.name) +
                                  "' teve movimento hoje: não muda antes da redução Z");
    v = updated;
    return kOk;
}

}  // namespace fiscemu
