// The fiscal printer's behaviour: every command checks the state it needs,
// validates its arguments and, when accepted, changes the state and prints.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/clock.h"
#include "core/state.h"

namespace fiscemu {

// An argument text as the caller passed it; nullopt for a null pointer.
using Text = std::optional<std::string>;

enum Station : char { kReceipt = 'R', kCheque = 'C', kAuthentication = 'A' };

struct PaperLine {
    char station = kReceipt;
    int64_t coo = 0;
    std::string bytes;  // Windows Latin (1252): the program's text as sent
};

// One record of the fiscal memory, written by each Z reduction.
struct FiscalRecord {
    int64_t z = 0, ymd = 0, time = 0, coo = 0, cro = 0;
    Cents gt = 0, gross = 0, cancellations = 0, discounts = 0, surcharges = 0, net = 0;
    std::string details;  // "totaliser:amount;..." of the day
    // SHA-256 over this record's content and the previous record's hash
    // (32 bytes; the memory writes it, core/chain.h computes it).
    std::string hash;
};

// What an accepted command produced besides the state change.
struct Output {
    std::vector<PaperLine> paper;
    std::optional<FiscalRecord> fiscalRecord;
    // Why a refused command answered its code, in Portuguese: the argument
    // or state at fault and the value met. Empty when it was accepted.
    std::string reason;
};

// The printer's state codes: characters 3 to 5 of the printer status reply.
enum StateCode : int {
    kStateIdle = 0,               // no fiscal day open
    kStateSelling = 65,           // fiscal coupon with items, no payment yet
    kStateCouponOpen = 90,        // header printed, no item sold
    kStateIntervention = 99,      // under technical intervention
    kStateSalesPeriod = 100,      // day open, no document
    kStateZDue = 113,             // the date moved past the open day: Z reduction due
    kStateDayClosed = 115,        // Z reduction done today
    kStateNonFiscal = 122,        // non-fiscal or linked document open
    kStatePaying = 123,           // payments started, total not yet covered
    kStateCommercialLines = 124,  // total paid: commercial lines before the closing
};

// The state code of the printer now.
int stateCode(const PrinterState& st, const Settings& set, int64_t now);
// The state code in the operator's words (ecfsim's summary, the front panel).
std::string stateWords(int code);

// Net amount per totaliser of the open coupon (items and subtotal adjustment).
std::map<int, Cents> documentShares(const Document& doc);
Cents documentSubtotal(const Document& doc);
Cents documentPaid(const Document& doc);

// Day totals a reading reports, as "totaliser:amount" lists and sums.
Cents fiscalTotaliserSum(const PrinterState& st);

// Tax debited on a totaliser amount at a rate (hundredths of a percent).
Cents taxOf(Cents amount, int rate);

class Printer {
public:
    Printer(PrinterState& st, Settings& set, int64_t now, Output& out)
        : st_(st), set_(set), now_(now), out_(out) {}

    int lineFeed(int32_t station, int32_t lines);
    int impCab(int32_t flags);
    int inicCupomNFiscal(int32_t kind);
    int inicCNFVinculado(const Text& coo, const Text& position, const Text& value);
    int fimTrans(const Text& op);
    int cancVenda(const Text& op);
    int cancDoc(const Text& op);
    int impLinha(const Text& line);
    int leituraX(const Text& op);
    int reducaoZ(const Text& op);
    int lxGerencial(const Text& op);
    int rzGerencial(const Text& op);
    int vendaItemFields(const Text& code, const Text& desc, const Text& qtyInt, const Text& qtyDec,
                        const Text& price, int32_t tax);
    int vendaItem78(const Text& line, const Text& total, int32_t tax);
    int vendaItemFree(const Text& desc, const Text& value, int32_t tax);
    int descItem(int32_t operation, const Text& desc, const Text& value);
    int cancItem(const Text& desc);
    int cancItemDef(const Text& position, const Text& desc);
    int subTotal();
    int acresDescSubTotal(int32_t kind, int32_t cancel, const Text& desc, const Text& amount);
    int pagamento(int32_t cancel, const Text& position, const Text& amount, int32_t lines);
    int pagamentoByName(int32_t cancel, const Text& type, const Text& amount, int32_t omit,
                        int32_t lines, int condition);
    enum ChequeKind { kKolvex, kMarvik, kKolvex300 };
    int cheque(ChequeKind kind, int32_t bank, const Text& value, const Text& payee,
               const Text& city, const Text& date, const Text& extra, const Text& singular,
               const Text& plural);
    int autentica(const Text& text);
    int abreGaveta();
    int acertaData(int32_t day, int32_t month, int32_t year, int32_t hour, int32_t minute,
                   int32_t second);
    int cabLoja(const Text& l1, const Text& l2, const Text& l3, int32_t store, int32_t equipment,
                const Text& cgc, const Text& ie, const Text* im);
    int cargaTabAliq(int32_t position, const Text& rate);
    int cargaAliqSelect(const Text& position, const Text& type, const Text& rate);
    int prgCod(int32_t size);
    int cargaCodCripto(const Text& symbols);
    int payPatterns(const Text& position, const Text& description);
    int progNFComprov(const Text& position, const Text& description, const Text& discount,
                      const Text& surcharge, const Text& cancel, const Text& payment,
                      const Text& linked, const Text& related);

    // Lines of an X or Z reading of the current day (also used by ecfsim).
    std::vector<std::string> readingLines(const std::string& title, const std::string& op);

private:
    int state() const { return stateCode(st_, set_, now_); }
    // Answers `code` and records why the command was refused.
    int refuse(int code, std::string reason) const;
    // 12 (out of sequence), naming the state met and what the command needs.
    int refuseState(const std::string& needed) const;
    // Where the shared checks write their reasons.
    std::string* why() const { return &out_.reason; }
    DateTime clock() const { return localFromEpochCached(); }
    DateTime localFromEpochCached() const;
    bool is204() const { return set_.model == Model::V204; }
    int checkIntervention() const;
    int checkPrinting() const;  // intervention, paper
    int checkIdle() const;      // no document open, not in intervention
    int resolveTax(int32_t index, int* totaliser) const;
    int fiscalItemTotaliser(int32_t tax, int* totaliser) const;
    int addItem(Item item, const std::vector<std::string>& printed);
    int doPayment(int cancel, int position, const std::string& name, Cents amount, int condition,
                  bool omit, int lines);
    void addToTotaliser(int t, Cents v);
    void addToPayType(int position, Cents amount);
    void countItemAdjustment(int totaliser, Cents amount, Cents Scalars::*fiscalDay,
                             Cents Scalars::*nonFiscalDay, Cents Voucher::*voucherFigure);
    int checkItemsEditable() const;
    void openDayIfNeeded();
    void print(const std::string& bytes, char station = kReceipt);
    void printUtf8(const std::string& text, char station = kReceipt);
    void printWrapped(const std::string& bytes);
    void printFooter(const std::string& op);
    void closeDocument(int lastKind);
    std::string taxLabel(int totaliser) const;
    void resetDay();
    int rzGerencialImpl(const Text& op, bool reset);
    int openReport(const Text& op);
    void closeReport();
    int cancItemAt(int number, const std::string& desc);
    std::string lastDocumentNotCancellable() const;
    std::string freeLineRefusal() const;
    int checkFiscalProgramming() const;
    int checkNoDocument() const;
    std::string rateInUse(int position) const;

    PrinterState& st_;
    Settings& set_;
    int64_t now_;
    Output& out_;
};

// Encodes a number with the printer's ten digit symbols (the encrypted code).
std::string encryptDigits(const std::string& digits, const std::string& symbols);

}  // namespace fiscemu
