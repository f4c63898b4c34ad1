#include "core/device.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <set>
#include <thread>

#include "core/clock.h"
#include "core/codes.h"
#include "core/trace.h"

namespace fiscemu {

bool modelHasCommand(Model model, const std::string& fn) {
    static const std::set<std::string> kVersion3 = {
        "ecfStatusAliquotas",  "ecfStatusPayTypes", "ecfStatusDocsNFs", "ecfProgHeader30",
        "ecfCargaAliqSelect",  "ecfPayPatterns",    "ecfProgNFComprov", "ecfPagamento",
        "ecfInicCNFVinculado", "ecfChequeKolvex300"};
    static const std::set<std::string> kVersion301 = {"ecfStatusTroco", "ecfStatusVincs"};
    if (kVersion301.count(fn))
        return model == Model::V301;
    if (kVersion3.count(fn))
        return model != Model::V204;
    return true;
}

const std::vector<std::string>& driverFunctionNames() {
    static const std::vector<std::string> kNames = {
        "ChangePort",          "ecfLineFeed",        "ecfStatusImp",
        "ecfStatusCupom",      "ecfStatusAliquotas", "ecfStatusPayTypes",
        "ecfStatusDocsNFs",    "ecfStatusEquipo",    "ecfStatusUser",
        "ecfStatusTroco",      "ecfStatusVincs",     "ecfLeituraXSerial",
        "ecfCGC_IE",           "ecfImpCab",          "ecfInicCupomNFiscal",
        "ecfInicCNFVinculado", "ecfFimTrans",        "ecfCancVenda",
        "ecfCancDoc",          "ecfImpLinha",        "ecfLeituraX",
        "ecfReducaoZ",         "ecfLXGerencial",     "ecfRZGerencial",
        "ecfLeitMemFisc",      "ecfVenda_Item",      "ecfVendaItem78",
        "ecfVendaItem",        "ecfDescItem",        "ecfCancItem",
        "ecfCancItemDef",      "ecfSubTotal",        "ecfCancAcresDescSubTotal",
        "ecfPagamento",        "ecfPagCancPag",      "ecfPrazoCancPrazo",
        "ecfImpCheque",        "ecfImpChequeMarvik", "ecfChequeKolvex300",
        "ecfAutentica",        "ecfAbreGaveta",      "ecfAcertaData",
        "ecfCabLoja",          "ecfProgHeader30",    "ecfCargaTabAliq",
        "ecfCargaAliqSelect",  "ecfPrgCod",          "ecfCargaCodCripto",
        "ecfPayPatterns",      "ecfProgNFComprov"};
    return kNames;
}

bool isDriverFunction(const std::string& name) {
    static const std::set<std::string> kSet(driverFunctionNames().begin(),
                                            driverFunctionNames().end());
    return kSet.count(name) != 0;
}

std::string Device::defaultPath() {
    const char* env = std::getenv("ECFSIM_DB");
    if (env && *env)
        return env;
    return "ecfsim.db";
}

std::unique_ptr<Device> Device::open(const std::string& path, std::string* error) {
    auto store = Store::open(path, error);
    if (!store)
        return nullptr;
    std::unique_ptr<Device> dev(new Device(std::move(store)));
    if (!dev->store_->load(&dev->state_, &dev->settings_, &dev->faults_)) {
        if (error)
            *error = dev->store_->lastError();
        return nullptr;
    }
    dev->store_->changedElsewhere();
    return dev;
}

int64_t Device::now() const {
    return systemNow() + settings_.clockOffset;
}

int Device::stateCode() const {
    return fiscemu::stateCode(state_, settings_, now());
}

bool Device::reloadIfChanged() {
    if (!store_->changedElsewhere())
        return true;
    PrinterState st;
    Settings set;
    std::map<std::string, int> faults;
    if (!store_->load(&st, &set, &faults)) {
        error_ = store_->lastError();
        return false;
    }
    state_ = std::move(st);
    settings_ = set;
    faults_ = std::move(faults);
    return true;
}

bool Device::refresh() {
    if (!store_->beginRead())
        return error_ = store_->lastError(), false;
    bool ok = reloadIfChanged();
    store_->rollback();
    return ok;
}

int Device::unavailableCode(const std::string& fn) const {
    (void)fn;
    if (!settings_.power || selectedPort_ != settings_.port)
        return kNoAnswer;
    return kOk;
}

namespace {
using Steady = std::chrono::steady_clock;

// How long the call takes until its answer: the work so far and the latency
// it will still wait.
int64_t callMicros(Steady::time_point start, int64_t latencyMs) {
    auto spent = std::chrono::duration_cast<std::chrono::microseconds>(Steady::now() - start);
    return spent.count() + (latencyMs > 60000 ? 60000 : latencyMs < 0 ? 0 : latencyMs) * 1000;
}

void sleepFor(int64_t ms) {
    if (ms > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(ms > 60000 ? 60000 : ms));
}
}  // namespace

int Device::command(const std::string& fn, const std::string& args,
                    const std::function<int(CallContext&)>& op) {
    const Steady::time_point start = Steady::now();
    if (!store_->begin()) {
        error_ = store_->lastError();
        return kStorage;
    }
    if (!reloadIfChanged()) {
        store_->rollback();
        return kStorage;
    }
    PrinterState work = state_;
    Settings workSet = settings_;
    Output out;
    int64_t t = now();
    int code = unavailableCode(fn);
    bool ok = true;
    if (code == kOk) {
        auto fault = faults_.find(fn);
        if (fault != faults_.end()) {
            code = fault->second;
            ok = store_->clearFault(fn);
        } else if (!modelHasCommand(settings_.model, fn)) {
            code = kNoAnswer;
        } else {
            Printer printer(work, workSet, t, out);
            CallContext ctx{printer, work, workSet, *store_, t};
            code = op(ctx);
        }
    }
    if (ok && code == kOk) {
        ok = store_->saveState(state_, work) && store_->saveSettings(settings_, workSet) &&
             store_->appendPaper(isoTime(t), out.paper) &&
             (!out.fiscalRecord || store_->appendFiscalRecord(*out.fiscalRecord));
    }
    ok = ok && store_->appendTrace(fn, args, std::to_string(code),
                                   callMicros(start, settings_.latencyMs));
    if (!ok) {
        error_ = store_->lastError();
        store_->rollback();
        store_->changedElsewhere();
        PrinterState st;
        Settings set;
        if (store_->load(&st, &set, &faults_)) {
            state_ = std::move(st);
            settings_ = set;
        }
        return kStorage;
    }
    if (!store_->commit()) {
        error_ = store_->lastError();
        return kStorage;
    }
    faults_.erase(fn);
    if (code == kOk) {
        state_ = std::move(work);
        settings_ = workSet;
    }
    // The artificial latency (set from ecfsim) delays the answer, not the
    // printer's work, and holds no lock on the memory meanwhile.
    sleepFor(settings_.latencyMs);
    return code;
}

std::string Device::reply(
    const std::string& fn, const std::string& args,
    const std::function<std::string(const PrinterState&, const Settings&, int64_t)>& build) {
    const Steady::time_point start = Steady::now();
    if (!store_->begin()) {
        error_ = store_->lastError();
        return failureReply(kStorage);
    }
    if (!reloadIfChanged()) {
        store_->rollback();
        return failureReply(kStorage);
    }
    std::string text;
    bool ok = true;
    int code = unavailableCode(fn);
    if (code != kOk) {
        text = failureReply(code);
    } else if (faults_.count(fn)) {
        text = failureReply(faults_[fn], "Falha simulada");
        ok = store_->clearFault(fn);
    } else if (!modelHasCommand(settings_.model, fn)) {
        text = failureReply(kNoAnswer, kUnsupportedDescription);
    } else {
        text = build(state_, settings_, now());
    }
    ok = ok && store_->appendTrace(fn, args, quoteBytes(text, 1024),
                                   callMicros(start, settings_.latencyMs));
    if (!ok || !store_->commit()) {
        error_ = store_->lastError();
        if (!ok)
            store_->rollback();
        return failureReply(kStorage);
    }
    faults_.erase(fn);
    sleepFor(settings_.latencyMs);
    return text;
}

void Device::traceOnly(const std::string& fn, const std::string& args, const std::string& result) {
    const Steady::time_point start = Steady::now();
    if (!store_->begin())
        return;
    if (store_->appendTrace(fn, args, result, callMicros(start, 0)))
        store_->commit();
    else
        store_->rollback();
}

bool Device::updateSettings(const std::function<void(Settings&)>& change) {
    if (!store_->begin())
        return error_ = store_->lastError(), false;
    if (!reloadIfChanged()) {
        store_->rollback();
        return false;
    }
    Settings updated = settings_;
    change(updated);
    // Leaving technical intervention restarts operation: the counter moves.
    PrinterState work = state_;
    if (settings_.intervention && !updated.intervention) {
        work.s.cro += 1;
    }
    if (!store_->saveSettings(settings_, updated) || !store_->saveState(state_, work) ||
        !store_->commit()) {
        error_ = store_->lastError();
        store_->rollback();
        return false;
    }
    settings_ = updated;
    state_ = std::move(work);
    return true;
}

bool Device::setFault(const std::string& function, int code) {
    if (!store_->begin())
        return error_ = store_->lastError(), false;
    if (!store_->setFault(function, code) || !store_->commit()) {
        error_ = store_->lastError();
        store_->rollback();
        return false;
    }
    faults_[function] = code;
    return true;
}

bool Device::clearFaults(const std::string& function) {
    if (!store_->begin())
        return error_ = store_->lastError(), false;
    bool ok = true;
    if (function.empty()) {
        for (const auto& [fn, code] : store_->faults())
            ok = ok && store_->clearFault(fn);
    } else {
        ok = store_->clearFault(function);
    }
    if (!ok || !store_->commit()) {
        error_ = store_->lastError();
        store_->rollback();
        return false;
    }
    faults_ = store_->faults();
    return true;
}

bool Device::nextDay() {
    return updateSettings([](Settings& s) { s.clockOffset += 24 * 3600; });
}

bool Device::resetToFactory() {
    if (!store_->begin())
        return error_ = store_->lastError(), false;
    if (!store_->resetToFactory(systemNow()) || !store_->commit()) {
        error_ = store_->lastError();
        store_->rollback();
        return false;
    }
    store_->changedElsewhere();
    return store_->load(&state_, &settings_, &faults_) || (error_ = store_->lastError(), false);
}

std::vector<std::string> Device::consistencyProblems() {
    std::vector<std::string> problems;
    if (!refresh())
        return {"memory cannot be read: " + error_};
    const Scalars& s = state_.s;
    auto expect = [&](bool cond, const std::string& what) {
        if (!cond)
            problems.push_back(what);
    };
    Cents net = s.dayGross - s.dayCancel - s.dayDiscount;
    expect(fiscalTotaliserSum(state_) == net,
           "fiscal totalisers " + std::to_string(fiscalTotaliserSum(state_)) +
               " differ from the day's net sales " + std::to_string(net));
    expect(s.gt == s.dayGtStart + s.dayGross,
           "grand total differs from its start plus the day's sales");
    for (int i = 0; i < kTaxPositions; ++i)
        expect(state_.rates[i].total >= 0, "negative totaliser on rate " + std::to_string(i));
    for (const auto& [t, v] : state_.totals)
        expect(v >= 0, "negative totaliser " + totaliserName(t));
    expect(!state_.users.empty(), "no user record");
    const Document& d = state_.doc;
    if (d.kind != kDocNone)
        expect(d.coo == s.coo, "open document does not hold the last COO");
    if (d.kind == kDocNone || d.kind == kDocHeader)
        expect(d.items.empty() && d.payments.empty(), "items without a coupon");
    std::vector<FiscalRecord> fm = store_->fiscalMemory();
    expect(static_cast<int64_t>(fm.size()) == s.crz,
           "fiscal memory holds " + std::to_string(fm.size()) + " records, Z counter " +
               std::to_string(s.crz));
    Cents lastGt = 0;
    for (size_t i = 0; i < fm.size(); ++i) {
        expect(fm[i].z == static_cast<int64_t>(i + 1), "fiscal memory numbering has a gap");
        expect(fm[i].gt >= lastGt, "grand total decreased in the fiscal memory");
        lastGt = fm[i].gt;
    }
    expect(s.gt >= lastGt, "grand total below the last Z reduction");
    std::vector<PaperRow> last = store_->paper(0, 1);
    if (!last.empty())
        expect(last.back().coo <= s.coo, "paper shows a COO beyond the counter");
    return problems;
}

// ---------------------------------------------------------------- fiscal memory reading

int readFiscalMemory(CallContext& ctx, int32_t mode, const Text& from, const Text& to,
                     int32_t firstZ, int32_t lastZ, const Text& fileName) {
    if (!fileName || fileName->empty() || fileName->size() > 64 || *fileName == "." ||
        *fileName == "..")
        return kBadFileName;
    for (char c : *fileName) {
        unsigned char u = static_cast<unsigned char>(c);
        if (c == '/' || c == '\\' || c == ':' || u < 0x20 || u == 0x7F)
            return kBadFileName;
    }
    if (mode != 1 && mode != 2)
        return kOutOfRange;
    if (!from || !to || from->size() != 6 || to->size() != 6)
        return kBadDate;
    int ymdFrom = parseDate(*from), ymdTo = parseDate(*to);
    if (!ymdFrom || !ymdTo)
        return kBadDate;
    if (firstZ < 1 || lastZ < 1 || firstZ > 9999 || lastZ > 9999 || firstZ > lastZ)
        return kOutOfRange;
    if (mode == 1 && ymdFrom > ymdTo)
        return kBadDate;
    if (ctx.settings.intervention)
        return kIntervention;
    if (ctx.state.doc.kind != kDocNone)
        return kWrongState;

    std::vector<FiscalRecord> all = ctx.store.fiscalMemory();
    std::vector<const FiscalRecord*> chosen;
    for (const FiscalRecord& r : all) {
        bool in =
            mode == 1 ? (r.ymd >= ymdFrom && r.ymd <= ymdTo) : (r.z >= firstZ && r.z <= lastZ);
        if (in)
            chosen.push_back(&r);
    }
    const User& u = ctx.state.user();
    std::string text;
    auto line = [&](const std::string& l) { text += l + "\r\n"; };
    line("LEITURA DA MEMORIA FISCAL");
    line(u.line1);
    line("CGC " + u.cgc + "  IE " + u.ie);
    line(std::string("ECF-IF ") + modelName(ctx.settings.model) + "  EMITIDA EM " +
         isoTime(ctx.now));
    if (mode == 1)
        line("PERIODO " + formatYmdShort(ymdFrom) + " A " + formatYmdShort(ymdTo));
    else
        line("REDUCOES " + zeroPad(firstZ, 4) + " A " + zeroPad(lastZ, 4));
    line(std::string(48, '-'));
    Cents gross = 0, net = 0;
    for (const FiscalRecord* r : chosen) {
        line("Z " + zeroPad(r->z, 4) + "  DATA " + formatYmdShort(static_cast<int>(r->ymd)) +
             "  COO " + zeroPad(r->coo, 6) + "  CRO " + zeroPad(r->cro, 4));
        line("  GRANDE TOTAL   " + padLeft(formatAmount(r->gt), 24));
        line("  VENDA BRUTA    " + padLeft(formatAmount(r->gross), 24));
        line("  CANCELAMENTOS  " + padLeft(formatAmount(r->cancellations), 24));
        line("  DESCONTOS      " + padLeft(formatAmount(r->discounts), 24));
        line("  ACRESCIMOS     " + padLeft(formatAmount(r->surcharges), 24));
        line("  VENDA LIQUIDA  " + padLeft(formatAmount(r->net), 24));
        for (const auto& [t, v] : decodeShares(r->details))
            line("  " + padRight(totaliserName(t), 14) + " " + padLeft(formatAmount(v), 24));
        gross += r->gross;
        net += r->net;
    }
    line(std::string(48, '-'));
    line("REDUCOES NO PERIODO: " + std::to_string(chosen.size()));
    line("VENDA BRUTA DO PERIODO:   " + padLeft(formatAmount(gross), 20));
    line("VENDA LIQUIDA DO PERIODO: " + padLeft(formatAmount(net), 20));

    std::string tmp = *fileName + ".tmp";
    {
        std::ofstream f(tmp, std::ios::binary | std::ios::trunc);
        if (!f)
            return kFileError;
        f << text;
        f.flush();
        if (!f) {
            std::remove(tmp.c_str());
            return kFileError;
        }
    }
    if (std::rename(tmp.c_str(), fileName->c_str()) != 0) {
        std::remove(tmp.c_str());
        return kFileError;
    }
    return kOk;
}

}  // namespace fiscemu
