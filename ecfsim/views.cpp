#include "views.h"

#include <cstdio>
#include <cstdlib>

#include "core/clock.h"
#include "core/cp850.h"
#include "core/money.h"
#include "core/replies.h"
#include "json.h"

using fiscemu::Cents;
using fiscemu::Device;
using fiscemu::Document;
using fiscemu::FiscalRecord;
using fiscemu::PaperRow;
using fiscemu::PrinterState;
using fiscemu::Settings;
using fiscemu::TraceRow;

namespace ecfsim {

namespace {

std::string isoDate(int64_t ymd) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", static_cast<int>(ymd / 10000),
                  static_cast<int>(ymd / 100 % 100), static_cast<int>(ymd % 100));
    return buf;
}

std::string longDate(int64_t ymd) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%02d/%02d/%04d", static_cast<int>(ymd % 100),
                  static_cast<int>(ymd / 100 % 100), static_cast<int>(ymd / 10000));
    return buf;
}

std::string dateTimeText(int64_t epoch) {
    fiscemu::DateTime dt = fiscemu::localFromEpoch(epoch);
    return fiscemu::formatDateLong(dt) + " " + fiscemu::formatTimeColons(dt);
}

// "YYYY-MM-DD HH:MM:SS" as "DD/MM/YY HH:MM:SS", short enough for a roll line.
std::string shortStamp(const std::string& iso) {
    if (iso.size() < 19)
        return iso;
    return iso.substr(8, 2) + "/" + iso.substr(5, 2) + "/" + iso.substr(2, 2) + " " +
           iso.substr(11, 8);
}

std::string paperWord(int level) {
    switch (level) {
        case fiscemu::kPaperLowLevel:
            return "low";
        case fiscemu::kPaperOutLevel:
            return "out";
        default:
            return "ok";
    }
}

std::string paperWordPt(int level) {
    switch (level) {
        case fiscemu::kPaperLowLevel:
            return "bobina com pouco papel";
        case fiscemu::kPaperOutLevel:
            return "sem papel";
        default:
            return "bobina normal";
    }
}

// The drawer as the status reply reads it now: an opened drawer closes by itself.
std::string drawerWord(const Settings& set) {
    if (set.drawer == fiscemu::kDrawerAbsent)
        return "absent";
    return fiscemu::drawerReadsOpen(set, fiscemu::wallNow()) ? "open" : "closed";
}

std::string drawerWordPt(const Settings& set) {
    std::string w = drawerWord(set);
    if (w == "absent")
        return "ausente";
    if (w == "closed")
        return "fechada";
    if (set.drawerAutoClose <= 0)
        return "aberta (não fecha sozinha)";
    int64_t left = set.drawerAutoClose - (fiscemu::wallNow() - set.drawerOpenedAt);
    return "aberta (fecha sozinha em " + std::to_string(left) + " s)";
}

std::string portName(int port) {
    return port == 1 ? "COM2" : "COM1";
}

const char* documentKind(int kind) {
    switch (kind) {
        case fiscemu::kDocHeader:
            return "header";
        case fiscemu::kDocFiscal:
            return "fiscal";
        case fiscemu::kDocNonFiscal:
            return "non-fiscal";
        case fiscemu::kDocLinked:
            return "linked";
        default:
            return "none";
    }
}

std::string documentText(const Document& d) {
    if (d.kind == fiscemu::kDocNone)
        return "nenhum";
    std::string coo = "COO " + fiscemu::zeroPad(d.coo, 6);
    if (d.kind == fiscemu::kDocHeader || (d.kind == fiscemu::kDocFiscal && d.items.empty()))
        return "cabeçalho impresso, sem itens (" + coo + ")";
    std::string what = d.kind == fiscemu::kDocFiscal      ? "cupom fiscal"
                       : d.kind == fiscemu::kDocNonFiscal ? "comprovante não fiscal"
                                                          : "comprovante não fiscal vinculado";
    int cancelled = 0;
    for (const fiscemu::Item& it : d.items)
        cancelled += it.cancelled ? 1 : 0;
    std::string text = what + " " + coo;
    if (d.kind != fiscemu::kDocLinked) {
        text += ", " + std::to_string(d.items.size()) + (d.items.size() == 1 ? " item" : " itens");
        if (cancelled)
            text += " (" + std::to_string(cancelled) +
                    (cancelled == 1 ? " cancelado)" : " cancelados)");
        text += ", subtotal " + fiscemu::formatAmount(fiscemu::documentSubtotal(d));
    } else {
        text += ", valor " + fiscemu::formatAmount(d.linkValue);
    }
    if (d.kind == fiscemu::kDocFiscal && !d.payments.empty())
        text += ", pago " + fiscemu::formatAmount(fiscemu::documentPaid(d));
    return text;
}

