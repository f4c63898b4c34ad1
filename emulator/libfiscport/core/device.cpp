// Opening a memory, and what tools such as ecfsim do to it beside the
// driver's calls: settings, faults, the next day, the factory reset, checks.
#include "core/device.h"

#include <cstdlib>
#include <utility>

#include "core/clock.h"
#include "core/codes.h"

namespace fiscemu {

std::string Device::defaultPath() {
    const char* env = std::getenv("ECFSIM_DB");
    if (env && *env)
        return env;
    return "ecfsim.db";
}

std::unique_ptr<Device> Device::open(const std::string& path, std::string* error, int* code,
                                     bool whole) {
    int c = kStorage;
    auto store = Store::open(path, error, &c, whole);
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

}  // namespace fiscemu
