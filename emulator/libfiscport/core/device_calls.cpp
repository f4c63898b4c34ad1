// The transaction runner: each driver call as one transaction on the memory,
// traced once its outcome is known, then delayed by the set latency.
#include <chrono>
#include <thread>
#include <utility>

#include "core/clock.h"
#include "core/codes.h"
#include "core/device.h"
#include "core/trace.h"

namespace fiscemu {

namespace {
std::string portName(int port) {
    return "COM" + std::to_string(port + 1);
}

// The reasons of the answers the library gives for the whole printer.
std::string faultReason(const std::string& fn, int code) {
    return "falha simulada: ecfsim fault fez " + fn + " responder " + std::to_string(code) +
           " uma vez";
}

std::string unsupportedReason(Model model, const std::string& fn) {
    return fn + " não existe no modelo " + modelName(model) + " da impressora";
}

std::string damagedReason() {
    return "memória da impressora danificada ou não reconhecida: nenhuma chamada a usa até que "
           "seja restaurada (ecfsim verify, ecfsim reset)";
}
}  // namespace

int Device::unavailableCode(std::string* reason) const {
    if (!settings_.power) {
        *reason = "impressora desligada (ecfsim set power off)";
        return kNoAnswer;
    }
    if (selectedPort_ != settings_.port) {
        *reason = "a impressora está na " + portName(settings_.port) + " e o programa escolheu a " +
                  portName(selectedPort_) + " (ChangePort)";
        return kNoAnswer;
    }
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

int Device::storeFailure(std::string* reason) {
    error_ = store_->lastError();
    int code = store_->lastCode();
    if (code == kDamaged)
        broken_ = kDamaged;
    switch (code) {
        case kDamaged:
            *reason = damagedReason() + ": " + error_;
            break;
        case kBusy:
            *reason = "outro processo reteve a memória por mais de " +
                      std::to_string(Store::kBusyMs / 1000) + " s: nada mudou";
            break;
        case kDiskFull:
            *reason = "disco cheio ao gravar a memória: nada mudou (" + error_ + ")";
            break;
        default:
            *reason = "a memória não pôde ser lida ou gravada: " + error_;
            break;
    }
    return code;
}

// A call first runs on a read snapshot: a refusal, the most common answer
// after a status reply, then needs no write lock and waits on no disk. An
// accepted call writes in the same transaction when no other process wrote
// meanwhile; otherwise it runs again under the write lock.
int Device::runCommand(const std::string& fn, const std::function<int(CallContext&)>& op,
                       std::string* reason, CallFacts* facts) {
    if (broken_) {
        *reason = damagedReason();
        return broken_;
    }
    for (int pass = 0; pass < 2; ++pass) {
        const bool locked = pass == 1;
        // While the checkpoint holds writers back, the command still runs on
        // a snapshot (a refusal waits for nothing), but writes in the locked
        // pass, which waits for the checkpoint's moment.
        const bool heldBack = !locked && store_->writersHeldBack();
        if (!(locked ? store_->begin() : store_->beginRead()))
            return storeFailure(reason);
        if (!reloadIfChanged()) {
            store_->rollback();
            return storeFailure(reason);
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
        reason->clear();
        int code = unavailableCode(reason);
        bool consumeFault = false;
        if (code == kOk) {
            auto fault = faults_.find(fn);
            if (fault != faults_.end()) {
                code = fault->second;
                *reason = faultReason(fn, code);
                consumeFault = true;
            } else if (!modelHasCommand(settings_.model, fn)) {
                code = kNoAnswer;
                *reason = unsupportedReason(settings_.model, fn);
            } else {
                Printer printer(work, workSet, t, out);
                CallContext ctx{printer, work, workSet, *store_, t, out.reason};
                code = op(ctx);
                *reason = code == kOk ? std::string() : std::move(out.reason);
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
            int failure = storeFailure(reason);
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
    *reason = "outro processo gravou na memória durante as duas tentativas: nada mudou";
    return kBusy;
}

int Device::command(const std::string& fn, const std::string& args,
                    const std::function<int(CallContext&)>& op) {
    const Steady::time_point start = Steady::now();
    std::string reason;
    CallFacts facts;
    int code = runCommand(fn, op, &reason, &facts);
    // Traced once the outcome is known: the line never claims a rolled-back call.
    store_->appendTrace(fn, args, std::to_string(code), callMicros(start, settings_.latencyMs),
                        code == kOk ? std::string() : reason, facts);
    // The artificial latency (set from ecfsim) delays the answer, not the
    // printer's work, and holds no lock on the memory meanwhile.
    sleepFor(settings_.latencyMs);
    return code;
}

std::string Device::runReply(const std::string& fn, const ReplyBuilder& build, std::string* reason,
                             CallFacts* facts) {
    if (broken_) {
        *reason = damagedReason();
        return failureReply(broken_);
    }
    for (int pass = 0; pass < 2; ++pass) {
        const bool locked = pass == 1;
        if (!(locked ? store_->begin() : store_->beginRead()))
            return failureReply(storeFailure(reason));
        if (!reloadIfChanged()) {
            store_->rollback();
            return failureReply(storeFailure(reason));
        }
        reason->clear();
        facts->clock = now();
        facts->paperLines = 0;
        int code = unavailableCode(reason);
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
            *reason = faultReason(fn, faults_[fn]);
            if (!store_->clearFault(fn) || !store_->commit()) {
                int failure = storeFailure(reason);
                store_->rollback();
                return failureReply(failure);
            }
            faults_.erase(fn);
            return text;
        } else if (!modelHasCommand(settings_.model, fn)) {
            text = failureReply(kNoAnswer, kUnsupportedDescription);
            *reason = unsupportedReason(settings_.model, fn);
        } else {
            text = build(state_, settings_, facts->clock, *reason);
        }
        store_->rollback();
        return text;
    }
    *reason = "outro processo gravou na memória durante as duas tentativas";
    return failureReply(kBusy);
}

std::string Device::reply(const std::string& fn, const std::string& args,
                          const ReplyBuilder& build) {
    const Steady::time_point start = Steady::now();
    std::string reason;
    CallFacts facts;
    std::string text = runReply(fn, build, &reason, &facts);
    store_->appendTrace(fn, args, quoteBytes(text, 1024), callMicros(start, settings_.latencyMs),
                        reason, facts);
    sleepFor(settings_.latencyMs);
    return text;
}

std::string Device::reply(const std::string& fn, const std::string& args,
                          std::string (*build)(const PrinterState&, const Settings&, int64_t)) {
    return reply(fn, args,
                 [build](const PrinterState& st, const Settings& set, int64_t now, std::string&) {
                     return build(st, set, now);
                 });
}

void Device::traceOnly(const std::string& fn, const std::string& args, const std::string& result,
                       const std::string& reason) {
    store_->appendTrace(fn, args, result, 0, reason);
}

}  // namespace fiscemu
