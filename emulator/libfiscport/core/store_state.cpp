// The state's rows: written by difference at each call, read whole at load.
#include <map>
#include <optional>
#include <string>
#include <type_traits>
#include <vector>

#include "core/store.h"
#include "core/store_sql.h"

namespace fiscemu {

namespace storedb {

struct TableDef {
    const char* name;
    std::vector<const char*> columns;  // first one is the key
};

// The two statements that write a table's rows, made once from its columns.
struct TableSql {
    std::string upsert, del;
};

}  // namespace storedb

using namespace storedb;

namespace {

using Row = std::vector<Value>;

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

// Every single value of the state, named, in the order they are written:
// f(name, pointer to the member of Scalars or Document).
template <class F>
void scalarFields(F&& f) {
    f("coo", &Scalars::coo);
    f("ccf", &Scalars::ccf);
    f("gnf", &Scalars::gnf);
    f("crz", &Scalars::crz);
    f("cro", &Scalars::cro);
    f("cancelled_coupons", &Scalars::cancelledCoupons);
    f("managerial_reports", &Scalars::mgrReports);
    f("gt", &Scalars::gt);
    f("day_open", &Scalars::dayOpen);
    f("day_date", &Scalars::dayDate);
    f("z_date", &Scalars::zDate);
    f("day_opened_at", &Scalars::dayOpenedAt);
    f("day_coo_start", &Scalars::dayCooStart);
    f("day_gnf_start", &Scalars::dayGnfStart);
    f("day_gt_start", &Scalars::dayGtStart);
    f("day_cancelled_coupons", &Scalars::dayCancelledCoupons);
    f("day_cancelled_nf", &Scalars::dayCancelledNf);
    f("day_coupons", &Scalars::dayCoupons);
    f("day_gross", &Scalars::dayGross);
    f("day_cancel", &Scalars::dayCancel);
    f("day_discount", &Scalars::dayDiscount);
    f("day_surcharge", &Scalars::daySurcharge);
    f("day_nf_cancel", &Scalars::dayNfCancel);
    f("day_nf_discount", &Scalars::dayNfDiscount);
    f("day_nf_surcharge", &Scalars::dayNfSurcharge);
    f("day_change", &Scalars::dayChange);
    f("coupon_seconds", &Scalars::couponSeconds);
    f("last_doc_kind", &Scalars::lastDocKind);
    f("last_doc_coo", &Scalars::lastDocCoo);
    f("last_doc_time", &Scalars::lastDocTime);
    f("last_coupon_cancelled", &Scalars::lastCouponCancelled);
    f("last_coupon_net", &Scalars::lastCouponNet);
    f("last_coupon_change", &Scalars::lastCouponChange);
    f("last_coupon_shares", &Scalars::lastCouponShares);
    f("last_coupon_payments", &Scalars::lastCouponPayments);
    f("code_size", &Scalars::codeSize);
    f("crypto", &Scalars::crypto);
    f("doc_kind", &Document::kind);
    f("doc_coo", &Document::coo);
    f("doc_flags", &Document::flags);
    f("doc_free_lines", &Document::freeLines);
    f("doc_opened", &Document::opened);
    f("doc_adj_kind", &Document::adjKind);
    f("doc_adj_amount", &Document::adjAmount);
    f("doc_adj_shares", &Document::adjShares);
    f("doc_complementary_left", &Document::complementaryLeft);
    f("doc_commercial_lines", &Document::commercialLines);
    f("doc_link_index", &Document::linkIndex);
    f("doc_link_voucher", &Document::linkVoucher);
    f("doc_link_value", &Document::linkValue);
}

template <class T>
const T& field(const PrinterState& st, T Scalars::*m) {
    return st.s.*m;
}
template <class T>
const T& field(const PrinterState& st, T Document::*m) {
    return st.doc.*m;
}
template <class T>
T& field(PrinterState& st, T Scalars::*m) {
    return st.s.*m;
}
template <class T>
T& field(PrinterState& st, T Document::*m) {
    return st.doc.*m;
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

// A row's values bound straight from the state: integers as integers, texts
// as the printer's bytes (blobs), in the table's column order.
void bindInt(sqlite3_stmt* st, int i, int64_t v) {
    sqlite3_bind_int64(st, i, v);
}
// The bytes stay alive until the statement has run (it runs at once).
void bindBytes(sqlite3_stmt* st, int i, const std::string& s) {
    sqlite3_bind_blob(st, i, s.data(), static_cast<int>(s.size()), SQLITE_STATIC);
}

void bindRow(sqlite3_stmt* st, const TaxRate& t) {
    bindInt(st, 2, t.programmed);
    char type = t.type;
    sqlite3_bind_blob(st, 3, &type, 1, SQLITE_TRANSIENT);
    bindInt(st, 4, t.rate);
    bindInt(st, 5, t.total);
}
void bindRow(sqlite3_stmt* st, const PayType& p) {
    bindBytes(st, 2, p.name);
    bindInt(st, 3, p.total);
    bindInt(st, 4, p.managerial);
}
void bindRow(sqlite3_stmt* st, const Voucher& v) {
    bindBytes(st, 2, v.name);
    bindInt(st, 3, v.discount);
    bindInt(st, 4, v.surcharge);
    bindInt(st, 5, v.cancel);
    bindInt(st, 6, v.payment);
    bindInt(st, 7, v.linked);
    bindInt(st, 8, v.related);
    bindInt(st, 9, v.count);
    bindInt(st, 10, v.cancelCount);
    bindInt(st, 11, v.sales);
    bindInt(st, 12, v.surcharges);
    bindInt(st, 13, v.discounts);
    bindInt(st, 14, v.cancellations);
}
void bindRow(sqlite3_stmt* st, const User& u) {
    bindBytes(st, 2, u.line1);
    bindBytes(st, 3, u.line2);
    bindBytes(st, 4, u.line3);
    bindInt(st, 5, u.store);
    bindInt(st, 6, u.equipment);
    bindBytes(st, 7, u.cgc);
    bindBytes(st, 8, u.im);
    bindBytes(st, 9, u.ie);
    bindInt(st, 10, u.firstTime);
    bindInt(st, 11, u.lastTime);
    bindInt(st, 12, u.cro);
    bindInt(st, 13, u.gt);
}
void bindRow(sqlite3_stmt* st, const PendingLink& p) {
    bindInt(st, 2, p.coo);
    bindInt(st, 3, p.payType);
    bindInt(st, 4, p.amount);
    bindInt(st, 5, p.used);
    bindInt(st, 6, p.issued);
    bindInt(st, 7, p.lastCoo);
}
void bindRow(sqlite3_stmt* st, const Item& it) {
    bindBytes(st, 2, it.code);
    bindBytes(st, 3, it.description);
    bindInt(st, 4, it.quantity);
    bindInt(st, 5, it.price);
    bindInt(st, 6, it.total);
    bindInt(st, 7, it.discount);
    bindInt(st, 8, it.totaliser);
    bindInt(st, 9, it.cancelled);
}
void bindRow(sqlite3_stmt* st, const Payment& p) {
    bindInt(st, 2, p.position);
    bindBytes(st, 3, p.name);
    bindInt(st, 4, p.amount);
    bindInt(st, 5, p.condition);
    bindInt(st, 6, p.omitCondition);
    bindInt(st, 7, p.cancelled);
}
void bindRow(sqlite3_stmt* st, Cents amount) {
    bindInt(st, 2, amount);
}

TableSql tableSql(const TableDef& def) {
    std::string cols, marks;
    for (size_t i = 0; i < def.columns.size(); ++i) {
        cols += (i ? "," : "") + std::string(def.columns[i]);
        marks += i ? ",?" : "?";
    }
    return {
        std::string("INSERT OR REPLACE INTO ") + def.name + "(" + cols + ") VALUES(" + marks + ")",
        std::string("DELETE FROM ") + def.name + " WHERE " + def.columns[0] + "=?"};
}

// The day's totals as the memory keeps them: without the open document's
// item sales (OpenSales), which its item rows already hold, so that an item
// sale writes its item and its paper and not the day's totals too. load()
// adds them back. The tables are copied only while the document has sales.
class StoredDay {
public:
    // `salesInTotals`: the state came from a memory of format 2, whose
    // totals hold the open document's sales.
    StoredDay(const PrinterState& st, bool salesInTotals) : st_(st) {
        const OpenSales sales = salesInTotals ? OpenSales() : openSales(st.doc);
        gt_ = st.s.gt - sales.fiscal;
        dayGross_ = st.s.dayGross - sales.fiscal;
        if (sales.empty())
            return;
        rates_ = st.rates;
        vouchers_ = st.vouchers;
        totals_ = st.totals;
        for (const auto& [t, v] : sales.byTotaliser)
            addToTotaliser({*rates_, *vouchers_, *totals_}, t, -v);
    }
    template <class T, class C>
    const T& value(T C::*m) const {
        if constexpr (std::is_same_v<C, Scalars> && std::is_same_v<T, Cents>) {
            if (m == &Scalars::gt)
                return gt_;
            if (m == &Scalars::dayGross)
                return dayGross_;
        }
        return field(st_, m);
    }
    const std::vector<TaxRate>& rates() const { return rates_ ? *rates_ : st_.rates; }
    const std::vector<Voucher>& vouchers() const { return vouchers_ ? *vouchers_ : st_.vouchers; }
    const std::map<int, Cents>& totals() const { return totals_ ? *totals_ : st_.totals; }

private:
    const PrinterState& st_;
    Cents gt_ = 0, dayGross_ = 0;
    std::optional<std::vector<TaxRate>> rates_;
    std::optional<std::vector<Voucher>> vouchers_;
    std::optional<std::map<int, Cents>> totals_;
};

// What load() read, with the open document's item sales added back.
void addOpenSales(PrinterState& st) {
    const OpenSales sales = openSales(st.doc);
    for (const auto& [t, v] : sales.byTotaliser)
        addToTotaliser({st.rates, st.vouchers, st.totals}, t, v);
    st.s.gt += sales.fiscal;
    st.s.dayGross += sales.fiscal;
}

}  // namespace

// A table kept as a list: row i has key i + keyBase. Only the rows that
// differ from `before` are written, and the rows past the new end removed.
template <class T>
bool Store::writeList(const TableDef& def, const std::vector<T>& before,
                      const std::vector<T>& after, int64_t keyBase, bool full) {
    if (!full && before == after)
        return true;
    const TableSql& sql = sqlFor(def);
    for (size_t i = 0; i < after.size(); ++i) {
        if (!full && i < before.size() && before[i] == after[i])
            continue;
        sqlite3_stmt* st = prepare(sql.upsert.c_str());
        if (!st)
            return false;
        bindInt(st, 1, static_cast<int64_t>(i) + keyBase);
        bindRow(st, after[i]);
        if (sqlite3_step(st) != SQLITE_DONE)
            return fail(def.name);
    }
    for (size_t i = after.size(); !full && i < before.size(); ++i) {
        sqlite3_stmt* st = prepare(sql.del.c_str());
        if (!st)
            return false;
        bindInt(st, 1, static_cast<int64_t>(i) + keyBase);
        if (sqlite3_step(st) != SQLITE_DONE)
            return fail(def.name);
    }
    return true;
}

// The same for a table kept as a map from key to amount.
bool Store::writeMap(const TableDef& def, const std::map<int, Cents>& before,
                     const std::map<int, Cents>& after, bool full) {
    if (!full && before == after)
        return true;
    const TableSql& sql = sqlFor(def);
    for (const auto& [key, amount] : after) {
        auto old = before.find(key);
        if (!full && old != before.end() && old->second == amount)
            continue;
        sqlite3_stmt* st = prepare(sql.upsert.c_str());
        if (!st)
            return false;
        bindInt(st, 1, key);
        bindRow(st, amount);
        if (sqlite3_step(st) != SQLITE_DONE)
            return fail(def.name);
    }
    for (const auto& [key, amount] : full ? after : before) {
        if (full || after.count(key))
            continue;
        sqlite3_stmt* st = prepare(sql.del.c_str());
        if (!st)
            return false;
        bindInt(st, 1, key);
        if (sqlite3_step(st) != SQLITE_DONE)
            return fail(def.name);
    }
    return true;
}

const TableSql& Store::sqlFor(const TableDef& def) {
    // The eight tables are defined once above; their statements are made once.
    static const std::map<const TableDef*, TableSql> kSql = [] {
        std::map<const TableDef*, TableSql> m;
        for (const TableDef* d : {&kTaxTable, &kPayTable, &kVoucherTable, &kUserTable,
                                  &kTotalsTable, &kPendingTable, &kItemTable, &kPaymentTable})
            m[d] = tableSql(*d);
        return m;
    }();
    return kSql.at(&def);
}

bool Store::saveState(const PrinterState& before, const PrinterState& after) {
    if (format_ >= kFormatOpenSalesApart)
        return saveStateImpl(before, after, false, false);
    // A memory of format 2 takes the new form with its first change.
    if (!saveStateImpl(before, after, false, true) ||
        !writeMetaNumber("schema", kFormatOpenSalesApart))
        return false;
    formatBeforeCommit_ = format_;
    format_ = kFormatOpenSalesApart;
    return true;
}

// A call writes what it changed and compares only that: the scalars field by
// field, each table row by row, a table whose data did not change not at all.
bool Store::saveStateImpl(const PrinterState& before, const PrinterState& after, bool full,
                          bool salesInTotalsBefore) {
    const StoredDay storedBefore(before, salesInTotalsBefore), storedAfter(after, false);
    bool ok = true;
    scalarFields([&](const char* key, auto member) {
        if (!ok)
            return;
        const auto& b = storedBefore.value(member);
        const auto& a = storedAfter.value(member);
        if (!full && b == a)
            return;
        sqlite3_stmt* st = prepare(setValueSql("state"));
        if (!st) {
            ok = false;
            return;
        }
        sqlite3_bind_text(st, 1, key, -1, SQLITE_STATIC);
        using T = std::decay_t<decltype(a)>;
        if constexpr (std::is_same_v<T, std::string>)
            bindBytes(st, 2, a);
        else
            bindInt(st, 2, a);
        if (sqlite3_step(st) != SQLITE_DONE)
            ok = fail("state");
    });
    return ok && writeList(kTaxTable, storedBefore.rates(), storedAfter.rates(), 0, full) &&
           writeList(kPayTable, before.payTypes, after.payTypes, 0, full) &&
           writeList(kVoucherTable, storedBefore.vouchers(), storedAfter.vouchers(), 0, full) &&
           writeList(kUserTable, before.users, after.users, 1, full) &&
           writeMap(kTotalsTable, storedBefore.totals(), storedAfter.totals(), full) &&
           writeList(kPendingTable, before.pending, after.pending, 0, full) &&
           writeList(kItemTable, before.doc.items, after.doc.items, 0, full) &&
           writeList(kPaymentTable, before.doc.payments, after.doc.payments, 0, full);
}

bool Store::saveSettings(const Settings& before, const Settings& after) {
    if (before == after && !forceSettings_)
        return true;
    std::pair<const char*, int64_t> b[16], a[16];
    size_t nb = 0, na = 0;
    Settings sb = before, sa = after;
    visitSettings(sb, [&](const char* k, int64_t& v) { b[nb++] = {k, v}; });
    visitSettings(sa, [&](const char* k, int64_t& v) { a[na++] = {k, v}; });
    for (size_t i = 0; i < na; ++i) {
        if (b[i].second == a[i].second && !forceSettings_)
            continue;
        sqlite3_stmt* st = prepare(setValueSql("settings"));
        if (!st)
            return false;
        sqlite3_bind_text(st, 1, a[i].first, -1, SQLITE_STATIC);
        sqlite3_bind_int64(st, 2, a[i].second);
        if (sqlite3_step(st) != SQLITE_DONE)
            return fail("settings");
    }
    return true;
}

bool Store::load(PrinterState* out, Settings* setOut, std::map<std::string, int>* faultsOut) {
    PrinterState st;
    st.users.clear();
    {
        sqlite3_stmt* s = prepare("SELECT value FROM meta WHERE key='schema'");
        if (!s)
            return false;
        format_ = sqlite3_step(s) == SQLITE_ROW ? sqlite3_column_int(s, 0) : 0;
        sqlite3_reset(s);
    }
    std::map<std::string, Value> scalars;
    {
        sqlite3_stmt* s = prepare("SELECT key, value FROM state");
        if (!s)
            return false;
        while (sqlite3_step(s) == SQLITE_ROW)
            scalars[reinterpret_cast<const char*>(sqlite3_column_text(s, 0))] = columnValue(s, 1);
        sqlite3_reset(s);
    }
    scalarFields([&](const char* k, auto member) {
        auto it = scalars.find(k);
        if (it == scalars.end())
            return;
        auto& v = field(st, member);
        using T = std::decay_t<decltype(v)>;
        if constexpr (std::is_same_v<T, std::string>)
            v = S(it->second);
        else
            v = static_cast<T>(I(it->second));
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
    if (format_ >= kFormatOpenSalesApart)
        addOpenSales(st);
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
