#include "ecfsim/views.h"

#include <cstdio>
#include <cstdlib>

#include <nlohmann/json.hpp>

#include "core/chain.h"
#include "core/clock.h"
#include "core/codes.h"
#include "core/cp850.h"
#include "core/money.h"
#include "core/replies.h"
#include "core/trace.h"

using fiscemu::Cents;
using fiscemu::Device;
using fiscemu::Document;
using fiscemu::FiscalRecord;
using fiscemu::PaperRow;
using fiscemu::PrinterState;
using fiscemu::Settings;
using fiscemu::TraceRow;
using Json = nlohmann::ordered_json;

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

// The paper level in the word `ecfsim set` takes and in the summary's words,
// side by side so that the two never name different levels.
struct PaperWords {
    const char* set;
    const char* summary;
};

PaperWords paperWords(int level) {
    switch (level) {
        case fiscemu::kPaperLowLevel:
            return {"low", "bobina com pouco papel"};
        case fiscemu::kPaperOutLevel:
            return {"out", "sem papel"};
        default:
            return {"ok", "bobina normal"};
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

// Items of a document that were cancelled, for the summary and the JSON alike.
int cancelledItems(const Document& d) {
    int cancelled = 0;
    for (const fiscemu::Item& it : d.items)
        cancelled += it.cancelled ? 1 : 0;
    return cancelled;
}

// The day was closed today by its Z reduction.
bool zDoneToday(const fiscemu::Scalars& s, int64_t now) {
    return !s.dayOpen && s.zDate == fiscemu::localFromEpoch(now).ymd();
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
    int cancelled = cancelledItems(d);
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
        if (state == fiscemu::kStateZDue ||
            (st.doc.kind != fiscemu::kDocNone && fiscemu::localFromEpoch(now).ymd() > s.dayDate))
            t += "; a data passou, redução Z pendente";
        return t;
    }
    if (zDoneToday(s, now))
        return "encerrado hoje pela redução Z";
    return "não aberto (o primeiro documento abre o dia)";
}

// The program's text as it sent it (Windows Latin).
std::string userLine(const std::string& bytes) {
    return fiscemu::windowsLatinToUtf8(bytes);
}

// Characters (not bytes) of a UTF-8 text.
size_t charCount(const std::string& text) {
    size_t chars = 0;
    for (unsigned char c : text)
        chars += (c & 0xC0) != 0x80;
    return chars;
}

// UTF-8 text filled with blanks to `width` characters (not bytes).
std::string padChars(const std::string& text, size_t width) {
    const size_t chars = charCount(text);
    return text + std::string(chars < width ? width - chars : 1, ' ');
}

// "label   value" rows of the text summary; continuation rows have no label.
void row(std::string& out, const std::string& label, const std::string& value) {
    out += padChars(label, 15) + value + "\n";
}

// Compact JSON; a byte that is not UTF-8 (a path, say) becomes U+FFFD
// instead of stopping the output.
std::string dump(const Json& j) {
    return j.dump(-1, ' ', false, Json::error_handler_t::replace);
}

// A value read back from the trace, as JSON: a cut text as {text, bytes}.
Json valueJson(const fiscemu::TraceValue& v) {
    switch (v.kind) {
        case fiscemu::TraceValue::Kind::Number:
            return v.number;
        case fiscemu::TraceValue::Kind::Pointer:
            return Json{{"pointer", v.number}};
        case fiscemu::TraceValue::Kind::Text:
            if (v.cutFrom >= 0)
                return Json{{"text", v.text}, {"bytes", v.cutFrom}};
            return v.text;
        case fiscemu::TraceValue::Kind::Null:
            break;
    }
    return nullptr;
}

}  // namespace

std::optional<Json> traceArguments(const std::string& args) {
    std::optional<std::vector<fiscemu::TraceValue>> values = fiscemu::readTraceArgs(args);
    if (!values)
        return std::nullopt;
    Json out = Json::array();
    for (const fiscemu::TraceValue& v : *values)
        out.push_back(valueJson(v));
    return out;
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
    row(out, "Estado", fiscemu::zeroPad(state, 3) + "  " + fiscemu::stateWords(state));
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
        std::string(paperWords(set.paper).summary) + ", autenticação " +
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
    Json j;
    j["database"] = dev.store().path();
    j["model"] = fiscemu::modelName(set.model);
    j["serial"] = fiscemu::serialNumber(set);
    j["state"] = {{"code", state}, {"text", fiscemu::stateWords(state)}};
    j["clock"] = {{"printer", fiscemu::isoTime(now)},
                  {"offset_seconds", set.clockOffset},
                  {"pinned", fiscemu::pinnedNow() >= 0}};
    j["day"] = {{"open", s.dayOpen != 0},
                {"date", s.dayOpen ? Json(isoDate(s.dayDate)) : Json(nullptr)},
                {"z_done_today", zDoneToday(s, now)}};
    if (st.doc.kind == fiscemu::kDocNone) {
        j["document"] = nullptr;
    } else {
        int cancelled = cancelledItems(st.doc);
        j["document"] = {{"kind", documentKind(st.doc.kind)},
                         {"coo", st.doc.coo},
                         {"items", st.doc.items.size()},
                         {"cancelled_items", cancelled},
                         {"subtotal_cents", fiscemu::documentSubtotal(st.doc)},
                         {"paid_cents", fiscemu::documentPaid(st.doc)},
                         {"opened", fiscemu::isoTime(st.doc.opened)}};
    }
    j["counters"] = {{"coo", s.coo},
                     {"ccf", s.ccf},
                     {"gnf", s.gnf},
                     {"crz", s.crz},
                     {"cro", s.cro},
                     {"cancelled_coupons", s.cancelledCoupons},
                     {"managerial_reports", s.mgrReports}};
    j["day_totals"] = {{"gross_cents", s.dayGross},
                       {"cancellations_cents", s.dayCancel},
                       {"discounts_cents", s.dayDiscount},
                       {"surcharges_cents", s.daySurcharge},
                       {"net_cents", s.dayGross - s.dayCancel - s.dayDiscount},
                       {"change_cents", s.dayChange}};
    j["grand_total_cents"] = s.gt;
    const fiscemu::User& u = st.user();
    j["user"] = {
        {"number", st.users.size()},  {"line1", userLine(u.line1)}, {"line2", userLine(u.line2)},
        {"line3", userLine(u.line3)}, {"cgc", userLine(u.cgc)},     {"ie", userLine(u.ie)},
        {"im", userLine(u.im)},       {"store", u.store},           {"equipment", u.equipment}};
    // Settings in the words `ecfsim set` takes.
    j["settings"] = {{"power", set.power ? "on" : "off"},
                     {"paper", paperWords(set.paper).set},
                     {"auth-paper", set.authPaper ? "present" : "absent"},
                     {"drawer", drawerWord(set)},
                     {"drawer-auto-close", set.drawerAutoClose},
                     {"port", portName(set.port)},
                     {"model", fiscemu::modelName(set.model)},
                     {"intervention", set.intervention ? "on" : "off"},
                     {"latency", set.latencyMs}};
    j["faults"] = Json::object();
    for (const auto& [fn, code] : dev.faults())
        j["faults"][fn] = code;
    return dump(j) + "\n";
}

