#include "core/state.h"

#include <algorithm>
#include <cstdlib>

namespace fiscemu {

const ModelFacts& modelFacts(Model m) {
    static const ModelFacts k204{"2.04", "0204", "VD2040317"};
    static const ModelFacts k300{"3.00", "0300", "VD3000422"};
    static const ModelFacts k301{"3.01", "0301", "VD3010586"};
    switch (m) {
        case Model::V204:
            return k204;
        case Model::V300:
            return k300;
        case Model::V301:
            break;
    }
    return k301;
}

const char* modelName(Model m) {
    return modelFacts(m).name;
}

std::optional<Model> parseModel(const std::string& t) {
    if (t == "2.04" || t == "204")
        return Model::V204;
    if (t == "3.00" || t == "300" || t == "3.0")
        return Model::V300;
    if (t == "3.01" || t == "301")
        return Model::V301;
    return std::nullopt;
}

std::string totaliserName(int t) {
    if (isRateTotaliser(t))
        return "T" + zeroPad(t, 2);
    if (isVoucherTotaliser(t))
        return "CNF" + zeroPad(t - kTotVoucherFirst, 2);
    switch (t) {
        case kTotSubstitution:
            return "F";
        case kTotExempt:
            return "I";
        case kTotNotLevied:
            return "N";
        case kTotServices:
            return "ISS";
        case kTotWithdrawal:
            return "SANGRIA";
        case kTotCashIn:
            return "SUPRIMENTO";
        case kTotReceipts:
            return "RECEBIMENTOS";
        default:
            return "?";
    }
}

bool drawerReadsOpen(const Settings& set, int64_t wallClock) {
    return set.drawer == kDrawerOpen &&
           (set.drawerAutoClose <= 0 || wallClock - set.drawerOpenedAt < set.drawerAutoClose);
}

bool Settings::operator==(const Settings& o) const {
    return power == o.power && paper == o.paper && authPaper == o.authPaper && drawer == o.drawer &&
           drawerOpenedAt == o.drawerOpenedAt && drawerAutoClose == o.drawerAutoClose &&
           port == o.port && model == o.model && intervention == o.intervention &&
           latencyMs == o.latencyMs && clockOffset == o.clockOffset;
}

PrinterState factoryState(int64_t now) {
    PrinterState st;
    static const int kRates204[kTaxPositions204] = {500,  300,  700,  1200, 1700,
                                                    2500, 1300, 1400, 2500, 2500};
    for (int i = 0; i < kTaxPositions204; ++i) {
        st.rates[i].programmed = true;
        st.rates[i].type = 'T';
        st.rates[i].rate = kRates204[i];
    }
    // The positions only a 3.00 printer has: services (ISS) and more ICMS rates.
    struct Extra {
        int pos;
        char type;
        int rate;
    };
    static const Extra kExtra[] = {{10, 'S', 200}, {11, 'S', 500}, {12, 'T', 1800},
                                   {13, 'T', 400}, {14, 'S', 300}, {15, 'T', 1000}};
    for (const Extra& e : kExtra) {
        st.rates[e.pos].programmed = true;
        st.rates[e.pos].type = e.type;
        st.rates[e.pos].rate = e.rate;
    }
    st.payTypes[0].name = "Dinheiro";
    st.payTypes[1].name = "Cheque";
    st.payTypes[2].name = "Cartao";
    st.payTypes[3].name = "Ticket";

    auto voucher = [&](int pos, const char* name, bool d, bool s, bool c, bool p, bool l,
                       int related) {
        Voucher& v = st.vouchers[pos];
        v.name = name;
        v.discount = d;
        v.surcharge = s;
        v.cancel = c;
        v.payment = p;
        v.linked = l;
        v.related = related;
    };
    voucher(0, "Sangria", false, false, true, false, false, 0);
    voucher(1, "Suprimento", false, false, true, false, false, 0);
    voucher(2, "Recebimento", true, true, true, true, false, 0);
    voucher(3, "Conta de luz", true, false, true, true, false, 0);
    voucher(4, "Comprovante cartao", false, false, true, false, true, 2);
    voucher(5, "Comprovante cheque", false, false, true, false, true, 1);

    User u;
    u.line1 = "****** VOLDRANE ELETRONICA LTDA.  ******";
    u.line2 = "Rua Acacias, 208 - Jd. Aurora  91350-120";
    u.line3 = "Campo Sereno - Rio Grande do Sul - BR";
    u.store = 1;
    u.equipment = 1;
    u.cgc = "012345678901234567";
    u.ie = "012345678-901";
    u.im = "728182-382";
    u.firstTime = now;
    u.lastTime = now;
    u.cro = 1;
    st.users.push_back(u);
    st.s.lastDocTime = now;
    return st;
}

void addToTotaliser(DayTotalisers day, int t, Cents v) {
    if (isRateTotaliser(t)) {
        day.rates[t].total += v;
    } else if (isVoucherTotaliser(t)) {
        day.vouchers[t - kTotVoucherFirst].sales += v;
    } else {
        Cents& amount = day.totals[t];
        amount += v;
        if (amount == 0)
            day.totals.erase(t);
    }
}

OpenSales openSales(const Document& doc) {
    OpenSales sales;
    for (const Item& item : doc.items) {
        auto same = [&](const std::pair<int, Cents>& s) { return s.first == item.totaliser; };
        auto it = std::find_if(sales.byTotaliser.begin(), sales.byTotaliser.end(), same);
        if (it == sales.byTotaliser.end())
            sales.byTotaliser.emplace_back(item.totaliser, item.total);
        else
            it->second += item.total;
        if (!isNonFiscalTotaliser(item.totaliser))
            sales.fiscal += item.total;
    }
    return sales;
}

std::string encodeShares(const std::map<int, Cents>& shares) {
    std::string out;
    for (const auto& [t, v] : shares) {
        if (!out.empty())
            out += ';';
        out += std::to_string(t) + ":" + std::to_string(v);
    }
    return out;
}

std::map<int, Cents> decodeShares(const std::string& text) {
    std::map<int, Cents> out;
    size_t i = 0;
    while (i < text.size()) {
        size_t end = text.find(';', i);
        if (end == std::string::npos)
            end = text.size();
        std::string part = text.substr(i, end - i);
        size_t colon = part.find(':');
        if (colon != std::string::npos) {
            int t = std::atoi(part.substr(0, colon).c_str());
            Cents v = std::strtoll(part.c_str() + colon + 1, nullptr, 10);
            out[t] += v;
        }
        i = end + 1;
    }
    return out;
}

}  // namespace fiscemu