std::string dayText(const PrinterState& st, int state, int64_t now) {
    const fiscemu::Scalars& s = st.s;
    if (s.dayOpen) {
        std::string t = "aberto em " + longDate(s.dayDate);
        if (state == 113 ||
            (st.doc.kind != fiscemu::kDocNone && fiscemu::localFromEpoch(now).ymd() > s.dayDate))
            t += "; a data passou, redução Z pendente";
        return t;
    }
    if (s.zDate == fiscemu::localFromEpoch(now).ymd())
        return "encerrado hoje pela redução Z";
    return "não aberto (o primeiro documento abre o dia)";
}

std::string userLine(const std::string& bytes) {
    return fiscemu::cp850ToUtf8(bytes);
}

// UTF-8 text filled with blanks to `width` characters (not bytes).
std::string padChars(const std::string& text, size_t width) {
    size_t chars = 0;
    for (unsigned char c : text)
        chars += (c & 0xC0) != 0x80;
    return text + std::string(chars < width ? width - chars : 1, ' ');
}

// "label   value" rows of the text summary; continuation rows have no label.
void row(std::string& out, const std::string& label, const std::string& value) {
    out += padChars(label, 15) + value + "\n";
}

}  // namespace

std::string stateWords(int code) {
    switch (code) {
        case 0:
            return "sem dia fiscal aberto";
        case 100:
            return "período de vendas, sem documento aberto";
        case 90:
            return "cabeçalho impresso, documento sem itens";
        case 65:
            return "cupom fiscal em venda";
        case 123:
            return "em pagamento, total ainda não coberto";
        case 124:
            return "total pago, linhas comerciais";
        case 122:
            return "documento não fiscal aberto";
        case 113:
            return "a data passou: redução Z pendente";
        case 115:
            return "dia encerrado: redução Z feita hoje";
        case 99:
            return "em intervenção técnica";
        default:
            return "estado desconhecido";
    }
}

std::string statusText(Device& dev) {
    const PrinterState& st = dev.state();
    const Settings& set = dev.settings();
    const fiscemu::Scalars& s = st.s;
    int64_t now = dev.now();
    int state = dev.stateCode();
    std::string out;
    row(out, "Memória", dev.store().path());
    std::string printer = std::string("ECF-IF ") + fiscemu::modelName(set.model) + ", série " +
                          fiscemu::serialNumber(set) + ", " +
                          (set.power ? "ligada" : "DESLIGADA (não responde, 79)") + ", na " +
                          portName(set.port);
    row(out, "Impressora", printer);
    row(out, "Estado", fiscemu::zeroPad(state, 3) + "  " + stateWords(state));
    std::string clock = dateTimeText(now);
    if (set.clockOffset != 0)
        clock += " (PC " + std::string(set.clockOffset > 0 ? "+" : "") +
                 std::to_string(set.clockOffset) + " s)";
    if (fiscemu::pinnedNow() >= 0)
        clock += "; relógio do PC fixado por ECFSIM_TIME";
    row(out, "Relógio", clock);
    row(out, "Dia fiscal", dayText(st, state, now));
    row(out, "Documento", documentText(st.doc));
    row(out, "Contadores",
        "COO " + fiscemu::zeroPad(s.coo, 6) + "  CCF " + fiscemu::zeroPad(s.ccf, 6) + "  GNF " +
            fiscemu::zeroPad(s.gnf, 6) + "  CRZ " + fiscemu::zeroPad(s.crz, 4) + "  CRO " +
            fiscemu::zeroPad(s.cro, 4));
    row(out, "",
        "cupons cancelados " + std::to_string(s.cancelledCoupons) + "  relatórios gerenciais " +
            std::to_string(s.mgrReports));
    Cents net = s.dayGross - s.dayCancel - s.dayDiscount;
    row(out, "Totais do dia",
        "venda bruta " + fiscemu::formatAmount(s.dayGross) + "  cancelamentos " +
            fiscemu::formatAmount(s.dayCancel) + "  descontos " +
            fiscemu::formatAmount(s.dayDiscount));
    row(out, "",
        "acréscimos " + fiscemu::formatAmount(s.daySurcharge) + "  venda líquida " +
            fiscemu::formatAmount(net) + "  troco " + fiscemu::formatAmount(s.dayChange));
    row(out, "Grande total", fiscemu::formatAmount(s.gt));
    const fiscemu::User& u = st.user();
    row(out, "Usuário",
        std::to_string(st.users.size()) + " de " + std::to_string(fiscemu::kMaxUsers) + ": " +
            userLine(u.line1));
    row(out, "", "CGC " + userLine(u.cgc) + "  IE " + userLine(u.ie) + "  IM " + userLine(u.im));
    row(out, "",
        "loja " + fiscemu::zeroPad(u.store, 4) + "  equipamento " +
            fiscemu::zeroPad(u.equipment, 4));
    row(out, "Ajustes",
        paperWordPt(set.paper) + ", autenticação " +
            (set.authPaper ? "com documento" : "sem documento") + ", gaveta " + drawerWordPt(set));
    row(out, "",
        std::string("intervenção técnica ") + (set.intervention ? "sim" : "não") + ", latência " +
            std::to_string(set.latencyMs) + " ms");
    std::string faults;
    for (const auto& [fn, code] : dev.faults())
        faults += (faults.empty() ? "" : ", ") + fn + " responde " + std::to_string(code);
    row(out, "Falhas", faults.empty() ? "nenhuma" : faults + " (na próxima chamada)");
    return out;
}

