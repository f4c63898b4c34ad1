// What the emulated printer remembers: its tables, counters, totalisers, the
// open document, and the settings a technician changes from outside.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "core/money.h"

namespace fiscemu {

enum class Model { V204 = 0, V300 = 1, V301 = 2 };
// What a model says about itself wherever it is asked, kept in one table so
// that its name, its firmware version and its serial number never disagree.
struct ModelFacts {
    const char* name;     // "2.04", "3.00", "3.01"
    const char* version;  // four digits in the equipment reply
    const char* serial;   // nine characters
};
const ModelFacts& modelFacts(Model m);
const char* modelName(Model m);  // "2.04", "3.00", "3.01"
std::optional<Model> parseModel(const std::string& text);

constexpr int kTaxPositions = 20;  // 3.00 and 3.01; a 2.04 printer uses the first ten
constexpr int kTaxPositions204 = 10;
constexpr int kPayPositions = 21;      // payment table 00..20
constexpr int kVoucherPositions = 21;  // non-fiscal voucher table 00..20
constexpr int kMaxUsers = 20;
constexpr int kMaxItems = 999;
constexpr int kMaxPendingLinks = 20;
constexpr size_t kLineWidth = 48;  // printable columns of the receipt

// Where an amount is accumulated.
enum Totaliser : int {
    kTotRateFirst = 0,  // 0..19: the programmed tax-rate positions
    kTotSubstitution = 100,
    kTotExempt = 101,
    kTotNotLevied = 102,
    kTotServices = 103,      // 2.04 services (ISS)
    kTotWithdrawal = 200,    // 2.04 non-fiscal "sangria"
    kTotCashIn = 201,        // 2.04 non-fiscal "entrada de numerario"
    kTotReceipts = 202,      // 2.04 non-fiscal "recebimentos diversos"
    kTotVoucherFirst = 300,  // 300..320: non-fiscal voucher positions (3.00, 3.01)
};

inline bool isRateTotaliser(int t) {
    return t >= 0 && t < kTaxPositions;
}
inline bool isVoucherTotaliser(int t) {
    return t >= kTotVoucherFirst && t < kTotVoucherFirst + kVoucherPositions;
}
inline bool isNonFiscalTotaliser(int t) {
    return (t >= 200 && t <= 202) || isVoucherTotaliser(t);
}
std::string totaliserName(int t);

struct TaxRate {
    bool programmed = false;
    char type = 'T';  // 'T' ICMS, 'S' ISS
    int rate = 0;     // hundredths of a percent
    Cents total = 0;  // day's net amount on this rate
    bool operator==(const TaxRate& o) const {
        return programmed == o.programmed && type == o.type && rate == o.rate && total == o.total;
    }
};

struct PayType {
    std::string name;      // empty: position not programmed
    Cents total = 0;       // day's payments
    Cents managerial = 0;  // since the last managerial Z
    bool operator==(const PayType& o) const {
        return name == o.name && total == o.total && managerial == o.managerial;
    }
};

struct Voucher {
    std::string name;  // empty: position not programmed
    bool discount = false, surcharge = false, cancel = false, payment = false, linked = false;
    int related = 0;  // related payment-table position
    int64_t count = 0, cancelCount = 0;
    Cents sales = 0, surcharges = 0, discounts = 0, cancellations = 0;
    bool operator==(const Voucher& o) const {
        return name == o.name && discount == o.discount && surcharge == o.surcharge &&
               cancel == o.cancel && payment == o.payment && linked == o.linked &&
               related == o.related && count == o.count && cancelCount == o.cancelCount &&
               sales == o.sales && surcharges == o.surcharges && discounts == o.discounts &&
               cancellations == o.cancellations;
    }
};

struct User {
    std::string line1, line2, line3;
    int store = 1, equipment = 1;
    std::string cgc, im, ie;
    int64_t firstTime = 0, lastTime = 0;  // emulated epoch seconds
    int cro = 0;                          // restart counter when registered
    Cents gt = 0;                         // grand total when the user was last active
    bool operator==(const User& o) const {
        return line1 == o.line1 && line2 == o.line2 && line3 == o.line3 && store == o.store &&
               equipment == o.equipment && cgc == o.cgc && im == o.im && ie == o.ie &&
               firstTime == o.firstTime && lastTime == o.lastTime && cro == o.cro && gt == o.gt;
    }
};

struct Item {
    std::string code, description;  // printed line text for pre-formatted items
    int64_t quantity = 1000;        // thousandths
    Cents price = 0, total = 0, discount = 0;
    int totaliser = 0;
    bool cancelled = false;
    Cents net() const { return cancelled ? 0 : total - discount; }
    bool operator==(const Item& o) const {
        return code == o.code && description == o.description && quantity == o.quantity &&
               price == o.price && total == o.total && discount == o.discount &&
               totaliser == o.totaliser && cancelled == o.cancelled;
    }
};

enum PayCondition { kCondPosition = 0, kCondCash = 1, kCondTerms = 2 };

struct Payment {
    int position = 0;
    std::string name;  // as printed
    Cents amount = 0;
    int condition = kCondPosition;
    bool omitCondition = false;
    bool cancelled = false;
    bool operator==(const Payment& o) const {
        return position == o.position && name == o.name && amount == o.amount &&
               condition == o.condition && omitCondition == o.omitCondition &&
               cancelled == o.cancelled;
    }
};

// A payment with a linked payment type, waiting for its linked voucher.
struct PendingLink {
    int coo = 0;       // fiscal coupon that received the payment
    int payType = 0;   // payment-table position
    Cents amount = 0;  // paid with that type
    Cents used = 0;    // already covered by linked vouchers
    int issued = 0;    // linked vouchers issued
    int lastCoo = 0;   // COO of the last linked voucher
    bool pending() const { return used < amount; }
    bool operator==(const PendingLink& o) const {
        return coo == o.coo && payType == o.payType && amount == o.amount && used == o.used &&
               issued == o.issued && lastCoo == o.lastCoo;
    }
};

enum DocKind { kDocNone = 0, kDocHeader = 1, kDocFiscal = 2, kDocNonFiscal = 3, kDocLinked = 4 };

struct Document {
    int kind = kDocNone;
    int coo = 0;
    int flags = 0;       // header option bits
    int freeLines = 0;   // free lines printed under the header
    int64_t opened = 0;  // emulated epoch
    std::vector<Item> items;
    std::vector<Payment> payments;
    int adjKind = -1;  // -1 none, 0 discount, 1 surcharge on the subtotal
    Cents adjAmount = 0;
    std::string adjShares;      // "totaliser:amount;..." how the adjustment was spread
    int complementaryLeft = 0;  // complementary lines the last payment still allows
    int commercialLines = 0;
    int linkIndex = -1;  // pending link covered by a linked voucher
    int linkVoucher = -1;
    Cents linkValue = 0;
};

// Counters, day totals and programming that are single values.
struct Scalars {
    int64_t coo = 0, ccf = 0, gnf = 0, crz = 0, cro = 1, cancelledCoupons = 0, mgrReports = 0;
    Cents gt = 0;
    int64_t dayOpen = 0, dayDate = 0, zDate = 0, dayOpenedAt = 0;
    int64_t dayCooStart = 0, dayGnfStart = 0;
    Cents dayGtStart = 0;
    int64_t dayCancelledCoupons = 0, dayCancelledNf = 0, dayCoupons = 0;
    Cents dayGross = 0, dayCancel = 0, dayDiscount = 0, daySurcharge = 0;
    Cents dayNfCancel = 0, dayNfDiscount = 0, dayNfSurcharge = 0, dayChange = 0;
    int64_t couponSeconds = 0;
    int64_t lastDocKind = 0, lastDocCoo = 0, lastDocTime = 0, lastCouponCancelled = 0;
    Cents lastCouponNet = 0, lastCouponChange = 0;
    std::string lastCouponShares, lastCouponPayments;
    int64_t codeSize = 13;
    std::string crypto = "QWERTYUIOP";
};

struct PrinterState {
    Scalars s;
    std::vector<TaxRate> rates = std::vector<TaxRate>(kTaxPositions);
    std::vector<PayType> payTypes = std::vector<PayType>(kPayPositions);
    std::vector<Voucher> vouchers = std::vector<Voucher>(kVoucherPositions);
    std::vector<User> users;
    std::map<int, Cents> totals;  // special and non-fiscal totalisers of the day
    std::vector<PendingLink> pending;
    Document doc;
    const User& user() const { return users.back(); }
    User& user() { return users.back(); }
};

// The day's totalisers, as an item sale or an adjustment adds to them.
struct DayTotalisers {
    std::vector<TaxRate>& rates;
    std::vector<Voucher>& vouchers;
    std::map<int, Cents>& totals;
};
// Adds `v` to totaliser `t`: a tax rate's total, a voucher's sales, or
// another totaliser's amount (kept only while it is not zero).
void addToTotaliser(DayTotalisers day, int t, Cents v);

// What the open document's item sales added: each item's total to its
// totaliser and, for the fiscal ones, to the grand total and the day's
// gross. Discounts and cancellations are counted apart, so these follow
// from the item rows alone.
struct OpenSales {
    std::vector<std::pair<int, Cents>> byTotaliser;  // in order of first sale
    Cents fiscal = 0;
    bool empty() const { return byTotaliser.empty(); }
};
OpenSales openSales(const Document& doc);

enum PaperLevel { kPaperOk = 0, kPaperLowLevel = 1, kPaperOutLevel = 2 };
enum DrawerState { kDrawerClosed = 0, kDrawerOpen = 1, kDrawerAbsent = 2 };

// Conditions a technician changes with the ecfsim tool while the program runs.
struct Settings {
    bool power = true;
    int paper = kPaperOk;
    bool authPaper = true;
    int drawer = kDrawerClosed;
    int64_t drawerOpenedAt = 0;    // PC wall clock (wallNow), not the printer's clock
    int64_t drawerAutoClose = 10;  // seconds; 0 keeps it open until closed from ecfsim
    int port = 0;                  // 0 COM1, 1 COM2: the port the printer is connected to
    Model model = Model::V301;
    bool intervention = false;
    int64_t latencyMs = 0;
    int64_t clockOffset = 0;  // emulated clock minus the PC clock, seconds
    bool operator==(const Settings& o) const;
};

// Whether the drawer reads open at `wallClock` (it closes by itself after
// drawerAutoClose seconds, unless that is 0).
bool drawerReadsOpen(const Settings& set, int64_t wallClock);

// A printer as a technician leaves it in a shop, clock at `now`.
PrinterState factoryState(int64_t now);

// "totaliser:amount;..." lists kept for adjustments and the last coupon.
std::string encodeShares(const std::map<int, Cents>& shares);
std::map<int, Cents> decodeShares(const std::string& text);

}  // namespace fiscemu