std::string paperLine(const PaperRow& r) {
    return shortStamp(r.time) + " " + std::string(1, r.station) + " " + fiscemu::zeroPad(r.coo, 6) +
           " | " + fiscemu::paperText(r) + "\n";
}

std::string paperJson(const PaperRow& r) {
    Json j = {{"id", r.id},
              {"time", r.time},
              {"station", std::string(1, r.station)},
              {"coo", r.coo},
              {"text", fiscemu::paperText(r)}};
    return dump(j);
}

std::string traceJson(const TraceRow& r) {
    Json j = {{"id", r.id}, {"time", r.time}, {"function", r.function}};
    std::optional<Json> args = traceArguments(r.args);
    if (args) {
        j["args"] = *args;
    } else {
        // A row this version cannot read: shown as stored rather than lost.
        j["args"] = nullptr;
        j["args_text"] = r.args;
    }
    fiscemu::TraceResult result = fiscemu::readTraceResult(r.result);
    j["result"] = result.value ? valueJson(*result.value) : Json(r.result);
    const std::optional<int>& code = result.code;
    if (code) {
        j["code"] = *code;
        j["meaning"] = fiscemu::codeDescription(*code);
    } else {
        j["code"] = nullptr;
        j["meaning"] = nullptr;
    }
    j["reason"] = r.reason.empty() ? Json(nullptr) : Json(r.reason);
    return dump(j);
}

std::string codesText() {
    std::string text =
        "Códigos de resultado: o número que as funções devolvem, ou NNN das respostas\n"
        "\"Erro: NNN ...\". O registro das chamadas traz, com cada recusa, o motivo\n"
        "que a impressora encontrou (argumento ou estado, e o valor).\n\n";
    for (const fiscemu::ResultCode& row : fiscemu::resultCodes()) {
        text += padChars(std::to_string(row.code), 4) + row.description + "\n";
        // The meaning under it, in lines of at most 72 characters.
        const std::string meaning = row.meaning;
        std::string line;
        for (size_t start = 0; start < meaning.size();) {
            size_t end = meaning.find(' ', start);
            if (end == std::string::npos)
                end = meaning.size();
            const std::string word = meaning.substr(start, end - start);
            if (!line.empty() && charCount(line) + 1 + charCount(word) > 72) {
                text += "      " + line + "\n";
                line.clear();
            }
            line += (line.empty() ? "" : " ") + word;
            start = end + 1;
        }
        text += "      " + line + "\n";
    }
    return text;
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
        out += "  " + padChars("hash", 16) +
               (r.hash.empty() ? std::string("(ausente)") : fiscemu::toHex(r.hash)) + "\n";
    }
    out += std::to_string(records.size()) +
           (records.size() == 1 ? " redução Z registrada.\n" : " reduções Z registradas.\n");
    return out;
}

std::string memoryJson(const std::vector<FiscalRecord>& records) {
    Json list = Json::array();
    for (const FiscalRecord& r : records) {
        Json j = {{"z", r.z},
                  {"date", isoDate(r.ymd)},
                  {"time", fiscemu::isoTime(r.time)},
                  {"coo", r.coo},
                  {"cro", r.cro},
                  {"grand_total_cents", r.gt},
                  {"gross_cents", r.gross},
                  {"cancellations_cents", r.cancellations},
                  {"discounts_cents", r.discounts},
                  {"surcharges_cents", r.surcharges},
                  {"net_cents", r.net}};
        j["totalisers"] = Json::object();
        for (const auto& [t, v] : fiscemu::decodeShares(r.details))
            j["totalisers"][fiscemu::totaliserName(t)] = v;
        j["hash"] = fiscemu::toHex(r.hash);
        list.push_back(std::move(j));
    }
    return dump(list) + "\n";
}

}  // namespace ecfsim