std::string statusJson(Device& dev) {
    const PrinterState& st = dev.state();
    const Settings& set = dev.settings();
    const fiscemu::Scalars& s = st.s;
    int64_t now = dev.now();
    int state = dev.stateCode();
    JsonWriter j;
    j.beginObject();
    j.field("database", dev.store().path());
    j.field("model", fiscemu::modelName(set.model));
    j.field("serial", fiscemu::serialNumber(set));
    j.key("state").beginObject().field("code", state).field("text", stateWords(state)).endObject();
    j.key("clock")
        .beginObject()
        .field("printer", fiscemu::isoTime(now))
        .field("offset_seconds", set.clockOffset)
        .field("pinned", fiscemu::pinnedNow() >= 0)
        .endObject();
    j.key("day").beginObject().field("open", s.dayOpen != 0);
    j.key("date");
    if (s.dayOpen)
        j.value(isoDate(s.dayDate));
    else
        j.null();
    j.field("z_done_today", !s.dayOpen && s.zDate == fiscemu::localFromEpoch(now).ymd());
    j.endObject();
    j.key("document");
    if (st.doc.kind == fiscemu::kDocNone) {
        j.null();
    } else {
        int cancelled = 0;
        for (const fiscemu::Item& it : st.doc.items)
            cancelled += it.cancelled ? 1 : 0;
        j.beginObject()
            .field("kind", documentKind(st.doc.kind))
            .field("coo", st.doc.coo)
            .field("items", static_cast<int64_t>(st.doc.items.size()))
            .field("cancelled_items", cancelled)
            .field("subtotal_cents", fiscemu::documentSubtotal(st.doc))
            .field("paid_cents", fiscemu::documentPaid(st.doc))
            .field("opened", fiscemu::isoTime(st.doc.opened))
            .endObject();
    }
    j.key("counters")
        .beginObject()
        .field("coo", s.coo)
        .field("ccf", s.ccf)
        .field("gnf", s.gnf)
        .field("crz", s.crz)
        .field("cro", s.cro)
        .field("cancelled_coupons", s.cancelledCoupons)
        .field("managerial_reports", s.mgrReports)
        .endObject();
    j.key("day_totals")
        .beginObject()
        .field("gross_cents", s.dayGross)
        .field("cancellations_cents", s.dayCancel)
        .field("discounts_cents", s.dayDiscount)
        .field("surcharges_cents", s.daySurcharge)
        .field("net_cents", s.dayGross - s.dayCancel - s.dayDiscount)
        .field("change_cents", s.dayChange)
        .endObject();
    j.field("grand_total_cents", s.gt);
    const fiscemu::User& u = st.user();
    j.key("user")
        .beginObject()
        .field("number", static_cast<int64_t>(st.users.size()))
        .field("line1", userLine(u.line1))
        .field("line2", userLine(u.line2))
        .field("line3", userLine(u.line3))
        .field("cgc", userLine(u.cgc))
        .field("ie", userLine(u.ie))
        .field("im", userLine(u.im))
        .field("store", u.store)
        .field("equipment", u.equipment)
        .endObject();
    // Settings in the words `ecfsim set` takes.
    j.key("settings")
        .beginObject()
        .field("power", set.power ? "on" : "off")
        .field("paper", paperWord(set.paper))
        .field("auth-paper", set.authPaper ? "present" : "absent")
        .field("drawer", drawerWord(set))
        .field("drawer-auto-close", set.drawerAutoClose)
        .field("port", portName(set.port))
        .field("model", fiscemu::modelName(set.model))
        .field("intervention", set.intervention ? "on" : "off")
        .field("latency", set.latencyMs)
        .endObject();
    j.key("faults").beginObject();
    for (const auto& [fn, code] : dev.faults())
        j.field(fn, code);
    j.endObject();
    j.endObject();
    return j.str() + "\n";
}

