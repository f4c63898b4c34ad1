#include "core/device.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <set>
#include <thread>
#include <utility>

#include "core/clock.h"
#include "core/codes.h"
#include "core/pathcheck.h"
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

std::unique_ptr<Device> Device::open(const std::string& path, std::string* error, int* code) {
    int c = kStorage;
    auto store = Store::open(path, error, &c);
    if (!store) {
        if (code)
            *code = c;
        return nullptr;
    }
    std::unique_ptr<Device> dev(new Device(std::move(store)));
    // The state is read in one snapshot: tables read one by one while another
    // process commits would mix two calls and look like a damaged memory.
    if (!dev->store_->beginRead()) {
        if (error)
            *error = path + ": " + dev->store_->lastError();
        if (code)
            *code = dev->store_->lastCode();
        return nullptr;
    }
    if (!dev->store_->load(&dev->state_, &dev->settings_, &dev->faults_)) {
        if (error)
            *error = path + ": " + dev->store_->lastError();
        if (code)
            *code = dev->store_->lastCode() == kStorage ? kDamaged : dev->store_->lastCode();
        dev->store_->rollback();
        return nullptr;
    }
    dev->store_->changedElsewhere();
    dev->store_->rollback();
    std::vector<std::string> problems = dev->consistencyProblems();
    if (!problems.empty()) {
        if (error) {
            *error = path + ": inconsistent memory: ";
            for (size_t i = 0; i < problems.size(); ++i)
                *error += (i ? "; " : "") + problems[i];
        }
        if (code)
            *code = kDamaged;
        return nullptr;
    }
    dev->store_->startCheckpointer();
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

int Device::storeFailure() {
    error_ = store_->lastError();
    int code = store_->lastCode();
    if (code == kDamaged)
        broken_ = kDamaged;
    return code;
}

// A call first runs on a read snapshot: a refusal, the most common answer
// after a status reply, then needs no write lock and waits on no disk. An
// accepted call writes in the same transaction when no other process wrote
// meanwhile; otherwise it runs again under the write lock.
int Device::runCommand(const std::string& fn, const std::function<int(CallContext&)>& op,
                       CallFacts* facts) {
    if (broken_)
        return broken_;
    for (int pass = 0; pass < 2; ++pass) {
        const bool locked = pass == 1;
        // While the checkpoint holds writers back, the command still runs on
        // a snapshot (a refusal waits for nothing), but writes in the locked
        // pass, which waits for the checkpoint's moment.
        const bool heldBack = !locked && store_->writersHeldBack();
        if (!(locked ? store_->begin() : store_->beginRead()))
            return storeFailure();
        if (!reloadIfChanged()) {
            store_->rollback();
            return storeFailure();
        }
        // The copy reuses the last call's buffers: no allocation for rows
        // that already had room.
        work_ = state_;
        PrinterState& work = work_;
        Settings workSet = settings_;
        Output out;
        int64_t t = now();
        facts->clock = t;
        facts->paperLines = 0;
        int code = unavailableCode(fn);
        bool consumeFault = false;
        if (code == kOk) {
            auto fault = faults_.find(fn);
            if (fault != faults_.end()) {
                code = fault->second;
                consumeFault = true;
            } else if (!modelHasCommand(settings_.model, fn)) {
                code = kNoAnswer;
            } else {
                Printer printer(work, workSet, t, out);
                CallContext ctx{printer, work, workSet, *store_, t};
                code = op(ctx);
            }
        }
        if (code != kOk && !consumeFault) {
            store_->rollback();
            return code;
        }
        if (heldBack) {
            store_->rollback();
            continue;
        }
        bool ok = !consumeFault || store_->clearFault(fn);
        if (ok && code == kOk) {
            ok = store_->saveState(state_, work) && store_->saveSettings(settings_, workSet) &&
                 store_->appendPaper(isoTime(t), out.paper) &&
                 (!out.fiscalRecord || store_->appendFiscalRecord(*out.fiscalRecord));
        }
        ok = ok && store_->commit();
        if (!ok) {
            int failure = storeFailure();
            store_->rollback();
            if (!locked && failure == kBusy)
                continue;  // another process wrote since the snapshot: again, locked
            return failure;
        }
        faults_.erase(fn);
        if (code == kOk) {
            std::swap(state_, work_);
            settings_ = workSet;
            facts->paperLines = static_cast<int64_t>(out.paper.size());
        }
        return code;
    }
    return kBusy;
}

int Device::command(const std::string& fn, const std::string& args,
                    const std::function<int(CallContext&)>& op) {
    const Steady::time_point start = Steady::now();
    CallFacts facts;
    int code = runCommand(fn, op, &facts);
    // Traced once the outcome is known: the line never claims a rolled-back call.
    store_->appendTrace(fn, args, std::to_string(code), callMicros(start, settings_.latencyMs),
                        facts);
    // The artificial latency (set from ecfsim) delays the answer, not the
    // printer's work, and holds no lock on the memory meanwhile.
    sleepFor(settings_.latencyMs);
    return code;
}

std::string Device::runReply(
    const std::string& fn,
    const std::function<std::string(const PrinterState&, const Settings&, int64_t)>& build,
    CallFacts* facts) {
    if (broken_)
        return failureReply(broken_);
    for (int pass = 0; pass < 2; ++pass) {
        const bool locked = pass == 1;
        if (!(locked ? store_->begin() : store_->beginRead()))
            return failureReply(storeFailure());
        if (!reloadIfChanged()) {
            store_->rollback();
            return failureReply(storeFailure());
        }
        int code = unavailableCode(fn);
        facts->clock = now();
        facts->paperLines = 0;
        std::string text;
        if (code != kOk) {
            text = failureReply(code);
        } else if (faults_.count(fn)) {
            // Only a pending fault makes a status reply write: it is used up.
            if (!locked) {
                store_->rollback();
                continue;
            }
            text = failureReply(faults_[fn], "Falha simulada");
            if (!store_->clearFault(fn) || !store_->commit()) {
                int failure = storeFailure();
                store_->rollback();
                return failureReply(failure);
            }
            faults_.erase(fn);
            return text;
        } else if (!modelHasCommand(settings_.model, fn)) {
            text = failureReply(kNoAnswer, kUnsupportedDescription);
        } else {
            text = build(state_, settings_, facts->clock);
        }
        store_->rollback();
        return text;
    }
    return failureReply(kBusy);
}

std::string Device::reply(
    const std::string& fn, const std::string& args,
    const std::function<std::string(const PrinterState&, const Settings&, int64_t)>& build) {
    const Steady::time_point start = Steady::now();
    CallFacts facts;
    std::string text = runReply(fn, build, &facts);
    store_->appendTrace(fn, args, quoteBytes(text, 1024), callMicros(start, settings_.latencyMs),
                        facts);
    sleepFor(settings_.latencyMs);
    return text;
}

void Device::traceOnly(const std::string& fn, const std::string& args, const std::string& result) {
    store_->appendTrace(fn, args, result, 0);
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
    store_->traceLog().restart();
    broken_ = 0;
    store_->changedElsewhere();
    return store_->load(&state_, &settings_, &faults_) || (error_ = store_->lastError(), false);
}

std::vector<std::string> Device::verify() {
    std::vector<std::string> problems = store_->integrityProblems();
    if (!problems.empty())
        return problems;
    problems = consistencyProblems();
    for (const std::string& p : store_->chainProblems())
        problems.push_back(p);
    return problems;
}

std::vector<std::string> Device::consistencyProblems() {
    std::vector<std::string> problems;
    // Every table is read in one snapshot, so a writer committing meanwhile
    // cannot pair the state of one call with the paper or records of another.
    if (!store_->beginRead())
        return {"memory cannot be read: " + store_->lastError()};
    if (!reloadIfChanged()) {
        store_->rollback();
        return {"memory cannot be read: " + error_};
    }
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
    store_->rollback();
    return problems;
}

// ---------------------------------------------------------------- fiscal memory reading

namespace {

std::string folderOf(const std::string& path) {
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? "." : path.substr(0, slash == 0 ? 1 : slash);
}

std::string baseName(const std::string& path) {
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

// Whether writing a reading under `name` (in the working directory) would
// touch the memory: the name is, or links to, one of the memory's files (same
// device and inode, so hard and symbolic links count), or is the name one of
// them would have in the memory's own folder even before it exists.
bool wouldTouchMemory(const std::vector<std::string>& memoryFiles, const std::string& name) {
    struct stat target {};
    bool exists = stat(name.c_str(), &target) == 0;
    struct stat linkSelf {};
    bool isLink = lstat(name.c_str(), &linkSelf) == 0;
    for (const std::string& f : memoryFiles) {
        struct stat m {};
        if (stat(f.c_str(), &m) != 0)
            continue;
        if (exists && m.st_dev == target.st_dev && m.st_ino == target.st_ino)
            return true;
        if (isLink && m.st_dev == linkSelf.st_dev && m.st_ino == linkSelf.st_ino)
            return true;
    }
    if (memoryFiles.empty())
        return false;
    struct stat here {
    }, folder{};
    if (stat(".", &here) != 0 || stat(folderOf(memoryFiles.front()).c_str(), &folder) != 0)
        return false;
    if (here.st_dev != folder.st_dev || here.st_ino != folder.st_ino)
        return false;
    for (const std::string& f : memoryFiles)
        if (baseName(f) == name)
            return true;
    return false;
}

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
    if (wouldTouchMemory(ctx.store.companionPaths(), *fileName))
        return kBadFileName;
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

    // Written under a fresh name of its own (never an existing file), then
    // renamed over the reading's name, which may only be a regular file or
    // nothing: a directory, a FIFO, a device node or a symbolic link of that
    // name is the user's and is left as it is (9).
    if (!regularOrMissing(*fileName))
        return kFileError;
    std::string tmp = *fileName + ".XXXXXX";
    int fd = mkostemp(tmp.data(), O_CLOEXEC);
    if (fd < 0)
        return errno == ENOSPC || errno == EFBIG ? kDiskFull : kFileError;
    fchmod(fd, 0644);
    size_t done = 0;
    int writeErrno = 0;
    while (done < text.size()) {
        ssize_t n = write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            writeErrno = n < 0 ? errno : ENOSPC;
            break;
        }
        done += static_cast<size_t>(n);
    }
    if (close(fd) != 0 && !writeErrno)
        writeErrno = errno;
    if (writeErrno) {
        unlink(tmp.c_str());
        return writeErrno == ENOSPC || writeErrno == EFBIG ? kDiskFull : kFileError;
    }
    if (std::rename(tmp.c_str(), fileName->c_str()) != 0) {
        unlink(tmp.c_str());
        return kFileError;
    }
    return kOk;
}

}  // namespace fiscemu
