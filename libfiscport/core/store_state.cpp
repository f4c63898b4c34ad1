// The state's rows: written by difference at each call, read whole at load.
#include <map>
#include <vector>

#include "core/store.h"
#include "core/store_sql.h"

namespace fiscemu {

namespace {

using namespace storedb;
using Row = std::vector<Value>;
using Rows = std::map<int64_t, Row>;

struct TableDef {
    const char* name;
    std::vector<const char*> columns;  // first one is the key
};

const TableDef kTaxTable{"tax_rates", {"pos", "programmed", "type", "rate", "total"}};
const TableDef kPayTable{"pay_types", {"pos", "name", "total", "managerial"}};
const TableDef kVoucherTable{
    "vouchers",
    {"pos", "name", "discount", "surcharge", "cancel", "payment", "linked", "related", "count",
     "cancel_count", "sales", "surcharges", "discounts", "cancellations"}};
const TableDef kUserTable{"users",
                          {"n", "line1", "line2", "line3", "store", "equipment", "cgc", "im", "ie",
                           "first_time", "last_time", "cro", "gt"}};
const TableDef kTotalsTable{"totals", {"totaliser", "amount"}};
const TableDef kPendingTable{"pending_links",
                             {"seq", "coo", "pay_type", "amount", "used", "issued", "last_coo"}};
const TableDef kItemTable{"doc_items",
                          {"seq", "code", "description", "quantity", "price", "total", "discount",
                           "totaliser", "cancelled"}};
const TableDef kPaymentTable{
    "doc_payments", {"seq", "position", "name", "amount", "condition", "omit", "cancelled"}};

// The state's tables as rows, and back.
Rows taxRows(const PrinterState& st) {
    Rows r;
    for (int i = 0; i < kTaxPositions; ++i) {
        const TaxRate& t = st.rates[i];
        r[i] = {int64_t{i}, int64_t{t.programmed}, std::string(1, t.type), int64_t{t.rate},
                t.total};
    }
    return r;
}
Rows payRows(const PrinterState& st) {
    Rows r;
    for (int i = 0; i < kPayPositions; ++i) {
        const PayType& p = st.payTypes[i];
        r[i] = {int64_t{i}, p.name, p.total, p.managerial};
    }
    return r;
}
Rows voucherRows(const PrinterState& st) {
    Rows r;
    for (int i = 0; i < kVoucherPositions; ++i) {
        const Voucher& v = st.vouchers[i];
        r[i] = {int64_t{i},
                v.name,
                int64_t{v.discount},
                int64_t{v.surcharge},
                int64_t{v.cancel},
                int64_t{v.payment},
                int64_t{v.linked},
                int64_t{v.related},
                v.count,
                v.cancelCount,
                v.sales,
                v.surcharges,
                v.discounts,
                v.cancellations};
    }
    return r;
}
Rows userRows(const PrinterState& st) {
    Rows r;
    for (size_t i = 0; i < st.users.size(); ++i) {
        const User& u = st.users[i];
        r[i + 1] = {static_cast<int64_t>(i + 1),
                    u.line1,
                    u.line2,
                    u.line3,
                    int64_t{u.store},
                    int64_t{u.equipment},
                    u.cgc,
                    u.im,
                    u.ie,
                    u.firstTime,
                    u.lastTime,
                    int64_t{u.cro},
                    u.gt};
    }
    return r;
}
Rows totalRows(const PrinterState& st) {
    Rows r;
    for (const auto& [t, v] : st.totals)
        r[t] = {int64_t{t}, v};
    return r;
}
Rows pendingRows(const PrinterState& st) {
    Rows r;
    for (size_t i = 0; i < st.pending.size(); ++i) {
        const PendingLink& p = st.pending[i];
        r[i] = {static_cast<int64_t>(i), int64_t{p.coo},    int64_t{p.payType}, p.amount, p.used,
                int64_t{p.issued},       int64_t{p.lastCoo}};
    }
    return r;
}
Rows itemRows(const PrinterState& st) {
    Rows r;
    for (size_t i = 0; i < st.doc.items.size(); ++i) {
        const Item& it = st.doc.items[i];
        r[i] = {static_cast<int64_t>(i),
                it.code,
                it.description,
                it.quantity,
                it.price,
                it.total,
                it.discount,
                int64_t{it.totaliser},
                int64_t{it.cancelled}};
    }
    return r;
}
Rows paymentRows(const PrinterState& st) {
    Rows r;
    for (size_t i = 0; i < st.doc.payments.size(); ++i) {
        const Payment& p = st.doc.payments[i];
        r[i] = {
            static_cast<int64_t>(i),  int64_t{p.position}, p.name, p.amount, int64_t{p.condition},
            int64_t{p.omitCondition}, int64_t{p.cancelled}};
    }
    return r;
}

// Every single value of the state, named.
template <class F>
void visitScalars(Scalars& s, Document& d, F&& f) {
    f("coo", s.coo);
    f("ccf", s.ccf);
    f("gnf", s.gnf);
    f("crz", s.crz);
    f("cro", s.cro);
    f("cancelled_coupons", s.cancelledCoupons);
    f("managerial_reports", s.mgrReports);
    f("gt", s.gt);
    f("day_open", s.dayOpen);
    f("day_date", s.dayDate);
    f("z_date", s.zDate);
    f("day_opened_at", s.dayOpenedAt);
    f("day_coo_start", s.dayCooStart);
    f("day_gnf_start", s.dayGnfStart);
    f("day_gt_start", s.dayGtStart);
    f("day_cancelled_coupons", s.dayCancelledCoupons);
    f("day_cancelled_nf", s.dayCancelledNf);
    f("day_coupons", s.dayCoupons);
    f("day_gross", s.dayGross);
    f("day_cancel", s.dayCancel);
    f("day_discount", s.dayDiscount);
    f("day_surcharge", s.daySurcharge);
    f("day_nf_cancel", s.dayNfCancel);
    f("day_nf_discount", s.dayNfDiscount);
    f("day_nf_surcharge", s.dayNfSurcharge);
    f("day_change", s.dayChange);
    f("coupon_seconds", s.couponSeconds);
    f("last_doc_kind", s.lastDocKind);
    f("last_doc_coo", s.lastDocCoo);
    f("last_doc_time", s.lastDocTime);
    f("last_coupon_cancelled", s.lastCouponCancelled);
    f("last_coupon_net", s.lastCouponNet);
    f("last_coupon_change", s.lastCouponChange);
    f("last_coupon_shares", s.lastCouponShares);
    f("last_coupon_payments", s.lastCouponPayments);
    f("code_size", s.codeSize);
    f("crypto", s.crypto);
    int64_t kind = d.kind, coo = d.coo, flags = d.flags, freeLines = d.freeLines,
            adjKind = d.adjKind, compl_ = d.complementaryLeft, commercial = d.commercialLines,
            linkIndex = d.linkIndex, linkVoucher = d.linkVoucher;
    f("doc_kind", kind);
    f("doc_coo", coo);
    f("doc_flags", flags);
    f("doc_free_lines", freeLines);
    f("doc_opened", d.opened);
    f("doc_adj_kind", adjKind);
    f("doc_adj_amount", d.adjAmount);
    f("doc_adj_shares", d.adjShares);
    f("doc_complementary_left", compl_);
    f("doc_commercial_lines", commercial);
    f("doc_link_index", linkIndex);
    f("doc_link_voucher", linkVoucher);
    f("doc_link_value", d.linkValue);
    d.kind = static_cast<int>(kind);
    d.coo = static_cast<int>(coo);
    d.flags = static_cast<int>(flags);
    d.freeLines = static_cast<int>(freeLines);
    d.adjKind = static_cast<int>(adjKind);
    d.complementaryLeft = static_cast<int>(compl_);
    d.commercialLines = static_cast<int>(commercial);
    d.linkIndex = static_cast<int>(linkIndex);
    d.linkVoucher = static_cast<int>(linkVoucher);
}

// The state's scalars in the fixed order visitScalars gives them, so two
// states' lists compare field by field without a lookup.
std::vector<std::pair<const char*, Value>> scalarList(const PrinterState& st) {
    std::vector<std::pair<const char*, Value>> list;
    list.reserve(64);
    Scalars s = st.s;
    Document d = st.doc;
    visitScalars(s, d, [&](const char* k, auto& v) { list.emplace_back(k, v); });
    return list;
}

template <class F>
void visitSettings(Settings& s, F&& f) {
    int64_t power = s.power, paper = s.paper, auth = s.authPaper, drawer = s.drawer, port = s.port,
            model = static_cast<int64_t>(s.model), intervention = s.intervention;
    f("power", power);
    f("paper", paper);
    f("auth_paper", auth);
    f("drawer", drawer);
    f("drawer_opened_at", s.drawerOpenedAt);
    f("drawer_auto_close", s.drawerAutoClose);
    f("port", port);
    f("model", model);
    f("intervention", intervention);
    f("latency_ms", s.latencyMs);
    f("clock_offset", s.clockOffset);
    s.power = power != 0;
    s.paper = static_cast<int>(paper);
    s.authPaper = auth != 0;
    s.drawer = static_cast<int>(drawer);
    s.port = static_cast<int>(port);
    s.model = model == 0 ? Model::V204 : model == 1 ? Model::V300 : Model::V301;
    s.intervention = intervention != 0;
}

bool writeRows(sqlite3* db, std::map<std::string, sqlite3_stmt*>& cache, const TableDef& def,
               const Rows& before, const Rows& after, bool full, std::string* err) {
    auto prep = [&](const std::string& sql) -> sqlite3_stmt* {
        auto it = cache.find(sql);
        if (it != cache.end()) {
            sqlite3_reset(it->second);
            sqlite3_clear_bindings(it->second);
            return it->second;
        }
        sqlite3_stmt* s = nullptr;
        if (sqlite3_prepare_v2(db, sql.c_str(), -1, &s, nullptr) != SQLITE_OK)
            return nullptr;
        cache[sql] = s;
        return s;
    };
    std::string cols, marks;
    for (size_t i = 0; i < def.columns.size(); ++i) {
        cols += (i ? "," : "") + std::string(def.columns[i]);
        marks += i ? ",?" : "?";
    }
    std::string upsert =
        std::string("INSERT OR REPLACE INTO ") + def.name + "(" + cols + ") VALUES(" + marks + ")";
    std::string del = std::string("DELETE FROM ") + def.name + " WHERE " + def.columns[0] + "=?";
    for (const auto& [key, row] : after) {
        auto old = before.find(key);
        if (!full && old != before.end() && old->second == row)
            continue;
        sqlite3_stmt* st = prep(upsert);
        if (!st)
            return *err = sqlite3_errmsg(db), false;
        for (size_t i = 0; i < row.size(); ++i)
            bindValue(st, static_cast<int>(i + 1), row[i]);
        if (sqlite3_step(st) != SQLITE_DONE)
            return *err = sqlite3_errmsg(db), false;
    }
    for (const auto& [key, row] : before) {
        if (after.count(key))
            continue;
        sqlite3_stmt* st = prep(del);
        if (!st)
            return *err = sqlite3_errmsg(db), false;
        sqlite3_bind_int64(st, 1, key);
        if (sqlite3_step(st) != SQLITE_DONE)
            return *err = sqlite3_errmsg(db), false;
    }
    return true;
}

}  // namespace

bool Store::saveState(const PrinterState& before, const PrinterState& after) {
    return saveStateImpl(before, after, false);
}

bool Store::saveStateImpl(const PrinterState& before, const PrinterState& after, bool full) {
    const auto ob = scalarList(before), oa = scalarList(after);
    for (size_t i = 0; i < oa.size(); ++i) {
        const auto& [k, v] = oa[i];
        if (!full && ob[i].second == v)
            continue;
        sqlite3_stmt* st = prepare("INSERT OR REPLACE INTO state(key, value) VALUES(?, ?)");
        if (!st)
            return false;
        sqlite3_bind_text(st, 1, k, -1, SQLITE_STATIC);
        bindValue(st, 2, v);
        if (sqlite3_step(st) != SQLITE_DONE)
            return fail("state");
    }
    struct Part {
        const TableDef* def;
        Rows (*rows)(const PrinterState&);
        bool (*same)(const PrinterState&, const PrinterState&);
    };
    // A table whose data did not change is not even turned into rows: a
    // call writes what it changed and compares only that.
    static const Part parts[] = {
        {&kTaxTable, taxRows,
         [](const PrinterState& a, const PrinterState& b) { return a.rates == b.rates; }},
        {&kPayTable, payRows,
         [](const PrinterState& a, const PrinterState& b) { return a.payTypes == b.payTypes; }},
        {&kVoucherTable, voucherRows,
         [](const PrinterState& a, const PrinterState& b) { return a.vouchers == b.vouchers; }},
        {&kUserTable, userRows,
         [](const PrinterState& a, const PrinterState& b) { return a.users == b.users; }},
        {&kTotalsTable, totalRows,
         [](const PrinterState& a, const PrinterState& b) { return a.totals == b.totals; }},
        {&kPendingTable, pendingRows,
         [](const PrinterState& a, const PrinterState& b) { return a.pending == b.pending; }},
        {&kItemTable, itemRows,
         [](const PrinterState& a, const PrinterState& b) { return a.doc.items == b.doc.items; }},
        {&kPaymentTable, paymentRows, [](const PrinterState& a, const PrinterState& b) {
             return a.doc.payments == b.doc.payments;
         }}};
    for (const Part& p : parts) {
        if (!full && p.same(before, after))
            continue;
        Rows b = full ? Rows{} : p.rows(before);
        if (!writeRows(db_, statements_, *p.def, b, p.rows(after), full, &error_))
            return false;
    }
    return true;
}

bool Store::saveSettings(const Settings& before, const Settings& after) {
    std::map<std::string, int64_t> b, a;
    Settings sb = before, sa = after;
    visitSettings(sb, [&](const char* k, int64_t& v) { b[k] = v; });
    visitSettings(sa, [&](const char* k, int64_t& v) { a[k] = v; });
    for (const auto& [k, v] : a) {
        if (b[k] == v && !forceSettings_)
            continue;
        sqlite3_stmt* st = prepare("INSERT OR REPLACE INTO settings(key, value) VALUES(?, ?)");
        if (!st)
            return false;
        sqlite3_bind_text(st, 1, k.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_int64(st, 2, v);
        if (sqlite3_step(st) != SQLITE_DONE)
            return fail("settings");
    }
    return true;
}

bool Store::load(PrinterState* out, Settings* setOut, std::map<std::string, int>* faultsOut) {
    PrinterState st;
    st.users.clear();
    std::map<std::string, Value> scalars;
    {
        sqlite3_stmt* s = prepare("SELECT key, value FROM state");
        if (!s)
            return false;
        while (sqlite3_step(s) == SQLITE_ROW)
            scalars[reinterpret_cast<const char*>(sqlite3_column_text(s, 0))] = columnValue(s, 1);
        sqlite3_reset(s);
    }
    visitScalars(st.s, st.doc, [&](const char* k, auto& v) {
        auto it = scalars.find(k);
        if (it == scalars.end())
            return;
        using T = std::decay_t<decltype(v)>;
        if constexpr (std::is_same_v<T, std::string>)
            v = S(it->second);
        else
            v = I(it->second);
    });
    auto readTable = [&](const TableDef& def, auto&& apply) -> bool {
        std::string cols;
        for (size_t i = 0; i < def.columns.size(); ++i)
            cols += (i ? "," : "") + std::string(def.columns[i]);
        sqlite3_stmt* s =
            prepare("SELECT " + cols + " FROM " + def.name + " ORDER BY " + def.columns[0]);
        if (!s)
            return false;
        while (sqlite3_step(s) == SQLITE_ROW) {
            Row r;
            for (size_t i = 0; i < def.columns.size(); ++i)
                r.push_back(columnValue(s, static_cast<int>(i)));
            apply(r);
        }
        sqlite3_reset(s);
        return true;
    };
    bool ok = true;
    ok &= readTable(kTaxTable, [&](const Row& r) {
        int64_t i = I(r[0]);
        if (i < 0 || i >= kTaxPositions)
            return;
        TaxRate& t = st.rates[i];
        t.programmed = I(r[1]) != 0;
        std::string ty = S(r[2]);
        t.type = ty.empty() ? 'T' : ty[0];
        t.rate = static_cast<int>(I(r[3]));
        t.total = I(r[4]);
    });
    ok &= readTable(kPayTable, [&](const Row& r) {
        int64_t i = I(r[0]);
        if (i < 0 || i >= kPayPositions)
            return;
        st.payTypes[i] = PayType{S(r[1]), I(r[2]), I(r[3])};
    });
    ok &= readTable(kVoucherTable, [&](const Row& r) {
        int64_t i = I(r[0]);
        if (i < 0 || i >= kVoucherPositions)
            return;
        Voucher& v = st.vouchers[i];
        v.name = S(r[1]);
        v.discount = I(r[2]);
        v.surcharge = I(r[3]);
        v.cancel = I(r[4]);
        v.payment = I(r[5]);
        v.linked = I(r[6]);
        v.related = static_cast<int>(I(r[7]));
        v.count = I(r[8]);
        v.cancelCount = I(r[9]);
        v.sales = I(r[10]);
        v.surcharges = I(r[11]);
        v.discounts = I(r[12]);
        v.cancellations = I(r[13]);
    });
    ok &= readTable(kUserTable, [&](const Row& r) {
        User u;
        u.line1 = S(r[1]);
        u.line2 = S(r[2]);
        u.line3 = S(r[3]);
        u.store = static_cast<int>(I(r[4]));
        u.equipment = static_cast<int>(I(r[5]));
        u.cgc = S(r[6]);
        u.im = S(r[7]);
        u.ie = S(r[8]);
        u.firstTime = I(r[9]);
        u.lastTime = I(r[10]);
        u.cro = static_cast<int>(I(r[11]));
        u.gt = I(r[12]);
        st.users.push_back(u);
    });
    ok &= readTable(kTotalsTable,
                    [&](const Row& r) { st.totals[static_cast<int>(I(r[0]))] = I(r[1]); });
    ok &= readTable(kPendingTable, [&](const Row& r) {
        PendingLink p;
        p.coo = static_cast<int>(I(r[1]));
        p.payType = static_cast<int>(I(r[2]));
        p.amount = I(r[3]);
        p.used = I(r[4]);
        p.issued = static_cast<int>(I(r[5]));
        p.lastCoo = static_cast<int>(I(r[6]));
        st.pending.push_back(p);
    });
    ok &= readTable(kItemTable, [&](const Row& r) {
        Item it;
        it.code = S(r[1]);
        it.description = S(r[2]);
        it.quantity = I(r[3]);
        it.price = I(r[4]);
        it.total = I(r[5]);
        it.discount = I(r[6]);
        it.totaliser = static_cast<int>(I(r[7]));
        it.cancelled = I(r[8]);
        st.doc.items.push_back(it);
    });
    ok &= readTable(kPaymentTable, [&](const Row& r) {
        Payment p;
        p.position = static_cast<int>(I(r[1]));
        p.name = S(r[2]);
        p.amount = I(r[3]);
        p.condition = static_cast<int>(I(r[4]));
        p.omitCondition = I(r[5]);
        p.cancelled = I(r[6]);
        st.doc.payments.push_back(p);
    });
    if (!ok)
        return false;
    if (st.users.empty()) {
        error_ = "memory without user records";
        return false;
    }
    Settings set;
    {
        std::map<std::string, int64_t> values;
        sqlite3_stmt* s = prepare("SELECT key, value FROM settings");
        if (!s)
            return false;
        while (sqlite3_step(s) == SQLITE_ROW)
            values[reinterpret_cast<const char*>(sqlite3_column_text(s, 0))] =
                sqlite3_column_int64(s, 1);
        sqlite3_reset(s);
        visitSettings(set, [&](const char* k, int64_t& v) {
            auto it = values.find(k);
            if (it != values.end())
                v = it->second;
        });
    }
    if (faultsOut)
        *faultsOut = faults();
    *out = std::move(st);
    *setOut = set;
    return true;
}

}  // namespace fiscemu
