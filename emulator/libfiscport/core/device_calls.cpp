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

}  // namespace fiscemu