std::string paperLine(const PaperRow& r) {
    return shortStamp(r.time) + " " + std::string(1, r.station) + " " + fiscemu::zeroPad(r.coo, 6) +
           " | " + fiscemu::cp850ToUtf8(r.bytes) + "\n";
}

std::string paperJson(const PaperRow& r) {
    JsonWriter j;
    j.beginObject()
        .field("id", r.id)
        .field("time", r.time)
        .field("station", std::string(1, r.station))
        .field("coo", r.coo)
        .field("text", fiscemu::cp850ToUtf8(r.bytes))
        .endObject();
    return j.str();
}

std::string traceLine(const TraceRow& r) {
    return r.time + "  " + r.function + "(" + r.args + ") = " + r.result + "\n";
}

std::string traceJson(const TraceRow& r) {
    JsonWriter j;
    j.beginObject()
        .field("id", r.id)
        .field("time", r.time)
        .field("function", r.function)
        .field("args", r.args)
        .field("result", r.result)
        .endObject();
    return j.str();
}

std::string memoryText(const std::vector<FiscalRecord>& records) {
    if (records.empty())
        return "Memória fiscal vazia: nenhuma redução Z.\n";
    std::string out;
    auto amount = [&](const std::string& label, Cents v) {
        out += "  " + padChars(label, 16) + fiscemu::padLeft(fiscemu::formatAmount(v), 24) + "\n";
    };
    for (const FiscalRecord& r : records) {
        out += "Z " + fiscemu::zeroPad(r.z, 4) + "  movimento de " + longDate(r.ymd) +
               "  emitida " + dateTimeText(r.time) + "  COO " + fiscemu::zeroPad(r.coo, 6) +
               "  CRO " + fiscemu::zeroPad(r.cro, 4) + "\n";
        amount("grande total", r.gt);
        amount("venda bruta", r.gross);
        amount("cancelamentos", r.cancellations);
        amount("descontos", r.discounts);
        amount("acréscimos", r.surcharges);
        amount("venda líquida", r.net);
        for (const auto& [t, v] : fiscemu::decodeShares(r.details))
            amount(fiscemu::totaliserName(t), v);
    }
    out += std::to_string(records.size()) +
           (records.size() == 1 ? " redução Z registrada.\n" : " reduções Z registradas.\n");
    return out;
}

std::string memoryJson(const std::vector<FiscalRecord>& records) {
    JsonWriter j;
    j.beginArray();
    for (const FiscalRecord& r : records) {
        j.beginObject()
            .field("z", r.z)
            .field("date", isoDate(r.ymd))
            .field("time", fiscemu::isoTime(r.time))
            .field("coo", r.coo)
            .field("cro", r.cro)
            .field("grand_total_cents", r.gt)
            .field("gross_cents", r.gross)
            .field("cancellations_cents", r.cancellations)
            .field("discounts_cents", r.discounts)
            .field("surcharges_cents", r.surcharges)
            .field("net_cents", r.net);
        j.key("totalisers").beginObject();
        for (const auto& [t, v] : fiscemu::decodeShares(r.details))
            j.field(fiscemu::totaliserName(t), v);
        j.endObject().endObject();
    }
    j.endArray();
    return j.str() + "\n";
}

}  // namespace ecfsim
